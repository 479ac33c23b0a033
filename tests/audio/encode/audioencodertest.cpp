// The writer: what it writes decodes back to the frames written, mixed input
// formats lose nothing at a change, FLAC holds exactly what WAV holds, M4B
// records its priming and length, the format checks tell the truth, and the
// target is only replaced by a complete file.

#include "audio/encode/audioencoder.h"
#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/lameencoder.h"
#include "audio/core/wmaprofiles.h"
#include "audio/decode/mp4timing.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <tuple>

namespace {

// The whole ID3v2 tag at the start of an MP3 file (header included), or 0.
qint64 id3v2TagSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(10);
    if (header.size() < 10 || !header.startsWith("ID3"))
        return 0;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i)
        size = (size << 7) | (static_cast<unsigned char>(header[i]) & 0x7f);
    return size + 10;
}

constexpr std::array<int, 9> kSampleRates = {8000,  11025, 12000, 16000, 22050,
                                             24000, 32000, 44100, 48000};
constexpr std::array<int, 17> kBitRates = {8,  16,  24,  32,  40,  48,  56,  64, 80,
                                           96, 112, 128, 160, 192, 224, 256, 320};

struct Decoded {
    int sampleRate = 0;
    int channels = 0;
    qint64 sampleCount = 0;
    SampleArray samples;
    qint64 frames() const { return channels ? qint64(samples.size()) / channels : 0; }
};

Decoded decode(const QString &path)
{
    AudioFile reader;
    reader.openFile(path, 0, 1);
    Decoded result;
    result.sampleRate = reader.sampleRate();
    result.channels = reader.channels();
    result.sampleCount = reader.sampleCount();
    for (;;) {
        const SampleArray block = reader.readSamples(4 * result.sampleRate);
        if (block.empty())
            break;
        result.samples.insert(result.samples.end(), block.begin(), block.end());
    }
    reader.closeFile();
    return result;
}

// A sweep from 200 Hz to 5 kHz: unlike a steady tone it lines up with a copy of
// itself at one offset only, so a lost or added start shows as a lag.
SampleArray sweep(int sampleRate, int channels, qint64 frames)
{
    SampleArray samples(static_cast<std::size_t>(frames * channels));
    const double seconds = double(frames) / sampleRate;
    const double lowHz = 200.0, highHz = 5000.0;
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const double phase =
            2.0 * std::numbers::pi * (lowHz * t + (highHz - lowHz) * t * t / (2.0 * seconds));
        for (int c = 0; c < channels; ++c)
            samples[static_cast<std::size_t>(i * channels + c)] = float(0.5 * std::sin(phase));
    }
    return samples;
}

