// Stamping the tags of a long join must not rewrite its audio: the writer
// leaves room for the tag in front of an MP3, and puts nothing of its own in
// front of a WAV's audio, so the tag writer only touches the file's edges.

#include "audio/audiofile.h"
#include "audio/tags/audioinformation.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

void stampTitle(const QString &path, int commentLength = 300)
{
    AudioInformation information;
    information.setProperty(QStringLiteral("infoTitle"), QStringLiteral("A title of some length"));
    information.setProperty(QStringLiteral("infoArtist"), QStringLiteral("An artist"));
    information.setProperty(QStringLiteral("infoComments"),
                            QString(commentLength, QLatin1Char('c')));
    information.setinfoYear(2024);
    // The book's tags take their room too, a long description among them.
    information.setProperty(QStringLiteral("infoAlbumArtist"), QStringLiteral("An album artist"));
    information.setProperty(QStringLiteral("infoComposer"), QStringLiteral("A narrator"));
    information.setProperty(QStringLiteral("infoDescription"), QString(1500, QLatin1Char('d')));
    information.setProperty(QStringLiteral("infoSeries"), QStringLiteral("A series"));
    information.setProperty(QStringLiteral("infoSeriesPart"), QStringLiteral("12"));
    information.writeTags(path);
}

QByteArray bytes(const QString &path, qint64 offset, qint64 length)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    file.seek(offset);
    return file.read(length);
}

// Offset of the first chunk with that id in a RIFF file, or -1.
qint64 chunkOffset(const QString &path, const QByteArray &id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 position = 12;
    while (position + 8 <= file.size()) {
        file.seek(position);
        const QByteArray header = file.read(8);
        if (header.left(4) == id)
            return position;
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + 4);
        position += 8 + size + (size & 1);
    }
    return -1;
}

}  // namespace

TEST(StampInPlace, Mp3AudioStaysWhereItIsAndOnlyTheTagChanges)
{
    QTemporaryDir dir;
    // Long enough that the tag writer keeps the room it finds (it gives up room
    // beyond a hundredth of the file).
    const QString path = Tones::write(dir.filePath("a.mp3"), ToneFormat::Mp3, 44100, 2, 30.0);
    const qint64 before = QFileInfo(path).size();
    const QByteArray tail = bytes(path, before - 4096, 4096);
    stampTitle(path);
    // Only the ID3v1 tag is added at the end; the tag in front kept its size.
    EXPECT_EQ(QFileInfo(path).size(), before + 128);
    EXPECT_EQ(bytes(path, before - 4096, 4096), tail);
}

// Chapters announced before CreateFile get room of their own, so the room for
// the tag stays free for the stamping: a long comment still fits in place.
TEST(StampInPlace, Mp3ChaptersAnnouncedBeforehandLeaveTheTagRoomFree)
{
    QTemporaryDir dir;
    constexpr int kChapters = 40;
    ChapterList chapters;
    for (int i = 0; i < kChapters; ++i)
        chapters.append({QStringLiteral("Chapter %1 of a long book").arg(i + 1),
                         Tones::frameCount(44100, 0.3 * i),
                         Tones::frameCount(44100, 0.3 * (i + 1))});
    Tones::Hooks hooks;
    hooks.beforeCreate = [&](AudioFile &writer) { writer.setChapters(chapters); };
    hooks.beforeClose = [&](AudioFile &writer) { writer.setChapters(chapters); };
    const QString path =
        Tones::write(dir.filePath("a.mp3"), ToneFormat::Mp3, 44100, 2, 30.0, hooks);
    const qint64 before = QFileInfo(path).size();
    const QByteArray tail = bytes(path, before - 4096, 4096);
    stampTitle(path, 1100);
    EXPECT_EQ(QFileInfo(path).size(), before + 128);
    EXPECT_EQ(bytes(path, before - 4096, 4096), tail);
}

TEST(StampInPlace, WavAudioIsNotMovedByTheTags)
{
    QTemporaryDir dir;
    const QString path = Tones::write(dir.filePath("a.wav"), ToneFormat::Wav16, 44100, 2, 2.0);
    const qint64 data = chunkOffset(path, "data");
    ASSERT_GT(data, 0);
    EXPECT_EQ(chunkOffset(path, "LIST"), -1) << "nothing of the muxer's own in front of the audio";
    const QByteArray audio = bytes(path, data, 64 * 1024);
    stampTitle(path);
    EXPECT_EQ(chunkOffset(path, "data"), data);
    EXPECT_EQ(bytes(path, data, 64 * 1024), audio);
    EXPECT_GT(chunkOffset(path, "LIST"), data);
}
