// The join list: admission with its messages and totals, Add File, the folder
// scan, and the editing commands, on files the tests write themselves.

#include "mainwindowfixture.h"

#include "joinlist/formathms.h"
#include "joinlist/joinlist.h"
#include "platform/messages.h"
#include "settings/tfm_dir.h"
#include "skin/skinitem.h"
#include "support/tones.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

using Kind = ScriptedPrompter::Kind;

class JoinListTest : public MainWindowTest {
protected:
    // A short mono tone; lengths are what the tests look at, not the sound.
    QString tone(const QString &name, double seconds, int rate = 8000)
    {
        return Tones::write(dataPath(name), ToneFormat::Wav8, rate, 1, seconds);
    }

    QString notAudio(const QString &path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("These are notes, not music.\n");
        return path;
    }

    JoinList &list() { return window().joinList(); }

    QStringList column(int column)
    {
        QStringList texts;
        QTreeWidget *lv = window().lv();
        for (int row = 0; row < lv->topLevelItemCount(); ++row)
            texts << lv->topLevelItem(row)->text(column);
        return texts;
    }

    QString totalTimeShown()
    {
        auto *element = dynamic_cast<SkinItem *>(window().totalTimeElement());
        return element ? element->text() : QStringLiteral("<no element>");
    }

    void addFiles(const QStringList &files)
    {
        prompter.queueOpenFiles(files);
        window().AddFile1Click();
    }

    // Opens Add Path on a folder, with the sub-folder switch as given.
    void addPath(const QString &folder, bool subFolders)
    {
        prompter.queueDialog([=](QDialog &dialog) {
            auto &dir = static_cast<Tfm_dir &>(dialog);
            EXPECT_TRUE(dir.cbx_sub()->isVisible());
            dir.cbx_sub()->setChecked(subFolders);
            dir.selectFolder(folder);
            dialog.findChild<QPushButton *>("btn_ok")->click();
        });
        window().AddPath1Click();
    }

    // The names of a folder's entries in the system's own order.
    static QStringList entryOrder(const QString &folder)
    {
        QStringList names;
        QDirIterator it(folder,
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            names << it.fileName();
        }
        return names;
    }
};

}  // namespace

TEST(FormatHms, WritesTwoDigitFieldsAndUnlimitedHours)
{
    EXPECT_EQ(FormatHms(0), "00:00:00");
    EXPECT_EQ(FormatHms(59), "00:00:59");
    EXPECT_EQ(FormatHms(2 * 3600 + 3 * 60 + 4), "02:03:04");
    EXPECT_EQ(FormatHms(360000), "100:00:00");
    EXPECT_EQ(FormatHms(qint64(3) * 1000 * 1000 * 3600 + 61), "3000000:01:01");
}

TEST_F(JoinListTest, RowsShowTruncatedSecondsAndTheTotalSumsTruncatedRows)
{
    showWindow();
    const QString long59 = tone("long.wav", 59.9);
    const QString a = tone("a.wav", 1.5);
    const QString b = tone("b.wav", 1.5);
    addFiles({long59});
    EXPECT_EQ(column(JoinList::TimeColumn), QStringList{"00:00:59"});
    window().Clear1Click();
    addFiles({a, b});
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "b.wav"}));
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList({a, b}));
    EXPECT_EQ(column(JoinList::TimeColumn), QStringList({"00:00:01", "00:00:01"}));
    EXPECT_EQ(column(JoinList::StatusColumn), QStringList({"unconverted", "unconverted"}));
    EXPECT_EQ(list().TotalSeconds(), 2);
    EXPECT_EQ(list().TotalSamples(), 2 * 12000);
    EXPECT_EQ(totalTimeShown(), "00:00:02");
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(JoinListTest, SameFileTwiceDoublesBothTotals)
{
    showWindow();
    const QString a = tone("a.wav", 2.0);
    addFiles({a, a});
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList({a, a}));
    EXPECT_EQ(list().TotalSeconds(), 4);
    EXPECT_EQ(list().TotalSamples(), 32000);
}