// The offset at which the decoded first channel best matches the original:
// decoded[i] ~ original[i + lag].
int bestLag(const SampleArray &original, int originalChannels, const Decoded &decoded, int maxLag)
{
    const qint64 window = 8192;
    double bestScore = -1e300;
    int best = 0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double score = 0;
        for (qint64 i = 0; i < window; ++i) {
            const qint64 j = i + lag;
            if (j < 0 || j * originalChannels >= qint64(original.size())
                || i * decoded.channels >= qint64(decoded.samples.size()))
                continue;
            score += double(decoded.samples[std::size_t(i * decoded.channels)])
                     * original[std::size_t(j * originalChannels)];
        }
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

void writeAll(AudioFile &writer, const SampleArray &samples, int channels, int blockFrames)
{
    const std::size_t step = std::size_t(blockFrames) * std::size_t(channels);
    for (std::size_t at = 0; at < samples.size(); at += step) {
        const std::size_t end = std::min(samples.size(), at + step);
        writer.writeSamples(SampleArray(samples.begin() + long(at), samples.begin() + long(end)));
    }
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

class AudioEncoderTest : public testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

// ---- Round trips -----------------------------------------------------------

struct RoundTrip {
    ToneFormat format;
    int sampleRate;
    int channels;
    const char *name;
};

class RoundTripTest : public AudioEncoderTest, public testing::WithParamInterface<RoundTrip> {};

TEST_P(RoundTripTest, DecodesBackToTheFramesWritten)
{
    const RoundTrip trip = GetParam();
    const QString file = Tones::write(path(QString::fromLatin1(trip.name)), trip.format,
                                      trip.sampleRate, trip.channels, 1.3);
    const Decoded decoded = decode(file);
    EXPECT_EQ(decoded.sampleRate, trip.sampleRate);
    EXPECT_EQ(decoded.channels, trip.channels);
    EXPECT_EQ(decoded.frames(), Tones::frameCount(trip.sampleRate, 1.3));
    EXPECT_EQ(decoded.sampleCount, decoded.frames());
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest,
                         testing::Values(RoundTrip{ToneFormat::Wav16, 44100, 2, "a.wav"},
                                         RoundTrip{ToneFormat::Wav16, 11025, 1, "b.wav"},
                                         RoundTrip{ToneFormat::Wav8, 22050, 1, "c.wav"},
                                         RoundTrip{ToneFormat::Mp3, 44100, 2, "d.mp3"},
                                         RoundTrip{ToneFormat::Mp3, 22050, 1, "e.mp3"},
                                         RoundTrip{ToneFormat::Mp3, 8000, 2, "f.mp3"},
                                         RoundTrip{ToneFormat::Ogg, 48000, 2, "g.ogg"},
                                         RoundTrip{ToneFormat::Ogg, 16000, 1, "h.ogg"}));

TEST_F(AudioEncoderTest, PcmKeepsTheSampleValues)
{
    for (const auto &[format, step] :
         {std::pair{ToneFormat::Wav16, 1.0 / 32768}, std::pair{ToneFormat::Wav8, 1.0 / 128}}) {
        const QString file = Tones::write(path(QStringLiteral("pcm.wav")), format, 22050, 1, 0.5);
        const Decoded decoded = decode(file);
        const SampleArray original = Tones::samples(22050, 1, 0, Tones::frameCount(22050, 0.5));
        ASSERT_EQ(decoded.samples.size(), original.size());
        double worst = 0;
        for (std::size_t i = 0; i < original.size(); ++i)
            worst = std::max(worst, std::abs(double(decoded.samples[i]) - original[i]));
        EXPECT_LE(worst, step) << "bits " << (format == ToneFormat::Wav8 ? 8 : 16);
    }
}

struct LagCase {
    const char *name;
    std::function<void(AudioFile &)> select;
    int sampleRate;
    int channels;
    bool exactLength;
};

void expectStartKept(const QString &file, const LagCase &lagCase)
{
    const qint64 frames = lagCase.sampleRate;  // one second
    const SampleArray original = sweep(lagCase.sampleRate, lagCase.channels, frames);
    {
        AudioFile writer;
        lagCase.select(writer);
        writer.setInputFormat(lagCase.sampleRate, lagCase.channels);
        writer.createFile(file);
        writeAll(writer, original, lagCase.channels, 10000);
        writer.closeFile();
    }
    const Decoded decoded = decode(file);
    EXPECT_EQ(bestLag(original, lagCase.channels, decoded, 3000), 0) << lagCase.name;
    if (lagCase.exactLength)
        EXPECT_EQ(decoded.frames(), frames) << lagCase.name;
    else
        EXPECT_GE(decoded.frames(), frames) << lagCase.name;
}

TEST_F(AudioEncoderTest, LossyFormatsKeepTheStartInPlace)
{
    LameEncoder cbr;
    LameEncoder vbr;
    vbr.setConstantBitrate(false);
    vbr.setVbrQuality(2);
    const std::vector<LagCase> cases = {
        {"mp3 cbr", [&](AudioFile &w) { w.setMp3Encoder(cbr); }, 44100, 2, true},
        {"mp3 vbr", [&](AudioFile &w) { w.setMp3Encoder(vbr); }, 44100, 2, true},
        {"ogg managed", [](AudioFile &w) { w.setOggFormat(44100, 2, 128, 128, 128, -1); }, 44100, 2,
         true},
        {"ogg quality", [](AudioFile &w) { w.setOggFormat(32000, 1, 128, 128, 128, 0); }, 32000, 1,
         true},
        // ASF cannot say where the audio ends: the decoded file may run longer.
        {"wma 10", [](AudioFile &w) { w.setWmaFormat(10); }, 44100, 2, false},
        {"wma 17", [](AudioFile &w) { w.setWmaFormat(17); }, 44100, 1, false},
    };
    for (const LagCase &lagCase : cases)
        expectStartKept(path(QStringLiteral("lag")), lagCase);
}

// Samples no encoder can take (NaN, infinities, values far past full scale)
// reach every format as silence or full scale: no abort, no failure, and what
// decodes is finite and within full scale, give or take a lossy codec's ripple.
TEST_F(AudioEncoderTest, SamplesOutOfRangeAreWrittenAsSilenceOrFullScale)
{
    const std::vector<std::pair<const char *, std::function<void(AudioFile &)>>> formats = {
        {"mp3", [](AudioFile &w) { w.setMp3Encoder(LameEncoder()); }},
        {"wav", [](AudioFile &w) { w.setWavFormat(44100, 2, 16); }},
        {"wma", [](AudioFile &w) { w.setWmaFormat(10); }},
        {"ogg", [](AudioFile &w) { w.setOggFormat(44100, 2, 128, 128, 128, -1); }},
        {"flac", [](AudioFile &w) { w.setFlacFormat(44100, 2, 16, 5); }},
        {"m4b", [](AudioFile &w) { w.setM4bFormat(44100, 2, 128); }},
    };
    const float hot[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 1e30F, -1e30F};
    SampleArray samples = Tones::samples(44100, 2, 0, 44100);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if ((i / 4410) % 2 == 1)
            samples[i] = hot[(i / 4410 / 2) % std::size(hot)];
    }
    for (const auto &[name, select] : formats) {
        const QString file = path(QStringLiteral("hot.") + QLatin1String(name));
        AudioFile writer;
        select(writer);
        writer.setInputFormat(44100, 2);
        writer.createFile(file);
        writer.writeSamples(samples);
        writer.closeFile();
        const Decoded decoded = decode(file);
        EXPECT_GE(decoded.frames(), 44100) << name;
        EXPECT_TRUE(std::all_of(decoded.samples.begin(), decoded.samples.end(), [](float sample) {
            return std::fabs(sample) <= 1.5F;
        })) << name;
    }
    // PCM keeps the values exactly: NaN as 0, the rest at full scale.
    const Decoded wav = decode(path(QStringLiteral("hot.wav")));
    EXPECT_EQ(wav.samples[4410], 0.0F);
    EXPECT_NEAR(wav.samples[3 * 4410], 1.0F, 1e-4F);
    EXPECT_NEAR(wav.samples[5 * 4410], -1.0F, 1e-4F);
}

// The Xing/LAME header: players take the length and the gapless trim from it.
struct LameHeader {
    bool found = false;
    qint64 frames = 0;
    int delay = 0;
    int padding = 0;
};

LameHeader readLameHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(16384);
    qsizetype at = head.indexOf("Xing");
    if (at < 0)
        at = head.indexOf("Info");
    if (at < 0)
        return {};
    auto byteAt = [&](qsizetype i) { return quint32(quint8(head.at(i))); };
    auto be32 = [&](qsizetype i) {
        return byteAt(i) << 24 | byteAt(i + 1) << 16 | byteAt(i + 2) << 8 | byteAt(i + 3);
    };
    const quint32 flags = be32(at + 4);
    LameHeader header;
    qsizetype next = at + 8;
    if (flags & 1) {
        header.frames = be32(next);
        next += 4;
    }
    if (flags & 2)
        next += 4;  // bytes
    if (flags & 4)
        next += 100;  // seek table
    if (flags & 8)
        next += 4;                        // quality
    const qsizetype delayAt = next + 21;  // inside the LAME extension
    header.delay = int(byteAt(delayAt) << 4 | byteAt(delayAt + 1) >> 4);
    header.padding = int((byteAt(delayAt + 1) & 0xF) << 8 | byteAt(delayAt + 2));
    header.found = (flags & 1) != 0;
    return header;
}

