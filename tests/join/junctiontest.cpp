// Pauses and crossfades between the joined inputs, as a player reads the
// output back: the frames they add or take away, the silence and the
// equal-power fades in a WAV output, where the chapters begin, and a stop.

#include "join/joinrun.h"

#include "audio/audiofile.h"
#include "audio/tags/audioinformation.h"
#include "join/joinobserver.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>

namespace {

constexpr int kRate = 8000;
constexpr double kFullScale = 32768.0;

class CountingObserver : public JoinObserver {
public:
    bool rowStarts(int row) override { return row != stopAtRow; }
    bool blockStarts() override { return true; }
    void blockWritten(qint64 processed, qint64 total) override
    {
        percent = JoinRun::progressPercent(processed, total);
    }
    void rowEnds(int) override {}
    void rowMeasuring(int) override {}
    void rowMeasured(int) override {}
    void measured(qint64, qint64) override {}
    bool measuringGoesOn() override { return true; }

    int stopAtRow = -1;
    int percent = 0;
};

struct Joined {
    MediaInfo info;
    QList<double> samples;  // of a mono output, in full scale
    int percent = 0;
};

class JunctionTest : public testing::Test {
protected:
    // A mono WAV input of constant level, at the output's rate.
    QString level(const QString &name, double seconds, float value)
    {
        QString path = dir.filePath(name);
        AudioFile writer;
        writer.setWavFormat(kRate, 1, 16);
        writer.createFile(path);
        writer.setInputFormat(kRate, 1);
        writer.writeSamples(SampleArray(std::size_t(Tones::frameCount(kRate, seconds)), value));
        writer.closeFile();
        return path;
    }

    Joined join(const QStringList &inputs, int pause, int crossfade, int outputRate = kRate,
                bool readAhead = true, int stopAtRow = -1)
    {
        JoinJob job;
        job.inputs = inputs;
        for (const QString &input : inputs) {
            AudioFile probe;
            probe.openFile(input, 0, 1);
            job.totalFrames += probe.sampleCount();
            job.admittedLengths.append({probe.sampleCount(), probe.sampleRate()});
        }
        job.outputPath = dir.filePath(QStringLiteral("joined.wav"));
        job.readAhead = readAhead;
        job.pauseMilliseconds = pause;
        job.crossfadeMilliseconds = crossfade;
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        writer.setWavFormat(outputRate, 1, 16);
        CountingObserver observer;
        observer.stopAtRow = stopAtRow;
        JoinRun(reader, writer, information).run(job, observer);
        Joined joined{probeMedia(job.outputPath), {}, observer.percent};
        const QByteArray pcm = decodePcm(job.outputPath);
        for (qsizetype at = 0; at + 1 < pcm.size(); at += 2)
            joined.samples << qFromLittleEndian<qint16>(pcm.constData() + at) / kFullScale;
        return joined;
    }

