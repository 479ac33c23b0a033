// The preview player without a window, on the silent output: status words,
// messages, the playing and paused states with the menu enabling they set, and
// the playing row it keeps.

#include "player/previewplayer.h"
#include "audio/audiofile.h"
#include "joinlist/joinlist.h"
#include "platform/apppaths.h"
#include "platform/errorreport.h"
#include "platform/messages.h"
#include "player/audioplayer.h"
#include "player/busystate.h"
#include "player/menuactions.h"
#include "settings/settings.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

class RecordingReport : public ErrorReport {
public:
    void report(const std::exception &error) override { errors << QString::fromUtf8(error.what()); }
    QStringList errors;
};

class PreviewPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { qputenv("VANTOREL_SILENT_AUDIO", "1"); }
    static void TearDownTestSuite() { qunsetenv("VANTOREL_SILENT_AUDIO"); }

    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid());
        settings.open();
        // As the window wires them.
        QObject::connect(&list, &JoinList::rowRemoved, &player, &PreviewPlayer::rowRemoved);
        QObject::connect(&list, &JoinList::rowsExchanged, &player, &PreviewPlayer::rowsExchanged);
    }
    void TearDown() override { player.stopPlay(); }

    QString tone(const QString &name, double seconds)
    {
        return Tones::write(m_data.filePath(name), ToneFormat::Wav16, 22050, 2, seconds);
    }

    void admit(const QStringList &files)
    {
        prompter.queueOpenFiles(files);
        list.addFile();
        prompter.clear();
    }

    void play(int row)
    {
        list.selectRow(row);
        player.playFile();
    }

    // What the preview's enabling says: playing, paused, stopped, or nothing
    // set yet.
    QString menuState() const
    {
        const MenuActions &a = m_actions;
        if (a.stopPlaying->isEnabled() && !a.join->isEnabled())
            return a.pause->isEnabled() ? "playing" : "paused";
        if (!a.stopPlaying->isEnabled() && !a.pause->isEnabled() && a.join->isEnabled())
            return "stopped";
        return {};
    }

    QTemporaryDir m_data;
    ScriptedPrompter prompter;
    RecordingReport report;
    Settings settings{AppPaths::settingsFile()};
    AudioFile reader;
    AudioFile probe;
    AudioPlayer audioPlayer;
    QObject m_actionOwner;  // before the actions it owns
    MenuActions m_actions = createActions();
    BusyState busy{m_actions};
    QTreeWidget lv;
    JoinList list{lv, prompter, settings, probe, reader};
    PreviewPlayer player{list, reader, audioPlayer, prompter, busy, report};

private:
    MenuActions createActions()
    {
        MenuActions a;
        for (QAction **action : {&a.addFile, &a.addPath, &a.removeFile, &a.clear, &a.sortByName,
                                 &a.join, &a.stop, &a.play, &a.pause, &a.stopPlaying, &a.options,
                                 &a.id3Tag, &a.exit, &a.content, &a.webSite, &a.about})
            *action = new QAction(&m_actionOwner);
        return a;
    }
};

}  // namespace

TEST_F(PreviewPlayerTest, PlayWithAnEmptyListOrNothingPlayingDoesNothing)
{
    player.playFile();
    player.pausePlay();
    player.stopPlay();
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_FALSE(busy.playing());
    EXPECT_EQ(menuState(), QString());
}

TEST_F(PreviewPlayerTest, PlayWithoutASelectionAsksForOneOnlyWhileStopped)
{
    admit({tone("a.wav", 5.0), tone("b.wav", 5.0)});
    lv.clearSelection();
    player.playFile();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kSelectFileToPlay});
    play(1);
    ASSERT_EQ(list.status(1), "Playing");
    EXPECT_EQ(menuState(), "playing");
    lv.clearSelection();
    player.playFile();
    EXPECT_EQ(list.status(1), "Playing");
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(busy.playing());
    EXPECT_EQ(player.playingRow(), 1);
}

TEST_F(PreviewPlayerTest, NothingStartsWhileJoiningOrAdding)
{
    admit({tone("a.wav", 1.0)});
    busy.beginJoin();
    play(0);
    busy.cancelJoin();
    busy.beginAdding();
    play(0);
    busy.endAdding();
    EXPECT_FALSE(busy.playing());
    EXPECT_EQ(list.status(0), "unconverted");
}