TEST_F(AudioEncoderTest, Mp3HeaderGivesLengthAndGaplessTrim)
{
    struct Case {
        int rate, channels;
        bool constant;
        double seconds;
    };
    for (const Case &c : {Case{44100, 2, true, 1.3}, Case{44100, 2, false, 2.0},
                          Case{22050, 1, true, 0.7}, Case{8000, 2, true, 1.3}}) {
        LameEncoder lame;
        lame.setSampleRate(c.rate);
        lame.setChannels(c.channels);
        lame.setBitrate(c.rate < 32000 ? 32 : 128);
        lame.setConstantBitrate(c.constant);
        AudioFile writer;
        writer.setMp3Encoder(lame);
        writer.setInputFormat(c.rate, c.channels);
        const QString file = path(QStringLiteral("header.mp3"));
        writer.createFile(file);
        const qint64 frames = Tones::frameCount(c.rate, c.seconds);
        writer.writeSamples(Tones::samples(c.rate, c.channels, 0, frames));
        writer.closeFile();

        const LameHeader header = readLameHeader(file);
        ASSERT_TRUE(header.found) << c.rate;
        const qint64 samplesPerFrame = c.rate >= 32000 ? 1152 : 576;
        // The header's delay and padding leave out the decoder's own 529 samples,
        // which the first frames and the padding both account for.
        EXPECT_EQ(header.frames * samplesPerFrame - header.delay - header.padding, frames)
            << c.rate << (c.constant ? " cbr" : " vbr");
        EXPECT_GT(header.delay, 0);
    }
}

