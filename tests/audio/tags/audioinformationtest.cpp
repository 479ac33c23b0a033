// The tag writer: all eight values reach each of the six formats as other
// readers see them, unset values leave their fields out, a second stamping
// replaces the first, the audio is untouched, and bad input fails naming the file.

#include "audio/tags/audioinformation.h"
#include "audio/core/audioerror.h"
#include "audio/tags/chapterwriter.h"
#include "audio/tags/tagreader.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <string>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr double kSeconds = 0.3;

struct FormatCase {
    const char *name;
    ToneFormat format;
    const char *extension;
};

void PrintTo(const FormatCase &formatCase, std::ostream *out)
{
    *out << formatCase.name;
}

struct Values {
    QString title;
    QString artist;
    QString album;
    QString comment;
    QString genreText;
    qint16 genre = -1;
    int year = 0;
    qint16 track = 0;
    QString description;
};

// The calls the join makes when it stamps its output, in its order.
void stamp(const QString &path, const Values &values)
{
    AudioInformation information;
    information.setProperty(QStringLiteral("infoTitle"), values.title);
    information.setProperty(QStringLiteral("infoArtist"), values.artist);
    information.setProperty(QStringLiteral("infoAlbum"), values.album);
    information.setinfoGenre(values.genre);
    information.setProperty(QStringLiteral("infoGenreS"), values.genreText);
    information.setProperty(QStringLiteral("infoComments"), values.comment);
    information.setinfoYear(values.year);
    information.setinfoTrack(values.track);
    information.setProperty(QStringLiteral("infoDescription"), values.description);
    information.writeTags(path);
}

Values fullValues()
{
    Values values;
    values.title = QStringLiteral("Über den Wolken – 東京");
    values.artist = QStringLiteral("The Testers");
    values.album = QStringLiteral("Joined Sessions");
    values.comment = QStringLiteral("joined on a test run");
    values.genreText = QStringLiteral("Jazz");
    values.genre = 8;
    values.year = 2006;
    values.track = 7;
    return values;
}

void expectTags(const ProbedTags &tags, const Values &values, const QString &expectedGenre)
{
    EXPECT_TRUE(tags.present);
    EXPECT_EQ(tags.title, values.title);
    EXPECT_EQ(tags.artist, values.artist);
    EXPECT_EQ(tags.album, values.album);
    EXPECT_EQ(tags.comment, values.comment);
    EXPECT_EQ(tags.genre, expectedGenre);
    EXPECT_EQ(tags.year, static_cast<unsigned>(values.year > 0 ? values.year : 0));
    EXPECT_EQ(tags.track, static_cast<unsigned>(values.track > 0 ? values.track : 0));
}

class AudioInformationTest : public testing::TestWithParam<FormatCase> {
protected:
    QString writeTone()
    {
        const QString path = m_dir.filePath(QStringLiteral("tone.") + GetParam().extension);
        return Tones::write(path, GetParam().format, kRate, kChannels, kSeconds);
    }

    bool isMp3() const { return GetParam().format == ToneFormat::Mp3; }
    bool isWav() const { return GetParam().format == ToneFormat::Wav16; }

    QTemporaryDir m_dir;
};

TEST_P(AudioInformationTest, StoresAllEightValuesAndLeavesTheAudioAlone)
{
    const QString path = writeTone();
    const qint64 framesBefore = probeMedia(path).decodedFrames;
    const Values values = fullValues();

    stamp(path, values);

    const MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.decodedFrames, framesBefore);
    expectTags(info.tags, values, values.genreText);
    if (isMp3() || isWav()) {
        EXPECT_EQ(info.id3v2Version, 3);
    }
    if (isWav())
        expectTags(info.riffInfo, values, values.genreText);
    if (isMp3()) {
        // ID3v1 holds Latin-1 only and knows genres by number.
        EXPECT_TRUE(info.id3v1.present);
        EXPECT_EQ(info.id3v1.artist, values.artist);
        EXPECT_EQ(info.id3v1.genre, values.genreText);
        EXPECT_EQ(info.id3v1.year, 2006u);
        EXPECT_EQ(info.id3v1.track, 7u);
    }
}

TEST_P(AudioInformationTest, UnsetValuesLeaveTheirFieldsOutAndReplaceAFormerTag)
{
    const QString path = writeTone();
    stamp(path, fullValues());

    Values unset;
    unset.title = QStringLiteral("Only a title");
    stamp(path, unset);

    const MediaInfo info = probeMedia(path);
    expectTags(info.tags, unset, QString());
    // Not even as a zero, which players show as a year or a track.
    for (auto tag = info.ffmpegTags.cbegin(); tag != info.ffmpegTags.cend(); ++tag)
        EXPECT_NE(tag.value(), QStringLiteral("0")) << qPrintable(tag.key());
    if (isWav())
        expectTags(info.riffInfo, unset, QString());
    if (isMp3()) {
        EXPECT_EQ(info.id3v1.title, unset.title);
        EXPECT_EQ(info.id3v1.genre, QString()) << "genre -1 must not read back as Blues";
        EXPECT_EQ(info.id3v1.year, 0u);
    }
}

