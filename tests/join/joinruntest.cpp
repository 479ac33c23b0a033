// The join engine without a window: decoding ahead on threads of its own
// writes what decoding in turn writes, tells the observer the same things in
// the same order on the calling thread, and stops, fails and ends rows as it
// does, leaving no thread behind.

#include "join/joinrun.h"

#include "audio/audioerror.h"
#include "audio/audiofile.h"
#include "audio/audioinformation.h"
#include "audio/lameencoder.h"
#include "join/decodeworker.h"
#include "join/joinobserver.h"
#include "settings/valuelists.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using ValueLists::OutputFormatIndex;

// What a join left: what the observer saw, in order, the error's text, the
// output's bytes and its audio read back.
struct JoinResult {
    QStringList events;
    QString error;
    QByteArray bytes;
    SampleArray audio;
};

int decoderThreads()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    int count = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == DecodeWorker::kThreadName)
            ++count;
    }
    return count;
}

// An exited thread may stay listed for a moment after it was joined.
bool noDecoderThreadLeft()
{
    for (int tries = 0; tries < 1000 && decoderThreads() > 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return decoderThreads() == 0;
}

class RecordingObserver : public JoinObserver {
public:
    bool rowStarts(int row) override
    {
        record(QStringLiteral("row %1").arg(row));
        return row != stopAtRow;
    }
    bool blockStarts() override
    {
        record(QStringLiteral("block"));
        if (m_blocks == 0)
            decodersAtFirstBlock = decoderThreads();
        ++m_blocks;
        if (atBlock)
            atBlock(m_blocks);
        return m_blocks != stopAtBlock;
    }
    void blockWritten(qint64 processed, qint64 total) override
    {
        record(QStringLiteral("written %1/%2").arg(processed).arg(total));
    }
    void rowEnds(int row) override { record(QStringLiteral("end %1").arg(row)); }

    int stopAtRow = -1;
    int stopAtBlock = -1;  // counted from 1 over all rows
    std::function<void(int block)> atBlock;
    QStringList events;
    int decodersAtFirstBlock = 0;

private:
    void record(const QString &event)
    {
        const bool caller = std::this_thread::get_id() == m_caller;
        events << (caller ? event : event + QStringLiteral(" on another thread"));
    }

    const std::thread::id m_caller = std::this_thread::get_id();
    int m_blocks = 0;
};

SampleArray decodeAll(const QString &path)
{
    AudioFile reader;
    reader.OpenFile(path, 0, 1);
    SampleArray audio;
    for (SampleArray block; !(block = reader.ReadSamples(1 << 16)).empty();)
        audio.insert(audio.end(), block.begin(), block.end());
    return audio;
}

void selectOutput(AudioFile &writer, OutputFormatIndex format)
{
    switch (format) {
    case ValueLists::kFormatMp3:
        writer.SetMp3Encoder(LameEncoder());
        return;
    case ValueLists::kFormatWav:
        writer.SetWavFormat(44100, 2, 16);
        return;
    case ValueLists::kFormatWma:
        writer.SetWmaFormat(ValueLists::kDefaultWmaProfileIndex + 1);
        return;
    case ValueLists::kFormatOgg:
        writer.SetOggFormat(44100, 2, 128, 128, 128, -1);
        return;
    }
}

class JoinRunTest : public testing::Test {
protected:
    QString wav(const QString &name, double seconds)
    {
        return Tones::write(dir.filePath(name), ToneFormat::Wav16, 8000, 1, seconds);
    }

    JoinResult join(const QStringList &inputs, OutputFormatIndex format, bool readAhead,
                    RecordingObserver &observer)
    {
        const QString output = dir.filePath(QStringLiteral("joined%1%2")
                                                .arg(readAhead)
                                                .arg(ValueLists::outputFormatExtensions()[format]));
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        selectOutput(writer, format);
        JoinJob job;
        job.inputs = inputs;
        job.totalFrames = totalFrames;
        job.outputPath = output;
        job.readAhead = readAhead;
        JoinResult result;
        try {
            JoinRun(reader, writer, information).run(job, observer);
        } catch (const AudioError &error) {
            result.error = QString::fromUtf8(error.what());
            writer.CloseFile();  // as the window's error report does
        }
        EXPECT_TRUE(noDecoderThreadLeft());
        EXPECT_EQ(observer.decodersAtFirstBlock > 0, readAhead);
        result.events = observer.events;
        QFile file(output);
        if (file.open(QIODevice::ReadOnly))
            result.bytes = file.readAll();
        result.audio = decodeAll(output);
        return result;
    }

    // Joins twice, decoding in turn and ahead, each with a copy of observer.
    void expectSameJoin(const QStringList &inputs, OutputFormatIndex format,
                        const RecordingObserver &observer)
    {
        RecordingObserver inTurnObserver = observer;
        RecordingObserver aheadObserver = observer;
        const JoinResult inTurn = join(inputs, format, false, inTurnObserver);
        const JoinResult ahead = join(inputs, format, true, aheadObserver);
        EXPECT_EQ(ahead.events, inTurn.events);
        EXPECT_EQ(ahead.error, inTurn.error);
        EXPECT_FALSE(inTurn.audio.empty());
        EXPECT_TRUE(ahead.audio == inTurn.audio) << "the joined audio differs";
        // The other containers stamp a serial number or time of their own.
        if (format == ValueLists::kFormatWav) {
            EXPECT_TRUE(ahead.bytes == inTurn.bytes) << "the WAV files differ";
        }
        lastEvents = inTurn.events;
        lastError = inTurn.error;
    }

    QTemporaryDir dir;
    qint64 totalFrames = 0;
    QStringList lastEvents;
    QString lastError;
};

class JoinRunFormatTest : public JoinRunTest,
                          public testing::WithParamInterface<OutputFormatIndex> {};

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
    expectSameJoin(inputs, GetParam(), RecordingObserver());
    EXPECT_EQ(lastEvents.filter(QRegularExpression("^(row|end) ")),
              QStringList({"row 0", "end 0", "row 1", "end 1", "row 2", "end 2", "row 3", "end 3",
                           "row 4", "end 4"}));
    // The bar stops short of its end.
    EXPECT_NE(lastEvents.filter("written ").last(), QString("written %1/%1").arg(totalFrames));
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinRunFormatTest,
                         testing::Values(ValueLists::kFormatMp3, ValueLists::kFormatWav,
                                         ValueLists::kFormatWma, ValueLists::kFormatOgg));