// ---- Input format changes --------------------------------------------------

struct Piece {
    int sampleRate;
    int channels;
    double seconds;
};

qint64 writePieces(AudioFile &writer, const QString &file, const std::vector<Piece> &pieces,
                   int outputRate)
{
    writer.createFile(file);
    qint64 expected = 0;
    for (const Piece &piece : pieces) {
        writer.setInputFormat(piece.sampleRate, piece.channels);
        const qint64 frames = Tones::frameCount(piece.sampleRate, piece.seconds);
        writeAll(writer, Tones::samples(piece.sampleRate, piece.channels, 0, frames),
                 piece.channels, 4 * piece.sampleRate);
        expected += std::llround(double(frames) * outputRate / piece.sampleRate);
    }
    writer.closeFile();
    return expected;
}

TEST_F(AudioEncoderTest, MixedInputFormatsLoseNoFrames)
{
    const std::vector<Piece> pieces = {
        {22050, 1, 1.0}, {48000, 2, 0.75}, {44100, 2, 0.5}, {8000, 1, 0.3}, {44100, 1, 0.2}};
    const qint64 tolerance = qint64(pieces.size());  // one frame of rounding per input

    AudioFile wav;
    wav.setWavFormat(44100, 2, 16);
    const qint64 wavExpected = writePieces(wav, path(QStringLiteral("mixed.wav")), pieces, 44100);
    EXPECT_NEAR(double(decode(path(QStringLiteral("mixed.wav"))).frames()), double(wavExpected),
                double(tolerance));

    LameEncoder lame;
    lame.setSampleRate(32000);
    lame.setChannels(1);
    AudioFile mp3;
    mp3.setMp3Encoder(lame);
    const qint64 mp3Expected = writePieces(mp3, path(QStringLiteral("mixed.mp3")), pieces, 32000);
    EXPECT_NEAR(double(decode(path(QStringLiteral("mixed.mp3"))).frames()), double(mp3Expected),
                double(tolerance));
}

// ---- FLAC and M4B ----------------------------------------------------------

const std::vector<Piece> kMixedPieces = {
    {22050, 1, 0.7}, {48000, 2, 0.5}, {44100, 2, 0.6}, {8000, 1, 0.3}};

// FLAC signs its samples as little-endian integers of their own width; the
// decoder hands 24-bit samples in the top three bytes of 32.
QByteArray flacSignature(const QByteArray &pcm, int bitsPerSample)
{
    QByteArray samples = bitsPerSample == 16 ? pcm : QByteArray();
    for (qsizetype at = 0; bitsPerSample == 24 && at + 4 <= pcm.size(); at += 4)
        samples.append(pcm.constData() + at + 1, 3);
    return QCryptographicHash::hash(samples, QCryptographicHash::Md5).toHex();
}

// Rate, channels, bits per sample, compression level.
class FlacTest : public AudioEncoderTest, public testing::WithParamInterface<std::array<int, 4>> {};

TEST_P(FlacTest, DecodesToExactlyTheSamplesOfAWavFromTheSameBlocks)
{
    const auto [rate, channels, bits, level] = GetParam();
    AudioFile wav;
    wav.setWavFormat(rate, channels, bits);
    writePieces(wav, path(QStringLiteral("same.wav")), kMixedPieces, rate);
    AudioFile flac;
    flac.setFlacFormat(rate, channels, bits, level);
    const qint64 expected =
        writePieces(flac, path(QStringLiteral("same.flac")), kMixedPieces, rate);

    const QByteArray pcm = decodePcm(path(QStringLiteral("same.flac")));
    const qint64 frames = pcm.size() / (channels * (bits == 16 ? 2 : 4));
    EXPECT_NEAR(double(frames), double(expected), double(kMixedPieces.size()));
    EXPECT_TRUE(pcm == decodePcm(path(QStringLiteral("same.wav"))));

    // STREAMINFO follows "fLaC": ... bits per sample (5 bits), length (36), MD5.
    QFile in(path(QStringLiteral("same.flac")));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray head = in.read(42);
    const quint64 packed = qFromBigEndian<quint64>(head.constData() + 18);
    EXPECT_EQ(int((packed >> 36) & 0x1f) + 1, bits);
    EXPECT_EQ(qint64(packed & 0xfffffffffULL), frames);
    EXPECT_EQ(head.mid(26, 16).toHex(), flacSignature(pcm, bits));
}

