#include "dialogs/folderdialog.h"
#include "platform/apppaths.h"
#include "platform/errorreport.h"
#include "settings/settings.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <functional>
#include <utility>

namespace {

class RecordingReport : public ErrorReport {
public:
    void report(const std::exception &error) override { texts << QString::fromUtf8(error.what()); }
    QStringList texts;
};

class FolderDialogTest : public testing::Test {
protected:
    void SetUp() override { settings.open(); }
    void TearDown() override
    {
        EXPECT_TRUE(report.texts.isEmpty()) << qPrintable(report.texts.join('\n'));
    }

    // Opens the dialog as its callers do, runs the script while it is shown,
    // and answers OK; returns the chosen folder.
    QString chooseWith(const std::function<void(QTreeView &)> &script)
    {
        prompter.queueDialog([&](QDialog &shown) {
            script(*dialog.folderTree());
            shown.findChild<QPushButton *>(QStringLiteral("btn_ok"))->click();
        });
        prompter.showModal(dialog);
        return dialog.result();
    }

    // The top-level node that shows path, or an invalid index.
    static QModelIndex topLevelNode(const QTreeView &tree, const QString &path)
    {
        return tree.model()
            ->match(tree.model()->index(0, 0), Qt::DisplayRole, path, 1, Qt::MatchExactly)
            .value(0);
    }

    Settings settings{AppPaths::settingsFile()};
    RecordingReport report;
    ScriptedPrompter prompter;
    FolderDialog dialog{settings, report};
};

TEST_F(FolderDialogTest, HomeComesFirstOpenedAndNoPseudoFileSystemIsADrive)
{
    EXPECT_EQ(dialog.folderTree()->model(), nullptr) << "the tree waits for the first opening";
    chooseWith([](QTreeView &tree) {
        EXPECT_EQ(topLevelNode(tree, QDir::homePath()).row(), 0);
        EXPECT_TRUE(tree.isExpanded(tree.model()->index(0, 0)));
        for (const char *pseudo : {"/proc", "/sys", "/dev", "/dev/shm", "/run"})
            EXPECT_FALSE(topLevelNode(tree, QLatin1String(pseudo)).isValid()) << pseudo;
    });
}

TEST_F(FolderDialogTest, ClickingTheTopLevelHomeOrRootFolderChoosesIt)
{
    for (const QString &folder : {QDir::homePath(), QStringLiteral("/")}) {
        const QString chosen = chooseWith([&](QTreeView &tree) {
            const QModelIndex node = topLevelNode(tree, folder);
            ASSERT_TRUE(node.isValid()) << qPrintable(folder);
            QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualRect(node).center());
        });
        EXPECT_EQ(chosen, folder);
    }
}

// A folder is found below the nearest top-level node that holds it.
TEST_F(FolderDialogTest, FoldersBelowHomeAndOutsideItAreChosen)
{
    QTemporaryDir outside;
    const QString belowHome = QDir::homePath() + QStringLiteral("/Music/Live");
    ASSERT_TRUE(QDir().mkpath(belowHome));
    for (const auto &[folder, topLevel] :
         {std::pair{belowHome, QDir::homePath()}, std::pair{outside.path(), QStringLiteral("/")}}) {
        QString shownBelow;
        EXPECT_EQ(chooseWith([&](QTreeView &tree) {
                      dialog.selectFolder(folder);
                      QModelIndex node = tree.currentIndex();
                      while (node.parent().isValid())
                          node = node.parent();
                      shownBelow = node.data().toString();
                  }),
                  folder);
        EXPECT_EQ(shownBelow, topLevel);
    }
}

}  // namespace
