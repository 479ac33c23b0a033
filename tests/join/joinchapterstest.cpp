// A join's chapters as players find them: one per input, titled by the input's
// own title or its file name, starting where the input starts in the output,
// in every output format; a stopped join's, a lone input's, and none when off.

#include "join/chapterplan.h"
#include "join/joinrun.h"

#include "audio/audiofile.h"
#include "audio/audioinformation.h"
#include "audio/lameencoder.h"
#include "join/joinobserver.h"
#include "settings/valuelists.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

namespace {

using ValueLists::OutputFormatIndex;

// Whole milliseconds (ID3v2, Xiph, the MP4 chapter track), plus the rounding of
// where FFmpeg puts ASF's first frame, against which its markers are measured.
constexpr double kTolerance = 0.0011;
constexpr int kOutputRate = 44100;

struct Input {
    QString path;
    QString title;  // what its chapter must be called
    qint64 frames = 0;
    int rate = 0;
};

// Stops as the window's Stop does: false at the block (counted from 1 over all
// rows) asked for, and at every row after it.
class StoppingObserver : public JoinObserver {
public:
    explicit StoppingObserver(int stopAtBlock = -1) : m_stopAtBlock(stopAtBlock) {}
    bool rowStarts(int) override { return m_blocks < m_stopAtBlock || m_stopAtBlock < 0; }
    bool blockStarts() override { return ++m_blocks != m_stopAtBlock; }
    void blockWritten(qint64, qint64) override {}
    void rowEnds(int) override {}

private:
    int m_stopAtBlock;
    int m_blocks = 0;
};

void selectOutput(AudioFile &writer, OutputFormatIndex format)
{
    switch (format) {
    case ValueLists::kFormatMp3:
        writer.SetMp3Encoder(LameEncoder());
        return;
    case ValueLists::kFormatWav:
        writer.SetWavFormat(kOutputRate, 2, 16);
        return;
    case ValueLists::kFormatWma:
        writer.SetWmaFormat(ValueLists::kDefaultWmaProfileIndex + 1);
        return;
    case ValueLists::kFormatOgg:
        writer.SetOggFormat(kOutputRate, 2, 128, 128, 128, -1);
        return;
    case ValueLists::kFormatFlac:
        writer.SetFlacFormat(kOutputRate, 2, 16, 5);
        return;
    case ValueLists::kFormatM4b:
        writer.SetM4bFormat(kOutputRate, 2, 128);
        return;
    }
}

// Frames FFmpeg decodes past the audio: WMA fills its last frame up with
// silence; M4B's last AAC frame is decoded whole, past the edit list.
qint64 trailingPadding(OutputFormatIndex format)
{
    switch (format) {
    case ValueLists::kFormatWma:
        return qint64(2) * 2048;
    case ValueLists::kFormatM4b:
        return 1024;
    default:
        return 0;
    }
}

class JoinChaptersTest : public testing::Test {
protected:
    Input input(const QString &name, ToneFormat format, int rate, int channels, double seconds,
                const QString &title = {})
    {
        Input in;
        in.path = Tones::write(m_dir.filePath(name), format, rate, channels, seconds);
        in.title = QFileInfo(name).completeBaseName();
        if (!title.isEmpty()) {
            Tones::setTitle(in.path, title);
            in.title = title;
        }
        AudioFile probe;
        probe.OpenFile(in.path, 0, 1);
        in.frames = probe.SampleCount();
        in.rate = probe.SampleRate();
        return in;
    }

    // Joins as the window does, with the admitted lengths; gives the output.
    QString join(const QList<Input> &inputs, OutputFormatIndex format, int stopAtBlock = -1,
                 bool chapters = true)
    {
        QString output =
            m_dir.filePath(QStringLiteral("joined") + ValueLists::outputFormatExtensions()[format]);
        JoinJob job;
        for (const Input &in : inputs) {
            job.inputs << in.path;
            job.admittedLengths.append({in.frames, in.rate});
            job.totalFrames += in.frames;
        }
        job.outputPath = output;
        job.chapters = chapters;
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        selectOutput(writer, format);
        StoppingObserver observer(stopAtBlock);
        JoinRun(reader, writer, information).run(job, observer);
        return output;
    }

    // The chapters start where the lengths before them add up to, each ends
    // where the next starts, the last at end (seconds of audio).
    static void expectChapters(const MediaInfo &info, const QList<Input> &inputs, double end)
    {
        const double origin = info.container == QLatin1String("asf") ? info.firstFrameTime : 0.0;
        ASSERT_EQ(info.chapters.size(), inputs.size()) << info.container.toStdString();
        double start = 0;
        for (qsizetype i = 0; i < inputs.size(); ++i) {
            EXPECT_EQ(info.chapters[i].title, inputs[i].title) << "chapter " << i;
            EXPECT_NEAR(info.chapters[i].start, origin + start, kTolerance) << "chapter " << i;
            start += double(inputs[i].frames) / inputs[i].rate;
        }
        // ASF has no chapter ends: FFmpeg ends the last marker where the stream ends.
        if (info.container != QLatin1String("asf")) {
            EXPECT_NEAR(info.chapters.last().end, end, kTolerance);
        }
    }