INSTANTIATE_TEST_SUITE_P(DefaultAnd24Bits, FlacTest,
                         testing::Values(std::array{44100, 2, 16, 5}, std::array{48000, 2, 24, 8},
                                         std::array{22050, 1, 24, 0}));

// A 32-bit field of the first box of that type in data.
qint64 fieldOfBox(const QByteArray &data, const char *type, int offset)
{
    const qsizetype at = data.indexOf(type) + 4 + offset;
    return at >= 4 + offset && at + 4 <= data.size()
               ? qFromBigEndian<quint32>(data.constData() + at)
               : -1;
}

TEST_F(AudioEncoderTest, M4bRecordsItsPrimingAndLengthAndStreams)
{
    constexpr int kRate = 44100;
    constexpr qint64 kAacFrame = 1024;
    const QString file = path(QStringLiteral("book.m4b"));
    AudioFile m4b;
    m4b.setM4bFormat(kRate, 2, 128);
    const qint64 expected = writePieces(m4b, file, kMixedPieces, kRate);
    const qint64 rounding = qint64(kMixedPieces.size());

    // The gapless item: priming, padding, length.
    const MediaInfo info = probeMedia(file);
    EXPECT_EQ(info.codec, QStringLiteral("aac"));
    const QStringList gapless = info.ffmpegTags.value(QStringLiteral("itunsmpb"))
                                    .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_EQ(gapless.size(), 12);
    const qint64 priming = gapless[1].toLongLong(nullptr, 16);
    const qint64 padding = gapless[2].toLongLong(nullptr, 16);
    const qint64 frames = gapless[3].toLongLong(nullptr, 16);
    EXPECT_NEAR(double(frames), double(expected), double(rounding));
    EXPECT_EQ((priming + frames + padding) % kAacFrame, 0);

    // FFmpeg skips the priming by the edit list but decodes the last frame
    // whole: at most one AAC frame more than was written.
    EXPECT_EQ(info.decodedFrames, frames + padding);
    EXPECT_LT(info.decodedFrames, expected + rounding + kAacFrame);

    // The index comes first; its edit list skips the priming and states the
    // length exactly.
    const QList<Mp4Box> boxes = mp4TopLevelBoxes(file);
    ASSERT_EQ(boxes.size(), 4);
    EXPECT_EQ(boxes[1].type, "moov");
    EXPECT_EQ(boxes[3].type, "mdat");
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray head = in.read(boxes[2].offset);
    EXPECT_EQ(head.mid(8, 4), "M4B ");
    EXPECT_EQ(fieldOfBox(head, "mvhd", 12), kRate) << "the movie counts in samples";
    EXPECT_EQ(fieldOfBox(head, "elst", 8), frames);
    EXPECT_EQ(fieldOfBox(head, "elst", 12), priming);
}

// The frames GStreamer decodes from file, as the desktop's audiobook players
// read it; -1 when it cannot decode it.
qint64 gstreamerDecodedFrames(const QString &file, int channels, const QString &rawFile)
{
    QProcess gst;
    gst.start(QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")),
              {QStringLiteral("-q"), QStringLiteral("filesrc"), QStringLiteral("location=") + file,
               QStringLiteral("!"), QStringLiteral("decodebin"), QStringLiteral("!"),
               QStringLiteral("audioconvert"), QStringLiteral("!"),
               QStringLiteral("audio/x-raw,format=S16LE"), QStringLiteral("!"),
               QStringLiteral("filesink"), QStringLiteral("location=") + rawFile});
    if (!gst.waitForFinished(-1) || gst.exitCode() != 0)
        return -1;
    return QFileInfo(rawFile).size() / (2 * channels);
}

