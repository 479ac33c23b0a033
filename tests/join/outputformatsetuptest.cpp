#include "join/outputformatsetup.h"
#include "audio/audiofile.h"
#include "audio/core/lameencoder.h"
#include "platform/messages.h"
#include "settings/settings.h"
#include "settings/valuelists.h"
#include "support/mediaprobe.h"
#include "support/scriptedprompter.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

enum FormatIndex { kMp3 = 0, kWav = 1, kWma = 2, kOgg = 3, kFlac = 4, kM4b = 5 };

constexpr int kToneRate = 44100;
constexpr int kToneChannels = 2;

class OutputFormatSetupTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settings.open();
    }

    void set(const QString &section, const QString &key, int value)
    {
        settings.writeInteger(section, key, value);
    }

    // Sets the format up and expects it accepted without a word to the user.
    QString setUpAccepted(int formatIndex)
    {
        QString extension = QStringLiteral("unchanged");
        EXPECT_TRUE(setup.setUpOutputFormat(formatIndex, extension));
        EXPECT_TRUE(prompter.messages().isEmpty()) << qPrintable(prompter.messages().join('\n'));
        return extension;
    }

    // Sets the format up and expects it refused with that message.
    void expectRefused(int formatIndex, const QString &message)
    {
        QString extension = QStringLiteral("unchanged");
        EXPECT_FALSE(setup.setUpOutputFormat(formatIndex, extension));
        EXPECT_TRUE(extension.isEmpty());
        EXPECT_EQ(prompter.messages(), QStringList{message});
        EXPECT_EQ(prompter.kinds(),
                  QList<ScriptedPrompter::Kind>{ScriptedPrompter::Kind::Information});
        prompter.clear();
    }

    // What a join does after the set-up: create the file, write a second of
    // tone, close it; then the file is read back independently.
    MediaInfo writeSecondAndProbe(const QString &name)
    {
        const QString path = dir.filePath(name);
        writer.setInputFormat(kToneRate, kToneChannels);
        writer.createFile(path);
        writer.writeSamples(Tones::samples(kToneRate, kToneChannels, 0, kToneRate));
        writer.closeFile();
        return probeMedia(path);
    }

    // The first frame of an MP3 from this writer carries "Xing" when the bit
    // rate varies and "Info" when it is constant.
    // The ID3 tag with its room for later tags, and the first audio frames.
    QByteArray mp3Head(const QString &name)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.read(16384);
    }

    QTemporaryDir dir;
    Settings settings{dir.filePath(QStringLiteral("vantorel.ini"))};
    AudioFile writer;
    LameEncoder encoder;
    ScriptedPrompter prompter;
    OutputFormatSetup setup{settings, writer, encoder, prompter};
};

