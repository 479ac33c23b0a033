// The cover: pictures are known by their bytes and refused naming the file,
// the automatic choice takes an input's embedded picture before a picture file
// beside the first input, and each of the six formats stores it where FFmpeg
// finds it as the attached picture.

#include "audio/core/audioerror.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/coverfinder.h"
#include "audio/tags/coverpicture.h"
#include "support/mediaprobe.h"
#include "support/pictures.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray picture(const char *format, QRgb colour)
{
    return Pictures::encoded(format, colour);
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// The refusal names the file and says why.
void expectRefused(const QString &path, const char *why)
{
    try {
        CoverPicture::fromFile(path);
        ADD_FAILURE() << "accepted " << path.toStdString();
    } catch (const AudioError &error) {
        EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos);
        EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << error.what();
    }
}

TEST(CoverPictureTest, TheBytesNotTheNameMakeAPictureAndOthersAreRefused)
{
    QTemporaryDir dir;
    const QByteArray jpeg = picture("JPEG", qRgb(200, 10, 10));
    const CoverPicture named = CoverPicture::fromFile(writeFile(dir.filePath("a.png"), jpeg));
    EXPECT_EQ(named.mimeType, QStringLiteral("image/jpeg"));
    EXPECT_EQ(named.data, jpeg);
    const CoverPicture png =
        CoverPicture::fromFile(writeFile(dir.filePath("b.jpg"), picture("PNG", qRgb(1, 2, 3))));
    EXPECT_EQ(png.mimeType, QStringLiteral("image/png"));
    EXPECT_EQ(png.width, 6);
    EXPECT_EQ(png.height, 4);

    expectRefused(writeFile(dir.filePath("notes.jpg"), "just some text\n"), "not a JPEG or PNG");
    expectRefused(writeFile(dir.filePath("anim.jpg"), QByteArray("GIF89a\x06\x00\x04\x00", 10)),
                  "not a JPEG or PNG");
    expectRefused(dir.filePath("missing.png"), "missing.png");
    // Sparse: one byte past the limit, holding a JPEG's first bytes.
    QFile huge(writeFile(dir.filePath("huge.jpg"), jpeg));
    ASSERT_TRUE(huge.resize(CoverPicture::kMaxBytes + 1));
    expectRefused(huge.fileName(), "larger than 16 MiB");
    ASSERT_TRUE(huge.resize(CoverPicture::kMaxBytes));
    EXPECT_EQ(CoverPicture::fromFile(huge.fileName()).data.size(), CoverPicture::kMaxBytes);
}

class CoverSourcesTest : public testing::Test {
protected:
    QString input(const char *name)
    {
        return Tones::write(dir.filePath(QLatin1String(name)), ToneFormat::Mp3, 44100, 1, 0.2);
    }

    void embed(const QString &path, const QByteArray &bytes)
    {
        AudioInformation information;
        information.setCover(CoverPicture::fromBytes(bytes));
        information.writeTags(path);
    }

    QTemporaryDir dir;
    const QByteArray red = picture("PNG", qRgb(255, 0, 0));
    const QByteArray green = picture("JPEG", qRgb(0, 255, 0));
    const QByteArray blue = picture("PNG", qRgb(0, 0, 255));
};

TEST_F(CoverSourcesTest, EmbeddedBeforeAFileBesideAndFileNamesInAnyCase)
{
    const QStringList inputs{input("1.mp3"), input("2.mp3"), input("3.mp3")};
    EXPECT_FALSE(CoverFinder::automatic(inputs));

    writeFile(dir.filePath("FOLDER.JPG"), green);
    EXPECT_EQ(CoverFinder::automatic(inputs)->data, green);
    writeFile(dir.filePath("Cover.Png"), blue);
    EXPECT_EQ(CoverFinder::automatic(inputs)->data, blue);
    // A candidate that is no picture is passed over for the next.
    writeFile(dir.filePath("cover.JPG"), "not a picture");
    EXPECT_EQ(CoverFinder::automatic(inputs)->data, blue);

    // The first input holding a picture wins over every file beside.
    embed(inputs.at(2), green);
    embed(inputs.at(1), red);
    EXPECT_EQ(CoverFinder::automatic(inputs)->data, red);
    EXPECT_EQ(CoverFinder::automatic({inputs.at(0), inputs.at(2)})->data, green);

    EXPECT_FALSE(CoverFinder::resolve(CoverChoice::none(), inputs));
    const QString chosen = writeFile(dir.filePath("chosen.png"), blue);
    EXPECT_EQ(CoverFinder::resolve(CoverChoice::chosen(chosen), inputs)->data, blue);
    EXPECT_THROW(CoverFinder::resolve(CoverChoice::chosen(dir.filePath("cover.JPG")), inputs),
                 AudioError);
}

struct CoverFormat {
    const char *name;
    ToneFormat format;
    const char *extension;
};

void PrintTo(const CoverFormat &format, std::ostream *out)
{
    *out << format.name;
}

class CoverWritingTest : public testing::TestWithParam<CoverFormat> {};

TEST_P(CoverWritingTest, TheCoverIsTheAttachedPictureAndNoneRemovesIt)
{
    QTemporaryDir dir;
    const QString path = Tones::write(dir.filePath(QStringLiteral("out") + GetParam().extension),
                                      GetParam().format, 44100, 2, 0.5);
    const qint64 frames = probeMedia(path).decodedFrames;
    const QByteArray jpeg = picture("JPEG", qRgb(9, 99, 199));
    AudioInformation information;
    information.setProperty(QStringLiteral("infoTitle"), QStringLiteral("With a cover"));
    information.setCover(CoverPicture::fromBytes(jpeg));
    ASSERT_TRUE(information.writeTags(path));
    MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.attachedPicture, jpeg);
    EXPECT_EQ(info.tags.title, QStringLiteral("With a cover"));
    EXPECT_EQ(CoverFinder::embedded(path)->data, jpeg);

    information.setCover(std::nullopt);
    ASSERT_TRUE(information.writeTags(path));
    info = probeMedia(path);
    EXPECT_TRUE(info.attachedPicture.isEmpty());
    EXPECT_EQ(info.decodedFrames, frames);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, CoverWritingTest,
                         testing::Values(CoverFormat{"Mp3", ToneFormat::Mp3, ".mp3"},
                                         CoverFormat{"Wav", ToneFormat::Wav16, ".wav"},
                                         CoverFormat{"Ogg", ToneFormat::Ogg, ".ogg"},
                                         CoverFormat{"Wma", ToneFormat::Wma, ".wma"},
                                         CoverFormat{"Flac", ToneFormat::Flac, ".flac"},
                                         CoverFormat{"M4b", ToneFormat::M4b, ".m4b"}));

}  // namespace