TEST_F(JoinListTest, BadFilesAreRefusedOneByOneAndTheRunGoesOn)
{
    showWindow();
    const QString first = tone("first.wav", 1.0);
    const QString notes = notAudio(dataPath("notes.mp3"));
    const QString third = tone("third.wav", 2.0);
    const QString gone = dataPath("gone.wav");
    addFiles({first, notes, third, gone});
    EXPECT_EQ(column(JoinList::FullPathColumn), QStringList({first, third}));
    EXPECT_EQ(prompter.messages(), QStringList({notes + Messages::kInvalidAudioSuffix,
                                                gone + Messages::kFileRemovedSuffix}));
    EXPECT_EQ(prompter.kinds(), QList<Kind>({Kind::OpenDialog, Kind::Plain, Kind::Plain}));
    EXPECT_EQ(totalTimeShown(), "00:00:03");
}

TEST_F(JoinListTest, AddFileStartsInTheRememberedFolderAndRemembersTheNewOne)
{
    writeSettingsText("[join]\nfile path=/srv/music\n");
    showWindow();
    const QString a = tone("a.wav", 1.0);
    addFiles({a});
    EXPECT_EQ(prompter.lastOpenRequest().startFolder, "/srv/music");
    EXPECT_EQ(prompter.lastOpenRequest().nameFilters.size(), 5);
    EXPECT_TRUE(prompter.lastOpenRequest().nameFilters.first().startsWith("All Supported Files"));
    EXPECT_TRUE(settingsText().contains("file path=" + dataPath())) << settingsText().toStdString();
}

TEST_F(JoinListTest, CancelledOpenDialogChangesNothing)
{
    writeSettingsText("[join]\nfile path=/srv/music\n");
    Tfm_main &main = showWindow();
    const QString before = settingsText();
    const QString shownBefore = totalTimeShown();
    main.AddFile1Click();
    EXPECT_EQ(main.lv()->topLevelItemCount(), 0);
    EXPECT_EQ(settingsText(), before);
    EXPECT_EQ(totalTimeShown(), shownBefore);
    EXPECT_TRUE(main.menuItems().Join1->isEnabled());
    EXPECT_FALSE(main.busy().Adding);
}

TEST_F(JoinListTest, AdmissionLocksItsItemsAndGivesThemBackEvenAfterAnError)
{
    Tfm_main &main = showWindow();
    bool lockedMeanwhile = false;
    prompter.onMessage([&](const QString &) {
        lockedMeanwhile = main.busy().Adding && !main.menuItems().AddFile1->isEnabled()
                          && !main.menuItems().Play2->isEnabled();
    });
    addFiles({dataPath("missing.wav")});
    EXPECT_TRUE(lockedMeanwhile);
    EXPECT_TRUE(main.menuItems().AddFile1->isEnabled());

    // The settings file cannot be written: the admission fails at its first write.
    QFile::remove(settingsPath());
    QDir().mkpath(settingsPath());
    prompter.clear();
    prompter.queueOpenFiles({tone("a.wav", 1.0)});
    main.menuItems().AddFile1->trigger();
    EXPECT_EQ(prompter.messages(), QStringList{"Unable to write to vantorel.ini"});
    EXPECT_FALSE(main.busy().Adding);
    EXPECT_TRUE(main.menuItems().AddFile1->isEnabled());
    EXPECT_TRUE(main.menuItems().Play2->isEnabled());
    QDir().rmdir(settingsPath());
}

