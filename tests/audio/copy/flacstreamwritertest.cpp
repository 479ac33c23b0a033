// FLAC inputs joined frame by frame decode to the inputs' own samples, with
// every frame's CRCs and the STREAMINFO right; a damaged input is refused by
// name and leaves no output.

#include "audio/copy/flacstreamwriter.h"
#include "audio/audiofile.h"
#include "audio/copy/flacframereader.h"
#include "audio/core/audioerror.h"
#include "audio/decode/flacframeheader.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBits = 24;
constexpr int kDecodedBytes = 4;  // the decoder gives 24 bits in 32
constexpr qint64 kStreamInfoAt = 8;
constexpr qint64 kFramesAt = 42;  // after "fLaC" and the one STREAMINFO block

// A tone, starting at frame `from` of it, in a FLAC file of the program's own
// writer; the compression level sets its block size.
QString writeFlac(const QString &path, int level, qint64 from, qint64 frames)
{
    AudioFile writer;
    writer.setFlacFormat(kRate, kChannels, kBits, level);
    writer.setInputFormat(kRate, kChannels);
    writer.createFile(path);
    writer.writeSamples(Tones::samples(kRate, kChannels, from, frames));
    writer.closeFile();
    return path;
}

// The inputs' frames, every one copied, into target.
void copyAll(const QStringList &inputs, const QString &target)
{
    FlacStreamWriter writer(target, FlacFrameReader(inputs.first()).format(), 5);
    for (const QString &input : inputs) {
        FlacFrameReader reader(input);
        qint64 at = 0;
        while (const auto frame = reader.next()) {
            writer.copyFrame(*frame, input, at);
            at += frame->header.blockFrames();
        }
    }
    writer.finish();
    writer.commit();
}

struct StreamInfo {
    qint64 minBlock, maxBlock, total;
    QByteArray md5;
};

StreamInfo readStreamInfo(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(kFramesAt);
    EXPECT_TRUE(head.startsWith("fLaC"));
    const auto *info = reinterpret_cast<const quint8 *>(head.constData() + kStreamInfoAt);
    return {qFromBigEndian<quint16>(info), qFromBigEndian<quint16>(info + 2),
            qint64(qFromBigEndian<quint64>(info + 10) & 0xFFFFFFFFFLL),
            head.mid(kStreamInfoAt + 18)};
}

// The MD5 over the samples as FLAC takes them: 3 little-endian bytes each.
QByteArray md5Of24Bit(const QByteArray &decoded)
{
    QByteArray samples;
    for (qsizetype at = 0; at < decoded.size(); at += kDecodedBytes)
        samples += decoded.mid(at + 1, 3);
    return QCryptographicHash::hash(samples, QCryptographicHash::Md5);
}

TEST(FlacStreamWriterTest, JoinsFramesOfEveryBlockSizeIntoOneExactStream)
{
    QTemporaryDir dir;
    // Lengths that are no multiple of any block size, so inner inputs end in short blocks.
    const QStringList inputs{writeFlac(dir.filePath("a.flac"), 0, 0, 57330),
                             writeFlac(dir.filePath("b.flac"), 5, 9000, 30870),
                             writeFlac(dir.filePath("c.flac"), 0, 3000, 92610)};
    QByteArray expected;
    qint64 minBlock = 1 << 16;
    QList<qint64> blocks;
    for (const QString &input : inputs) {
        const QByteArray pcm = decodePcm(input);
        expected += pcm;
        blocks << readStreamInfo(input).maxBlock;
        const qint64 lastBlock = pcm.size() / kDecodedBytes / kChannels % blocks.last();
        minBlock = std::min(minBlock,
                            input == inputs.last() || lastBlock == 0 ? blocks.last() : lastBlock);
    }
    ASSERT_NE(blocks[0], blocks[1]);
    const QString joined = dir.filePath("joined.flac");
    copyAll(inputs, joined);

    EXPECT_EQ(decodePcmChecked(joined), expected);
    const StreamInfo info = readStreamInfo(joined);
    EXPECT_EQ(info.total, expected.size() / kDecodedBytes / kChannels);
    EXPECT_EQ(info.md5, md5Of24Bit(expected));
    EXPECT_EQ(info.minBlock, minBlock);
    EXPECT_EQ(info.maxBlock, *std::max_element(blocks.cbegin(), blocks.cend()));

    // A header renumbered at each width of the coded number reads back as written.
    QFile file(joined);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(file.seek(kFramesAt));
    const QByteArray frame = file.read(64);
    const auto *data = reinterpret_cast<const quint8 *>(frame.constData());
    const auto header = FlacFrameHeader::parse(data, frame.size(), 0);
    ASSERT_TRUE(header);
    for (int bits : {0, 7, 11, 16, 21, 26, 31, 36}) {
        for (qint64 number : {(qint64(1) << bits) - 1, qint64(1) << bits}) {
            const QByteArray renumbered = header->renumbered(data, number % (qint64(1) << 36));
            const auto back = FlacFrameHeader::parse(
                reinterpret_cast<const quint8 *>(renumbered.constData()), renumbered.size(), 0);
            ASSERT_TRUE(back) << number;
            EXPECT_EQ(back->firstFrame(), number % (qint64(1) << 36));
            EXPECT_EQ(back->blockFrames(), header->blockFrames());
        }
    }
}

TEST(FlacStreamWriterTest, TakesWhatFitsAndRefusesTheRestByName)
{
    QTemporaryDir dir;
    // Whole blocks only, so a join of it holds one block size but for the last.
    const QString good = writeFlac(dir.filePath("good.flac"), 0, 0, 17 * 1152);
    const QString joined = dir.filePath("joined.flac");
    // Copies with an ID3v1 tag at the end (no damage), two bytes changed, the end cut off.
    const QStringList copies{dir.filePath("tagged.flac"), dir.filePath("damaged.flac"),
                             dir.filePath("cut.flac")};
    for (const QString &copy : copies) {
        QFile::copy(good, copy);
        QFile file(copy);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        if (copy == copies[2]) {
            file.resize(file.size() - 300);
        } else {
            file.seek(copy == copies[0] ? file.size() : file.size() / 2);
            file.write(copy == copies[0] ? "TAG" + QByteArray(125, ' ') : "zz");
        }
    }
    copyAll({copies[0], good}, joined);
    EXPECT_EQ(decodePcmChecked(joined), decodePcm(good) + decodePcm(good));
    // Still a stream of variable block size, not one a reader takes for fixed.
    const StreamInfo info = readStreamInfo(joined);
    EXPECT_EQ(info.maxBlock, readStreamInfo(good).maxBlock);
    EXPECT_LT(info.minBlock, info.maxBlock);
    QFile::remove(joined);

    for (const QString &culprit : {copies[1], copies[2]}) {
        try {
            copyAll({good, culprit}, joined);
            ADD_FAILURE() << "accepted " << culprit.toStdString();
        } catch (const AudioError &error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(culprit)) << error.what();
        }
        EXPECT_FALSE(QFile::exists(joined));
    }
}

}  // namespace
