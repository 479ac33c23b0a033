// The join engine without a window: decoding ahead on threads of its own
// writes what decoding in turn writes, tells the observer the same things in
// the same order on the calling thread, and stops, fails and ends rows as it
// does, leaving no thread behind. Its chapters as players find them: one per
// input in every output format, a stopped join's, a lone input's, none when off.
// Matching loudness measures the inputs first, on threads of its own, and
// writes each at one gain.

#include "join/joinrun.h"

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/lameencoder.h"
#include "audio/core/outputformats.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/tagreader.h"
#include "audio/tags/tagvalues.h"
#include "join/blockqueue.h"
#include "join/decodeworker.h"
#include "join/joinobserver.h"
#include "join/loudnesspass.h"
#include "settings/valuelists.h"
#include "support/loudnessprobe.h"
#include "support/mediaprobe.h"
#include "support/readback.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTime>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

using Format = OutputFormat::Kind;

// What a join left: what the observer saw, in order, the error's text, the
// output's bytes and its audio read back.
struct JoinResult {
    QString path;
    bool tagsStored = false;
    QStringList events;
    QString error;
    QByteArray bytes;
    SampleArray audio;
};

int threadsNamed(const char *name)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    int count = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            ++count;
    }
    return count;
}

int decoderThreads()
{
    return threadsNamed(DecodeWorker::kThreadName);
}