TEST_P(AudioInformationTest, GenreNumberStandsInForAnEmptyGenreText)
{
    const QString path = writeTone();
    Values values;
    values.genre = 12;
    stamp(path, values);
    EXPECT_EQ(probeMedia(path).tags.genre, QStringLiteral("Other"));

    values.genre = 0;
    stamp(path, values);
    EXPECT_EQ(probeMedia(path).tags.genre, QStringLiteral("Blues"));

    values.genre = 300;
    stamp(path, values);
    EXPECT_FALSE(probeMedia(path).tags.present) << "a number outside the list stores no genre";
}

TEST_P(AudioInformationTest, AllEmptyValuesLeaveNoTag)
{
    const QString path = writeTone();
    stamp(path, fullValues());
    stamp(path, Values());

    const MediaInfo info = probeMedia(path);
    EXPECT_FALSE(info.tags.present);
    EXPECT_FALSE(info.riffInfo.present);
    EXPECT_FALSE(info.id3v1.present);
}

TEST_P(AudioInformationTest, FormatComesFromTheContentNotTheName)
{
    const QString written = writeTone();
    const QString misnamed = m_dir.filePath(QStringLiteral("misnamed.dat"));
    ASSERT_TRUE(QFile::rename(written, misnamed));
    const Values values = fullValues();

    stamp(misnamed, values);

    expectTags(probeMedia(misnamed).tags, values, values.genreText);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, AudioInformationTest,
                         testing::Values(FormatCase{"Mp3", ToneFormat::Mp3, "mp3"},
                                         FormatCase{"Wav", ToneFormat::Wav16, "wav"},
                                         FormatCase{"Ogg", ToneFormat::Ogg, "ogg"},
                                         FormatCase{"Wma", ToneFormat::Wma, "wma"},
                                         FormatCase{"Flac", ToneFormat::Flac, "flac"},
                                         FormatCase{"M4b", ToneFormat::M4b, "m4b"}),
                         [](const testing::TestParamInfo<FormatCase> &test) {
                             return std::string(test.param.name);
                         });

// The M4B index keeps room for the tags: stamping fills it in place, so the
// audio stays where it was and the gapless item stays.
TEST(M4bTagging, StampingKeepsTheAudioInPlaceAndTheGaplessItem)
{
    QTemporaryDir dir;
    const QString path = Tones::write(dir.filePath(QStringLiteral("book.m4b")), ToneFormat::M4b,
                                      kRate, kChannels, kSeconds);
    const qint64 audioAt = mp4TopLevelBoxes(path).last().offset;
    const QString gapless = probeMedia(path).ffmpegTags.value(QStringLiteral("itunsmpb"));
    Values values = fullValues();
    values.comment = QString(1000, QLatin1Char('c'));
    values.description = QString(1500, QLatin1Char('d'));

    stamp(path, values);

    EXPECT_EQ(mp4TopLevelBoxes(path).last().offset, audioAt);
    const MediaInfo info = probeMedia(path);
    EXPECT_FALSE(gapless.isEmpty());
    EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("itunsmpb")), gapless);
    expectTags(info.tags, values, values.genreText);
}

TEST(AudioInformationProperties, TheFiveNamesAreKnownAndOthersThrow)
{
    AudioInformation information;
    for (const char *name : {"infoTitle", "infoArtist", "infoAlbum", "infoComments", "infoGenreS"})
        EXPECT_NO_THROW(information.setProperty(QString::fromLatin1(name), QStringLiteral("x")));
    EXPECT_THROW(information.setProperty(QStringLiteral("infoYear"), QStringLiteral("2006")),
                 AudioError);
    EXPECT_THROW(information.setProperty(QStringLiteral("infotitle"), QStringLiteral("x")),
                 AudioError);
}

class AudioInformationFailures : public testing::Test {
protected:
    QString fileWith(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("input.mp3"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    void expectFailureNaming(const QString &path)
    {
        AudioInformation information;
        information.setProperty(QStringLiteral("infoTitle"), QStringLiteral("t"));
        try {
            information.writeTags(path);
            ADD_FAILURE() << "WriteTags succeeded on " << path.toStdString();
        } catch (const AudioError &error) {
            EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos)
                << error.what();
        }
    }

    QTemporaryDir m_dir;
};

TEST_F(AudioInformationFailures, TextFileIsRefused)
{
    const QString path = fileWith("These are not the frames you are looking for.\n");
    expectFailureNaming(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("These are not the frames you are looking for.\n"));
}

TEST_F(AudioInformationFailures, MissingAndEmptyFilesAreRefused)
{
    expectFailureNaming(m_dir.filePath(QStringLiteral("missing.mp3")));
    expectFailureNaming(fileWith(QByteArray()));
}

TEST_F(AudioInformationFailures, BrokenHeadersAreRefused)
{
    expectFailureNaming(fileWith(QByteArray("RIFF\x10\0\0\0WAVEjunk", 16)));
    expectFailureNaming(fileWith(QByteArray("OggS") + QByteArray(60, 'x')));
    expectFailureNaming(fileWith(QByteArray("RF64\xff\xff\xff\xffWAVEfmt ", 16)));
}

// RF64 is what the writer makes past 4 GiB; a small one has the same layout.
class Rf64Tagging : public testing::Test {
protected:
    static constexpr int kFrames = 4410;

