// The cover: a picture is known by its bytes and refused naming the file; the
// automatic choice takes an input's embedded picture before a picture file
// beside the first input. (Each format's writing: the join and command-line suites.)

#include "audio/core/audioerror.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/coverfinder.h"
#include "support/pictures.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSize>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

using Pictures::encoded;

void expectRefused(const QString &path, const char *why)
{
    try {
        CoverPicture::fromFile(path);
        ADD_FAILURE() << "accepted " << path.toStdString();
    } catch (const AudioError &error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(path.toStdString()), std::string::npos) << text;
        EXPECT_NE(text.find(why), std::string::npos) << text;
    }
}

TEST(CoverPictureTest, TheBytesNotTheNameMakeAPictureAndOthersAreRefused)
{
    QTemporaryDir dir;
    const QByteArray jpeg = encoded("JPEG", qRgb(200, 10, 10));
    const CoverPicture named = CoverPicture::fromFile(Pictures::write(dir.filePath("a.png"), jpeg));
    EXPECT_EQ(named.mimeType, QStringLiteral("image/jpeg"));
    EXPECT_EQ(named.data, jpeg);
    const CoverPicture png = CoverPicture::fromFile(
        Pictures::write(dir.filePath("b.jpg"), encoded("PNG", qRgb(1, 2, 3))));
    EXPECT_EQ(png.mimeType, QStringLiteral("image/png"));
    EXPECT_EQ(QSize(png.width, png.height), QSize(6, 4));

    expectRefused(Pictures::write(dir.filePath("notes.jpg"), "text"), "not a JPEG or PNG");
    expectRefused(Pictures::write(dir.filePath("anim.jpg"), Pictures::kGifHead),
                  "not a JPEG or PNG");
    expectRefused(dir.filePath("missing.png"), "missing.png");
    // Never read: a device never ends, a pipe may never even open.
    expectRefused("/dev/zero", "not a regular file");
    const QString pipe = dir.filePath("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    expectRefused(pipe, "not a regular file");
    // Sparse, a JPEG's bytes first: one byte past the limit, then just at it.
    QFile huge(Pictures::write(dir.filePath("huge.jpg"), jpeg));
    ASSERT_TRUE(huge.resize(CoverPicture::kMaxBytes + 1));
    expectRefused(huge.fileName(), "larger than 16 MiB");
    ASSERT_TRUE(huge.resize(CoverPicture::kMaxBytes));
    const CoverPicture largest = CoverPicture::fromFile(huge.fileName());
    EXPECT_EQ(largest.data.size(), CoverPicture::kMaxBytes);
    // A FLAC block's 24-bit length holds all but the largest, with their header.
    EXPECT_FALSE(largest.fitsFlacBlock());
    EXPECT_TRUE(named.fitsFlacBlock());
}

TEST(CoverFinderTest, EmbeddedBeforeAFileBesideWhoseNameIsInAnyCase)
{
    QTemporaryDir dir;
    QStringList inputs;
    for (const char *name : {"1.mp3", "2.mp3", "3.mp3"})
        inputs << Tones::write(dir.filePath(name), ToneFormat::Mp3, 44100, 1, 0.2);
    const QByteArray red = encoded("PNG", qRgb(255, 0, 0));
    const QByteArray green = encoded("JPEG", qRgb(0, 255, 0));
    const QByteArray blue = encoded("PNG", qRgb(0, 0, 255));
    const auto embed = [](const QString &path, const QByteArray &bytes) {
        AudioInformation information;
        information.setCover(CoverPicture::fromBytes(bytes));
        information.writeTags(path);
    };
    const QStringList folders{dir.path()};
    EXPECT_FALSE(CoverFinder::automatic(inputs, folders));

    Pictures::write(dir.filePath("FOLDER.JPG"), green);
    EXPECT_EQ(CoverFinder::automatic(inputs, folders)->data, green);
    Pictures::write(dir.filePath("Cover.Png"), blue);
    EXPECT_EQ(CoverFinder::automatic(inputs, folders)->data, blue);
    // A candidate that is no picture is passed over for the next.
    Pictures::write(dir.filePath("cover.JPG"), "not a picture");
    EXPECT_EQ(CoverFinder::automatic(inputs, folders)->data, blue);

    embed(inputs.at(2), green);
    embed(inputs.at(1), red);
    EXPECT_EQ(CoverFinder::automatic(inputs, folders)->data, red);
    EXPECT_EQ(CoverFinder::automatic({inputs.at(0), inputs.at(2)}, folders)->data, green);

    EXPECT_FALSE(CoverFinder::resolve(CoverChoice::none(), inputs, folders));
    EXPECT_THROW(
        CoverFinder::resolve(CoverChoice::chosen(dir.filePath("cover.JPG")), inputs, folders),
        AudioError);
}

}  // namespace