// An exited thread may stay listed for a moment after it was joined.
bool noDecoderThreadLeft()
{
    const auto left = [] { return decoderThreads() + threadsNamed(LoudnessPass::kThreadName); };
    for (int tries = 0; tries < 1000 && left() > 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return left() == 0;
}

// Records every call, marking those not made on the thread that made it, and
// answers false at the row and the block (counted from 1 over all rows) asked for.
class RecordingObserver : public JoinObserver {
public:
    bool rowStarts(int row) override
    {
        return record(QString("row %1").arg(row), row != stopAtRow);
    }
    bool blockStarts() override
    {
        if (++m_blocks == 1)
            decodersAtFirstBlock = decoderThreads();
        if (atBlock)
            atBlock(m_blocks);
        return record("block", m_blocks != stopAtBlock);
    }
    void blockWritten(qint64 processed, qint64 total) override
    {
        record(QString("written %1/%2").arg(processed).arg(total));
    }
    void rowEnds(int row) override
    {
        if (atRowEnd)
            atRowEnd(row);
        record(QString("end %1").arg(row));
    }

    // Two threads measure at once, so the order of these varies: kept apart.
    void rowMeasuring(int row) override { measuring << QString("measuring %1").arg(row); }
    void rowMeasured(int row) override { measuring << QString("measured %1").arg(row); }
    void measured(qint64 processed, qint64 total) override
    {
        EXPECT_LE(processed, total);
        highestMeasured = std::max(highestMeasured, JoinRun::progressPercent(processed, total));
    }
    bool measuringGoesOn() override { return std::this_thread::get_id() == m_caller && goOn; }

    int stopAtRow = -1;
    int stopAtBlock = -1;
    std::function<void(int block)> atBlock;
    std::function<void(int row)> atRowEnd;
    QStringList events;
    int decodersAtFirstBlock = 0;
    QStringList measuring;
    int highestMeasured = 0;
    bool goOn = true;

private:
    bool record(const QString &event, bool answer = true)
    {
        events << (std::this_thread::get_id() == m_caller ? event : event + " on another thread");
        return answer;
    }

    const std::thread::id m_caller = std::this_thread::get_id();
    int m_blocks = 0;
};

void selectOutput(AudioFile &writer, Format format)
{
    switch (format) {
    case Format::Mp3:
        writer.setMp3Encoder(LameEncoder());
        return;
    case Format::Wav:
        writer.setWavFormat(44100, 2, 16);
        return;
    case Format::Wma:
        writer.setWmaFormat(ValueLists::kDefaultWmaProfileIndex + 1);
        return;
    case Format::Ogg:
        writer.setOggFormat(44100, 2, 128, 128, 128, -1);
        return;
    case Format::Flac:
        writer.setFlacFormat(44100, 2, 16, 5);
        return;
    case Format::M4b:
        writer.setM4bFormat(44100, 2, 128);
        return;
    case Format::None:
        return;
    }
}

class JoinRunTest : public testing::Test {
protected:
    QString wav(const QString &name, double seconds)
    {
        return Tones::write(dir.filePath(name), ToneFormat::Wav16, 8000, 1, seconds);
    }

    JoinResult join(const QStringList &inputs, Format format, bool readAhead,
                    RecordingObserver &observer)
    {
        const QString output = dir.filePath(
            QStringLiteral("joined%1%2").arg(readAhead).arg(outputFormatInfo(format).extension));
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        selectOutput(writer, format);
        JoinJob job;
        job.inputs = inputs;
        job.totalFrames = totalFrames;
        job.outputPath = output;
        job.readAhead = readAhead;
        job.loudnessTarget = loudnessTarget;
        job.tags = tags;
        job.admittedLengths = admittedLengths;
        job.copy = copy;
        JoinResult result;
        try {
            JoinRun run(reader, writer, information);
            run.run(job, observer);
            result.tagsStored = run.tagsStored();
        } catch (const AudioError &error) {
            result.error = QString::fromUtf8(error.what());
            writer.closeFile();  // as the window's error report does
        }
        EXPECT_TRUE(noDecoderThreadLeft());
        EXPECT_EQ(observer.decodersAtFirstBlock > 0,
                  readAhead && observer.events.contains("block"));
        result.events = observer.events;
        result.path = output;
        QFile file(output);
        if (file.open(QIODevice::ReadOnly))
            result.bytes = file.readAll();
        try {
            if (QFile::exists(output))
                result.audio = readBack(output);
        } catch (const AudioError &) {
            // An MP3 without a single audio frame is none a decoder opens.
            EXPECT_TRUE(result.bytes.size() < 16384) << result.bytes.size();
        }
        return result;
    }

    // Joins twice, decoding in turn and ahead, each with a copy of observer and
    // after prepare(); expects the same of both and gives the first.
    JoinResult expectSameJoin(
        const QStringList &inputs, Format format, const RecordingObserver &observer,
        const std::function<void()> &prepare = [] {})
    {
        RecordingObserver inTurnObserver = observer;
        RecordingObserver aheadObserver = observer;
        prepare();
        JoinResult inTurn = join(inputs, format, false, inTurnObserver);
        prepare();
        const JoinResult ahead = join(inputs, format, true, aheadObserver);
        EXPECT_EQ(ahead.events, inTurn.events);
        EXPECT_EQ(ahead.error, inTurn.error);
        EXPECT_FALSE(inTurn.audio.empty());
        EXPECT_TRUE(ahead.audio == inTurn.audio) << "the joined audio differs";
        // The other containers stamp a serial number or time of their own.
        if (format == Format::Wav) {
            EXPECT_TRUE(ahead.bytes == inTurn.bytes) << "the WAV files differ";
        }
        return inTurn;
    }

    QTemporaryDir dir;
    qint64 totalFrames = 0;
    std::optional<double> loudnessTarget;
    TagValues tags;
    QList<AdmittedLength> admittedLengths;
    bool copy = false;
};

class JoinRunFormatTest : public JoinRunTest, public testing::WithParamInterface<Format> {};

TEST_P(JoinRunFormatTest, MixedInputsJoinAlikeAheadAndInTurn)
{
    const QStringList inputs = {
        Tones::write(dir.filePath("a.mp3"), ToneFormat::Mp3, 44100, 2, 9.0),
        Tones::write(dir.filePath("b.wav"), ToneFormat::Wav16, 22050, 1, 5.0),
        Tones::write(dir.filePath("c.ogg"), ToneFormat::Ogg, 48000, 2, 2.0),
        Tones::write(dir.filePath("d.wma"), ToneFormat::Wma, 32000, 2, 9.0), wav("e.wav", 6.0)};
    // The last input ends early: it was cut after the list counted its length.
    totalFrames = Tones::frameCount(44100, 9.0) + Tones::frameCount(22050, 5.0)
                  + Tones::frameCount(48000, 2.0) + Tones::frameCount(32000, 9.0)
                  + Tones::frameCount(8000, 6.0);
    QFile::resize(inputs.last(), 44 + 8000);
    const JoinResult result = expectSameJoin(inputs, GetParam(), RecordingObserver());
    EXPECT_EQ(result.events.filter(QRegularExpression("^(row|end) ")),
              QStringList({"row 0", "end 0", "row 1", "end 1", "row 2", "end 2", "row 3", "end 3",
                           "row 4", "end 4"}));
    // The bar stops short of its end.
    EXPECT_NE(result.events.filter("written ").last(), QString("written %1/%1").arg(totalFrames));
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinRunFormatTest,
                         testing::Values(Format::Mp3, Format::Wav, Format::Wma, Format::Ogg,
                                         Format::Flac, Format::M4b));

// Inputs of three blocks each, into WAV (two decoders) and MP3 (one).
class JoinRunStopTest : public JoinRunTest, public testing::WithParamInterface<Format> {
protected:
    QStringList inputs(double seconds = 10.0)
    {
        return {wav("a.wav", seconds), wav("b.wav", seconds), wav("c.wav", seconds)};
    }
};

TEST_P(JoinRunStopTest, StopsAtABlockOrARowAsInTurn)
{
    struct Stop {
        int block;
        int row;
        int rowsEnded;
    };
    // The second block of the second row and then the next row, as the window
    // stops; a row alone, with the next row from its start; a row.
    for (const Stop stop : {Stop{5, 2, 2}, Stop{1, -1, 3}, Stop{-1, 1, 1}}) {
        RecordingObserver observer;
        observer.stopAtBlock = stop.block;
        observer.stopAtRow = stop.row;
        const JoinResult result = expectSameJoin(inputs(), GetParam(), observer);
        EXPECT_EQ(result.events.filter("end ").size(), stop.rowsEnded);
    }
}

// Stopped before any audio, whichever way it decodes and in every format: a
// file without audio holding the tags (but a WAV, where they would play as
// noise), and no failure.
TEST_F(JoinRunTest, AJoinStoppedBeforeItsFirstBlockLeavesAnEmptyTaggedFile)
{
    tags.title = QStringLiteral("Nothing yet");
    const QStringList inputs = {wav("a.wav", 1.0), wav("b.wav", 1.0)};
    for (const OutputFormatInfo &info : kOutputFormats) {
        const Format format = info.kind;
        for (const bool readAhead : {false, true}) {
            RecordingObserver observer;
            observer.stopAtRow = 0;
            const JoinResult result = join(inputs, format, readAhead, observer);
            EXPECT_TRUE(result.error.isEmpty()) << result.error.toStdString();
            EXPECT_FALSE(result.bytes.isEmpty());
            // WMA holds the encoder's priming as silence.
            EXPECT_TRUE(std::all_of(result.audio.begin(), result.audio.end(), [](float sample) {
                return std::fabs(sample) < 1e-3F;
            })) << info.caption.data();
            const bool wav = format == Format::Wav;
            EXPECT_EQ(result.audio.empty(), format != Format::Wma) << info.caption.data();
            EXPECT_EQ(TagReader::title(result.path), wav ? QString() : tags.title)
                << info.caption.data();
            EXPECT_EQ(result.tagsStored, !wav) << info.caption.data();
        }
    }
}

// The book tags left unset come from the first input, those set (even empty)
// stay the user's, on the encoding and the copying joins alike.
TEST_F(JoinRunTest, UnsetBookTagsComeFromTheFirstInput)
{
    const QStringList inputs = {
        Tones::write(dir.filePath(QStringLiteral("a.mp3")), ToneFormat::Mp3, 44100, 2, 0.5),
        Tones::write(dir.filePath(QStringLiteral("b.mp3")), ToneFormat::Mp3, 44100, 2, 0.5)};
    AudioInformation first;
    for (const auto &[name, value] :
         {std::pair("infoAlbumArtist", "First's album artist"),
          std::pair("infoComposer", "First's narrator"),
          std::pair("infoDescription", "First's description"),
          std::pair("infoSeries", "First's series"), std::pair("infoSeriesPart", "2")})
        first.setProperty(QString::fromLatin1(name), QString::fromUtf8(value));
    first.writeTags(inputs.first());
    tags.composer = QStringLiteral("The user's narrator");
    tags.seriesPart = QString();
    const BookTags expected{QStringLiteral("First's album artist"), *tags.composer,
                            QStringLiteral("First's description"), QStringLiteral("First's series"),
                            QString()};
    for (const auto &[format, copying] :
         {std::pair(Format::M4b, false), std::pair(Format::Mp3, true),
          std::pair(Format::Flac, false)}) {
        copy = copying;
        RecordingObserver observer;
        const JoinResult result = join(inputs, format, false, observer);
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_EQ(TagReader::bookTags(result.path), expected) << result.path.toStdString();
    }
    EXPECT_FALSE(tags.albumArtist.has_value()) << "the job's values are the caller's";
}

// A disk that fills while the tags are written, after all the audio fitted
// (the process's file size limit stands in for it): the join fails naming the
// output and the cause, and the file it was to replace is left byte for byte,
// with nothing beside it.
TEST_F(JoinRunTest, TagsThatDoNotFitLeaveTheOldFileAsItWas)
{
    const QStringList inputs = {wav("a.wav", 1.0), wav("b.wav", 1.0)};
    tags.title = QStringLiteral("Long");
    tags.comment = QString(2 << 20, QLatin1Char('x'));
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    for (const OutputFormatInfo &info : kOutputFormats) {
        const Format format = info.kind;
        const QString target =
            dir.filePath(QStringLiteral("joined0%1").arg(outputFormatInfo(format).extension));
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old join");
        old.close();
        const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        rlimit unlimited{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        RecordingObserver observer;
        observer.atRowEnd = [&](int row) {
            const rlimit limit{1 << 20, unlimited.rlim_max};
            if (row == 1)
                setrlimit(RLIMIT_FSIZE, &limit);
        };
        const JoinResult result = join(inputs, format, false, observer);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_TRUE(result.error.contains(target) && result.error.contains(std::strerror(EFBIG)))
            << info.caption.data() << " " << result.error.toStdString();
        EXPECT_EQ(result.bytes, QByteArray("the old join")) << info.caption.data();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before)
            << info.caption.data();
    }
    std::signal(SIGXFSZ, previous);
}

// OGG and FLAC readers take chapter numbers of three digits, an MP3's table of
// contents and an M4B's Nero list count chapters in 8 bits: a join with more
// inputs is refused before anything is measured or written, naming the output.
TEST_F(JoinRunTest, MoreFilesThanTheFormatListsChaptersForAreRefused)
{
    const QString input = wav("a.wav", 0.01);
    for (const auto &[format, count] : {std::pair{Format::Ogg, 1000}, std::pair{Format::Flac, 1000},
                                        std::pair{Format::Mp3, 256}, std::pair{Format::M4b, 256}}) {
        RecordingObserver observer;
        const JoinResult result = join(QStringList(count, input), format, false, observer);
        EXPECT_TRUE(result.error.contains(QStringLiteral("joined0"))) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(QString::number(count))) << result.error.toStdString();
        EXPECT_TRUE(result.events.isEmpty());
        EXPECT_TRUE(result.bytes.isEmpty());
    }
}

