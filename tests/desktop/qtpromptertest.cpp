// The real open dialog, driven as a user drives it once it is up: typing into
// its file name field, or clicking files. A dialog still open afterwards is
// cancelled, so no test waits on it.

#include "desktop/qtprompter.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class QtPrompterOpenTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char *name : {"a.mp3", "b.wav"}) {
            QFile file(path(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }

    QStringList choose(const std::function<void(QFileDialog &)> &act)
    {
        QTimer::singleShot(0, [act] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->activateWindow();
            QCoreApplication::processEvents();
            // A refusal comes as a message box over the dialog.
            QTimer::singleShot(0, dialog, [dialog] {
                if (QApplication::activeModalWidget() != dialog)
                    QApplication::activeModalWidget()->close();
            });
            act(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        FileOpenRequest request;
        request.startFolder = m_dir.path();
        request.nameFilters = {QStringLiteral("Audio files (*.mp3 *.wav)")};
        return m_prompter.chooseFilesToOpen(request);
    }

    QStringList chooseByTyping(const QString &typed)
    {
        return choose([typed](QFileDialog &dialog) {
            auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setFocus();
            QTest::keyClicks(name, typed);
            // The name completion's suggestion is not taken.
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
            QTest::keyClick(name, Qt::Key_Return);
        });
    }

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    QtPrompter m_prompter;
};

// Existing files come back as chosen, and so does a typed name that does not
// exist, whether alone or among others.
TEST_F(QtPrompterOpenTest, TypedNamesComeBackThoseThatDoNotExistIncluded)
{
    EXPECT_EQ(chooseByTyping(QStringLiteral("gone.mp3")), QStringList{path("gone.mp3")});
    EXPECT_EQ(chooseByTyping(QStringLiteral("\"a.mp3\" \"b.wav\"")),
              (QStringList{path("a.mp3"), path("b.wav")}));
    // Each typed name, in the typed order, wherever the missing one stands.
    EXPECT_EQ(chooseByTyping(QStringLiteral("\"a.mp3\" \"gone.mp3\" \"b.wav\"")),
              (QStringList{path("a.mp3"), path("gone.mp3"), path("b.wav")}));
    EXPECT_EQ(chooseByTyping(QStringLiteral("\"b.wav\" \"a.mp3\" \"gone.mp3\"")),
              (QStringList{path("b.wav"), path("a.mp3"), path("gone.mp3")}));
}

TEST_F(QtPrompterOpenTest, SeveralFilesAreChosenWithControlClicks)
{
    QStringList chosen = choose([this](QFileDialog &dialog) {
        auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
        ASSERT_NE(view, nullptr);
        view->doItemsLayout();
        for (const char *name : {"a.mp3", "b.wav"}) {
            const QModelIndex item =
                qobject_cast<QFileSystemModel *>(view->model())->index(path(name));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              view->visualRect(item).center());
        }
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open)->click();
    });
    chosen.sort();
    EXPECT_EQ(chosen, (QStringList{path("a.mp3"), path("b.wav")}));
}

}  // namespace
