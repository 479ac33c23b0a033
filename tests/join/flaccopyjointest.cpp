// A FLAC join that copies: the inputs of the longest-lasting FLAC format keep
// their frames byte for byte, the others (another rate, a WAV, the pauses, a
// block too short to be followed, a loudness gain) are encoded into the same
// stream, which decodes to the inputs' exact samples in order, with its
// STREAMINFO, its chapters and the observer's calls right; a crossfade
// encodes only the frames it mixes, as the encoding join mixes them; a stop
// leaves a complete shorter file, or nothing at all.

#include "join/joinrun.h"

#include "audio/audiofile.h"
#include "audio/copy/flacframereader.h"
#include "audio/core/outputformat.h"
#include "audio/tags/audioinformation.h"
#include "join/copyjoinparts.h"
#include "join/flaccopyjoin.h"
#include "join/joinobserver.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

constexpr int kRate = 44100;
constexpr int kFrameBytes = 4;  // 16-bit stereo
constexpr int kPauseMs = 50;
constexpr qint64 kPause = kRate * kPauseMs / 1000;

class CopyObserver : public JoinObserver {
public:
    bool rowStarts(int row) override
    {
        events << QString("row %1").arg(row);
        return true;
    }
    void rowCopying(int row) override { events << QString("copying %1").arg(row); }
    bool blockStarts() override { return ++blocks != stopAtBlock; }
    void blockWritten(qint64 processed, qint64 total) override
    {
        EXPECT_GT(processed, lastProcessed);
        EXPECT_LE(processed, total);
        lastProcessed = processed;
    }
    void rowEnds(int row) override { events << QString("end %1").arg(row); }
    void rowMeasuring(int) override {}
    void rowMeasured(int) override {}
    void measured(qint64, qint64) override {}
    bool measuringGoesOn() override { return true; }

    QStringList events;
    int blocks = 0;
    int stopAtBlock = -1;
    qint64 lastProcessed = 0;
};

// The bodies of a FLAC file's frames, headers and CRC-16 left out, of those
// that lie wholly after its first skipHead samples and before its last
// skipTail; no block but the last is shorter than 16 samples.
QList<QByteArray> frameBodies(const QString &path, qint64 skipHead = 0, qint64 skipTail = 0)
{
    QList<QByteArray> bodies;
    FlacFrameReader reader(path);
    qint64 lastBlock = 16;
    for (qint64 at = 0; const auto frame = reader.next(); at += lastBlock) {
        EXPECT_GE(lastBlock, 16) << path.toStdString() << " at " << at;
        lastBlock = frame->header.blockFrames();
        if (at < skipHead || at + lastBlock > reader.statedSamples() - skipTail)
            continue;
        bodies << QByteArray(reinterpret_cast<const char *>(frame->data)
                                 + frame->header.headerBytes(),
                             frame->size - frame->header.headerBytes() - 2);
    }
    return bodies;
}

class FlacCopyJoinTest : public testing::Test {
protected:
    QString flac(const QString &name, qint64 frames, int rate = kRate)
    {
        return Tones::write(dir.filePath(name), ToneFormat::Flac, rate, 2, double(frames) / rate);
    }

    CopyJoinOutcome join(const QStringList &inputs, CopyObserver &observer, bool keep = true,
                         bool copy = true)
    {
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        writer.setFlacFormat(kRate, 2, 16, 5);
        JoinJob job;
        job.inputs = inputs;
        for (const QString &input : inputs) {
            AudioFile file;
            file.openFile(input, 0, 1);
            job.totalFrames += file.sampleCount();
            file.closeFile();
        }
        job.outputPath = output;
        job.chapters = true;
        job.copy = copy;
        job.pauseMilliseconds = kPauseMs;
        job.crossfadeMilliseconds = crossfadeMs;
        job.keepStoppedOutput = keep;
        job.tags.title = QStringLiteral("Joined");
        JoinRun run(reader, writer, information);
        run.run(job, observer);
        return {run.stopped(), run.outputCreated(), run.tagsStored(), run.copiedRows(),
                run.encodedRows()};
    }

