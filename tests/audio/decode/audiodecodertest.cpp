// The reader: exact SampleCount for every format (the join trusts it), every
// WAV sample format decoded to the right values, gapless MP3, block sizes that
// do not depend on codec frames, restart at frame 0, and damaged or foreign
// input that fails cleanly or reads what it really holds.

#include "audio/decode/audiodecoder.h"
#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/lameencoder.h"
#include "pcmwavwriter.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <utility>

namespace {

// What the join reads at most at once: 4 s of 44.1 kHz stereo.
constexpr int kJoinBlockFrames = 4 * 44100 * 2;

struct ReadBack {
    qint64 sampleCount = 0;
    qint64 durationMs = 0;
    int sampleRate = 0;
    int channels = 0;
    int blockAlign = 0;
    SampleArray samples;
    qint64 frames() const { return channels ? qint64(samples.size()) / channels : 0; }
};

// Reads a file to its end as the join does; with recycle, each block is given
// back to the reader, whose next block reuses its memory.
ReadBack readAll(const QString &path, int blockFrames = kJoinBlockFrames, bool recycle = false)
{
    AudioFile reader;
    reader.openFile(path, 0, 1);
    ReadBack result;
    result.sampleCount = reader.sampleCount();
    result.durationMs = reader.duration();
    result.sampleRate = reader.sampleRate();
    result.channels = reader.channels();
    result.blockAlign = reader.blockAlign();
    for (;;) {
        SampleArray block = reader.readSamples(blockFrames);
        if (block.empty())
            break;
        EXPECT_LE(block.size(), size_t(blockFrames) * size_t(result.blockAlign));
        EXPECT_EQ(block.size() % size_t(result.blockAlign), 0u);
        result.samples.insert(result.samples.end(), block.begin(), block.end());
        if (recycle)
            reader.releaseSamples(std::move(block));
    }
    EXPECT_TRUE(reader.readSamples(blockFrames).empty()) << "reads on after the end";
    reader.closeFile();
    return result;
}

float maxDifference(const SampleArray &a, const SampleArray &b)
{
    float worst = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// Root mean square of the last frames: silence there means the end was padded.
double tailLevel(const ReadBack &read, qint64 frames)
{
    const size_t count = size_t(std::min(frames, read.frames()) * read.channels);
    double sum = 0;
    for (size_t i = read.samples.size() - count; i < read.samples.size(); ++i)
        sum += double(read.samples[i]) * read.samples[i];
    return count ? std::sqrt(sum / double(count)) : 0.0;
}

// A sweep from 200 Hz to 5 kHz: unlike a steady tone it matches a shifted copy
// of itself at one offset only, so encoder delay left in shows as a lag.
SampleArray sweep(int sampleRate, int channels, qint64 frames)
{
    SampleArray samples(size_t(frames * channels));
    const double seconds = double(frames) / sampleRate;
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const double phase =
            2.0 * std::numbers::pi * (200.0 * t + 4800.0 * t * t / (2.0 * seconds));
        for (int c = 0; c < channels; ++c)
            samples[size_t(i * channels + c)] = float(0.5 * std::sin(phase));
    }
    return samples;
}

QString writeSweepMp3(const QString &path, int sampleRate, int channels, qint64 frames)
{
    LameEncoder lame;
    lame.setSampleRate(sampleRate);
    lame.setChannels(channels);
    lame.setBitrate(sampleRate < 32000 ? 64 : 128);
    AudioFile writer;
    writer.setMp3Encoder(lame);
    writer.setInputFormat(sampleRate, channels);
    writer.createFile(path, 0);
    writer.writeSamples(sweep(sampleRate, channels, frames));
    writer.closeFile();
    return path;
}

// The lag at which the decoded first channel best matches the sweep:
// decoded[i] ~ sweep[i + lag], searched both ways.
int bestLag(const ReadBack &read, qint64 sweepFrames, int maxLag)
{
    const SampleArray original = sweep(read.sampleRate, 1, sweepFrames);
    const qint64 window = std::min<qint64>(8192, read.frames());
    double bestScore = -1e300;
    int best = 0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double score = 0;
        for (qint64 i = 0; i < window; ++i) {
            const qint64 j = i + lag;
            if (j >= 0 && j < sweepFrames)
                score += double(read.samples[size_t(i * read.channels)]) * original[size_t(j)];
        }
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray pseudoRandomBytes(int count, unsigned seed)
{
    std::mt19937 generator(seed);
    QByteArray bytes(count, '\0');
    for (char &byte : bytes)
        byte = char(generator() & 0xFF);
    return bytes;
}

// An ID3v2.3 tag with one title frame and padding, and nothing after it.
QByteArray id3TagOnly()
{
    const QByteArray title = QByteArray(1, '\0') + "Only a tag";
    QByteArray frame =
        "TIT2" + QByteArray(3, '\0') + char(title.size()) + QByteArray(2, '\0') + title;
    const QByteArray body = frame + QByteArray(2048 - frame.size(), '\0');
    QByteArray tag = "ID3" + QByteArray::fromHex("0300") + char(0);
    const int size = int(body.size());
    for (int shift : {21, 14, 7, 0})
        tag.append(char((size >> shift) & 0x7F));
    return tag + body;
}

// Removes the first MPEG frame, where the writer keeps its Xing/LAME header:
// what is left is an MP3 that says nothing about delay, padding or length.
QByteArray withoutInfoFrame(const QByteArray &mp3)
{
    const int info = std::max(mp3.indexOf("Xing"), mp3.indexOf("Info"));
    if (info < 0)
        return {};
    int start = info;
    while (start > 0 && !(quint8(mp3[start]) == 0xFF && (quint8(mp3[start + 1]) & 0xE0) == 0xE0))
        --start;
    int next = info;
    while (next + 1 < mp3.size()
           && !(quint8(mp3[next]) == 0xFF && (quint8(mp3[next + 1]) & 0xE0) == 0xE0))
        ++next;
    return mp3.left(start) + mp3.mid(next);
}

// Expects an AudioError whose text names the file.
void expectCleanFailure(const QString &path)
{
    try {
        AudioFile reader;
        reader.openFile(path, 0, 1);
        ADD_FAILURE() << "opened " << path.toStdString() << " with " << reader.sampleCount()
                      << " frames";
    } catch (const AudioError &error) {
        EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos)
            << error.what();
    }
}

class AudioDecoderTest : public testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

// ---- WAV sample formats ----------------------------------------------------------

struct WavCase {
    PcmFormat format;
    const char *name;
};

struct Layout {
    int sampleRate;
    int channels;
};

class WavFormatTest : public AudioDecoderTest,
                      public testing::WithParamInterface<std::tuple<WavCase, Layout>> {};

TEST_P(WavFormatTest, ReadsEveryFrameWithItsValue)
{
    const auto [wavCase, layout] = GetParam();
    PcmWav wav;
    wav.format = wavCase.format;
    wav.sampleRate = layout.sampleRate;
    wav.channels = layout.channels;
    const qint64 frames = layout.sampleRate * 37 / 100 + 3;
    const SampleArray expected = writePcmWav(path("t.wav"), wav, frames);

    const ReadBack read = readAll(path("t.wav"), 1000);
    EXPECT_EQ(read.sampleCount, frames);
    EXPECT_EQ(read.frames(), frames);
    EXPECT_EQ(read.sampleRate, layout.sampleRate);
    EXPECT_EQ(read.channels, layout.channels);
    EXPECT_EQ(read.blockAlign, layout.channels);
    EXPECT_EQ(read.durationMs, frames * 1000 / layout.sampleRate);
    EXPECT_LT(maxDifference(read.samples, expected), 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, WavFormatTest,
    testing::Combine(testing::Values(WavCase{PcmFormat::U8, "u8"}, WavCase{PcmFormat::S16, "s16"},
                                     WavCase{PcmFormat::S24, "s24"}, WavCase{PcmFormat::S32, "s32"},
                                     WavCase{PcmFormat::F32, "f32"},
                                     WavCase{PcmFormat::F64, "f64"}),
                     testing::Values(Layout{8000, 1}, Layout{11025, 2}, Layout{22050, 1},
                                     Layout{44100, 2}, Layout{48000, 2})),
    [](const auto &test) {
        return std::string(std::get<0>(test.param).name) + "_"
               + std::to_string(std::get<1>(test.param).sampleRate) + "_"
               + std::to_string(std::get<1>(test.param).channels);
    });

TEST_F(AudioDecoderTest, ReadsExtensibleWavHeaders)
{
    for (PcmFormat format : {PcmFormat::S24, PcmFormat::F32}) {
        PcmWav wav;
        wav.format = format;
        wav.extensible = true;
        const SampleArray expected = writePcmWav(path("x.wav"), wav, 12345);
        const ReadBack read = readAll(path("x.wav"));
        EXPECT_EQ(read.sampleCount, 12345);
        EXPECT_EQ(read.frames(), 12345);
        EXPECT_LT(maxDifference(read.samples, expected), 1e-6f);
    }
}

// ---- Reading in blocks, restarting, closing -----------------------------------------

TEST_F(AudioDecoderTest, BlockSizeDoesNotChangeWhatIsRead)
{
    PcmWav wav;
    const SampleArray expected = writePcmWav(path("t.wav"), wav, 30011);
    for (int block : {1, 333, 1024, 4097, kJoinBlockFrames}) {
        const ReadBack read = readAll(path("t.wav"), block);
        ASSERT_EQ(read.frames(), 30011) << "block " << block;
        EXPECT_EQ(read.samples, expected) << "block " << block;
    }
}

TEST_F(AudioDecoderTest, RewindStartsOverAtTheFirstFrame)
{
    PcmWav wav;
    wav.channels = 1;
    const SampleArray expected = writePcmWav(path("t.wav"), wav, 20000);
    AudioDecoder reader(path("t.wav"));
    const SampleArray first = reader.read(777);
    reader.read(5000);
    reader.rewind();
    EXPECT_EQ(reader.read(777), first);
    while (!reader.read(4096).empty()) {
    }
    reader.rewind();
    qint64 frames = 0;
    SampleArray all;
    for (SampleArray block; !(block = reader.read(3000)).empty(); frames += qint64(block.size()))
        all.insert(all.end(), block.begin(), block.end());
    EXPECT_EQ(frames, 20000);
    EXPECT_EQ(all, expected);
}

TEST_F(AudioDecoderTest, SampleCountStaysAfterCloseFile)
{
    PcmWav wav;
    wav.sampleRate = 22050;
    writePcmWav(path("t.wav"), wav, 22050 * 3 / 2);
    AudioFile reader;
    reader.openFile(path("t.wav"), 0, 1);
    EXPECT_TRUE(reader.isOpen());
    reader.closeFile();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.sampleCount(), 22050 * 3 / 2);
    EXPECT_EQ(reader.duration(), 1500);

    // A failed open does not leave the earlier file's length behind.
    EXPECT_THROW(reader.openFile(path("missing.wav"), 0, 1), AudioError);
    EXPECT_EQ(reader.sampleCount(), 0);
}

TEST_F(AudioDecoderTest, FormatComesFromTheContentNotTheName)
{
    PcmWav wav;
    const SampleArray expected = writePcmWav(path("wave.mp3"), wav, 9000);
    QFile::copy(path("wave.mp3"), path("wave.wma"));
    for (const QString name : {"wave.mp3", "wave.wma"}) {
        const ReadBack read = readAll(path(name));
        EXPECT_EQ(read.sampleCount, 9000) << name.toStdString();
        EXPECT_EQ(read.samples, expected) << name.toStdString();
    }
}

// ---- Damaged and foreign input -----------------------------------------------------

TEST_F(AudioDecoderTest, FilesWithoutAudioFailNamingTheFile)
{
    expectCleanFailure(path("missing.mp3"));
    writeBytes(path("empty.mp3"), {});
    expectCleanFailure(path("empty.mp3"));
    writeBytes(path("text.mp3"), "This is a shopping list, not a song.\nMilk\nBread\n");
    expectCleanFailure(path("text.mp3"));
    writeBytes(path("tag.mp3"), id3TagOnly());
    expectCleanFailure(path("tag.mp3"));
    for (const QString name : {"noise.mp3", "noise.wav", "noise.ogg", "noise.wma"}) {
        writeBytes(path(name), pseudoRandomBytes(200000, 7));
        expectCleanFailure(path(name));
    }
    QDir().mkpath(path("folder.mp3"));
    expectCleanFailure(path("folder.mp3"));
}

TEST_F(AudioDecoderTest, OtherContainersAreRefused)
{
    // Sun AU: FFmpeg reads it, but it is none of the four formats.
    QByteArray au = ".snd" + QByteArray::fromHex("00000018ffffffff000000030000ac4400000001");
    au += QByteArray(20000, '\x10');
    writeBytes(path("sun.wav"), au);
    expectCleanFailure(path("sun.wav"));
}

TEST_F(AudioDecoderTest, WavHeaderClaimingMoreDataReadsWhatIsThere)
{
    PcmWav wav;
    wav.claimedDataBytes = 4 * 50000;
    const SampleArray expected = writePcmWav(path("t.wav"), wav, 20000);
    const ReadBack read = readAll(path("t.wav"));
    EXPECT_EQ(read.sampleCount, 20000);
    EXPECT_EQ(read.samples, expected);

    wav.claimedDataBytes = 0xFFFFFFFF;  // what a writer that never finished leaves
    const SampleArray unfinished = writePcmWav(path("u.wav"), wav, 20000);
    EXPECT_EQ(readAll(path("u.wav")).samples, unfinished);
}

TEST_F(AudioDecoderTest, WavCutInsideAFrameReadsTheWholeFrames)
{
    PcmWav wav;
    wav.format = PcmFormat::S24;
    const SampleArray expected = writePcmWav(path("t.wav"), wav, 10000);
    const QByteArray bytes = readBytes(path("t.wav"));
    writeBytes(path("cut.wav"), bytes.left(bytes.size() - 4));  // 6 bytes a frame
    const ReadBack read = readAll(path("cut.wav"));
    EXPECT_EQ(read.sampleCount, 9999);
    ASSERT_EQ(read.frames(), 9999);
    EXPECT_EQ(read.samples, SampleArray(expected.begin(), expected.end() - 2));
}

TEST_F(AudioDecoderTest, WavWithoutDataOpensEmpty)
{
    PcmWav wav;
    writePcmWav(path("t.wav"), wav, 0);
    const ReadBack read = readAll(path("t.wav"));
    EXPECT_EQ(read.sampleCount, 0);
    EXPECT_EQ(read.frames(), 0);

    writePcmWav(path("u.wav"), wav, 100);
    writeBytes(path("header.wav"), readBytes(path("u.wav")).left(30));
    expectCleanFailure(path("header.wav"));
}

// ---- Encoded formats, written by the program's own writer ------------------------

struct EncodedCase {
    ToneFormat format;
    int sampleRate;
    int channels;
    const char *name;
};

class EncodedFormatTest : public AudioDecoderTest, public testing::WithParamInterface<EncodedCase> {
protected:
    static constexpr double kSeconds = 1.3;
    QString writeTone()
    {
        const EncodedCase c = GetParam();
        return Tones::write(path(QString::fromLatin1(c.name)), c.format, c.sampleRate, c.channels,
                            kSeconds);
    }
    qint64 framesWritten() const { return Tones::frameCount(GetParam().sampleRate, kSeconds); }
};

TEST_P(EncodedFormatTest, SampleCountIsWhatReadingReturns)
{
    const EncodedCase c = GetParam();
    const QString file = writeTone();
    const ReadBack read = readAll(file);
    EXPECT_EQ(read.sampleRate, c.sampleRate);
    EXPECT_EQ(read.channels, c.channels);
    EXPECT_EQ(read.frames(), read.sampleCount);
    // FFmpeg decoding the file on its own gets the same length: nothing was cut
    // from the audio, nor silence added to reach the count.
    EXPECT_EQ(read.sampleCount, probeMedia(file).decodedFrames);
    // Our WMA ends in a frame of silence the writer adds; the others end in the tone.
    if (c.format != ToneFormat::Wma) {
        EXPECT_GT(tailLevel(read, c.sampleRate / 100), 0.1) << "the end was padded with silence";
    }
    EXPECT_EQ(read.durationMs, read.sampleCount * 1000 / c.sampleRate);
}

TEST_P(EncodedFormatTest, BlockSizeDoesNotChangeWhatIsRead)
{
    const QString file = writeTone();
    const ReadBack whole = readAll(file);
    for (int block : {1, 100, 1153}) {
        const ReadBack read = readAll(file, block);
        EXPECT_EQ(read.samples, whole.samples) << "block " << block;
        const ReadBack recycled = readAll(file, block, true);
        EXPECT_EQ(recycled.samples, whole.samples) << "block " << block << ", reused";
    }
    EXPECT_EQ(readAll(file, kJoinBlockFrames, true).samples, whole.samples);
}

TEST_P(EncodedFormatTest, RewindAfterReadingStartsOverAtTheFirstFrame)
{
    const QString file = writeTone();
    const ReadBack whole = readAll(file);
    AudioDecoder reader(file);
    reader.read(5000);
    reader.rewind();
    SampleArray again;
    for (SampleArray block; !(block = reader.read(4410)).empty();)
        again.insert(again.end(), block.begin(), block.end());
    EXPECT_EQ(again, whole.samples);
}

// The length of a file counted once is remembered, but not past a change of the file.
TEST_P(EncodedFormatTest, RewrittenFileIsCountedAgain)
{
    const EncodedCase c = GetParam();
    const QString file = writeTone();
    const qint64 first = readAll(file).sampleCount;
    Tones::write(file, c.format, c.sampleRate, c.channels, 2 * kSeconds);
    const ReadBack longer = readAll(file);
    EXPECT_GT(longer.sampleCount, first + c.sampleRate);
    EXPECT_EQ(longer.frames(), longer.sampleCount);
}

INSTANTIATE_TEST_SUITE_P(Formats, EncodedFormatTest,
                         testing::Values(EncodedCase{ToneFormat::Mp3, 44100, 2, "a.mp3"},
                                         EncodedCase{ToneFormat::Mp3, 22050, 1, "b.mp3"},
                                         EncodedCase{ToneFormat::Mp3, 8000, 1, "c.mp3"},
                                         EncodedCase{ToneFormat::Mp3, 48000, 2, "d.mp3"},
                                         EncodedCase{ToneFormat::Ogg, 44100, 2, "a.ogg"},
                                         EncodedCase{ToneFormat::Ogg, 22050, 1, "b.ogg"},
                                         EncodedCase{ToneFormat::Ogg, 8000, 2, "c.ogg"},
                                         EncodedCase{ToneFormat::Wma, 44100, 2, "a.wma"},
                                         EncodedCase{ToneFormat::Wma, 32000, 2, "b.wma"},
                                         EncodedCase{ToneFormat::Wma, 44100, 1, "c.wma"},
                                         EncodedCase{ToneFormat::Wav8, 11025, 2, "a.wav"}),
                         [](const auto &test) {
                             std::string name = test.param.name;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST_F(AudioDecoderTest, LameTaggedMp3IsGapless)
{
    for (const auto &[rate, channels] : {std::pair{44100, 2}, std::pair{22050, 1}}) {
        const qint64 frames = rate * 6 / 5;
        const QString file = writeSweepMp3(path("t.mp3"), rate, channels, frames);
        const ReadBack read = readAll(file);
        EXPECT_EQ(read.sampleCount, frames) << rate;
        EXPECT_EQ(read.frames(), read.sampleCount);
        EXPECT_EQ(bestLag(read, frames, 2000), 0) << "encoder delay left in at " << rate;
    }
}

TEST_F(AudioDecoderTest, Mp3WithoutInfoHeaderCountsWhatItDecodes)
{
    const QString tagged = Tones::write(path("t.mp3"), ToneFormat::Mp3, 44100, 2, 1.0);
    const QByteArray bare = withoutInfoFrame(readBytes(tagged));
    ASSERT_FALSE(bare.isEmpty());
    writeBytes(path("bare.mp3"), bare);
    const ReadBack read = readAll(path("bare.mp3"));
    EXPECT_EQ(read.frames(), read.sampleCount);
    EXPECT_EQ(read.sampleCount, probeMedia(path("bare.mp3")).decodedFrames);
    // Without the header, delay and padding stay in: whole MPEG frames.
    EXPECT_EQ(read.sampleCount % 1152, 0);
    EXPECT_GT(read.sampleCount, 44100);
}

TEST_F(AudioDecoderTest, ShortOggReadsExactlyItsLength)
{
    // Audio that fits in one OGG page, where FFmpeg alone decodes too much.
    for (int rate : {44100, 8000}) {
        const QString file = Tones::write(path("short.ogg"), ToneFormat::Ogg, rate, 2, 0.1);
        const ReadBack read = readAll(file);
        EXPECT_EQ(read.sampleCount, Tones::frameCount(rate, 0.1)) << rate;
        EXPECT_EQ(read.frames(), read.sampleCount) << rate;
    }
}

// Cut files and files with a damaged stretch: each either fails cleanly or
// opens and reads exactly SampleCount frames, never more than the whole file holds.
TEST_F(AudioDecoderTest, DamagedEncodedFilesFailCleanlyOrReadWhatTheyHold)
{
    for (ToneFormat format : {ToneFormat::Mp3, ToneFormat::Ogg, ToneFormat::Wma, ToneFormat::Wav16,
                              ToneFormat::Flac, ToneFormat::Opus, ToneFormat::M4a,
                              ToneFormat::M4aTaggedGapless, ToneFormat::Adts, ToneFormat::Aiff}) {
        const int rate = format == ToneFormat::Opus ? 48000 : 44100;
        const QString file = Tones::write(path("whole"), format, rate, 2, 2.0);
        const QByteArray bytes = readBytes(file);
        const qint64 wholeFrames = readAll(file).sampleCount;
        const auto check = [&](const QByteArray &damaged, const std::string &what) {
            const QString damagedPath = path("damaged");
            writeBytes(damagedPath, damaged);
            try {
                const ReadBack read = readAll(damagedPath);
                EXPECT_EQ(read.frames(), read.sampleCount) << what;
                EXPECT_LE(read.sampleCount, wholeFrames + 4096) << what;
                // What FFmpeg decodes on its own, give or take the frames a
                // damaged stretch costs: silence made up for them stays short.
                // 700 bytes reach up to three MP3 frames at 128 kbit/s, and the
                // frames that borrow from them through the bit reservoir (up to
                // 511 bytes back) are lost with them: six frames at most.
                try {
                    const qint64 decoded = probeMedia(damagedPath).decodedFrames;
                    EXPECT_NEAR(double(read.sampleCount), double(decoded), 6.0 * 1152) << what;
                } catch (const std::runtime_error &) {
                }
            } catch (const AudioError &error) {
                const std::string text = error.what();
                EXPECT_NE(text.find(damagedPath.toStdString()), std::string::npos) << what;
                EXPECT_GT(text.size(), damagedPath.size() + 4) << what << ": the cause is missing";
            }
        };
        for (double share : {0.02, 0.3, 0.5, 0.77, 0.999}) {
            const int size = int(bytes.size() * share);
            check(bytes.left(size), "cut at " + std::to_string(size));
        }
        for (double share : {0.1, 0.5}) {
            QByteArray damaged = bytes;
            const int at = int(bytes.size() * share);
            damaged.replace(at, 700, pseudoRandomBytes(700, unsigned(at)));
            check(damaged, "garbage at " + std::to_string(at));
        }
    }
}

TEST_F(AudioDecoderTest, TruncatedMp3StillReadsItsStart)
{
    const qint64 frames = 2 * 44100;
    const QString file = writeSweepMp3(path("t.mp3"), 44100, 2, frames);
    const QByteArray bytes = readBytes(file);
    writeBytes(path("half.mp3"), bytes.left(bytes.size() / 2 + 17));  // inside a frame
    const ReadBack read = readAll(path("half.mp3"));
    EXPECT_EQ(read.frames(), read.sampleCount);
    EXPECT_EQ(read.sampleCount, probeMedia(path("half.mp3")).decodedFrames);
    EXPECT_GT(read.sampleCount, frames * 4 / 10);
    EXPECT_LT(read.sampleCount, frames * 6 / 10);
    EXPECT_EQ(bestLag(read, frames, 2000), 0);
}

}  // namespace
