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
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <numbers>
#include <optional>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;

// Two steady tones and a slow sweep: every junction falls on sound.
float signalAt(qint64 frame, int channel)
{
    const double t = double(frame) / kRate;
    const double sweep = 200.0 * t + 150.0 * t * t;
    return float(0.25 * std::sin(2 * std::numbers::pi * (channel ? 660.0 : 440.0) * t)
                 + 0.2 * std::sin(2 * std::numbers::pi * 1000.0 * t)
                 + 0.2 * std::sin(2 * std::numbers::pi * sweep));
}

SampleArray signal(qint64 first, qint64 count)
{
    SampleArray samples(std::size_t(count * kChannels));
    for (qint64 i = 0; i < count; ++i)
        for (int c = 0; c < kChannels; ++c)
            samples[std::size_t(i * kChannels + c)] = signalAt(first + i, c);
    return samples;
}

SampleArray decodeAll(const QString &path)
{
    AudioFile reader;
    reader.openFile(path, 0, 1);
    SampleArray audio;
    for (SampleArray block; !(block = reader.readSamples(1 << 16)).empty();)
        audio.insert(audio.end(), block.begin(), block.end());
    return audio;
}

// The error between a stretch of the output and the original signal shifted
// by `shift` frames.
double mismatch(const SampleArray &out, qint64 from, qint64 count, qint64 original)
{
    const SampleArray expected = signal(original, count);
    double sum = 0;
    for (qint64 i = 0; i < count * kChannels; ++i) {
        const double d = double(out[std::size_t(from * kChannels + i)]) - expected[std::size_t(i)];
        sum += d * d;
    }
    return sum;
}

// Where in the original a stretch of the output lies: within a junction's
// frames, the audio runs up to half a frame early or late.
qint64 matchingFrame(const SampleArray &out, qint64 from, qint64 count, qint64 guess)
{
    constexpr qint64 kFarthest = 700;
    qint64 best = guess;
    double least = -1;
    for (qint64 at = guess - kFarthest; at <= guess + kFarthest; ++at) {
        const double error = mismatch(out, from, count, at);
        if (least < 0 || error < least) {
            least = error;
            best = at;
        }
    }
    return best;
}

double rms(const SampleArray &samples, qint64 from, qint64 count)
{
    double sum = 0;
    for (qint64 i = from * kChannels; i < (from + count) * kChannels; ++i)
        sum += double(samples[std::size_t(i)]) * samples[std::size_t(i)];
    return std::sqrt(sum / double(count * kChannels));
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
        AudioFile file;
        file.setMp3Encoder(lame);
        file.createFile(path);
        file.setInputFormat(kRate, kChannels);
        SampleArray samples = signal(from, count);
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

TEST_F(Mp3CopyJoinTest, PiecesOfOneSignalJoinBackWithoutAGap)
{
    LameEncoder vbr = cbr();
    vbr.setConstantBitrate(false);
    vbr.setVbrQuality(2);
    vbr.setVbrBitrate(320);
    for (const LameEncoder &lame : {cbr(), vbr}) {
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

        // The length: each junction may lose or gain less than half a frame.
        const SampleArray out = decodeAll(joined.outputPath);
        const qint64 frames = qint64(out.size()) / kChannels;
        EXPECT_LE(std::abs(frames - cuts.last()), 5 * 576);
        const MediaInfo info = probeMedia(joined.outputPath);
        EXPECT_EQ(info.decodedFrames, frames);

        // Every 2 ms window around each junction keeps the signal's level,
        // found where the chapter says the piece starts.
        ASSERT_EQ(info.chapters.size(), 6);
        for (int j = 1; j < 6; ++j) {
            const auto at = qint64(std::llround(info.chapters[j].start * kRate));
            EXPECT_LE(std::abs(at - cuts[j]), 5 * 576);
            constexpr qint64 kWindow = kRate / 500;
            for (qint64 w = at - kRate / 20; w < at + kRate / 20; w += kWindow) {
                qint64 there = cuts[j] + (w - at);
                if (std::abs(20
                             * std::log10(rms(out, w, kWindow)
                                          / rms(signal(there, kWindow), 0, kWindow)))
                    > 3.0)
                    there = matchingFrame(out, w, kWindow, there);
                const double original = rms(signal(there, kWindow), 0, kWindow);
                const double joinedLevel = rms(out, w, kWindow);
                EXPECT_NEAR(20 * std::log10(joinedLevel / original), 0.0, 3.0)
                    << "junction " << j << " at " << (w - at);
            }
        }

        // Away from the junctions every frame is the input's own.
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

TEST_F(Mp3CopyJoinTest, EncodesWhatCannotBeCopiedMatchesLoudnessPausesAndStops)
{
    const qint64 second = kRate;
    const QStringList inputs{piece("quiet.mp3", 0, 3 * second, cbr(), -30.0),
                             LoudnessProbe::writeWav(dir.filePath("middle.wav"), kRate, kChannels,
                                                     LoudnessProbe::atLoudness(
                                                         signal(0, second), kRate, kChannels, -18)),
                             Tones::write(dir.filePath("low.mp3"), ToneFormat::Mp3, 22050, 1, 1.0),
                             piece("loud.mp3", 5 * second, 3 * second, cbr(), -14.0)};
    JoinJob joined = job(inputs, "matched.mp3");
    joined.loudnessTarget = -20.0;
    joined.pauseMilliseconds = 300;
    StopAt observer;
    run(joined, observer);
    EXPECT_EQ(joinRun.copiedRows(), 2);
    EXPECT_EQ(joinRun.encodedRows(), 2);
    EXPECT_EQ(observer.copying, QList<int>({0, 3}));

    const MediaInfo info = probeMedia(joined.outputPath);
    ASSERT_EQ(info.chapters.size(), 4);
    const SampleArray out = decodeAll(joined.outputPath);
    const auto frameAt = [](double seconds) { return qint64(std::llround(seconds * kRate)); };
    // The copied inputs come to the target in their frames' own gain steps.
    for (const int row : {0, 3}) {
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