    // Checks the output's STREAMINFO against its decoded audio, which it returns.
    QByteArray checkedAudio()
    {
        const QByteArray audio = decodePcmChecked(output);
        QFile file(output);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray info = file.read(42).mid(8);
        const auto *data = reinterpret_cast<const quint8 *>(info.constData());
        EXPECT_EQ(qint64(qFromBigEndian<quint64>(data + 10) & 0xFFFFFFFFFLL),
                  audio.size() / kFrameBytes);
        EXPECT_EQ(info.mid(18, 16), QCryptographicHash::hash(audio, QCryptographicHash::Md5));
        return audio;
    }

    QTemporaryDir dir;
    QString output = dir.filePath("joined.flac");
    int crossfadeMs = 0;
};

// Whether every frame of the copied input outside the spans is in the output
// as it was, in order.
bool keepsFrames(const QList<QByteArray> &joined, const QList<QByteArray> &own)
{
    // The tones all start alike: their first frames are the same.
    qsizetype first = -1;
    do
        first = joined.indexOf(own.first(), first + 1);
    while (first >= 0 && joined.mid(first, own.size()) != own);
    return first >= 0;
}

TEST_F(FlacCopyJoinTest, CopiesTheLongestFormatsFramesAndEncodesTheRestInOneExactStream)
{
    // Ten whole blocks and a last one of 10 samples, which no frame may follow.
    const QString a = flac("a.flac", 10 * 4608 + 10);
    const QString wav =
        Tones::write(dir.filePath("w.wav"), ToneFormat::Wav16, kRate, 2, 20000.0 / kRate);
    const QString b = flac("b.flac", 30001);
    const QString other = flac("h.flac", 48000, 48000);
    const QString c = flac("c.flac", 12345);
    const QStringList inputs{a, wav, b, other, c};
    CopyObserver observer;
    const CopyJoinOutcome outcome = join(inputs, observer);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_TRUE(outcome.tagsStored);
    EXPECT_EQ(outcome.copiedRows, 3);
    EXPECT_EQ(outcome.encodedRows, 2);
    EXPECT_EQ(observer.events,
              QStringList({"row 0", "copying 0", "end 0", "row 1", "end 1", "row 2", "copying 2",
                           "end 2", "row 3", "end 3", "row 4", "copying 4", "end 4"}));

    const QByteArray audio = checkedAudio();
    const QByteArray pause(kPause * kFrameBytes, char(0));
    QList<qint64> starts;
    qint64 at = 0;
    for (const QString &input : inputs) {
        if (at > 0) {
            EXPECT_EQ(audio.mid(at, pause.size()), pause);
            at += pause.size();
        }
        starts << at / kFrameBytes;
        const QByteArray expected = decodePcm(input);
        if (input == other) {
            at += (48000 * kRate / 48000) * kFrameBytes;  // 1 s at the output's rate
            continue;
        }
        EXPECT_TRUE(audio.mid(at, expected.size()) == expected) << input.toStdString();
        at += expected.size();
    }
    EXPECT_EQ(at, audio.size());

    const MediaInfo info = probeMedia(output);
    ASSERT_EQ(info.chapters.size(), inputs.size());
    for (int row = 0; row < inputs.size(); ++row)
        EXPECT_NEAR(info.chapters[row].start, double(starts[row]) / kRate, 1e-3) << row;
    EXPECT_EQ(info.tags.title, "Joined");

    // Every frame of the copied inputs is there as it was, but a's short last one.
    const QList<QByteArray> joined = frameBodies(output);
    EXPECT_TRUE(keepsFrames(joined, frameBodies(a, 0, 10)));
    EXPECT_TRUE(keepsFrames(joined, frameBodies(b)));
    EXPECT_TRUE(keepsFrames(joined, frameBodies(c)));
}