// GStreamer ends a movie at its header's duration, counted from the start of
// the media, priming included: the audio must still play to its end there.
TEST_F(AudioEncoderTest, M4bPlaysToItsEndInGStreamerToo)
{
    if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty())
        GTEST_SKIP() << "gst-launch-1.0 is not installed";
    constexpr qint64 kAacFrame = 1024;
    for (const auto &[rate, channels, seconds] :
         {std::tuple{44100, 2, 1.5}, std::tuple{22050, 1, 0.7}, std::tuple{48000, 2, 2.0}}) {
        const QString file = path(QStringLiteral("gst%1.m4b").arg(rate));
        Tones::write(file, ToneFormat::M4b, rate, channels, seconds);
        const qint64 written = Tones::frameCount(rate, seconds);
        const qint64 gstreamer =
            gstreamerDecodedFrames(file, channels, path(QStringLiteral("gst%1.raw").arg(rate)));
        EXPECT_GE(gstreamer, written - 1) << rate;
        EXPECT_LT(gstreamer, written + kAacFrame) << rate;
        EXPECT_GE(probeMedia(file).decodedFrames, written) << rate;
        EXPECT_EQ(Mp4Timing::read(file).value_or(Mp4Timing(1, 0, {}, {})).playedFrames(), written)
            << rate;
    }
}

TEST_F(AudioEncoderTest, MonoJoinedIntoStereoKeepsItsLevel)
{
    AudioFile writer;
    writer.setWavFormat(44100, 2, 16);
    writer.setInputFormat(44100, 1);
    writer.createFile(path(QStringLiteral("level.wav")));
    writer.writeSamples(SampleArray(4410, 0.5f));
    writer.closeFile();
    const Decoded decoded = decode(path(QStringLiteral("level.wav")));
    ASSERT_EQ(decoded.frames(), 4410);
    EXPECT_NEAR(decoded.samples[2000], 0.5, 1e-3);
    EXPECT_NEAR(decoded.samples[2001], 0.5, 1e-3);
}

TEST_F(AudioEncoderTest, RefusesABlockOfPartialFrames)
{
    AudioEncoder encoder(path(QStringLiteral("odd.wav")), OutputFormat::wav(44100, 2, 16));
    encoder.setInputFormat(44100, 2);
    EXPECT_THROW(encoder.write(SampleArray(3, 0.0f)), AudioError);
    EXPECT_THROW(encoder.setInputFormat(0, 2), AudioError);
}

// ---- Format checks ---------------------------------------------------------