    QTemporaryDir m_dir;
};

class JoinChapterFormats : public JoinChaptersTest,
                           public testing::WithParamInterface<OutputFormatIndex> {};

// One input of each format the list takes (rates that make the output resample
// most of them), one with a title tag of its own.
TEST_P(JoinChapterFormats, EightInputFormatsJoinWholeWithAChapterEach)
{
    const QList<Input> inputs = {
        input("one.mp3", ToneFormat::Mp3, 44100, 2, 1.0),
        input("two.wav", ToneFormat::Wav16, 22050, 1, 0.7),
        input("three.wma", ToneFormat::Wma, 32000, 2, 0.8),
        input("four.ogg", ToneFormat::Ogg, 48000, 2, 0.6),
        input("five.flac", ToneFormat::Flac, 44100, 1, 0.5, QStringLiteral("Fünf, tagged")),
        input("six.opus", ToneFormat::Opus, 48000, 2, 0.9),
        input("seven.m4a", ToneFormat::M4a, 44100, 2, 0.75),
        input("part.eight.aiff", ToneFormat::Aiff, 16000, 1, 0.4)};
    const MediaInfo info = probeMedia(join(inputs, GetParam()));

    ASSERT_EQ(info.sampleRate, kOutputRate);
    qint64 expected = 0;
    double seconds = 0;
    for (const Input &in : inputs) {
        expected += std::llround(double(in.frames) * kOutputRate / in.rate);
        seconds += double(in.frames) / in.rate;
    }
    // Each resampled input may come out a frame longer or shorter.
    EXPECT_GE(info.decodedFrames, expected - inputs.size()) << "expected " << expected;
    EXPECT_LE(info.decodedFrames, expected + inputs.size() + trailingPadding(GetParam()))
        << "expected " << expected;
    expectChapters(info, inputs, seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, JoinChapterFormats,
    testing::Values(ValueLists::kFormatMp3, ValueLists::kFormatOgg, ValueLists::kFormatWav,
                    ValueLists::kFormatWma, ValueLists::kFormatFlac, ValueLists::kFormatM4b),
    [](const testing::TestParamInfo<OutputFormatIndex> &format) {
        return ValueLists::outputFormatExtensions()[format.param].mid(1).toStdString();
    });

class JoinChapterStops : public JoinChaptersTest,
                         public testing::WithParamInterface<OutputFormatIndex> {};

// Rows of three blocks (4 s each for mono), stopped at the second block of the
// second row: its chapter ends where the output ends, the third row has none.
TEST_P(JoinChapterStops, AStoppedJoinHasTheChaptersOfWhatItWrote)
{
    const QList<Input> inputs = {input("a.wav", ToneFormat::Wav16, 8000, 1, 10.0),
                                 input("b.wav", ToneFormat::Wav16, 8000, 1, 10.0),
                                 input("c.wav", ToneFormat::Wav16, 8000, 1, 10.0)};
    const MediaInfo info = probeMedia(join(inputs, GetParam(), 5));
    expectChapters(info, inputs.mid(0, 2), 14.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinChapterStops,
                         testing::Values(ValueLists::kFormatWav, ValueLists::kFormatM4b));

TEST_F(JoinChaptersTest, ALoneInputOrChaptersTurnedOffGiveNoChapterList)
{
    const Input a = input("a.wav", ToneFormat::Wav16, 8000, 1, 1.0);
    const Input b = input("b.wav", ToneFormat::Wav16, 8000, 1, 1.0);
    EXPECT_TRUE(probeMedia(join({a}, ValueLists::kFormatMp3)).chapters.isEmpty());
    EXPECT_TRUE(probeMedia(join({a, b}, ValueLists::kFormatMp3, -1, false)).chapters.isEmpty());
    EXPECT_EQ(probeMedia(join({a, b}, ValueLists::kFormatMp3)).chapters.size(), 2);
}

// Rounding each input's length to the output's rate would add up; rounding
// the running time never strays by more than half a frame.
TEST(ChapterPlanTest, StartsFollowTheRunningTimeOfMixedRates)
{
    QStringList inputs;
    QList<AdmittedLength> lengths;
    for (int i = 0; i < 12; ++i) {
        inputs << QStringLiteral("/nowhere/%1.wav").arg(i);
        lengths.append({1, i % 2 == 0 ? 44100 : 22050});
    }
    ChapterPlan plan(inputs);
    const ChapterList planned = plan.planned(lengths, 48000);
    ASSERT_EQ(planned.size(), inputs.size());
    double seconds = 0;
    for (qsizetype i = 0; i < planned.size(); ++i) {
        EXPECT_EQ(planned[i].title, QString::number(i));
        EXPECT_EQ(planned[i].startFrame, std::llround(seconds * 48000)) << "chapter " << i;
        seconds += 1.0 / lengths[i].sampleRate;
        EXPECT_EQ(planned[i].endFrame, std::llround(seconds * 48000)) << "chapter " << i;
    }

    // Written as planned, the join's list is the planned one.
    for (qsizetype i = 0; i < lengths.size(); ++i) {
        plan.rowStarts(int(i), lengths[i].sampleRate);
        plan.framesWritten(lengths[i].frames);
    }
    EXPECT_EQ(plan.written(48000), planned);
}

}  // namespace