TEST_F(PreviewPlayerTest, DeletedFileIsNamedAndAReplacedPreviewEndsTheState)
{
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 5.0);
    admit({a, b});
    QFile::remove(b);
    play(1);
    EXPECT_EQ(prompter.messages(), QStringList{b + Messages::kPlayFileRemovedSuffix});
    EXPECT_FALSE(busy.playing());

    play(0);
    ASSERT_TRUE(busy.playing());
    play(1);
    EXPECT_EQ(list.status(0), "Stop playing");
    EXPECT_FALSE(busy.playing());
    EXPECT_FALSE(busy.paused());
    EXPECT_EQ(menuState(), "stopped");
}

TEST_F(PreviewPlayerTest, PauseThenPlayOrPauseResumes)
{
    admit({tone("a.wav", 5.0)});
    play(0);
    player.pausePlay();
    EXPECT_EQ(list.status(0), "Paused");
    EXPECT_TRUE(busy.paused());
    EXPECT_EQ(menuState(), "paused");
    player.playFile();
    EXPECT_EQ(list.status(0), "Playing");
    EXPECT_FALSE(busy.paused());
    EXPECT_EQ(menuState(), "playing");
    player.pausePlay();
    player.pausePlay();
    EXPECT_EQ(list.status(0), "Playing");
    EXPECT_EQ(menuState(), "playing");
}

TEST_F(PreviewPlayerTest, PauseThenStopPlayingEndsThePreview)
{
    admit({tone("a.wav", 5.0)});
    play(0);
    player.pausePlay();
    player.stopPlay();
    EXPECT_EQ(list.status(0), "Stop playing");
    EXPECT_FALSE(busy.playing());
    EXPECT_FALSE(busy.paused());
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(menuState(), "stopped");
}

TEST_F(PreviewPlayerTest, DoubleClickOnAnotherRowStartsItAndTheOldRowKeepsItsWord)
{
    admit({tone("a.wav", 5.0), tone("b.wav", 5.0), tone("c.wav", 5.0)});
    list.selectRow(0);
    player.playActivatedRow();
    ASSERT_EQ(list.status(0), "Playing");
    list.selectRow(1);
    player.playActivatedRow();
    EXPECT_EQ(list.status(0), "Playing");
    EXPECT_EQ(list.status(1), "Playing");
    EXPECT_EQ(player.playingRow(), 1);
    player.pausePlay();
    list.selectRow(2);
    player.playActivatedRow();
    EXPECT_EQ(list.status(1), "Paused");
    EXPECT_EQ(list.status(2), "Playing");
    EXPECT_EQ(player.playingRow(), 2);
    EXPECT_FALSE(busy.paused());
    EXPECT_EQ(menuState(), "playing");
}

TEST_F(PreviewPlayerTest, DoubleClickOnAMissingFileEndsThePreview)
{
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 5.0);
    admit({a, b});
    list.selectRow(0);
    player.playActivatedRow();
    ASSERT_TRUE(busy.playing());
    QFile::remove(b);
    list.selectRow(1);
    player.playActivatedRow();
    EXPECT_EQ(prompter.messages(), QStringList{b + Messages::kPlayFileRemovedSuffix});
    EXPECT_FALSE(busy.playing());
    EXPECT_EQ(list.status(0), "Stop playing");
    EXPECT_EQ(menuState(), "stopped");
}

TEST_F(PreviewPlayerTest, DoubleClickWhileJoiningSaysSo)
{
    admit({tone("a.wav", 1.0)});
    busy.beginJoin();
    list.selectRow(0);
    player.playActivatedRow();
    busy.cancelJoin();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopConvertingFirst});
    EXPECT_EQ(list.status(0), "unconverted");
}

TEST_F(PreviewPlayerTest, FilePlayedToItsEndStopsByItself)
{
    admit({tone("a.wav", 0.3)});
    play(0);
    QTRY_COMPARE_WITH_TIMEOUT(list.status(0), QString("Stop playing"), 5000);
    EXPECT_FALSE(busy.playing());
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(menuState(), "stopped");
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(report.errors.isEmpty());
}

TEST_F(PreviewPlayerTest, ThePlayingRowFollowsItsFileWhenRowsMove)
{
    admit({tone("a.wav", 5.0), tone("b.wav", 5.0), tone("c.wav", 5.0)});
    play(1);
    list.selectRow(0);
    list.moveDown();
    EXPECT_EQ(player.playingRow(), 0);
    list.moveUp();
    EXPECT_EQ(player.playingRow(), 1);
    list.selectRow(0);
    list.removeFile();
    EXPECT_EQ(player.playingRow(), 0);
    list.selectRow(1);
    list.removeFile();
    EXPECT_EQ(player.playingRow(), 0);
    player.stopPlay();
    EXPECT_EQ(list.status(0), "Stop playing");
}