TEST_F(FlacCopyJoinTest, ACrossfadeEncodesOnlyTheFramesItMixes)
{
    crossfadeMs = 200;  // wins over the pause
    const qint64 crossfade = kRate / 5;
    const QStringList inputs{flac("a.flac", 100000), flac("b.flac", 90000),
                             Tones::write(dir.filePath("w.wav"), ToneFormat::Wav16, 22050, 1, 2),
                             flac("c.flac", 80000)};
    CopyObserver observer;
    EXPECT_EQ(join(inputs, observer).copiedRows, 3);
    const QByteArray copied = checkedAudio();
    const QList<QByteArray> joined = frameBodies(output);
    EXPECT_TRUE(keepsFrames(joined, frameBodies(inputs[0], 0, crossfade)));
    EXPECT_TRUE(keepsFrames(joined, frameBodies(inputs[1], crossfade, crossfade)));
    EXPECT_TRUE(keepsFrames(joined, frameBodies(inputs[3], crossfade, 0)));
    EXPECT_FALSE(keepsFrames(joined, frameBodies(inputs[3])));
    const QList<ProbedChapter> chapters = probeMedia(output).chapters;

    // As the join that encodes everything mixes it, but for its rounding.
    CopyObserver encoding;
    EXPECT_EQ(join(inputs, encoding, true, false).copiedRows, 0);
    const QByteArray encoded = decodePcm(output);
    ASSERT_EQ(copied.size(), encoded.size());
    EXPECT_EQ(copied.size(), (270000 + 88200 - 3 * crossfade) * kFrameBytes);
    const auto *left = reinterpret_cast<const qint16 *>(copied.constData());
    const auto *right = reinterpret_cast<const qint16 *>(encoded.constData());
    qsizetype differing = 0;
    for (qsizetype at = 0; at < copied.size() / 2; ++at)
        differing += std::abs(left[at] - right[at]) > 1;
    EXPECT_EQ(differing, 0);
    const QList<ProbedChapter> encodedChapters = probeMedia(output).chapters;
    ASSERT_EQ(chapters.size(), inputs.size());
    ASSERT_EQ(encodedChapters.size(), inputs.size());
    for (int row = 0; row < inputs.size(); ++row)
        EXPECT_DOUBLE_EQ(chapters[row].start, encodedChapters[row].start);
}

TEST_F(FlacCopyJoinTest, AStopKeepsACompleteShorterFileOrLeavesTheOldOneAsItWas)
{
    const QStringList inputs{flac("a.flac", 100000), flac("b.flac", 100000),
                             Tones::write(dir.filePath("w.wav"), ToneFormat::Wav16, 22050, 1, 2)};
    CopyObserver observer;
    observer.stopAtBlock = 4;  // in the second row, past its first block
    EXPECT_TRUE(join(inputs, observer).stopped);
    const QByteArray audio = checkedAudio();
    EXPECT_EQ(audio.left(100000 * kFrameBytes), decodePcm(inputs[0]));
    // A copied block is whole frames, of 4608 samples here.
    EXPECT_EQ(audio.size(), (100000 + kPause + (65536 + 4607) / 4608 * 4608) * kFrameBytes);
    EXPECT_EQ(probeMedia(output).chapters.size(), 2);

    QFile::remove(output);
    QFile::copy(inputs[2], output);
    CopyObserver dropping;
    dropping.stopAtBlock = 4;
    const CopyJoinOutcome dropped = join(inputs, dropping, false);
    EXPECT_TRUE(dropped.stopped);
    QFile old(output);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    QFile wav(inputs[2]);
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), wav.readAll());
}

}  // namespace

TEST_F(FlacCopyJoinTest, AnInputWithALoudnessGainIsEncodedAtIt)
{
    const QStringList inputs{flac("a.flac", 30000), flac("b.flac", 30000)};
    JoinJob job;
    job.inputs = inputs;
    job.totalFrames = 60000;
    job.outputPath = output;
    job.copy = true;
    const OutputFormat format = OutputFormat::flac(kRate, 2, 16, 5);
    const std::vector<float> gains{1.0F, 0.5F};
    AudioInformation information;
    CopyObserver observer;
    const std::optional<CopyJoinOutcome> outcome =
        FlacCopyJoin({job, format, gains, information, observer}).run();
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->copiedRows, 1);
    EXPECT_EQ(outcome->encodedRows, 1);
    const QByteArray audio = checkedAudio();
    const QByteArray a = decodePcm(inputs[0]);
    EXPECT_EQ(audio.left(a.size()), a);
    const QByteArray b = decodePcm(inputs[1]);
    ASSERT_EQ(audio.size(), a.size() + b.size());
    const auto *halved = reinterpret_cast<const qint16 *>(audio.constData() + a.size());
    const auto *whole = reinterpret_cast<const qint16 *>(b.constData());
    for (qsizetype at = 0; at < b.size() / 2; ++at)
        ASSERT_LE(std::abs(2 * halved[at] - whole[at]), 1) << at;
}