TEST_P(JoinRunStopTest, AnInputThatCannotBeOpenedFailsAtItsRowWithTheSameText)
{
    // Damaged before the join.
    QStringList paths = inputs();
    QFile damaged(paths[1]);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    JoinResult result = expectSameJoin(paths, GetParam(), RecordingObserver());
    EXPECT_TRUE(result.error.contains(paths[1])) << result.error.toStdString();
    EXPECT_EQ(result.events.last(), "row 1");

    // Deleted at the first block; the rows are long, so that no decoder can
    // have opened it by then.
    paths = inputs(24.0) << wav("d.wav", 4.0);
    const QString kept = dir.filePath("kept.wav");
    ASSERT_TRUE(QFile::copy(paths.last(), kept));
    RecordingObserver observer;
    observer.atBlock = [&](int block) {
        if (block == 1)
            QFile::remove(paths.last());
    };
    result = expectSameJoin(paths, GetParam(), observer, [&] { QFile::copy(kept, paths.last()); });
    EXPECT_TRUE(result.error.contains(paths.last())) << result.error.toStdString();
    EXPECT_EQ(result.events.last(), "row 3");

    // Cut short while the join runs, before its row or while it is read: the
    // missing part is reported, never joined as nothing.
    for (const int cutAtBlock : {1, 5}) {
        paths = inputs(24.0) << wav("e.wav", 24.0);
        admittedLengths.clear();
        for (int row = 0; row < paths.size(); ++row)
            admittedLengths.append({Tones::frameCount(8000, 24.0), 8000});
        const QString whole = dir.filePath("whole.wav");
        QFile::remove(whole);
        ASSERT_TRUE(QFile::copy(paths.last(), whole));
        RecordingObserver cutting;
        cutting.atBlock = [&](int block) {
            if (block == cutAtBlock)
                QFile::resize(paths.last(), QFileInfo(paths.last()).size() / 2);
        };
        result = expectSameJoin(paths, GetParam(), cutting, [&] {
            QFile::remove(paths.last());
            QFile::copy(whole, paths.last());
        });
        EXPECT_TRUE(result.error.contains(paths.last()) && result.error.contains("ended early"))
            << result.error.toStdString();
    }
    admittedLengths.clear();
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinRunStopTest, testing::Values(Format::Wav, Format::Mp3));

