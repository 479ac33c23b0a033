// The player's events, as the preview relies on them: played on the silent
// output, and one file played to its end through the sound server when there is
// one.

#include "player/audioplayer.h"
#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "support/soundserver.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <string>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBlockFrames = 4410;  // 0.1 s, the preview's feed block
constexpr int kEventTimeoutMs = 3000;
// A null sink of PulseAudio wakes up every 2 s until a stream's latency applies.
constexpr int kSoundServerTimeoutMs = 10000;
// How long the tests watch for events that must not come.
constexpr int kQuietMs = 300;

// Every event in order of arrival: A = OnEndArrayPlay, R = OnRequestOnLoadArray,
// E = OnEndPlay.
class Recorder {
public:
    explicit Recorder(AudioPlayer &player)
    {
        QObject::connect(&player, &AudioPlayer::onEndArrayPlay, &player, [this] { add('A'); });
        QObject::connect(&player, &AudioPlayer::onRequestOnLoadArray, &player,
                         [this] { add('R'); });
        QObject::connect(&player, &AudioPlayer::onEndPlay, &player, [this] { add('E'); });
    }

    std::function<void(char)> onEvent;
    std::string events;

    long count(char event) const { return std::count(events.begin(), events.end(), event); }
    bool waitFor(char event, long times = 1, int timeoutMs = kEventTimeoutMs)
    {
        return QTest::qWaitFor([&] { return count(event) >= times; }, timeoutMs);
    }

private:
    void add(char event)
    {
        events += event;
        if (onEvent)
            onEvent(event);
    }
};

SampleArray block(int sampleRate = kRate, int channels = kChannels, int frames = kBlockFrames)
{
    return Tones::samples(sampleRate, channels, 0, frames);
}

class SilentPlayerTest : public testing::Test {
protected:
    void SetUp() override { qputenv("VANTOREL_SILENT_AUDIO", "1"); }
    void TearDown() override { qunsetenv("VANTOREL_SILENT_AUDIO"); }

    AudioPlayer m_player;
    Recorder m_recorder{m_player};
};

TEST_F(SilentPlayerTest, TwoArraysPlayInOrderAtRealTimePace)
{
    m_player.setFormat(kRate, kChannels);
    m_player.loadArray(block());
    m_player.loadArray(block());
    QElapsedTimer clock;
    clock.start();
    m_player.play();
    EXPECT_TRUE(m_recorder.events.empty()) << "events come queued, never from inside a call";

    ASSERT_TRUE(m_recorder.waitFor('A', 2));
    EXPECT_GE(clock.elapsed(), 180) << "0.2 s of audio cannot be played sooner";
    EXPECT_TRUE(m_player.isSilentOutput());
    QTest::qWait(kQuietMs);
    EXPECT_EQ(m_recorder.events.front(), 'A') << m_recorder.events;
    EXPECT_EQ(m_recorder.count('A'), 2);
    EXPECT_GE(m_recorder.count('R'), 1) << "the empty queue asks for more";
    EXPECT_LE(m_recorder.count('R'), 2) << "at most one request per array played";
    EXPECT_EQ(m_recorder.count('E'), 0) << "no end was queued";
}

TEST_F(SilentPlayerTest, StopRaisesNoEndPlayAndPlayGoesOn)
{
    m_player.setFormat(kRate, kChannels);
    m_player.loadArray(block());
    m_player.loadArray({});
    m_player.play();
    m_player.stop();
    QTest::qWait(kQuietMs);
    EXPECT_EQ(m_recorder.events, "");

    m_player.play();
    ASSERT_TRUE(m_recorder.waitFor('E'));
    QTest::qWait(kQuietMs);
    EXPECT_EQ(m_recorder.events, "AE");
}

TEST_F(SilentPlayerTest, ResumeGoesOnWhereThePauseStopped)
{
    constexpr int kLongFrames = 4 * kBlockFrames;  // 0.4 s
    m_player.setFormat(kRate, kChannels);
    m_player.loadArray(block(kRate, kChannels, kLongFrames));
    m_player.loadArray({});
    m_player.play();
    QTest::qWait(150);
    m_player.stop();
    QTest::qWait(kQuietMs);
    EXPECT_EQ(m_recorder.events, "") << "the array was not finished when paused";

    QElapsedTimer clock;
    clock.start();
    m_player.play();
    ASSERT_TRUE(m_recorder.waitFor('E'));
    EXPECT_GE(clock.elapsed(), 150) << "the rest of the array after the pause still plays";
    EXPECT_EQ(m_recorder.events, "AE");
}

TEST_F(SilentPlayerTest, EmptyArraysAtTheEndGiveOneEndPlayAndNoFeedLoop)
{
    constexpr int kFileBlocks = 5;
    int blocksRead = 0;
    int feeds = 0;
    // The preview's feeding: every event reads the next block, empty at the end.
    const auto feed = [&] {
        ++feeds;
        m_player.loadArray(blocksRead < kFileBlocks ? block() : SampleArray());
        blocksRead = std::min(blocksRead + 1, kFileBlocks);
    };
    m_recorder.onEvent = [&](char event) {
        if (event != 'E')
            feed();
    };
    m_player.setFormat(kRate, kChannels);
    m_player.play();
    feed();
    feed();

    ASSERT_TRUE(m_recorder.waitFor('E'));
    QTest::qWait(kQuietMs);
    EXPECT_EQ(m_recorder.count('E'), 1);
    EXPECT_EQ(m_recorder.events.back(), 'E')
        << "nothing comes after the end: " << m_recorder.events;
    EXPECT_EQ(m_recorder.count('A'), kFileBlocks);
    EXPECT_LE(feeds, 2 + 2 * kFileBlocks) << m_recorder.events;
}