TEST_F(OutputFormatSetupTest, Mp3WithoutSettingsIs44100Stereo128kConstant)
{
    EXPECT_EQ(setUpAccepted(kMp3), QStringLiteral(".mp3"));
    EXPECT_EQ(encoder.quality(), 9);
    EXPECT_TRUE(encoder.constantBitrate());

    const MediaInfo info = writeSecondAndProbe(QStringLiteral("out.mp3"));
    EXPECT_EQ(info.codec, QStringLiteral("mp3"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bitRate, 128000);
    EXPECT_TRUE(mp3Head(QStringLiteral("out.mp3")).contains("Info"));
}

TEST_F(OutputFormatSetupTest, Mp3FromSettingsWithVariableBitRate)
{
    set(QStringLiteral("mp3"), QStringLiteral("frequency"), 8);  // 48000 Hz
    set(QStringLiteral("mp3"), QStringLiteral("bitrate"), 13);   // 192 kbit/s
    set(QStringLiteral("mp3"), QStringLiteral("channel"), 0);
    set(QStringLiteral("mp3"), QStringLiteral("quality"), 2);
    set(QStringLiteral("mp3"), QStringLiteral("enable vbr"), 1);
    set(QStringLiteral("mp3"), QStringLiteral("vbr bitrate"), 14);  // 224 kbit/s
    set(QStringLiteral("mp3"), QStringLiteral("vbr quality"), 0);
    EXPECT_EQ(setUpAccepted(kMp3), QStringLiteral(".mp3"));
    EXPECT_FALSE(encoder.constantBitrate());
    EXPECT_EQ(encoder.vbrBitrate(), 224);
    EXPECT_EQ(encoder.vbrQuality(), 0);
    EXPECT_EQ(encoder.quality(), 2);

    const MediaInfo info = writeSecondAndProbe(QStringLiteral("vbr.mp3"));
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_TRUE(mp3Head(QStringLiteral("vbr.mp3")).contains("Xing"));
}

TEST_F(OutputFormatSetupTest, Mp3VbrSwitchOnlyActsOnZeroAndOne)
{
    // On without its own keys: the set-up's defaults, 128 kbit/s and quality 5.
    encoder.setVbrBitrate(32);
    encoder.setVbrQuality(8);
    set(QStringLiteral("mp3"), QStringLiteral("enable vbr"), 1);
    setUpAccepted(kMp3);
    EXPECT_FALSE(encoder.constantBitrate());
    EXPECT_EQ(encoder.vbrBitrate(), 128);
    EXPECT_EQ(encoder.vbrQuality(), 5);

    // Any other value leaves what the last set-up put there.
    set(QStringLiteral("mp3"), QStringLiteral("enable vbr"), 2);
    set(QStringLiteral("mp3"), QStringLiteral("vbr quality"), 1);
    set(QStringLiteral("mp3"), QStringLiteral("quality"), 4);
    setUpAccepted(kMp3);
    EXPECT_FALSE(encoder.constantBitrate());
    EXPECT_EQ(encoder.vbrQuality(), 5);
    EXPECT_EQ(encoder.quality(), 4);

    set(QStringLiteral("mp3"), QStringLiteral("enable vbr"), 0);
    setUpAccepted(kMp3);
    EXPECT_TRUE(encoder.constantBitrate());
    EXPECT_EQ(encoder.vbrQuality(), 5);
}

TEST_F(OutputFormatSetupTest, RefusedMp3CombinationLeavesTheWriterAsItWas)
{
    set(QStringLiteral("wav"), QStringLiteral("mode"), 0);
    EXPECT_EQ(setUpAccepted(kWav), QStringLiteral(".wav"));

    set(QStringLiteral("mp3"), QStringLiteral("frequency"), 0);  // 8000 Hz
    set(QStringLiteral("mp3"), QStringLiteral("bitrate"), 16);   // 320 kbit/s
    expectRefused(kMp3, Messages::kMp3FormatNotSupported);
    // The encoder keeps what was put on it before the check.
    EXPECT_EQ(encoder.sampleRate(), 8000);
    EXPECT_EQ(encoder.bitrate(), 320);

    const MediaInfo info = writeSecondAndProbe(QStringLiteral("still.wav"));
    EXPECT_EQ(info.codec, QStringLiteral("pcm_s16le"));
}

TEST_F(OutputFormatSetupTest, WavIsCdQualityUnlessCustom)
{
    EXPECT_EQ(setUpAccepted(kWav), QStringLiteral(".wav"));
    MediaInfo info = writeSecondAndProbe(QStringLiteral("cd.wav"));
    EXPECT_EQ(info.codec, QStringLiteral("pcm_s16le"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.decodedFrames, kToneRate);

    set(QStringLiteral("wav"), QStringLiteral("mode"), 1);
    set(QStringLiteral("wav"), QStringLiteral("bit"), 0);        // 8 bits
    set(QStringLiteral("wav"), QStringLiteral("channel"), 0);    // mono
    set(QStringLiteral("wav"), QStringLiteral("frequency"), 4);  // 22050 Hz
    EXPECT_EQ(setUpAccepted(kWav), QStringLiteral(".wav"));
    info = writeSecondAndProbe(QStringLiteral("custom.wav"));
    EXPECT_EQ(info.codec, QStringLiteral("pcm_u8"));
    EXPECT_EQ(info.sampleRate, 22050);
    EXPECT_EQ(info.channels, 1);

    // An unknown mode, even after another format was set up, writes CD
    // quality, as a missing one does: a file named .wav always holds WAV.
    set(QStringLiteral("wav"), QStringLiteral("mode"), 2);
    set(QStringLiteral("wav"), QStringLiteral("bit"), 1);
    EXPECT_EQ(setUpAccepted(kMp3), QStringLiteral(".mp3"));
    EXPECT_EQ(setUpAccepted(kWav), QStringLiteral(".wav"));
    info = writeSecondAndProbe(QStringLiteral("unknown-mode.wav"));
    EXPECT_EQ(info.codec, QStringLiteral("pcm_s16le"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
}

TEST_F(OutputFormatSetupTest, WmaUsesTheStoredProfile)
{
    EXPECT_EQ(setUpAccepted(kWma), QStringLiteral(".wma"));
    MediaInfo info = writeSecondAndProbe(QStringLiteral("default.wma"));
    EXPECT_EQ(info.codec, QStringLiteral("wmav2"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bitRate, 128000);

    set(QStringLiteral("wma"), QStringLiteral("format"), 16);  // "WMA9 44KHz, 32Kbps, Mono, CBR"
    setUpAccepted(kWma);

    // Below the encoder's lowest bit rate, and quality-driven VBR: refused by
    // name, the writer keeping the profile it had.
    for (const int index : {29, 40}) {
        set(QStringLiteral("wma"), QStringLiteral("format"), index);
        expectRefused(
            kWma, Messages::kWmaProfileNotSupported.arg(ValueLists::wmaProfileCaptions()[index]));
    }
    info = writeSecondAndProbe(QStringLiteral("low.wma"));
    EXPECT_EQ(info.channels, 1);
    EXPECT_NEAR(double(info.bitRate), 32000.0, 320.0);
}

TEST_F(OutputFormatSetupTest, OggWithoutSettingsIsManaged128k)
{
    EXPECT_EQ(setUpAccepted(kOgg), QStringLiteral(".ogg"));
    const MediaInfo info = writeSecondAndProbe(QStringLiteral("default.ogg"));
    EXPECT_EQ(info.codec, QStringLiteral("vorbis"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bitRate, 128000);
}

TEST_F(OutputFormatSetupTest, OggQualityModeSkipsTheBitRateCheck)
{
    // Bit rates the managed mode would refuse at this rate do not matter here.
    set(QStringLiteral("ogg"), QStringLiteral("enable quality"), 1);
    set(QStringLiteral("ogg"), QStringLiteral("bitrate"), 16);
    set(QStringLiteral("ogg"), QStringLiteral("max bitrate"), 16);
    set(QStringLiteral("ogg"), QStringLiteral("min bitrate"), 0);
    set(QStringLiteral("ogg"), QStringLiteral("quality"), 1000);
    set(QStringLiteral("ogg"), QStringLiteral("channel"), 0);
    set(QStringLiteral("ogg"), QStringLiteral("frequency"), 0);  // 8000 Hz
    EXPECT_EQ(setUpAccepted(kOgg), QStringLiteral(".ogg"));
    MediaInfo info = writeSecondAndProbe(QStringLiteral("q1000.ogg"));
    EXPECT_EQ(info.codec, QStringLiteral("vorbis"));
    EXPECT_EQ(info.sampleRate, 8000);
    EXPECT_EQ(info.channels, 1);

    // Quality 0 is the best: far above the managed 128 kbit/s.
    set(QStringLiteral("ogg"), QStringLiteral("quality"), 0);
    set(QStringLiteral("ogg"), QStringLiteral("channel"), 1);
    set(QStringLiteral("ogg"), QStringLiteral("frequency"), 7);
    setUpAccepted(kOgg);
    info = writeSecondAndProbe(QStringLiteral("q0.ogg"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_GT(info.bitRate, 256000);
}

TEST_F(OutputFormatSetupTest, RefusedOggCombinationLeavesTheWriterAsItWas)
{
    set(QStringLiteral("wav"), QStringLiteral("mode"), 0);
    setUpAccepted(kWav);

    set(QStringLiteral("ogg"), QStringLiteral("bitrate"), 16);   // 320 kbit/s
    set(QStringLiteral("ogg"), QStringLiteral("frequency"), 0);  // 8000 Hz
    expectRefused(kOgg, Messages::kOggFormatNotSupported);

    const MediaInfo info = writeSecondAndProbe(QStringLiteral("still.wav"));
    EXPECT_EQ(info.codec, QStringLiteral("pcm_s16le"));
}

TEST_F(OutputFormatSetupTest, FlacAndM4bFromSettingsAndTheirRefusals)
{
    set(QStringLiteral("flac"), QStringLiteral("frequency"), 8);  // 48000 Hz
    set(QStringLiteral("flac"), QStringLiteral("channel"), 0);
    set(QStringLiteral("flac"), QStringLiteral("bit"), 1);  // 24 bits
    EXPECT_EQ(setUpAccepted(kFlac), QStringLiteral(".flac"));
    MediaInfo info = writeSecondAndProbe(QStringLiteral("custom.flac"));
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bitsPerSample, 24);

    // Mono without a stored bit rate: 64 kbit/s.
    set(QStringLiteral("m4b"), QStringLiteral("frequency"), 0);  // 22050 Hz
    set(QStringLiteral("m4b"), QStringLiteral("channel"), 0);
    EXPECT_EQ(setUpAccepted(kM4b), QStringLiteral(".m4b"));
    info = writeSecondAndProbe(QStringLiteral("mono.m4b"));
    EXPECT_EQ(info.sampleRate, 22050);
    EXPECT_EQ(info.channels, 1);
    EXPECT_NEAR(double(info.bitRate), 64000.0, 8000.0);

    set(QStringLiteral("flac"), QStringLiteral("compression level"), 9);
    expectRefused(kFlac, Messages::kFlacFormatNotSupported);
    // More than AAC frames hold for one channel at 22050 Hz.
    set(QStringLiteral("m4b"), QStringLiteral("bitrate"), 13);  // 320 kbit/s
    expectRefused(kM4b, Messages::kM4bFormatNotSupported);
}

TEST_F(OutputFormatSetupTest, IndexOutsideItsTableFallsBackToTheDefault)
{
    set(QStringLiteral("mp3"), QStringLiteral("frequency"), 12);
    set(QStringLiteral("mp3"), QStringLiteral("bitrate"), -1);
    set(QStringLiteral("mp3"), QStringLiteral("channel"), 2);
    setUpAccepted(kMp3);
    MediaInfo info = writeSecondAndProbe(QStringLiteral("fallback.mp3"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bitRate, 128000);

    set(QStringLiteral("wav"), QStringLiteral("mode"), 1);
    set(QStringLiteral("wav"), QStringLiteral("bit"), 2);
    set(QStringLiteral("wav"), QStringLiteral("channel"), -1);
    set(QStringLiteral("wav"), QStringLiteral("frequency"), 9);
    setUpAccepted(kWav);
    info = writeSecondAndProbe(QStringLiteral("fallback.wav"));
    EXPECT_EQ(info.codec, QStringLiteral("pcm_s16le"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);

    set(QStringLiteral("wma"), QStringLiteral("format"), 47);
    setUpAccepted(kWma);  // the default profile, which is written as named
    info = writeSecondAndProbe(QStringLiteral("fallback.wma"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.bitRate, 128000);

    set(QStringLiteral("ogg"), QStringLiteral("frequency"), -3);
    set(QStringLiteral("ogg"), QStringLiteral("bitrate"), 40);
    setUpAccepted(kOgg);
    info = writeSecondAndProbe(QStringLiteral("fallback.ogg"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.bitRate, 128000);
}

TEST_F(OutputFormatSetupTest, NoFormatSelectedSetsNothing)
{
    set(QStringLiteral("wav"), QStringLiteral("mode"), 0);
    setUpAccepted(kWav);
    for (int noFormat : {-1, 6}) {
        EXPECT_EQ(setUpAccepted(noFormat), QString()) << noFormat;
    }
    const MediaInfo info = writeSecondAndProbe(QStringLiteral("still.wav"));
    EXPECT_EQ(info.codec, QStringLiteral("pcm_s16le"));
}

}  // namespace
