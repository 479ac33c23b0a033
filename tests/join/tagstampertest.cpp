#include "join/tagstamper.h"
#include "audio/core/audioerror.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/tagreader.h"
#include "audio/tags/tagvalues.h"
#include "settings/valuelists.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct OutputKind {
    const char *name;
    ToneFormat format;
    const char *extension;
};

void PrintTo(const OutputKind &kind, std::ostream *out)
{
    *out << kind.name;
}

class TagStamperTest : public testing::TestWithParam<OutputKind> {
protected:
    // A one-second output of the parameter's format, as a join leaves it.
    QString joinedFile()
    {
        const OutputKind &kind = GetParam();
        return Tones::write(dir.filePath(QStringLiteral("joined") + QLatin1String(kind.extension)),
                            kind.format, 44100, 2, 1.0);
    }

    ProbedTags stampAndRead(const TagValues &values)
    {
        const QString path = joinedFile();
        stampTags(information, values, path, path);
        return probeMedia(path).tags;
    }

    QTemporaryDir dir;
    AudioInformation information;
};

TEST_P(TagStamperTest, StampsEveryValue)
{
    TagValues values;
    values.title = QStringLiteral("Joined Ünïcødé ☃");
    values.artist = QStringLiteral("Some Artist");
    values.album = QStringLiteral("Some Album");
    values.comment = QStringLiteral("Stamped after the join");
    values.genreIndex = 17;
    values.genreText = QStringLiteral("Rock");
    values.year = 1999;
    values.track = 7;
    const ProbedTags tags = stampAndRead(values);
    ASSERT_TRUE(tags.present);
    EXPECT_EQ(tags.title, values.title);
    EXPECT_EQ(tags.artist, values.artist);
    EXPECT_EQ(tags.album, values.album);
    EXPECT_EQ(tags.comment, values.comment);
    EXPECT_EQ(tags.genre, QStringLiteral("Rock"));
    EXPECT_EQ(tags.year, 1999u);
    EXPECT_EQ(tags.track, 7u);
}

TEST_P(TagStamperTest, InitialValuesStampYearAndTheGenreNumber)
{
    const ProbedTags tags = stampAndRead(TagValues());
    EXPECT_EQ(tags.title, QString());
    EXPECT_EQ(tags.genre, QStringLiteral("Other"));
    EXPECT_EQ(tags.year, 2006u);
    EXPECT_EQ(tags.track, 0u);
}

TEST_P(TagStamperTest, NoGenreStampsNoGenre)
{
    TagValues values;
    values.genreIndex = TagValues::kNoGenre;
    values.genreText.clear();
    const QString path = joinedFile();
    stampTags(information, values, path, path);
    const MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.tags.genre, QString());
    // The 16-bit -1 must not turn into genre 0 in the ID3v1 tag either.
    EXPECT_NE(info.id3v1.genre, QStringLiteral("Blues"));
    EXPECT_EQ(info.tags.year, 2006u);
}

TEST_P(TagStamperTest, GenreNumberAndTrackGoAsTheirLow16Bits)
{
    TagValues values;
    values.genreIndex = 0x10000 + 8;  // "Jazz"
    values.track = 0x10000 + 5;
    const ProbedTags tags = stampAndRead(values);
    EXPECT_EQ(tags.genre, QStringLiteral("Jazz"));
    EXPECT_EQ(tags.track, 5u);
}

// The book tags where each format keeps them, as FFmpeg and our reader see
// them, and a genre typed outside the list stored as its text.
TEST_P(TagStamperTest, StampsTheBookTagsAndATypedGenre)
{
    TagValues values;
    values.genreIndex = TagValues::kNoGenre;
    values.genreText = QStringLiteral("Audiobook");
    const BookTags book{QStringLiteral("Nora Ölund"), QStringLiteral("Read by Sam Vance"),
                        QStringLiteral("A long description.\nOn two lines."),
                        QStringLiteral("The Tide Books"), QStringLiteral("3")};
    values.albumArtist = book.albumArtist;
    values.composer = book.composer;
    values.description = book.description;
    values.series = book.series;
    values.seriesPart = book.seriesPart;
    const QString path = joinedFile();
    stampTags(information, values, path, path);

    EXPECT_EQ(TagReader::bookTags(path), book);
    const MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.tags.genre, values.genreText);
    const OutputKind &kind = GetParam();
    // FFmpeg reads a WAV's INFO list only, which has no such fields.
    if (kind.format != ToneFormat::Wav16) {
        EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("album_artist")), book.albumArtist);
        EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("composer")), book.composer);
    }
    if (kind.format == ToneFormat::M4b) {
        EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("media_type")), QStringLiteral("2"));
    }
    if (kind.format == ToneFormat::M4b || kind.format == ToneFormat::Mp3) {
        EXPECT_EQ(info.ffmpegTags.value(QStringLiteral("grouping")), book.series);
    }
    if (kind.format == ToneFormat::Mp3) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        // The series' movement frame, which FFmpeg does not show, survives the
        // save as ID3v2.3 (the reader falls back to TIT1 without it).
        EXPECT_TRUE(file.read(4096).contains("MVNM"));
        ASSERT_TRUE(file.seek(file.size() - 1));
        EXPECT_EQ(static_cast<unsigned char>(file.read(1).at(0)), 255) << "no ID3v1 number";
    }
}

INSTANTIATE_TEST_SUITE_P(AllOutputFormats, TagStamperTest,
                         testing::Values(OutputKind{"Mp3", ToneFormat::Mp3, ".mp3"},
                                         OutputKind{"Wav", ToneFormat::Wav16, ".wav"},
                                         OutputKind{"Wma", ToneFormat::Wma, ".wma"},
                                         OutputKind{"Ogg", ToneFormat::Ogg, ".ogg"},
                                         OutputKind{"Flac", ToneFormat::Flac, ".flac"},
                                         OutputKind{"M4b", ToneFormat::M4b, ".m4b"}),
                         [](const testing::TestParamInfo<OutputKind> &test) {
                             return test.param.name;
                         });

TEST(TagStamperFailureTest, AWriterFailureIsNotSwallowed)
{
    QTemporaryDir dir;
    AudioInformation information;
    EXPECT_THROW(stampTags(information, TagValues(), dir.filePath(QStringLiteral("missing.mp3")),
                           dir.filePath(QStringLiteral("missing.mp3"))),
                 AudioError);
}

// Each genre the tag dialog offers: the ID3v1 tag, whose genre is the last byte
// of the file, holds its number, and the ID3v2 tag its caption.
TEST(TagStamperGenreTest, EveryListedGenreReachesBothMp3Tags)
{
    QTemporaryDir dir;
    const QString path =
        Tones::write(dir.filePath(QStringLiteral("joined.mp3")), ToneFormat::Mp3, 22050, 1, 0.2);
    AudioInformation information;
    const QStringList captions = ValueLists::genreCaptions();
    for (int index = 0; index < captions.size(); ++index) {
        TagValues values;
        values.genreIndex = index;
        values.genreText = captions[index];
        stampTags(information, values, path, path);

        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(file.seek(file.size() - 128));
        const QByteArray id3v1 = file.read(128);
        ASSERT_TRUE(id3v1.startsWith("TAG"));
        EXPECT_EQ(static_cast<unsigned char>(id3v1.back()), index) << qPrintable(captions[index]);
        EXPECT_EQ(probeMedia(path).tags.genre, captions[index]);
    }
}

}  // namespace