TEST(Mp3FormatCheck, FollowsTheLimitsOfEachRateFamily)
{
    struct Case {
        int rate, kbps, channels;
        bool supported;
    };
    const Case cases[] = {
        {32000, 32, 2, true},   {32000, 24, 2, false},  {44100, 320, 2, true},
        {48000, 320, 1, true},  {48000, 8, 1, false},   {44100, 144, 2, false},
        {24000, 160, 2, true},  {22050, 192, 2, false}, {16000, 8, 1, true},
        {16000, 144, 1, true},  {12000, 64, 2, true},   {11025, 80, 1, false},
        {8000, 8, 1, true},     {8000, 320, 2, false},  {44100, 128, 3, false},
        {44100, 128, 0, false}, {96000, 128, 2, false}, {44100, 100, 2, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AudioEncoder::mp3FormatSupported(c.rate, c.kbps, c.channels), c.supported)
            << c.rate << " Hz " << c.kbps << " kbit/s " << c.channels << " ch";
}

// LAME never refuses: it quietly picks another bit rate. So an accepted format
// is encoded and its size must show the bit rate asked for.
TEST_F(AudioEncoderTest, EveryAcceptedMp3FormatEncodesAtItsBitRate)
{
    const double seconds = 2.0;
    int accepted = 0;
    for (int rate : kSampleRates) {
        for (int kbps : kBitRates) {
            for (int channels = 1; channels <= 2; ++channels) {
                if (!AudioEncoder::mp3FormatSupported(rate, kbps, channels))
                    continue;
                ++accepted;
                LameEncoder lame;
                lame.setSampleRate(rate);
                lame.setChannels(channels);
                lame.setBitrate(kbps);
                AudioFile writer;
                writer.setMp3Encoder(lame);
                writer.setInputFormat(rate, channels);
                const QString file = path(QStringLiteral("check.mp3"));
                writer.createFile(file);
                writer.writeSamples(
                    Tones::samples(rate, channels, 0, Tones::frameCount(rate, seconds)));
                writer.closeFile();
                // Plus a header frame; the ID3 tag in front is not audio.
                const double expectedBytes = kbps * 1000.0 / 8.0 * seconds;
                EXPECT_NEAR(double(QFileInfo(file).size() - id3v2TagSize(file)), expectedBytes,
                            expectedBytes * 0.1 + 400)
                    << rate << " Hz " << kbps << " kbit/s " << channels << " ch";
            }
        }
    }
    EXPECT_EQ(accepted, 2 * (3 * 14 + 3 * 13 + 3 * 8));
}

TEST_F(AudioEncoderTest, OggCheckAgreesWithTheEncoder)
{
    int accepted = 0;
    int refused = 0;
    for (int rate : kSampleRates) {
        for (int kbps : kBitRates) {
            for (int channels = 1; channels <= 2; ++channels) {
                const bool supported =
                    AudioEncoder::oggFormatSupported(rate, channels, kbps, 128, 128);
                AudioFile writer;
                writer.setOggFormat(rate, channels, kbps, 128, 128, -1);
                writer.setInputFormat(rate, channels);
                const QString file = path(QStringLiteral("check.ogg"));
                if (!supported) {
                    ++refused;
                    EXPECT_THROW(writer.createFile(file), AudioError)
                        << rate << " Hz " << kbps << " kbit/s " << channels << " ch";
                    continue;
                }
                ++accepted;
                writer.createFile(file);
                writer.writeSamples(Tones::samples(rate, channels, 0, rate / 10));
                writer.closeFile();
                EXPECT_EQ(decode(file).frames(), rate / 10);
            }
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(refused, 0);
    EXPECT_TRUE(AudioEncoder::oggFormatSupported(44100, 2, 128, 128, 128));
    EXPECT_FALSE(AudioEncoder::oggFormatSupported(8000, 2, 320, 128, 128));
    EXPECT_FALSE(AudioEncoder::oggFormatSupported(44100, 3, 128, 128, 128));
    EXPECT_FALSE(AudioEncoder::oggFormatSupported(44100, 2, 0, 128, 128));
}

TEST_F(AudioEncoderTest, OggQualityModeTakesTheWholeRange)
{
    for (int quality : {0, 300, 1000, 5000}) {
        const QString file = path(QStringLiteral("q.ogg"));
        AudioFile writer;
        writer.setOggFormat(22050, 2, 128, 128, 128, qint16(quality));
        writer.setInputFormat(22050, 2);
        writer.createFile(file);
        writer.writeSamples(Tones::samples(22050, 2, 0, 5000));
        writer.closeFile();
        EXPECT_EQ(decode(file).frames(), 5000) << quality;
    }
}

// ---- WAV and WMA formats ---------------------------------------------------

TEST_F(AudioEncoderTest, CustomWavEightBitMono)
{
    const QString file = path(QStringLiteral("custom.wav"));
    AudioFile writer;
    writer.setWavFormat(22050, 1, 8);
    writer.setInputFormat(44100, 2);
    writer.createFile(file);
    writer.writeSamples(Tones::samples(44100, 2, 0, 44100));
    writer.closeFile();
    const Decoded decoded = decode(file);
    EXPECT_EQ(decoded.sampleRate, 22050);
    EXPECT_EQ(decoded.channels, 1);
    EXPECT_NEAR(double(decoded.frames()), 22050.0, 1.0);
    // One byte per frame after a header of a few dozen bytes.
    EXPECT_LT(QFileInfo(file).size() - decoded.frames(), 200);
}

TEST_F(AudioEncoderTest, EveryWmaProfileIsWrittenAsNamedOrRefused)
{
    for (int number = 1; number <= kWmaProfileCount; ++number) {
        const WmaProfile profile = wmaProfile(number);
        const QString file = path(QStringLiteral("p%1.wma").arg(number));
        AudioFile writer;
        writer.setWmaFormat(number);
        writer.setInputFormat(44100, 2);
        if (!writer.checkWmaFormat(number)) {
            EXPECT_THROW(writer.createFile(file), AudioError) << number;
            EXPECT_FALSE(QFileInfo::exists(file)) << number;
            continue;
        }
        writer.createFile(file);
        writer.writeSamples(Tones::samples(44100, 2, 0, 4410));
        writer.closeFile();
        const Decoded decoded = decode(file);
        EXPECT_EQ(decoded.sampleRate, profile.sampleRate) << number;
        EXPECT_EQ(decoded.channels, profile.channels) << number;
        EXPECT_GE(decoded.frames(), profile.sampleRate / 10) << number;
        EXPECT_NEAR(double(probeMedia(file).bitRate), profile.bitrate * 1000.0,
                    profile.bitrate * 10.0)
            << number;
    }
    EXPECT_FALSE(AudioFile().checkWmaFormat(0));
    EXPECT_THROW(wmaProfile(0), AudioError);
    EXPECT_THROW(wmaProfile(kWmaProfileCount + 1), AudioError);
}

// ---- The target file -------------------------------------------------------

TEST_F(AudioEncoderTest, TargetSurvivesAWriterDroppedWithoutClosing)
{
    const QString target = path(QStringLiteral("keep.mp3"));
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the old join");
    }
    {
        AudioFile writer;
        writer.setMp3Encoder(LameEncoder());
        writer.setInputFormat(44100, 2);
        writer.createFile(target);
        writer.writeSamples(Tones::samples(44100, 2, 0, 44100));
        // The new file has no name in the folder until it is complete.
        EXPECT_EQ(entriesOf(m_dir.path()), QStringList{QStringLiteral("keep.mp3")});
    }
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("the old join"));
    EXPECT_EQ(entriesOf(m_dir.path()), QStringList{QStringLiteral("keep.mp3")});
}

TEST_F(AudioEncoderTest, CloseReplacesTheTargetAndLeavesNothingElse)
{
    const QString target = path(QStringLiteral("new.wav"));
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
        file.setPermissions(QFileDevice::ReadOwner);
    }
    Tones::write(target, ToneFormat::Wav16, 8000, 1, 0.25);
    EXPECT_EQ(decode(target).frames(), 2000);
    EXPECT_EQ(entriesOf(m_dir.path()), QStringList{QStringLiteral("new.wav")});
}