    QTemporaryDir dir;
};

TEST_F(JunctionTest, APauseAddsExactSilenceBetweenInputsAndTheChaptersStartAfterIt)
{
    // Inputs of other rates, so that the pause is counted at the output's.
    const QStringList inputs = {
        Tones::write(dir.filePath("a.wav"), ToneFormat::Wav16, 22050, 1, 1.0),
        Tones::write(dir.filePath("b.wav"), ToneFormat::Wav16, 11025, 2, 0.6),
        Tones::write(dir.filePath("c.wav"), ToneFormat::Wav16, 44100, 1, 0.4)};
    constexpr int kOutputRate = 44100;
    constexpr int kPause = 250;
    const qint64 pause = qint64(kPause) * kOutputRate / 1000;
    const qint64 a = Tones::frameCount(kOutputRate, 1.0);
    const qint64 b = Tones::frameCount(kOutputRate, 0.6);
    const qint64 c = Tones::frameCount(kOutputRate, 0.4);
    for (const bool readAhead : {true, false}) {
        const Joined joined = join(inputs, kPause, 0, kOutputRate, readAhead);
        EXPECT_EQ(joined.info.decodedFrames, a + b + c + 2 * pause);
        EXPECT_EQ(joined.percent, 100);
        for (const qint64 gap : {a, a + pause + b}) {
            const QList<double> silence = joined.samples.mid(gap, pause);
            EXPECT_EQ(silence.count(0.0), pause) << "the pause after frame " << gap;
            EXPECT_NE(joined.samples.mid(gap + pause, 100).count(0.0), 100);
        }
        ASSERT_EQ(joined.info.chapters.size(), 3);
        EXPECT_NEAR(joined.info.chapters[1].start, double(a + pause) / kOutputRate, 1e-4);
        EXPECT_NEAR(joined.info.chapters[2].start, double(a + b + 2 * pause) / kOutputRate, 1e-4);
    }
}

// A loud input, a silent one and a loud one: the first junction shows the
// fade-out alone, the second the fade-in alone.
TEST_F(JunctionTest, ACrossfadeOverlapsTheInputsWithEvenPower)
{
    constexpr float kLevel = 0.5f;
    constexpr int kCrossfade = 100;
    const qint64 overlap = qint64(kCrossfade) * kRate / 1000;
    const qint64 a = Tones::frameCount(kRate, 1.0);
    const qint64 b = Tones::frameCount(kRate, 0.5);
    const QStringList inputs = {level("a.wav", 1.0, kLevel), level("b.wav", 0.5, 0.0f),
                                level("c.wav", 1.0, kLevel)};
    const Joined joined = join(inputs, 0, kCrossfade);
    EXPECT_EQ(joined.info.decodedFrames, 2 * a + b - 2 * overlap);
    EXPECT_EQ(joined.percent, 100);
    // A quarter into each overlap, where a straight line would give 0.75 and 0.25.
    const double fadingOut = joined.samples.at(a - overlap + overlap / 4) / kLevel;
    const double fadingIn = joined.samples.at(a + b - 2 * overlap + overlap / 4) / kLevel;
    EXPECT_NEAR(fadingOut * fadingOut + fadingIn * fadingIn, 1.0, 0.01);
    EXPECT_GT(fadingOut, fadingIn);
    // Chapters begin in the middle of each overlap.
    ASSERT_EQ(joined.info.chapters.size(), 3);
    const qint64 half = overlap / 2;
    EXPECT_NEAR(joined.info.chapters[1].start, double(a - half) / kRate, 1e-3);
    EXPECT_NEAR(joined.info.chapters[2].start, double(a + b - overlap - half) / kRate, 1e-3);
}

TEST_F(JunctionTest, AnInputShorterThanTheCrossfadeIsFadedOverItsWholeLength)
{
    constexpr int kCrossfade = 100;
    const qint64 a = Tones::frameCount(kRate, 1.0);
    const qint64 shortInput = Tones::frameCount(kRate, 0.04);
    const QStringList inputs = {level("a.wav", 1.0, 0.5f), level("b.wav", 0.04, 0.5f),
                                level("c.wav", 1.0, 0.5f)};
    // Both junctions overlap by the short input's length. Its chapter runs from
    // the middle of its fade-in to the end of its audio.
    const Joined joined = join(inputs, 0, kCrossfade);
    EXPECT_EQ(joined.info.decodedFrames, 2 * a + shortInput - 2 * shortInput);
    ASSERT_EQ(joined.info.chapters.size(), 3);
    EXPECT_NEAR(joined.info.chapters[1].start, double(a - shortInput / 2) / kRate, 1e-4);
    EXPECT_NEAR(joined.info.chapters[2].start, double(a) / kRate, 1e-4);
    // First or last, it overlaps its neighbour by its own length.
    EXPECT_EQ(join(inputs.mid(1), 0, kCrossfade).info.decodedFrames, a);
    EXPECT_EQ(join(inputs.mid(0, 2), 0, kCrossfade).info.decodedFrames, a);
}

TEST_F(JunctionTest, AJoinStoppedBeforeTheNextInputKeepsTheHeldEnd)
{
    constexpr int kCrossfade = 300;
    const qint64 overlap = qint64(kCrossfade) * kRate / 1000;
    const qint64 a = Tones::frameCount(kRate, 1.0);
    const QStringList inputs = {level("a.wav", 1.0, 0.5f), level("b.wav", 1.0, 0.5f),
                                level("c.wav", 1.0, 0.5f)};
    for (const bool readAhead : {true, false}) {
        const Joined joined = join(inputs, 0, kCrossfade, kRate, readAhead, 2);
        EXPECT_EQ(joined.info.decodedFrames, 2 * a - overlap);
        ASSERT_EQ(joined.info.chapters.size(), 2);
        EXPECT_NEAR(joined.info.chapters[1].end, double(2 * a - overlap) / kRate, 1e-3);
    }
}

}  // namespace