    QString writeRf64()
    {
        const QByteArray audio(kFrames * kChannels * 2, '\x10');
        QByteArray bytes("RF64\xff\xff\xff\xffWAVE", 12);
        bytes += chunk("ds64", le64(0) + le64(quint64(audio.size())) + le64(kFrames) + le32(0));
        bytes += chunk("fmt ", le16(1) + le16(kChannels) + le32(kRate) + le32(kRate * kChannels * 2)
                                   + le16(kChannels * 2) + le16(16));
        bytes += QByteArray("data\xff\xff\xff\xff", 8) + audio;
        setRiffSize(bytes);
        const QString path = m_dir.filePath(QStringLiteral("long.wav"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    static quint64 ds64RiffSize(const QByteArray &bytes)
    {
        return qFromLittleEndian<quint64>(bytes.constData() + 20);
    }

    QTemporaryDir m_dir;

private:
    template <typename T>
    static QByteArray little(T value)
    {
        QByteArray bytes(sizeof(T), '\0');
        qToLittleEndian<T>(value, bytes.data());
        return bytes;
    }
    static QByteArray le16(quint16 value) { return little(value); }
    static QByteArray le32(quint32 value) { return little(value); }
    static QByteArray le64(quint64 value) { return little(value); }
    static QByteArray chunk(const char *id, const QByteArray &body)
    {
        return QByteArray(id, 4) + le32(quint32(body.size())) + body;
    }
    static void setRiffSize(QByteArray &bytes)
    {
        qToLittleEndian<quint64>(quint64(bytes.size() - 8), bytes.data() + 20);
    }
};

TEST_F(Rf64Tagging, TagsFollowTheAudioAndTheSizesStayRight)
{
    const QString path = writeRf64();
    const QByteArray before = fileBytes(path);
    Values values = fullValues();
    stamp(path, values);

    const QByteArray after = fileBytes(path);
    EXPECT_EQ(ds64RiffSize(after), quint64(after.size() - 8));
    QByteArray expectedStart = after.left(before.size());
    expectedStart.replace(20, 8, before.mid(20, 8));
    EXPECT_EQ(expectedStart, before) << "only the RIFF size changes before the tags";
    const MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.decodedFrames, kFrames);
    EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("title")), values.title);
    EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("artist")), values.artist);
    EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("album")), values.album);
    EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("genre")), values.genreText);
}

TEST_F(Rf64Tagging, ASecondStampingReplacesTheFirst)
{
    const QString path = writeRf64();
    const qint64 untaggedSize = QFileInfo(path).size();
    stamp(path, fullValues());
    Values second;
    second.title = QStringLiteral("Second");
    stamp(path, second);

    const QByteArray after = fileBytes(path);
    EXPECT_EQ(ds64RiffSize(after), quint64(after.size() - 8));
    EXPECT_EQ(after.count(QByteArray("INFO")), 1);
    const MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.decodedFrames, kFrames);
    EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("title")), second.title);
    EXPECT_FALSE(info.ffmpegTags.contains(QStringLiteral("artist")));

    stamp(path, Values());
    EXPECT_EQ(QFileInfo(path).size(), untaggedSize);
}

// TagLib does not walk RF64; the tag reader finds the title in its chunks.
TEST_F(Rf64Tagging, TitleReadsBackThroughTheTagReader)
{
    const QString path = writeRf64();
    EXPECT_EQ(TagReader::title(path), QString());
    stamp(path, fullValues());
    EXPECT_EQ(TagReader::title(path), fullValues().title);
}

// Chapters and tags share the chunks after the audio: each writer replaces its
// own and keeps the other's, in either order.
TEST_F(Rf64Tagging, ChaptersAndTagsKeepEachOther)
{
    const QString path = writeRf64();
    const auto writeChapters = [&](const QString &second) {
        ChapterWriter(path, path, OutputFormat::Kind::Wav, kRate)
            .write({{QStringLiteral("First"), 0, kFrames / 4}, {second, kFrames / 4, kFrames}},
                   kFrames);
    };
    writeChapters(QStringLiteral("Second"));
    stamp(path, fullValues());
    writeChapters(QStringLiteral("Renamed"));

    const QByteArray after = fileBytes(path);
    EXPECT_EQ(ds64RiffSize(after), quint64(after.size() - 8));
    EXPECT_EQ(after.count(QByteArray("cue ")), 1);
    const MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.decodedFrames, kFrames);
    EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("title")), fullValues().title);
    ASSERT_EQ(info.chapters.size(), 2);
    EXPECT_EQ(info.chapters[0].title, QStringLiteral("First"));
    EXPECT_EQ(info.chapters[1].title, QStringLiteral("Renamed"));
    EXPECT_DOUBLE_EQ(info.chapters[1].start, double(kFrames / 4) / kRate);
}

}  // namespace
