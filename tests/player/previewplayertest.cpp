// The preview player without a window, on the silent output: status words,
// messages, the Playing and Paused flags, the menu events it signals, and the
// playing row it keeps.

#include "player/previewplayer.h"
#include "audio/audiofile.h"
#include "joinlist/joinlist.h"
#include "platform/apppaths.h"
#include "platform/busyflags.h"
#include "platform/errorreport.h"
#include "platform/messages.h"
#include "player/audioplayer.h"
#include "settings/settings.h"
#include "support/qtprinters.h"
#include "support/scriptedprompter.h"
#include "support/tones.h"

#include <gtest/gtest.h>

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
        QObject::connect(&player, &PreviewPlayer::playbackStarts, [this] { m_events << "starts"; });
        QObject::connect(&player, &PreviewPlayer::pause, [this] { m_events << "pause"; });
        QObject::connect(&player, &PreviewPlayer::resume, [this] { m_events << "resume"; });
        QObject::connect(&player, &PreviewPlayer::playbackStops, [this] { m_events << "stops"; });
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

    // The last menu event the player signalled.
    QString lastEvent() const { return m_events.isEmpty() ? QString() : m_events.last(); }

    QTemporaryDir m_data;
    ScriptedPrompter prompter;
    RecordingReport report;
    Settings settings{AppPaths::settingsFile()};
    AudioFile reader;
    AudioFile probe;
    AudioPlayer audioPlayer;
    BusyFlags busy;
    QTreeWidget lv;
    JoinList list{lv, prompter, settings, probe, reader};
    PreviewPlayer player{list, reader, audioPlayer, prompter, busy, report};

private:
    QStringList m_events;
};

}  // namespace

TEST_F(PreviewPlayerTest, PlayWithAnEmptyListOrNothingPlayingDoesNothing)
{
    player.playFile();
    player.pausePlay();
    player.stopPlay();
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_FALSE(busy.Playing);
    EXPECT_EQ(lastEvent(), QString());
}

TEST_F(PreviewPlayerTest, PlayWithoutASelectionAsksForOneOnlyWhileStopped)
{
    admit({tone("a.wav", 5.0), tone("b.wav", 5.0)});
    lv.clearSelection();
    player.playFile();
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kSelectFileToPlay});
    play(1);
    ASSERT_EQ(list.status(1), "Playing");
    EXPECT_EQ(lastEvent(), "starts");
    lv.clearSelection();
    player.playFile();
    EXPECT_EQ(list.status(1), "Playing");
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(busy.Playing);
    EXPECT_EQ(player.playingRow(), 1);
}

TEST_F(PreviewPlayerTest, NothingStartsWhileJoiningOrAdding)
{
    admit({tone("a.wav", 1.0)});
    busy.Joining = true;
    play(0);
    busy.Joining = false;
    busy.Adding = true;
    play(0);
    busy.Adding = false;
    EXPECT_FALSE(busy.Playing);
    EXPECT_EQ(list.status(0), "unconverted");
}

TEST_F(PreviewPlayerTest, DeletedFileIsNamedAndAReplacedPreviewEndsTheState)
{
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 5.0);
    admit({a, b});
    QFile::remove(b);
    play(1);
    EXPECT_EQ(prompter.messages(), QStringList{b + Messages::kPlayFileRemovedSuffix});
    EXPECT_FALSE(busy.Playing);

    play(0);
    ASSERT_TRUE(busy.Playing);
    play(1);
    EXPECT_EQ(list.status(0), "Stop playing");
    EXPECT_FALSE(busy.Playing);
    EXPECT_FALSE(busy.Paused);
    EXPECT_EQ(lastEvent(), "stops");
}

TEST_F(PreviewPlayerTest, PauseThenPlayOrPauseResumes)
{
    admit({tone("a.wav", 5.0)});
    play(0);
    player.pausePlay();
    EXPECT_EQ(list.status(0), "Paused");
    EXPECT_TRUE(busy.Paused);
    EXPECT_EQ(lastEvent(), "pause");
    player.playFile();
    EXPECT_EQ(list.status(0), "Playing");
    EXPECT_FALSE(busy.Paused);
    EXPECT_EQ(lastEvent(), "resume");
    player.pausePlay();
    player.pausePlay();
    EXPECT_EQ(list.status(0), "Playing");
    EXPECT_EQ(lastEvent(), "resume");
}

TEST_F(PreviewPlayerTest, PauseThenStopPlayingEndsThePreview)
{
    admit({tone("a.wav", 5.0)});
    play(0);
    player.pausePlay();
    player.stopPlay();
    EXPECT_EQ(list.status(0), "Stop playing");
    EXPECT_FALSE(busy.Playing);
    EXPECT_FALSE(busy.Paused);
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(lastEvent(), "stops");
}

TEST_F(PreviewPlayerTest, DoubleClickOnAnotherRowStartsItAndTheOldRowKeepsItsWord)
{
    admit({tone("a.wav", 5.0), tone("b.wav", 5.0), tone("c.wav", 5.0)});
    list.selectRow(0);
    player.lvDblClick();
    ASSERT_EQ(list.status(0), "Playing");
    list.selectRow(1);
    player.lvDblClick();
    EXPECT_EQ(list.status(0), "Playing");
    EXPECT_EQ(list.status(1), "Playing");
    EXPECT_EQ(player.playingRow(), 1);
    player.pausePlay();
    list.selectRow(2);
    player.lvDblClick();
    EXPECT_EQ(list.status(1), "Paused");
    EXPECT_EQ(list.status(2), "Playing");
    EXPECT_EQ(player.playingRow(), 2);
    EXPECT_FALSE(busy.Paused);
    EXPECT_EQ(lastEvent(), "starts");
}

TEST_F(PreviewPlayerTest, DoubleClickOnAMissingFileEndsThePreview)
{
    const QString a = tone("a.wav", 5.0), b = tone("b.wav", 5.0);
    admit({a, b});
    list.selectRow(0);
    player.lvDblClick();
    ASSERT_TRUE(busy.Playing);
    QFile::remove(b);
    list.selectRow(1);
    player.lvDblClick();
    EXPECT_EQ(prompter.messages(), QStringList{b + Messages::kPlayFileRemovedSuffix});
    EXPECT_FALSE(busy.Playing);
    EXPECT_EQ(list.status(0), "Stop playing");
    EXPECT_EQ(lastEvent(), "stops");
}

TEST_F(PreviewPlayerTest, DoubleClickWhileJoiningSaysSo)
{
    admit({tone("a.wav", 1.0)});
    busy.Joining = true;
    list.selectRow(0);
    player.lvDblClick();
    busy.Joining = false;
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopConvertingFirst});
    EXPECT_EQ(list.status(0), "unconverted");
}

TEST_F(PreviewPlayerTest, FilePlayedToItsEndStopsByItself)
{
    admit({tone("a.wav", 0.3)});
    play(0);
    QTRY_COMPARE_WITH_TIMEOUT(list.status(0), QString("Stop playing"), 5000);
    EXPECT_FALSE(busy.Playing);
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(lastEvent(), "stops");
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