// Into WAV the second decoder, a row ahead, spools what its queue cannot take.
// The join waits at its first block until it does, so that the later rows are
// read back from the spool file.
class JoinRunSpoolTest : public JoinRunTest {
protected:
    RecordingObserver spoolingObserver()
    {
        RecordingObserver observer;
        const qint64 before = BlockQueue::piecesSpooled();
        observer.atBlock = [before](int block) {
            // Decoding in turn has no decoders and spools nothing.
            for (int tries = 0; block == 1 && tries < 10000 && decoderThreads() > 0
                                && BlockQueue::piecesSpooled() == before;
                 ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        return observer;
    }

    QStringList inputs(int count) const
    {
        QStringList paths;
        for (int row = 0; row < count; ++row)
            paths << Tones::write(dir.filePath(QString("%1.wav").arg(row)), ToneFormat::Wav16, 8000,
                                  1, 12.0 + row);
        return paths;
    }
};

TEST_F(JoinRunSpoolTest, SpooledRowsJoinStopAndFailAsInTurn)
{
    qint64 before = BlockQueue::piecesSpooled();
    const JoinResult whole = expectSameJoin(inputs(4), Format::Wav, spoolingObserver());
    EXPECT_EQ(whole.events.filter("end ").size(), 4);
    EXPECT_GT(BlockQueue::piecesSpooled(), before);

    // Stopped at the second block of the first row, as the window stops, while
    // the rows after it are being spooled.
    before = BlockQueue::piecesSpooled();
    RecordingObserver stopping = spoolingObserver();
    stopping.stopAtBlock = 2;
    stopping.stopAtRow = 1;
    const JoinResult stopped = expectSameJoin(inputs(4), Format::Wav, stopping);
    EXPECT_EQ(stopped.events.filter("end ").size(), 1);
    EXPECT_GT(BlockQueue::piecesSpooled(), before);

    // The second decoder's second row cannot be opened: after its first row
    // came through the spool, it fails at its own row.
    QStringList paths = inputs(4);
    QFile damaged(paths[3]);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    const JoinResult failed = expectSameJoin(paths, Format::Wav, spoolingObserver());
    EXPECT_TRUE(failed.error.contains(paths[3])) << failed.error.toStdString();
    EXPECT_EQ(failed.events.last(), "row 3");
}

class JoinChaptersTest : public JoinRunTest {
protected:
    struct Input {
        QString path;
        QString title;  // what its chapter must be called
        qint64 frames = 0;
        int rate = 0;
    };

    Input input(const QString &name, ToneFormat format, int rate, int channels, double seconds,
                const QString &title = {})
    {
        Input in{Tones::write(dir.filePath(name), format, rate, channels, seconds),
                 title.isEmpty() ? QFileInfo(name).completeBaseName() : title};
        if (!title.isEmpty())
            Tones::setTitle(in.path, title);
        AudioFile probe;
        probe.openFile(in.path, 0, 1);
        in.frames = probe.sampleCount();
        in.rate = probe.sampleRate();
        return in;
    }

    // Joins as the window does, with the admitted lengths; reads the output back.
    MediaInfo join(const QList<Input> &inputs, Format format, RecordingObserver observer = {},
                   bool chapters = true, const std::function<void(JoinJob &)> &adjust = {})
    {
        JoinJob job;
        for (const Input &in : inputs) {
            job.inputs << in.path;
            job.admittedLengths.append({in.frames, in.rate});
        }
        job.outputPath =
            dir.filePath(QStringLiteral("chapters") + outputFormatInfo(format).extension);
        job.chapters = chapters;
        if (adjust)
            adjust(job);
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        selectOutput(writer, format);
        JoinRun(reader, writer, information).run(job, observer);
        return probeMedia(job.outputPath);
    }

    // Each starts where the lengths before it add up to, within the whole
    // milliseconds of ID3v2, Xiph and ASF times; the last ends at end.
    static void expectChapters(const MediaInfo &info, const QList<Input> &inputs, double end)
    {
        constexpr double kTolerance = 0.0011;
        // ASF markers count on the file's timeline, where the audio starts late,
        // and have no ends: FFmpeg ends the last where the stream ends.
        const bool asf = info.container == QLatin1String("asf");
        ASSERT_EQ(info.chapters.size(), inputs.size()) << info.container.toStdString();
        double start = asf ? info.firstFrameTime : 0.0;
        for (qsizetype i = 0; i < inputs.size(); ++i) {
            EXPECT_EQ(info.chapters[i].title, inputs[i].title) << "chapter " << i;
            EXPECT_NEAR(info.chapters[i].start, start, kTolerance) << "chapter " << i;
            start += double(inputs[i].frames) / inputs[i].rate;
        }
        if (!asf) {
            EXPECT_NEAR(info.chapters.last().end, end, kTolerance);
        }
    }
};

class JoinChapterFormats : public JoinChaptersTest, public testing::WithParamInterface<Format> {};

// One input of each format the list takes, most resampled, one with a title tag.
TEST_P(JoinChapterFormats, EightInputFormatsJoinWholeWithAChapterEach)
{
    QList<Input> inputs = {
        input("one.mp3", ToneFormat::Mp3, 44100, 2, 1.0),
        input("02 - two.wav", ToneFormat::Wav16, 22050, 1, 0.7),
        input("three.wma", ToneFormat::Wma, 32000, 2, 0.8),
        input("four.ogg", ToneFormat::Ogg, 48000, 2, 0.6),
        input("five.flac", ToneFormat::Flac, 44100, 1, 0.5, QStringLiteral("Fünf, tagged")),
        input("six.opus", ToneFormat::Opus, 48000, 2, 0.9),
        input("seven.m4a", ToneFormat::M4a, 44100, 2, 0.75),
        input("part.eight.aiff", ToneFormat::Aiff, 16000, 1, 0.4)};
    // Untagged, a numbered file is titled without its number.
    inputs[1].title = QStringLiteral("two");
    const MediaInfo info = join(inputs, GetParam());

    qint64 expected = 0;
    double seconds = 0;
    for (const Input &in : inputs) {
        expected += std::llround(double(in.frames) * info.sampleRate / in.rate);
        seconds += double(in.frames) / in.rate;
    }
    // Each resampled input may come out a frame longer or shorter. FFmpeg
    // decodes past the audio WMA's last frame, filled up with silence, and
    // M4B's last AAC frame whole.
    const qint64 padding = GetParam() == Format::Wma   ? 2 * 2048
                           : GetParam() == Format::M4b ? 1024
                                                       : 0;
    EXPECT_GE(info.decodedFrames, expected - inputs.size()) << "expected " << expected;
    EXPECT_LE(info.decodedFrames, expected + inputs.size() + padding) << "expected " << expected;
    expectChapters(info, inputs, seconds);
}

// Rows of three blocks, stopped at the second block of the second row as the
// window stops: its chapter ends where the output ends, the third has none.
// (The M4B chapter track is made at the end, so it agrees.)
TEST_P(JoinChapterFormats, AStoppedJoinHasTheChaptersOfWhatItWrote)
{
    const QList<Input> inputs = {input("a.wav", ToneFormat::Wav16, 8000, 1, 10.0),
                                 input("b.wav", ToneFormat::Wav16, 8000, 1, 10.0),
                                 input("c.wav", ToneFormat::Wav16, 8000, 1, 10.0)};
    RecordingObserver observer;
    observer.stopAtBlock = 5;
    observer.stopAtRow = 2;
    expectChapters(join(inputs, GetParam(), observer), inputs.mid(0, 2), 14.0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, JoinChapterFormats,
    testing::Values(Format::Mp3, Format::Ogg, Format::Wav, Format::Wma, Format::Flac, Format::M4b),
    [](const testing::TestParamInfo<Format> &format) {
        return QString(outputFormatInfo(format.param).extension).mid(1).toStdString();
    });

TEST_F(JoinChaptersTest, ALoneInputOrChaptersTurnedOffGiveNoChapterList)
{
    const Input a = input("a.wav", ToneFormat::Wav16, 8000, 1, 1.0);
    const Input b = input("b.wav", ToneFormat::Wav16, 8000, 1, 1.0);
    EXPECT_TRUE(join({a}, Format::Mp3).chapters.isEmpty());
    EXPECT_TRUE(join({a, b}, Format::Mp3, {}, false).chapters.isEmpty());
    EXPECT_EQ(join({a, b}, Format::Mp3).chapters.size(), 2);
}

// An input holding chapters of its own, as another program wrote them: CHAP
// frames in MP3 and a chapter track in M4A (FFmpeg), CHAPTERnnn in FLAC (metaflac).
class KeptChaptersTest : public JoinChaptersTest {
protected:
    Input withChapters(const QString &name, ToneFormat format, double seconds,
                       const QList<std::pair<int, QString>> &chapters)
    {
        Input in = input(QStringLiteral("plain-") + name, format, 44100, 2, seconds);
        const QString plain = std::exchange(in.path, dir.filePath(name));
        QStringList metaflac;
        QString meta = QStringLiteral(";FFMETADATA1\n");
        for (qsizetype i = 0; i < chapters.size(); ++i) {
            const auto &[ms, title] = chapters[i];
            const QString key = QStringLiteral("--set-tag=CHAPTER%1").arg(i + 1, 3, 10, QChar('0'));
            metaflac << key + "=" + QTime(0, 0).addMSecs(ms).toString("HH:mm:ss.zzz")
                     << key + "NAME=" + title;
            meta += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=%3\n")
                        .arg(ms)
                        .arg(ms + 100)
                        .arg(title);
        }
        QFile file(in.path + ".meta");
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(meta.toUtf8()) > 0);
        file.close();
        if (format == ToneFormat::Flac && QFile::copy(plain, in.path))
            run("metaflac", metaflac << in.path);
        else
            run("ffmpeg", {"-v", "error", "-i", plain, "-i", file.fileName(), "-map", "0:a",
                           "-map_chapters", "1", "-c", "copy", in.path});
        return in;
    }

    // Not through QProcess: its clone() goes round ThreadSanitizer's fork
    // handling, which then finds races everywhere in the joins that follow.
    static void run(const QString &program, const QStringList &arguments)
    {
        std::vector<QByteArray> words{QFile::encodeName(program)};
        for (const QString &argument : arguments)
            words.push_back(QFile::encodeName(argument));
        std::vector<char *> argv;
        for (QByteArray &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        ASSERT_EQ(::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << program.toStdString();
    }

    static void expectStarts(const MediaInfo &info, const QList<std::pair<double, QString>> &starts)
    {
        ASSERT_EQ(info.chapters.size(), starts.size()) << info.container.toStdString();
        for (qsizetype i = 0; i < starts.size(); ++i) {
            EXPECT_EQ(info.chapters[i].title, starts[i].second) << info.container.toStdString();
            EXPECT_NEAR(info.chapters[i].start, starts[i].first, 0.0011) << i;
        }
    }
};

// Each input's chapters move to where it starts in the output, the first to
// its very start, one past its end dropped; a plain input keeps one chapter.
// The same through the encoding join, the copy joins and the M4B muxer.
TEST_F(KeptChaptersTest, InputsGiveTheirOwnChaptersMovedToWhereTheyStart)
{
    const QList<Input> inputs = {
        withChapters("a.mp3", ToneFormat::Mp3, 3.0, {{0, "A one"}, {1000, "A two"}, {2250, "A 3"}}),
        withChapters("b.m4a", ToneFormat::M4a, 2.0, {{0, "B one"}, {1500, "B two"}}),
        withChapters("c.flac", ToneFormat::Flac, 2.0,
                     {{250, "C one"}, {1000, "C two"}, {2500, "C past its end"}}),
        input("04 - d.wav", ToneFormat::Wav16, 44100, 2, 1.0)};
    QList<double> at;
    double start = 0;
    for (const Input &in : inputs) {
        at << start;
        start += double(in.frames) / in.rate;
    }
    const QList<std::pair<double, QString>> kept = {
        {at[0], "A one"},       {at[0] + 1.0, "A two"}, {at[0] + 2.25, "A 3"},  {at[1], "B one"},
        {at[1] + 1.5, "B two"}, {at[2], "C one"},       {at[2] + 1.0, "C two"}, {at[3], "d"}};
    for (const auto &[format, copying] :
         {std::pair{Format::Mp3, false}, std::pair{Format::Mp3, true},
          std::pair{Format::Flac, true}, std::pair{Format::M4b, false},
          std::pair{Format::Ogg, false}})
        expectStarts(join(inputs, format, {}, true, [&](JoinJob &job) { job.copy = copying; }),
                     kept);

    // One chapter per input, titled by the user where given, else by the file name alone.
    expectStarts(
        join(inputs, Format::Mp3, {}, true,
             [](JoinJob &job) {
                 job.chapterNaming = {{QString(), "Given"}, ChapterTitle::Rule::Files, false};
             }),
        {{at[0], "a"}, {at[1], "Given"}, {at[2], "c"}, {at[3], "d"}});

    // More than a format lists: one chapter per input rather than a failed join.
    ChapterPlan capped(QStringList{inputs[0].path, inputs[1].path}, {}, 4);
    EXPECT_EQ(capped.planned({{inputs[0].frames, 44100}, {inputs[1].frames, 44100}}, 44100).size(),
              2);
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

// Inputs of known loudness, 44.1 kHz stereo, joined into a 16-bit WAV of the same format.
class LoudnessMatchTest : public JoinRunTest {
protected:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr double kSeconds = 3.0;
    static constexpr double kTarget = -16.0;

    QString input(const QString &name, const SampleArray &samples)
    {
        totalFrames += qint64(samples.size()) / kChannels;
        return LoudnessProbe::writeWav(dir.filePath(name), kRate, kChannels, samples);
    }

    static SampleArray tone(double lufs)
    {
        return LoudnessProbe::atLoudness(
            Tones::samples(kRate, kChannels, 0, Tones::frameCount(kRate, kSeconds)), kRate,
            kChannels, lufs);
    }

    // A quiet tone with a click near full scale every half second.
    static SampleArray peaky()
    {
        SampleArray samples = tone(-20.0);
        for (std::size_t i = 0; i < samples.size(); i += kRate)
            samples[i] = 0.98f;
        return samples;
    }

    // The input's part of the joined audio, frame-aligned with its input.
    static SampleArray partOf(const SampleArray &joined, const QStringList &inputs, int row)
    {
        qint64 first = 0;
        for (int i = 0; i < row; ++i)
            first += qint64(readBack(inputs[i]).size()) / kChannels;
        return LoudnessProbe::part(joined, kChannels, first,
                                   qint64(readBack(inputs[row]).size()) / kChannels);
    }

    // The gain between an input and its part over the frames [first, first + count).
    static double gainOver(const SampleArray &in, const SampleArray &out, qint64 first,
                           qint64 count)
    {
        double inOut = 0;
        double inIn = 0;
        for (qint64 i = first * kChannels; i < (first + count) * kChannels; ++i) {
            inOut += double(in[std::size_t(i)]) * out[std::size_t(i)];
            inIn += double(in[std::size_t(i)]) * in[std::size_t(i)];
        }
        return inOut / inIn;
    }

    JoinJob matchedJob(const QStringList &inputs, const QString &outputName) const
    {
        JoinJob job;
        job.inputs = inputs;
        job.totalFrames = totalFrames;
        job.outputPath = dir.filePath(outputName);
        job.loudnessTarget = kTarget;
        return job;
    }

    JoinResult joinMatched(const QStringList &inputs, RecordingObserver &observer)
    {
        loudnessTarget = kTarget;
        return join(inputs, Format::Wav, true, observer);
    }
};

TEST_F(LoudnessMatchTest, EachInputMeetsTheTargetWithOneGainUnlessItsPeaksOrSilenceForbid)
{
    const QStringList inputs = {input("quiet.wav", tone(-30.0)), input("loud.wav", tone(-12.0)),
                                input("peaky.wav", peaky()),
                                input("silent.wav", SampleArray(kRate * kChannels * 2)),
                                input("gated.wav", tone(-75.0))};
    loudnessTarget = kTarget;
    RecordingObserver observer;
    const JoinResult result = expectSameJoin(inputs, Format::Wav, observer);
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();

    for (int row : {0, 1}) {
        const SampleArray in = readBack(inputs[row]);
        const SampleArray out = partOf(result.audio, inputs, row);
        EXPECT_NEAR(LoudnessProbe::measure(out, kRate, kChannels).integrated, kTarget, 0.5)
            << "row " << row;
        const qint64 frames = qint64(out.size()) / kChannels;
        EXPECT_NEAR(gainOver(in, out, 0, kRate / 2),
                    gainOver(in, out, frames - kRate / 2, kRate / 2), 1e-3)
            << "row " << row;
    }
    const ProbedLoudness held =
        LoudnessProbe::measure(partOf(result.audio, inputs, 2), kRate, kChannels);
    EXPECT_NEAR(held.truePeak, -1.0, 0.1);
    EXPECT_LT(held.integrated, kTarget - 1.0);
    const SampleArray silent = partOf(result.audio, inputs, 3);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](float s) { return s == 0.0f; }));
    EXPECT_TRUE(partOf(result.audio, inputs, 4) == readBack(inputs[4]))
        << "an input below the gate keeps its level";
}

TEST_F(LoudnessMatchTest, MeasuringIsShownRowByRowAndAnUnchangedFileIsNotMeasuredAgain)
{
    const QStringList inputs = {input("a.wav", tone(-30.0)), input("b.wav", tone(-20.0)),
                                input("c.wav", tone(-12.0))};
    RecordingObserver first;
    joinMatched(inputs, first);
    QStringList measuring = first.measuring;
    measuring.sort();
    EXPECT_EQ(measuring, QStringList({"measured 0", "measured 1", "measured 2", "measuring 0",
                                      "measuring 1", "measuring 2"}));
    EXPECT_EQ(first.highestMeasured, 100);

    RecordingObserver again;
    const SampleArray before = joinMatched(inputs, again).audio;
    EXPECT_TRUE(again.measuring.isEmpty()) << again.measuring.join(", ").toStdString();

    // Changed on disk: measured anew, and written at its new gain.
    input("b.wav", tone(-40.0));
    RecordingObserver changed;
    const SampleArray after = joinMatched(inputs, changed).audio;
    EXPECT_EQ(changed.measuring, QStringList({"measuring 1", "measured 1"}));
    EXPECT_NEAR(LoudnessProbe::measure(partOf(after, inputs, 1), kRate, kChannels).integrated,
                kTarget, 0.5);
    EXPECT_TRUE(partOf(after, inputs, 0) == partOf(before, inputs, 0));
}

TEST_F(LoudnessMatchTest, InputsMeetTheTargetInAnOutputOfOtherChannels)
{
    // The writer copies mono into both channels of a stereo output at full
    // level and averages stereo into a mono one.
    const SampleArray mono = LoudnessProbe::atLoudness(
        Tones::samples(kRate, 1, 0, Tones::frameCount(kRate, kSeconds)), kRate, 1, -30.0);
    totalFrames += qint64(mono.size());
    const QStringList inputs = {LoudnessProbe::writeWav(dir.filePath("mono.wav"), kRate, 1, mono),
                                input("stereo.wav", tone(-12.0))};
    for (const int channels : {2, 1}) {
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        writer.setWavFormat(kRate, channels, 16);
        const JoinJob job = matchedJob(inputs, QString("joined%1.wav").arg(channels));
        RecordingObserver observer;
        JoinRun(reader, writer, information).run(job, observer);
        const SampleArray joined = readBack(job.outputPath);
        const auto frames = qint64(mono.size());
        for (const qint64 first : {qint64(0), frames}) {
            const SampleArray part = LoudnessProbe::part(joined, channels, first, frames);
            EXPECT_NEAR(LoudnessProbe::measure(part, kRate, channels).integrated, kTarget, 0.5)
                << channels << " channels, from frame " << first;
        }
    }
}

TEST_F(LoudnessMatchTest, StopOrAFailureWhileMeasuringWritesNothing)
{
    QStringList inputs = {input("a.wav", tone(-30.0)), input("b.wav", tone(-20.0)),
                          input("c.wav", tone(-12.0))};
    RecordingObserver stopping;
    stopping.goOn = false;
    AudioFile reader;
    AudioFile writer;
    AudioInformation information;
    writer.setWavFormat(kRate, kChannels, 16);
    const JoinJob job = matchedJob(inputs, "stopped.wav");
    JoinRun run(reader, writer, information);
    run.run(job, stopping);
    EXPECT_TRUE(noDecoderThreadLeft());
    EXPECT_TRUE(run.stopped());
    EXPECT_FALSE(run.outputCreated());
    EXPECT_FALSE(QFile::exists(job.outputPath));
    EXPECT_TRUE(stopping.events.isEmpty()) << stopping.events.join(", ").toStdString();
    // Every row whose measuring started has ended.
    EXPECT_FALSE(stopping.measuring.isEmpty());
    EXPECT_EQ(stopping.measuring.filter("measuring ").size(),
              stopping.measuring.filter("measured ").size());

    // Not an audio file: its row's measuring fails, with its name, before anything is written.
    QFile damaged(dir.filePath("damaged.wav"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    inputs.insert(1, damaged.fileName());
    RecordingObserver failing;
    const JoinResult result = joinMatched(inputs, failing);
    EXPECT_TRUE(result.error.contains(damaged.fileName())) << result.error.toStdString();
    EXPECT_TRUE(result.events.isEmpty()) << result.events.join(", ").toStdString();
    EXPECT_TRUE(failing.measuring.contains("measuring 1"));
    EXPECT_FALSE(failing.measuring.contains("measured 1"));
    EXPECT_TRUE(result.bytes.isEmpty());
}

}  // namespace