// Three inputs of three blocks each, into WAV (two decoders) and MP3 (one).
class JoinRunStopTest : public JoinRunTest, public testing::WithParamInterface<OutputFormatIndex> {
protected:
    QStringList inputs() { return {wav("a.wav", 10.0), wav("b.wav", 10.0), wav("c.wav", 10.0)}; }
};

TEST_P(JoinRunStopTest, StopAtABlockOrARowLeavesWhatStoppingInTurnLeaves)
{
    RecordingObserver stopAtBlock;
    stopAtBlock.stopAtBlock = 5;  // the second block of the second row
    stopAtBlock.stopAtRow = 2;
    expectSameJoin(inputs(), GetParam(), stopAtBlock);
    EXPECT_EQ(lastEvents.filter("end ").size(), 2);

    RecordingObserver stopAtRow;
    stopAtRow.stopAtRow = 1;
    expectSameJoin(inputs(), GetParam(), stopAtRow);
    EXPECT_EQ(lastEvents.last(), "row 1");
}

TEST_P(JoinRunStopTest, ARowLeftEarlyIsFollowedByTheNextRowFromItsStart)
{
    RecordingObserver observer;
    observer.stopAtBlock = 1;
    expectSameJoin(inputs(), GetParam(), observer);
    EXPECT_EQ(lastEvents.filter("end ").size(), 3);
}

TEST_P(JoinRunStopTest, AnInputThatFailsToOpenFailsAtItsRowWithTheSameText)
{
    QStringList paths = inputs();
    QFile damaged(paths[1]);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    expectSameJoin(paths, GetParam(), RecordingObserver());
    EXPECT_TRUE(lastError.contains(paths[1])) << lastError.toStdString();
    EXPECT_EQ(lastEvents.last(), "row 1");
}

TEST_P(JoinRunStopTest, AnInputDeletedDuringTheJoinFailsAtItsRowWithTheSameText)
{
    // Long rows, so that neither join can have opened the last input by then.
    const QStringList paths = {wav("a.wav", 24.0), wav("b.wav", 24.0), wav("c.wav", 24.0),
                               wav("d.wav", 4.0)};
    const QString copy = dir.filePath("d-copy.wav");
    ASSERT_TRUE(QFile::copy(paths.last(), copy));
    RecordingObserver observer;
    observer.atBlock = [&](int block) {
        if (block == 1) {
            QFile::remove(paths.last());
            QFile::copy(copy, paths.last() + ".next");  // put back for the second join
        }
    };
    RecordingObserver inTurnObserver = observer;
    RecordingObserver aheadObserver = observer;
    const JoinResult inTurn = join(paths, GetParam(), false, inTurnObserver);
    QFile::rename(paths.last() + ".next", paths.last());
    const JoinResult ahead = join(paths, GetParam(), true, aheadObserver);
    EXPECT_TRUE(inTurn.error.contains(paths.last())) << inTurn.error.toStdString();
    EXPECT_EQ(ahead.error, inTurn.error);
    EXPECT_EQ(ahead.events, inTurn.events);
    EXPECT_EQ(inTurn.events.last(), "row 3");
    EXPECT_TRUE(ahead.audio == inTurn.audio);
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinRunStopTest,
                         testing::Values(ValueLists::kFormatWav, ValueLists::kFormatMp3));

}  // namespace