TEST_F(JoinListTest, AddFileDuringAnAdmissionKeepsTheItemsLockedUntilBothEnd)
{
    Tfm_main &main = showWindow();
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 1.0), c = tone("c.wav", 1.0);
    const QString d = tone("d.wav", 1.0);
    prompter.queueOpenFiles({a, b, c});
    prompter.queueOpenFiles({d});
    bool nested = false;
    bool unlockedTooEarly = false;
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!nested) {
            nested = true;
            main.SkinClick("Add");
        } else if (!main.busy().Adding || main.menuItems().AddPath1->isEnabled()) {
            unlockedTooEarly = true;
        }
    });
    during.start(0);
    main.AddFile1Click();
    during.stop();
    ASSERT_TRUE(nested);
    EXPECT_FALSE(unlockedTooEarly);
    EXPECT_EQ(main.lv()->topLevelItemCount(), 4);
    EXPECT_FALSE(main.busy().Adding);
    EXPECT_TRUE(main.menuItems().AddPath1->isEnabled());
}

TEST_F(JoinListTest, FolderScanTakesOnlyAcceptedNamesAndEntersSubFoldersWhenAsked)
{
    showWindow();
    const QString root = QDir::homePath() + "/scan";
    QDir().mkpath(root + "/inner/deeper");
    Tones::write(root + "/SONG.MP3", ToneFormat::Mp3, 8000, 1, 0.5);
    Tones::write(root + "/one.wav", ToneFormat::Wav8, 8000, 1, 0.5);
    Tones::write(root + "/.hidden.wav", ToneFormat::Wav8, 8000, 1, 0.5);
    Tones::write(root + "/.mp3", ToneFormat::Wav8, 8000, 1, 0.5);
    QFile::copy(root + "/one.wav", root + "/song.mp3.bak");
    QFile::copy(root + "/one.wav", root + "/song.flac");
    Tones::write(root + "/inner/two.ogg", ToneFormat::Ogg, 8000, 1, 0.5);
    Tones::write(root + "/inner/deeper/three.wav", ToneFormat::Wav8, 8000, 1, 0.5);

    addPath(root, false);
    QStringList names = column(JoinList::FileNameColumn);
    names.sort();
    EXPECT_EQ(names, QStringList({"SONG.MP3", "one.wav"}));
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();

    window().Clear1Click();
    addPath(root, true);
    // Each folder's entries in the system's order, a sub-folder's files where it is met.
    QStringList expected;
    const std::function<void(const QString &)> walk = [&](const QString &folder) {
        for (const QString &name : entryOrder(folder)) {
            if (QFileInfo(folder + "/" + name).isDir())
                walk(folder + "/" + name);
            else if (QStringList({"SONG.MP3", "one.wav", "two.ogg", "three.wav"}).contains(name))
                expected << name;
        }
    };
    walk(root);
    EXPECT_EQ(column(JoinList::FileNameColumn), expected);
    EXPECT_TRUE(settingsText().contains("enable sub dir=1"));
}

TEST_F(JoinListTest, FolderLinkBackUpTheTreeDoesNotMakeTheScanEndless)
{
    showWindow();
    const QString root = QDir::homePath() + "/loop";
    QDir().mkpath(root + "/sub");
    Tones::write(root + "/sub/a.wav", ToneFormat::Wav8, 8000, 1, 0.5);
    ASSERT_TRUE(QFile::link(root, root + "/sub/back"));
    addPath(root, true);
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList{"a.wav"});
}