TEST_F(SilentPlayerTest, SetFormatDiscardsTheQueueAndItsEvents)
{
    m_player.setFormat(kRate, kChannels);
    m_player.loadArray(block());
    m_player.loadArray({});
    m_player.play();
    QTest::qWait(50);
    m_player.setFormat(22050, 1);
    m_player.play();
    QTest::qWait(kQuietMs);
    EXPECT_EQ(m_recorder.events, "") << "the former file's audio and end are gone";

    m_player.loadArray(block(22050, 1, 2205));
    m_player.loadArray({});
    ASSERT_TRUE(m_recorder.waitFor('E'));
    EXPECT_EQ(m_recorder.events, "AE");
}

TEST_F(SilentPlayerTest, FormatThatCannotPlayThrowsAndLeavesThePlayerIdle)
{
    EXPECT_THROW(m_player.setFormat(0, kChannels), AudioError);
    EXPECT_THROW(m_player.setFormat(kRate, 0), AudioError);
    m_player.loadArray(block());
    m_player.loadArray({});
    m_player.play();
    QTest::qWait(kQuietMs);
    EXPECT_EQ(m_recorder.events, "");
}

TEST_F(SilentPlayerTest, DestroyedWhilePlayingLeavesNothingBehind)
{
    {
        AudioPlayer player;
        player.setFormat(kRate, kChannels);
        player.loadArray(block(kRate, kChannels, 441));
        player.loadArray({});
        player.play();
        QTest::qWait(30);
    }
    QTest::qWait(100);
}

bool soundServerAvailable()
{
    qunsetenv("VANTOREL_SILENT_AUDIO");
    findUserSoundServer();
    return !QMediaDevices::defaultAudioOutput().isNull();
}

constexpr char kNoSoundServer[] = "no audio output device: start a sound server (for example "
                                  "PulseAudio with a null sink) to run this test";

TEST(RealAudioOutput, PlaysAFileToItsEndThroughTheSoundServer)
{
    if (!soundServerAvailable())
        GTEST_SKIP() << kNoSoundServer;

    QTemporaryDir dir;
    constexpr double kSeconds = 0.5;
    const QString path = Tones::write(dir.filePath(QStringLiteral("tone.wav")), ToneFormat::Wav16,
                                      kRate, kChannels, kSeconds);
    AudioFile reader;
    reader.openFile(path, 0, 1);
    AudioPlayer player;
    Recorder recorder(player);
    player.setFormat(reader.sampleRate(), reader.channels());
    const auto feed = [&] { player.loadArray(reader.readSamples(kBlockFrames)); };
    QElapsedTimer clock;
    recorder.onEvent = [&](char event) {
        if (event != 'E')
            feed();
    };

    clock.start();
    player.play();
    feed();
    feed();
    ASSERT_FALSE(player.isSilentOutput()) << "the sound server's output did not start";
    ASSERT_TRUE(recorder.waitFor('E', 1, kSoundServerTimeoutMs));
    EXPECT_GE(clock.elapsed(), 450) << "the file plays in real time";
    QTest::qWait(kQuietMs);
    EXPECT_EQ(recorder.count('E'), 1);
    EXPECT_EQ(recorder.count('A'), 5) << recorder.events;
    EXPECT_EQ(recorder.events.back(), 'E') << recorder.events;
}

TEST(RealAudioOutput, PauseResumeAndANextFileInAnotherFormat)
{
    if (!soundServerAvailable())
        GTEST_SKIP() << kNoSoundServer;

    AudioPlayer player;
    Recorder recorder(player);
    int sampleRate = kRate;
    int channels = kChannels;
    int blocksLeft = 5;
    const auto feed = [&] {
        const int frames = sampleRate / 10;
        player.loadArray(blocksLeft-- > 0 ? block(sampleRate, channels, frames) : SampleArray());
    };
    recorder.onEvent = [&](char event) {
        if (event != 'E')
            feed();
    };

    player.setFormat(sampleRate, channels);
    player.play();
    feed();
    feed();
    ASSERT_TRUE(recorder.waitFor('A', 1, kSoundServerTimeoutMs));
    player.stop();
    QTest::qWait(kQuietMs);
    EXPECT_EQ(recorder.count('E'), 0);

    player.play();
    ASSERT_TRUE(recorder.waitFor('E', 1, kSoundServerTimeoutMs));
    EXPECT_EQ(recorder.count('A'), 5) << recorder.events;

    sampleRate = 22050;
    channels = 1;
    blocksLeft = 3;
    player.setFormat(sampleRate, channels);
    player.play();
    feed();
    feed();
    ASSERT_TRUE(recorder.waitFor('E', 2, kSoundServerTimeoutMs));
    EXPECT_FALSE(player.isSilentOutput());
    QTest::qWait(kQuietMs);
    EXPECT_EQ(recorder.count('A'), 8) << recorder.events;
    EXPECT_EQ(recorder.count('E'), 2) << recorder.events;
}

}  // namespace
