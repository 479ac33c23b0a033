// Joins that copy MP3 frames: a continuous signal cut into pieces at
// arbitrary samples, each piece encoded on its own by LAME, is joined back
// without a gap or a dip at any junction, its frames copied byte for byte away
// from the junctions, its length and header right for FFmpeg, its chapters
// where each piece's audio starts; and with loudness gains, pauses, inputs
// that must be encoded, and a stop.

#include "join/joinrun.h"

#include "audio/audiofile.h"
#include "audio/copy/mp3fileindex.h"
#include "audio/core/lameencoder.h"
#include "audio/tags/audioinformation.h"
#include "join/joinobserver.h"
#include "support/loudnessprobe.h"
#include "support/mediaprobe.h"
#include "support/readback.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <numbers>
#include <optional>

namespace {

struct Shape {
    int rate = 44100;
    int channels = 2;
};
constexpr Shape kCd;
constexpr int kRate = kCd.rate;
constexpr int kChannels = kCd.channels;

// A steady tone on the left, a rising sweep on the right (a mono stream has
// the sweep): sound at every junction, and over any 2 ms the same level.
constexpr double kAmplitude = 0.4;

float signalAt(qint64 frame, int channel, int channels, int rate)
{
    const double t = double(frame) / rate;
    const double phase = channel == 0 && channels == 2 ? 997.0 * t : 500.0 * t + 150.0 * t * t;
    return float(kAmplitude * std::sin(2 * std::numbers::pi * phase));
}

SampleArray signal(qint64 first, qint64 count, Shape shape = kCd)
{
    SampleArray samples(std::size_t(count * shape.channels));
    for (qint64 i = 0; i < count; ++i)
        for (int c = 0; c < shape.channels; ++c)
            samples[std::size_t(i * shape.channels + c)] =
                signalAt(first + i, c, shape.channels, shape.rate);
    return samples;
}

// How far below the original signal there the rest of a stretch of the
// output lies, in dB, once the signal is taken out at its level in the output.
double signalToError(const SampleArray &out, qint64 from, qint64 count, Shape shape)
{
    const SampleArray expected = signal(from, count, shape);
    double both = 0;
    double wanted = 0;
    double got = 0;
    for (qint64 i = 0; i < count * shape.channels; ++i) {
        const double x = expected[std::size_t(i)];
        const double y = out[std::size_t(from * shape.channels + i)];
        both += x * y;
        wanted += x * x;
        got += y * y;
    }
    const double gain = both / wanted;
    const double signal = gain * gain * wanted;
    return 10 * std::log10(signal / (got - signal));
}

double rms(const SampleArray &samples, qint64 from, qint64 count, int channels = kChannels)
{
    double sum = 0;
    for (qint64 i = from * channels; i < (from + count) * channels; ++i)
        sum += double(samples[std::size_t(i)]) * samples[std::size_t(i)];
    return std::sqrt(sum / double(count * channels));
}

class StopAt : public JoinObserver {
public:
    bool rowStarts(int row) override { return row != stopAtRow; }
    void rowCopying(int row) override { copying << row; }
    bool blockStarts() override { return ++blocks != stopAtBlock; }
    void blockWritten(qint64, qint64) override {}
    void rowEnds(int) override {}
    void rowMeasuring(int) override {}
    void rowMeasured(int) override {}
    void measured(qint64, qint64) override {}
    bool measuringGoesOn() override { return true; }

    int stopAtRow = -1;
    int stopAtBlock = -1;
    int blocks = 0;
    QList<int> copying;
};

class Mp3CopyJoinTest : public testing::Test {
protected:
    // The signal from frame `from`, `count` frames, as an MP3 of its own.
    QString piece(const QString &name, qint64 from, qint64 count, const LameEncoder &lame,
                  std::optional<double> lufs = std::nullopt)
    {
        const QString path = dir.filePath(name);
        const Shape shape{lame.sampleRate(), lame.channels()};
        AudioFile file;
        file.setMp3Encoder(lame);
        file.createFile(path);
        file.setInputFormat(shape.rate, shape.channels);
        SampleArray samples = signal(from, count, shape);
        if (lufs)
            samples = LoudnessProbe::atLoudness(samples, kRate, kChannels, *lufs);
        file.writeSamples(samples);
        file.closeFile();
        return path;
    }

    static LameEncoder cbr()
    {
        LameEncoder lame;
        lame.setBitrate(128);
        return lame;
    }

