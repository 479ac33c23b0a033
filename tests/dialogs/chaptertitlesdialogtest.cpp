// The chapter titles of the list's rows, edited from the tag dialog's
// "Chapters…" button: what the editor shows, what Ok and Cancel leave on the rows.

#include "dialogs/chaptertitlesdialog.h"
#include "audio/audiofile.h"
#include "audio/tags/tagvalues.h"
#include "dialogs/tagdialog.h"
#include "joinlist/joinlist.h"
#include "platform/apppaths.h"
#include "platform/errorreport.h"
#include "platform/messages.h"
#include "settings/settings.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <functional>

namespace {

class IgnoredErrors : public ErrorReport {
public:
    void report(const std::exception &error) override { ADD_FAILURE() << error.what(); }
};

class ChapterTitlesDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        settings.open();
        tagDialog.setChapterRows(list, prompter);
    }

    QString tone(const QString &name) const
    {
        return Tones::write(data.filePath(name), ToneFormat::Wav16, 8000, 1, 0.2);
    }

    // Opens the editor from the tag dialog, as the window does, and runs the
    // script on it while it is shown.
    void editTitles(const std::function<void(QTableWidget &, ChapterTitlesDialog &)> &script)
    {
        prompter.queueDialog([](QDialog &shown) {
            shown.findChild<QPushButton *>(QStringLiteral("btn_chapters"))->click();
        });
        prompter.queueDialog([&](QDialog &shown) {
            auto &dialog = static_cast<ChapterTitlesDialog &>(shown);
            script(*dialog.findChild<QTableWidget *>(QStringLiteral("tbl_chapters")), dialog);
        });
        prompter.showModal(tagDialog);
    }

    static QStringList column(const QTableWidget &table, int column)
    {
        QStringList texts;
        for (int row = 0; row < table.rowCount(); ++row)
            texts << table.item(row, column)->text();
        return texts;
    }

    QTemporaryDir data;
    ScriptedPrompter prompter;
    Settings settings{AppPaths::settingsFile()};
    IgnoredErrors errors;
    AudioFile probe;
    QTreeWidget lv;
    JoinList list{lv, prompter, settings, probe, probe};
    TagValues tags;
    TagDialog tagDialog{tags, settings, errors};
};

}  // namespace

TEST_F(ChapterTitlesDialogTest, OkStoresTheEditedTitlesAndCancelChangesNothing)
{
    const QString tagged = tone("tagged.wav");
    Tones::setTitle(tagged, "From the tag");
    list.addPaths({tone("01 - Intro.wav"), tagged, tone("03_Outro.wav")});
    list.setChapterTitle(2, "Set before");

    editTitles([](QTableWidget &table, ChapterTitlesDialog &dialog) {
        EXPECT_EQ(column(table, 0), QStringList({"01 - Intro.wav", "tagged.wav", "03_Outro.wav"}));
        EXPECT_EQ(column(table, 1), QStringList({"Intro", "From the tag", "Set before"}));
        table.item(0, 1)->setText("The Beginning");
        table.item(1, 1)->setText("Changed, then put back");
        table.item(1, 1)->setText("From the tag");
        table.item(2, 1)->setText("  ");
        dialog.findChild<QPushButton *>(QStringLiteral("btn_ok"))->click();
    });
    // Put back or emptied: the rule's again, whatever the file's tag becomes.
    EXPECT_EQ(list.chapterTitles(), QStringList({"The Beginning", "", ""}));

    editTitles([](QTableWidget &table, ChapterTitlesDialog &dialog) {
        EXPECT_EQ(column(table, 1), QStringList({"The Beginning", "From the tag", "Outro"}));
        table.item(1, 1)->setText("Not kept");
        dialog.findChild<QPushButton *>(QStringLiteral("btn_cancel"))->click();
    });
    EXPECT_EQ(list.chapterTitles(), QStringList({"The Beginning", "", ""}));
}

TEST_F(ChapterTitlesDialogTest, AnEmptyListAsksForFilesInstead)
{
    prompter.queueDialog([](QDialog &shown) {
        shown.findChild<QPushButton *>(QStringLiteral("btn_chapters"))->click();
    });
    prompter.showModal(tagDialog);
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kAddFile});
}
