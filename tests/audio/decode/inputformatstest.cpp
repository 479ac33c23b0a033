// The inputs the program reads but does not write: each counted exactly, with
// the encoder's delay and padding left out where the file says how (so a join
// adds no silence), read to exactly that length, and its title tag read back.

#include "audio/audiofile.h"
#include "audio/tags/tagreader.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <string>

namespace {

constexpr double kSeconds = 1.3;

struct Read {
    qint64 sampleCount = 0;
    int sampleRate = 0;
    int channels = 0;
    SampleArray samples;
    qint64 frames() const { return channels ? qint64(samples.size()) / channels : 0; }
};

Read readAll(const QString &path)
{
    AudioFile reader;
    reader.openFile(path, 0, 1);
    Read read;
    read.sampleCount = reader.sampleCount();
    read.sampleRate = reader.sampleRate();
    read.channels = reader.channels();
    for (SampleArray block; !(block = reader.readSamples(44100)).empty();)
        read.samples.insert(read.samples.end(), block.begin(), block.end());
    return read;
}

// How far the samples read stray from the tone written: small when they start
// where the tone starts, large when an encoder's delay was left in or cut twice.
double rmsFromTone(const Read &read)
{
    const SampleArray tone = Tones::samples(read.sampleRate, read.channels, 0, read.frames());
    double sum = 0;
    for (size_t i = 0; i < tone.size(); ++i)
        sum += std::pow(double(read.samples[i]) - tone[i], 2);
    return tone.empty() ? 1.0 : std::sqrt(sum / double(tone.size()));
}

enum class Gapless {
    Both,         // delay and padding are known and FFmpeg drops both
    DelayOnly,    // FFmpeg drops the priming; the reader stops before the padding
    NotRecorded,  // nothing says where the audio starts and ends
};

struct FormatCase {
    ToneFormat format;
    int sampleRate;
    int channels;
    Gapless gapless;
    const char *name;
};

class InputFormatTest : public testing::TestWithParam<FormatCase> {
protected:
    QString writeTone() const
    {
        const FormatCase c = GetParam();
        return Tones::write(m_dir.filePath(QString::fromLatin1(c.name)), c.format, c.sampleRate,
                            c.channels, kSeconds);
    }
    QTemporaryDir m_dir;
};

TEST_P(InputFormatTest, CountsExactlyTheAudioWritten)
{
    const FormatCase c = GetParam();
    const QString file = writeTone();
    const Read read = readAll(file);
    EXPECT_EQ(read.sampleRate, c.sampleRate);
    EXPECT_EQ(read.channels, c.channels);
    EXPECT_EQ(read.frames(), read.sampleCount);
    const qint64 decoded = probeMedia(file).decodedFrames;
    switch (c.gapless) {
    case Gapless::Both:
        EXPECT_EQ(read.sampleCount, decoded);
        break;
    case Gapless::DelayOnly:
        EXPECT_GT(decoded, read.sampleCount) << "the padding is decoded but not read";
        break;
    case Gapless::NotRecorded:
        EXPECT_EQ(read.sampleCount, decoded);
        return;
    }
    EXPECT_EQ(read.sampleCount, Tones::frameCount(c.sampleRate, kSeconds));
    EXPECT_LT(rmsFromTone(read), 0.05) << "the audio does not start where the tone does";
}

TEST_P(InputFormatTest, ReadsItsTitle)
{
    const QString file = writeTone();
    EXPECT_EQ(TagReader::title(file), QString());
    const QString title = QStringLiteral("Ça ira — 第一");
    Tones::setTitle(file, title);
    EXPECT_EQ(TagReader::title(file), title);
    // The name says nothing about the content.
    const QString misnamed = m_dir.filePath(QStringLiteral("misnamed.wma"));
    ASSERT_TRUE(QFile::copy(file, misnamed));
    EXPECT_EQ(TagReader::title(misnamed), title);
}

// Album artist and composer as another program tags them, in each format's
// own field.
TEST_P(InputFormatTest, ReadsItsBookTags)
{
    if (GetParam().format == ToneFormat::Adts)
        GTEST_SKIP() << "TagLib tags no ADTS file by name";
    const QString file = writeTone();
    EXPECT_EQ(TagReader::bookTags(file), BookTags());
    Tones::setProperties(file, {{"ALBUMARTIST", "Nora Ölund"}, {"COMPOSER", "Sam Vance"}});
    const BookTags book = TagReader::bookTags(file);
    EXPECT_EQ(book.albumArtist, "Nora Ölund");
    EXPECT_EQ(book.composer, "Sam Vance");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, InputFormatTest,
    testing::Values(FormatCase{ToneFormat::Flac, 44100, 2, Gapless::Both, "a.flac"},
                    FormatCase{ToneFormat::Flac, 22050, 1, Gapless::Both, "b.flac"},
                    FormatCase{ToneFormat::OggFlac, 44100, 2, Gapless::Both, "c.oga"},
                    FormatCase{ToneFormat::Opus, 48000, 2, Gapless::Both, "a.opus"},
                    FormatCase{ToneFormat::Opus, 48000, 1, Gapless::Both, "b.opus"},
                    FormatCase{ToneFormat::M4a, 44100, 2, Gapless::DelayOnly, "a.m4a"},
                    FormatCase{ToneFormat::M4a, 22050, 1, Gapless::DelayOnly, "b.m4b"},
                    FormatCase{ToneFormat::M4aTaggedGapless, 44100, 2, Gapless::DelayOnly, "c.m4a"},
                    FormatCase{ToneFormat::Adts, 44100, 2, Gapless::NotRecorded, "a.aac"},
                    FormatCase{ToneFormat::Aiff, 44100, 2, Gapless::Both, "a.aiff"},
                    FormatCase{ToneFormat::Aiff, 8000, 1, Gapless::Both, "b.aif"},
                    // The formats of old, for their titles (their counts are tested elsewhere).
                    FormatCase{ToneFormat::Mp3, 44100, 2, Gapless::NotRecorded, "a.mp3"},
                    FormatCase{ToneFormat::Wav16, 44100, 2, Gapless::Both, "a.wav"},
                    FormatCase{ToneFormat::Ogg, 44100, 2, Gapless::Both, "a.ogg"},
                    FormatCase{ToneFormat::Wma, 44100, 2, Gapless::NotRecorded, "a.wma"}),
    [](const auto &test) {
        std::string name = test.param.name;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

TEST(TagReader, FilesWithoutTagsOrAudioHaveNoTitle)
{
    QTemporaryDir dir;
    EXPECT_EQ(TagReader::title(dir.filePath(QStringLiteral("missing.flac"))), QString());
    QFile text(dir.filePath(QStringLiteral("list.m4a")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("ftypM4A  but only a shopping list\n");
    text.close();
    EXPECT_EQ(TagReader::title(text.fileName()), QString());
    EXPECT_EQ(TagReader::title(dir.path()), QString());
}

}  // namespace