    JoinJob job(const QStringList &inputs, const QString &output)
    {
        JoinJob job;
        job.inputs = inputs;
        job.outputPath = dir.filePath(output);
        job.copy = true;
        job.chapters = true;
        for (const QString &input : inputs) {
            AudioFile file;
            file.openFile(input, 0, 1);
            job.admittedLengths.append({file.sampleCount(), file.sampleRate()});
            job.totalFrames += file.sampleCount();
        }
        return job;
    }

    JoinRun &run(const JoinJob &job, JoinObserver &observer)
    {
        writer.setMp3Encoder(cbr());
        joinRun.run(job, observer);
        return joinRun;
    }

    QTemporaryDir dir;
    AudioFile reader;
    AudioFile writer;
    AudioInformation information;
    JoinRun joinRun{reader, writer, information};
};

// Cut where the frames' grid fits (every piece a whole number of frames
// long), the junctions' frames carry exactly the audio that belongs there: the
// output is the signal, sample for sample, as closely as MP3 keeps it; no
// frame lost or repeated, none decoded without the bytes it reaches back for.
TEST_F(Mp3CopyJoinTest, JunctionsOnTheGridCarryTheSignalInPlace)
{
    const QList<qint64> cuts{0, 40 * 1152, 95 * 1152, 130 * 1152};
    QStringList inputs;
    for (int i = 0; i + 1 < cuts.size(); ++i)
        inputs << piece(QString("p%1.mp3").arg(i), cuts[i], cuts[i + 1] - cuts[i], cbr());
    StopAt observer;
    const JoinJob joined = job(inputs, "joined.mp3");
    run(joined, observer);
    ASSERT_EQ(joinRun.copiedRows(), 3);
    const SampleArray out = readBack(joined.outputPath);
    ASSERT_EQ(qint64(out.size()) / kChannels, cuts.last());
    const qint64 window = kRate / 500;
    for (int j = 1; j + 1 < cuts.size(); ++j)
        for (qint64 w = cuts[j] - kRate / 10; w < cuts[j] + kRate / 10; w += window)
            EXPECT_GT(signalToError(out, w, window, kCd), 10.0)
                << "junction " << j << " at " << (w - cuts[j]);
}

// Cut anywhere, CBR and VBR, MPEG-1 and MPEG-2: no gap or dip at any
// junction, the length and chapters off by less than half a frame a junction,
// the header's length FFmpeg's, and every frame away from the junctions the
// input's own.
TEST_F(Mp3CopyJoinTest, PiecesCutAnywhereJoinWithoutAGap)
{
    LameEncoder vbr = cbr();
    vbr.setConstantBitrate(false);
    vbr.setVbrQuality(2);
    vbr.setVbrBitrate(320);
    LameEncoder lowRateMono = cbr();
    lowRateMono.setSampleRate(22050);
    lowRateMono.setChannels(1);
    lowRateMono.setBitrate(48);
    for (const LameEncoder &lame : {cbr(), vbr, lowRateMono}) {
        const Shape shape{lame.sampleRate(), lame.channels()};
        const qint64 halfFrame = shape.rate < 32000 ? 288 : 576;
        const QList<qint64> cuts{0, 70001, 133333, 201111, 260000, 331234, 400000};
        QStringList inputs;
        for (int i = 0; i + 1 < cuts.size(); ++i)
            inputs << piece(QString("p%1.mp3").arg(i), cuts[i], cuts[i + 1] - cuts[i], lame);
        StopAt observer;
        const JoinJob joined = job(inputs, "joined.mp3");
        run(joined, observer);
        ASSERT_EQ(joinRun.copiedRows(), 6);
        EXPECT_EQ(joinRun.encodedRows(), 0);
        EXPECT_EQ(observer.copying, QList<int>({0, 1, 2, 3, 4, 5}));

        const SampleArray out = readBack(joined.outputPath);
        const qint64 frames = qint64(out.size()) / shape.channels;
        EXPECT_LE(std::abs(frames - cuts.last()), 5 * halfFrame);
        const MediaInfo info = probeMedia(joined.outputPath);
        EXPECT_EQ(info.decodedFrames, frames);
        ASSERT_EQ(info.chapters.size(), 6);
        const double level = rms(signal(0, shape.rate, shape), 0, shape.rate, shape.channels);
        const qint64 window = shape.rate / 500;
        for (int j = 1; j < 6; ++j) {
            const auto at = qint64(std::llround(info.chapters[j].start * shape.rate));
            EXPECT_LE(std::abs(at - cuts[j]), 5 * halfFrame);
            for (qint64 w = at - shape.rate / 20; w < at + shape.rate / 20; w += window)
                EXPECT_NEAR(20 * std::log10(rms(out, w, window, shape.channels) / level), 0.0, 3.0)
                    << "junction " << j << " at " << (w - at);
        }

        QFile file(joined.outputPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (const QString &input : inputs) {
            const Mp3FileIndex index(input);
            qint64 found = 0;
            for (qint64 f = 0; f < index.frameCount(); ++f) {
                const auto &frame = index.frames()[std::size_t(f)];
                const QByteArray own(reinterpret_cast<const char *>(index.frameData(f)),
                                     frame.bytes);
                found += bytes.contains(own) ? 1 : 0;
            }
            EXPECT_GE(found, index.frameCount() - 40) << input.toStdString();
        }
    }
}

// LAME marks its header frame as protected by a CRC when its frames are, but
// writes the header where an unprotected frame has it; so does FFmpeg read it.
TEST_F(Mp3CopyJoinTest, AHeaderFrameMarkedProtectedIsTheHeaderStill)
{
    const QString path = piece("marked.mp3", 0, kRate, cbr());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype header = bytes.indexOf("Info") - 36;
    ASSERT_GT(header, 0);
    bytes[header + 1] = char(bytes[header + 1] & ~1);
    ASSERT_TRUE(file.seek(0) && file.write(bytes) == bytes.size());
    file.close();
    const Mp3FileIndex index(path);
    EXPECT_TRUE(index.copyable()) << index.refusal().toStdString();
    EXPECT_EQ(index.signalLength(), kRate);
}

TEST_F(Mp3CopyJoinTest, EncodesWhatCannotBeCopiedMatchesLoudnessPausesAndStops)
{
    const qint64 second = kRate;
    const SampleArray first = LoudnessProbe::atLoudness(signal(0, second), kRate, kChannels, -18);
    const QStringList inputs{
        LoudnessProbe::writeWav(dir.filePath("first.wav"), kRate, kChannels, first),
        piece("quiet.mp3", 0, 3 * second, cbr(), -30.0),
        Tones::write(dir.filePath("low.mp3"), ToneFormat::Mp3, 22050, 1, 1.0),
        piece("loud.mp3", 5 * second, 3 * second, cbr(), -14.0)};
    JoinJob joined = job(inputs, "matched.mp3");
    joined.loudnessTarget = -20.0;
    joined.pauseMilliseconds = 300;
    StopAt observer;
    run(joined, observer);
    EXPECT_EQ(joinRun.copiedRows(), 2);
    EXPECT_EQ(joinRun.encodedRows(), 2);
    EXPECT_EQ(observer.copying, QList<int>({1, 3}));

    const MediaInfo info = probeMedia(joined.outputPath);
    ASSERT_EQ(info.chapters.size(), 4);
    const SampleArray out = readBack(joined.outputPath);
    const auto frameAt = [](double seconds) { return qint64(std::llround(seconds * kRate)); };
    // Encoded at the start of the stream, the first input starts at its first sample.
    const qint64 window = kRate / 500;
    for (qint64 w = 0; w < kRate / 10; w += window)
        EXPECT_GT(signalToError(out, w, window, kCd), 10.0) << w;
    // The copied inputs come to the target in their frames' own gain steps.
    for (const int row : {1, 3}) {
        const qint64 from = frameAt(info.chapters[row].start) + second / 10;
        const qint64 to = frameAt(info.chapters[row].end) - second / 2;
        const auto part = LoudnessProbe::part(out, kChannels, from, to - from);
        EXPECT_NEAR(LoudnessProbe::measure(part, kRate, kChannels).integrated, -20.0, 0.75) << row;
    }
    // Each pause is silence, before each input's chapter.
    for (int row = 1; row < 4; ++row) {
        const qint64 start = frameAt(info.chapters[row].start);
        EXPECT_LT(rms(out, start - second / 4, second / 5), 0.003) << row;
    }

    // A stop in the last input's frames leaves a complete, shorter file.
    StopAt stopping;
    stopping.stopAtBlock = observer.blocks;
    run(joined, stopping);
    EXPECT_TRUE(joinRun.stopped());
    const MediaInfo stopped = probeMedia(joined.outputPath);
    EXPECT_EQ(stopped.chapters.size(), 4);
    EXPECT_LT(stopped.decodedFrames, info.decodedFrames);
    EXPECT_GT(stopped.decodedFrames, qint64(info.chapters[3].start * kRate));

    // Unless the stopped output is not to be kept: then nothing is left.
    joined.keepStoppedOutput = false;
    joined.outputPath = dir.filePath("dropped.mp3");
    StopAt dropping;
    dropping.stopAtBlock = 3;
    run(joined, dropping);
    EXPECT_FALSE(QFile::exists(joined.outputPath));
}

}  // namespace
