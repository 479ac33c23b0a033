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
    void rowEnds(int row) override { record(QString("end %1").arg(row)); }

    int stopAtRow = -1;
    int stopAtBlock = -1;
    std::function<void(int block)> atBlock;
    QStringList events;
    int decodersAtFirstBlock = 0;

private:
    bool record(const QString &event, bool answer = true)
    {
        events << (std::this_thread::get_id() == m_caller ? event : event + " on another thread");
        return answer;
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
    case ValueLists::kFormatFlac:
        writer.SetFlacFormat(44100, 2, 16, 5);
        return;
    case ValueLists::kFormatM4b:
        writer.SetM4bFormat(44100, 2, 128);
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

    // Joins twice, decoding in turn and ahead, each with a copy of observer and
    // after prepare(); expects the same of both and gives the first.
    JoinResult expectSameJoin(
        const QStringList &inputs, OutputFormatIndex format, const RecordingObserver &observer,
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
        if (format == ValueLists::kFormatWav) {
            EXPECT_TRUE(ahead.bytes == inTurn.bytes) << "the WAV files differ";
        }
        return inTurn;
    }

    QTemporaryDir dir;
    qint64 totalFrames = 0;
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
    const JoinResult result = expectSameJoin(inputs, GetParam(), RecordingObserver());
    EXPECT_EQ(result.events.filter(QRegularExpression("^(row|end) ")),
              QStringList({"row 0", "end 0", "row 1", "end 1", "row 2", "end 2", "row 3", "end 3",
                           "row 4", "end 4"}));
    // The bar stops short of its end.
    EXPECT_NE(result.events.filter("written ").last(), QString("written %1/%1").arg(totalFrames));
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinRunFormatTest,
                         testing::Values(ValueLists::kFormatMp3, ValueLists::kFormatWav,
                                         ValueLists::kFormatWma, ValueLists::kFormatOgg,
                                         ValueLists::kFormatFlac, ValueLists::kFormatM4b));

// Inputs of three blocks each, into WAV (two decoders) and MP3 (one).
class JoinRunStopTest : public JoinRunTest, public testing::WithParamInterface<OutputFormatIndex> {
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
}

INSTANTIATE_TEST_SUITE_P(Formats, JoinRunStopTest,
                         testing::Values(ValueLists::kFormatWav, ValueLists::kFormatMp3));

}  // namespace