TEST_F(JoinListTest, AddPathWaitsWhilePlayingOrAdding)
{
    Tfm_main &main = showWindow();
    main.busy().Playing = true;
    main.AddPath1Click();
    main.busy().Playing = false;
    main.busy().Adding = true;
    main.AddPath1Click();
    main.busy().Adding = false;
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(JoinListTest, RemovingSelectsTheFollowingOrTheNewLastRow)
{
    Tfm_main &main = showWindow();
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 2.0), c = tone("c.wav", 3.0);
    addFiles({a, b, c});
    list().selectRow(1);
    main.Remove1Click();
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "c.wav"}));
    EXPECT_EQ(list().selectedRow(), 1);
    EXPECT_EQ(totalTimeShown(), "00:00:04");
    main.Remove1Click();
    EXPECT_EQ(list().selectedRow(), 0);
    main.Remove1Click();
    EXPECT_EQ(main.lv()->topLevelItemCount(), 0);
    EXPECT_EQ(list().selectedRow(), -1);
    EXPECT_EQ(list().TotalSamples(), 0);
    EXPECT_EQ(totalTimeShown(), "00:00:00");
    // Nothing selected: no row changes, the total is shown again.
    main.Remove1Click();
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(JoinListTest, RowWhoseFileWentAwayIsStillRemovedAndTheTotalsStayRight)
{
    Tfm_main &main = showWindow();
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 2.0), c = tone("c.wav", 3.0);
    addFiles({a, b, c});
    QFile::remove(b);
    notAudio(c);  // damaged after admission
    list().selectRow(1);
    main.Remove1Click();
    list().selectRow(1);
    main.Remove1Click();
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList{"a.wav"});
    EXPECT_EQ(list().TotalSamples(), 8000);
    EXPECT_EQ(list().TotalSeconds(), 1);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(JoinListTest, RemovingThePlayingRowIsRefusedAndARemovalAboveItMovesPlayingRow)
{
    Tfm_main &main = showWindow();
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 1.0), c = tone("c.wav", 1.0);
    addFiles({a, b, c});
    main.busy().Playing = true;
    main.PlayingRow = 2;
    list().selectRow(2);
    main.Remove1Click();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopPlayingFirst});
    EXPECT_EQ(main.lv()->topLevelItemCount(), 3);
    list().selectRow(0);
    main.Remove1Click();
    EXPECT_EQ(main.PlayingRow, 1);
    EXPECT_EQ(list().fullPath(main.PlayingRow), c);
    main.busy().Playing = false;
}

TEST_F(JoinListTest, MovesExchangeRowsAndKeepThePlayingRow)
{
    Tfm_main &main = showWindow();
    const QString a = tone("a.wav", 1.0), b = tone("b.wav", 2.0), c = tone("c.wav", 3.0);
    addFiles({a, b, c});
    list().setStatus(1, "Playing");
    main.PlayingRow = 1;
    list().selectRow(0);
    main.SkinClick("Down");
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"b.wav", "a.wav", "c.wav"}));
    EXPECT_EQ(column(JoinList::TimeColumn), QStringList({"00:00:02", "00:00:01", "00:00:03"}));
    EXPECT_EQ(column(JoinList::StatusColumn),
              QStringList({"Playing", "unconverted", "unconverted"}));
    EXPECT_EQ(main.PlayingRow, 0);
    EXPECT_EQ(list().selectedRow(), 1);
    main.SkinClick("Up");
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(main.PlayingRow, 1);
    EXPECT_EQ(list().selectedRow(), 0);
    // The first row cannot go up, the last cannot go down.
    main.SkinClick("Up");
    list().selectRow(2);
    main.SkinClick("Down");
    EXPECT_EQ(column(JoinList::FileNameColumn), QStringList({"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(list().TotalSeconds(), 6);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(JoinListTest, ClearEmptiesTheListAndShowsZeroEvenWhenAlreadyEmpty)
{
    Tfm_main &main = showWindow();
    window().totalTimeElement()->SetText("12:34:56");
    main.Clear1Click();
    EXPECT_EQ(totalTimeShown(), "00:00:00");
    addFiles({tone("a.wav", 2.0)});
    main.busy().Playing = true;
    main.Clear1Click();
    EXPECT_EQ(main.lv()->topLevelItemCount(), 1);
    main.busy().Playing = false;
    main.Clear1Click();
    EXPECT_EQ(main.lv()->topLevelItemCount(), 0);
    EXPECT_EQ(list().TotalSamples(), 0);
    EXPECT_EQ(list().TotalSeconds(), 0);
    EXPECT_EQ(totalTimeShown(), "00:00:00");
}
