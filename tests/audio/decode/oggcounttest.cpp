// The length of an OGG file from its pages, and when its last page does not tell
// the truth: a chained file (one stream after another) must not lose its second
// half, and a last page that claims far too much must not make endless silence.

#include "audio/audiofile.h"
#include "audio/decode/oggpagescanner.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The page checksum of the OGG format: CRC-32, polynomial 0x04c11db7, not reflected.
quint32 oggCrc(const QByteArray &page)
{
    quint32 crc = 0;
    for (char byte : page) {
        crc ^= quint32(static_cast<unsigned char>(byte)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

// Rewrites the last page through change, then mends its checksum.
template <typename Change>
QByteArray withLastPage(QByteArray file, Change change)
{
    const qsizetype page = file.lastIndexOf("OggS");
    const int segments = static_cast<unsigned char>(file[page + 26]);
    qsizetype length = 27 + segments;
    for (int i = 0; i < segments; ++i)
        length += static_cast<unsigned char>(file[page + 27 + i]);
    change(file.data() + page);
    qToLittleEndian<quint32>(0, file.data() + page + 22);
    qToLittleEndian<quint32>(oggCrc(file.mid(page, length)), file.data() + page + 22);
    return file;
}

// Moves every audio page's granule position (the frames up to the page's end)
// on by shift, as in a stream cut out of a longer one: it starts later than 0.
QByteArray withGranulesShifted(QByteArray file, qint64 shift)
{
    for (qsizetype page = 0; page + 27 <= file.size();) {
        const int segments = static_cast<unsigned char>(file[page + 26]);
        qsizetype length = 27 + segments;
        for (int i = 0; i < segments; ++i)
            length += static_cast<unsigned char>(file[page + 27 + i]);
        const qint64 granule = qFromLittleEndian<qint64>(file.constData() + page + 6);
        if (granule > 0)
            qToLittleEndian<qint64>(granule + shift, file.data() + page + 6);
        qToLittleEndian<quint32>(0, file.data() + page + 22);
        qToLittleEndian<quint32>(oggCrc(file.mid(page, length)), file.data() + page + 22);
        page += length;
    }
    return file;
}

// Sets the granule position of the last page.
QByteArray withLastGranule(const QByteArray &file, quint64 granule)
{
    return withLastPage(file,
                        [granule](char *page) { qToLittleEndian<quint64>(granule, page + 6); });
}

struct Read {
    qint64 sampleCount = 0;
    qint64 framesRead = 0;
};

Read readThrough(const QString &path)
{
    AudioFile reader;
    reader.openFile(path, 0, 1);
    Read result;
    result.sampleCount = reader.sampleCount();
    for (SampleArray block = reader.readSamples(65536); !block.empty();
         block = reader.readSamples(65536))
        result.framesRead += qint64(block.size()) / reader.blockAlign();
    return result;
}

}  // namespace

TEST(OggLength, ChainedFileKeepsEveryLink)
{
    QTemporaryDir dir;
    const QString first = Tones::write(dir.filePath("a.ogg"), ToneFormat::Ogg, 44100, 2, 3.0);
    const QString second = Tones::write(dir.filePath("b.ogg"), ToneFormat::Ogg, 44100, 2, 2.0);
    const QString chained = dir.filePath("chained.ogg");
    writeFile(chained, readFile(first) + readFile(second));

    const Read read = readThrough(chained);
    EXPECT_EQ(read.framesRead, read.sampleCount);
    // Nothing is lost; the second link may bring a few frames of its decoder's start.
    EXPECT_GE(read.sampleCount, Tones::frameCount(44100, 5.0));
    EXPECT_LE(read.sampleCount, Tones::frameCount(44100, 5.0) + 2048);
    EXPECT_EQ(read.sampleCount, probeMedia(chained).decodedFrames);
}

TEST(OggLength, LastPageClaimingTooMuchGivesWhatDecodes)
{
    QTemporaryDir dir;
    const QString tone = Tones::write(dir.filePath("a.ogg"), ToneFormat::Ogg, 44100, 2, 3.0);
    const QString crafted = dir.filePath("crafted.ogg");
    writeFile(crafted, withLastGranule(readFile(tone), quint64(1) << 40));

    const Read read = readThrough(crafted);
    EXPECT_EQ(read.framesRead, read.sampleCount);
    EXPECT_LT(read.sampleCount, Tones::frameCount(44100, 3.0) + 8192);
    AudioFile reader;
    reader.openFile(crafted, 0, 1);
    EXPECT_LT(reader.duration(), 4000);
}

TEST(OggLength, PagesGiveWhatDecodes)
{
    QTemporaryDir dir;
    for (const auto &[format, rate, channels] :
         {std::tuple{ToneFormat::Ogg, 44100, 2}, std::tuple{ToneFormat::Ogg, 22050, 1},
          std::tuple{ToneFormat::Opus, 48000, 2}, std::tuple{ToneFormat::OggFlac, 44100, 1}}) {
        const QString file = Tones::write(dir.filePath("t.ogg"), format, rate, channels, 2.1);
        const auto pages = OggPageScanner::scan(file);
        ASSERT_TRUE(pages) << rate;
        const qint64 decoded = probeMedia(file).decodedFrames;
        EXPECT_EQ(pages->lastGranule - pages->startGranule - pages->preSkip, decoded) << rate;
        EXPECT_EQ(readThrough(file).sampleCount, decoded) << rate;
    }
}

TEST(OggLength, StreamStartingLaterThanZeroCountsFromItsStart)
{
    QTemporaryDir dir;
    for (ToneFormat format : {ToneFormat::Ogg, ToneFormat::Opus, ToneFormat::OggFlac}) {
        const QString file = Tones::write(dir.filePath("a"), format, 48000, 2, 1.5);
        writeFile(dir.filePath("b"), withGranulesShifted(readFile(file), 48000 * 60));
        ASSERT_TRUE(OggPageScanner::scan(dir.filePath("b")));
        const Read read = readThrough(dir.filePath("b"));
        EXPECT_EQ(read.sampleCount, readThrough(file).sampleCount);
        EXPECT_EQ(read.sampleCount, probeMedia(dir.filePath("b")).decodedFrames);
    }
}

TEST(OggLength, PagesThatCannotBeTrustedAreNotUsed)
{
    QTemporaryDir dir;
    for (ToneFormat format : {ToneFormat::Ogg, ToneFormat::Opus}) {
        const QByteArray whole = readFile(Tones::write(dir.filePath("a"), format, 48000, 2, 2.0));
        ASSERT_TRUE(OggPageScanner::scan(dir.filePath("a")));
        QByteArray damaged = whole;
        damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x20);
        const QByteArray withoutEnd =
            withLastPage(whole, [](char *page) { page[5] = char(page[5] & ~0x04); });
        for (const QByteArray &bytes :
             {whole + whole, damaged, whole.left(whole.size() - 100), withoutEnd,
              withLastGranule(whole, quint64(1) << 40), whole + QByteArray(128, 'x')}) {
            writeFile(dir.filePath("b"), bytes);
            EXPECT_FALSE(OggPageScanner::scan(dir.filePath("b")));
            const Read read = readThrough(dir.filePath("b"));
            EXPECT_EQ(read.framesRead, read.sampleCount);
        }
    }
}