TEST_F(AudioEncoderTest, TargetWithTheLongestNameIsWritten)
{
    const QString target = path(QString(251, QLatin1Char('n')) + QStringLiteral(".wav"));
    Tones::write(target, ToneFormat::Wav16, 8000, 1, 0.1);
    EXPECT_EQ(decode(target).frames(), 800);
    EXPECT_EQ(entriesOf(m_dir.path()).size(), 1);
}

TEST_F(AudioEncoderTest, UnwritableFolderRaisesAnErrorNamingTheFile)
{
    QFile plain(path(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    QStringList targets = {path(QStringLiteral("missing/out.wav")),
                           path(QStringLiteral("plain/out.wav"))};
    const QString readOnly = path(QStringLiteral("readonly"));
    QDir().mkdir(readOnly);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (geteuid() != 0)  // root writes into read-only folders anyway
        targets << readOnly + QStringLiteral("/out.wav");
    for (const QString &target : targets) {
        AudioFile writer;
        writer.setWavFormat(44100, 2, 16);
        try {
            writer.createFile(target);
            ADD_FAILURE() << "no error for " << target.toStdString();
        } catch (const AudioError &error) {
            EXPECT_NE(std::string(error.what()).find(target.toStdString()), std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(writer.isOpen());
    }
    QFile::setPermissions(readOnly,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(entriesOf(readOnly).isEmpty());
}

TEST_F(AudioEncoderTest, NoFormatSelectedCreatesNothing)
{
    AudioFile writer;
    try {
        writer.createFile(path(QStringLiteral("none.mp3")));
        ADD_FAILURE() << "no error";
    } catch (const AudioError &error) {
        EXPECT_NE(std::string(error.what()).find("no output format selected"), std::string::npos);
    }
    EXPECT_TRUE(entriesOf(m_dir.path()).isEmpty());
}

}  // namespace

TEST_F(AudioEncoderTest, RefusedInputFormatLeavesTheNextOutputAlone)
{
    const QString target = path(QStringLiteral("kept.wav"));
    {
        QFile existing(target);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write(QByteArray(4096, 'k'));
    }
    AudioFile writer;
    writer.setWavFormat(44100, 2, 16);
    EXPECT_THROW(writer.setInputFormat(1000000, 2), AudioError);
    // The refused format is not kept: the next output is made with the last good one.
    writer.createFile(target);
    EXPECT_TRUE(writer.isOpen());
    writer.closeFile();
    EXPECT_NE(QFileInfo(target).size(), 4096);
    EXPECT_THROW(writer.setInputFormat(44100, 0), AudioError);
    EXPECT_FALSE(writer.isOpen());
}

TEST_F(AudioEncoderTest, ReplacedFileKeepsItsLinkAndPermissions)
{
    const QString real = path(QStringLiteral("real.wav"));
    const QString link = path(QStringLiteral("link.wav"));
    {
        QFile existing(real);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("old");
    }
    QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::link(real, link));
    AudioFile writer;
    writer.setWavFormat(8000, 1, 16);
    writer.setInputFormat(8000, 1);
    writer.createFile(link);
    writer.writeSamples(SampleArray(800, 0.25f));
    writer.closeFile();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_GT(QFileInfo(real).size(), 800);
    // Owner, group and others only (the "user" bits describe whoever asks).
    EXPECT_EQ(QFile::permissions(real) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
}
