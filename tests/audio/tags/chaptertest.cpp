// The writer stores a join's chapters where each output format keeps them, so
// that FFmpeg reads them back with their titles at their times; stamping the
// tags afterwards keeps them, and they keep the tags.

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/tags/audioinformation.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 6.0;
// ID3v2 and Xiph times are whole milliseconds; so are the ASF packet times
// FFmpeg gives the decoded audio, against which ASF markers are measured.
constexpr double kTolerance = 0.0011;

qint64 frames(double seconds)
{
    return Tones::frameCount(kRate, seconds);
}

// Three chapters over the whole output: one title beyond Latin-1 and, as UTF-16,
// longer than 127 bytes (so an ID3v2.3 size written the ID3v2.4 way shows).
ChapterList threeChapters()
{
    return {{QStringLiteral("Opening"), 0, frames(1.5)},
            {QString(70, QChar(0x263A)) + QStringLiteral(" Ünïcödé"), frames(1.5), frames(4.25)},
            {QStringLiteral("Last"), frames(4.25), frames(kSeconds)}};
}

QString extension(ToneFormat format)
{
    switch (format) {
    case ToneFormat::Mp3:
        return QStringLiteral(".mp3");
    case ToneFormat::Ogg:
        return QStringLiteral(".ogg");
    case ToneFormat::Wma:
        return QStringLiteral(".wma");
    case ToneFormat::Flac:
        return QStringLiteral(".flac");
    case ToneFormat::M4b:
        return QStringLiteral(".m4b");
    default:
        break;
    }
    return QStringLiteral(".wav");
}

// Every format's times count from the first frame of audio. FFmpeg ends the
// last ASF marker where the stream ends, past the audio by the encoder's
// padding, and decodes ASF's padding and MP4's last AAC frame whole.
void expectChapters(const QString &path, const ChapterList &expected)
{
    const MediaInfo info = probeMedia(path);
    const bool asf = info.container == QLatin1String("asf");
    const bool padded = asf || info.codec == QLatin1String("aac");
    ASSERT_EQ(info.chapters.size(), expected.size()) << path.toStdString();
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(info.chapters[i].title, expected[i].title) << "chapter " << i;
        EXPECT_NEAR(info.chapters[i].start, double(expected[i].startFrame) / kRate, kTolerance)
            << "chapter " << i;
        if (!asf || i + 1 < expected.size()) {
            EXPECT_NEAR(info.chapters[i].end, double(expected[i].endFrame) / kRate, kTolerance)
                << "chapter " << i;
        }
    }
    if (padded)
        EXPECT_GE(info.decodedFrames, frames(kSeconds)) << "the audio is whole";
    else
        EXPECT_EQ(info.decodedFrames, frames(kSeconds)) << "the audio is whole";
}

class ChapterFormats : public testing::TestWithParam<ToneFormat> {
protected:
    // A tone with `planned` given before createFile (when not empty) and `final`
    // before CloseFile.
    QString write(const ChapterList &planned, const ChapterList &final)
    {
        Tones::Hooks hooks;
        if (!planned.isEmpty())
            hooks.beforeCreate = [&](AudioFile &writer) { writer.setChapters(planned); };
        hooks.beforeClose = [&](AudioFile &writer) { writer.setChapters(final); };
        return Tones::write(m_dir.filePath(QStringLiteral("joined") + extension(GetParam())),
                            GetParam(), kRate, 2, kSeconds, hooks);
    }

    QTemporaryDir m_dir;
};

TEST_P(ChapterFormats, ChaptersReadBackWithTheirTitlesAtTheirTimes)
{
    expectChapters(write({}, threeChapters()), threeChapters());
}

TEST_P(ChapterFormats, StampingTheTagsKeepsTheChaptersAndTheChaptersKeepTheTags)
{
    const QString path = write({}, threeChapters());
    AudioInformation information;
    information.setProperty(QStringLiteral("infoTitle"), QStringLiteral("The whole book"));
    information.setProperty(QStringLiteral("infoArtist"), QStringLiteral("A reader"));
    information.writeTags(path);

    expectChapters(path, threeChapters());
    const MediaInfo info = probeMedia(path);
    EXPECT_EQ(info.tags.title, QStringLiteral("The whole book"));
    EXPECT_EQ(info.tags.artist, QStringLiteral("A reader"));
}

TEST_P(ChapterFormats, OneChapterStoresNoChapterList)
{
    expectChapters(write({}, {{QStringLiteral("Only"), 0, frames(kSeconds)}}), {});
}

// A stopped join announced all its inputs and then gives the ones it wrote.
TEST_P(ChapterFormats, TheListGivenBeforeCloseReplacesThePlannedOne)
{
    ChapterList planned = threeChapters();
    planned.append({QStringLiteral("Never written"), frames(kSeconds), frames(2 * kSeconds)});
    const ChapterList stopped = {threeChapters()[0],
                                 {QStringLiteral("Cut short"), frames(1.5), frames(kSeconds)}};
    expectChapters(write(planned, stopped), stopped);
}

// A chapter starts where its audio is heard: silence, then a tone from a
// chapter's start, decoded whole from the first frame on. Lossy encoders smear
// the tone's onset by a few milliseconds.
TEST_P(ChapterFormats, AChapterStartsWhereItsAudioDecodes)
{
    constexpr double kSilence = 1.5;
    constexpr float kHeard = 0.05F;
    const QString path = m_dir.filePath(QStringLiteral("onset") + extension(GetParam()));
    Tones::Hooks hooks;
    hooks.beforeClose = [&](AudioFile &writer) {
        writer.setChapters({{QStringLiteral("Silence"), 0, frames(kSilence)},
                            {QStringLiteral("Tone"), frames(kSilence), frames(kSeconds)}});
    };
    hooks.silentSeconds = kSilence;
    Tones::write(path, GetParam(), kRate, 2, kSeconds, hooks);

    AudioFile reader;
    reader.openFile(path);
    qint64 onset = -1;
    for (qint64 frame = 0; onset < 0;) {
        const SampleArray block = reader.readSamples(kRate);
        ASSERT_FALSE(block.empty()) << "no tone decoded";
        const auto heard = std::find_if(block.begin(), block.end(),
                                        [&](float sample) { return std::abs(sample) > kHeard; });
        if (heard != block.end())
            onset = frame + (heard - block.begin()) / 2;
        frame += qint64(block.size()) / 2;
    }
    const MediaInfo info = probeMedia(path);
    ASSERT_EQ(info.chapters.size(), 2);
    EXPECT_NEAR(info.chapters[1].start, double(onset) / kRate, 0.004);
    // Players that follow ASF's timestamps rather than count samples agree.
    if (info.container == QLatin1String("asf")) {
        EXPECT_NEAR(info.firstFrameTime, 0.0, kTolerance) << "the decoded audio starts late";
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ChapterFormats,
                         testing::Values(ToneFormat::Mp3, ToneFormat::Ogg, ToneFormat::Wav16,
                                         ToneFormat::Wma, ToneFormat::Flac, ToneFormat::M4b),
                         [](const testing::TestParamInfo<ToneFormat> &format) {
                             return extension(format.param).mid(1).toStdString();
                         });

// Apple's players read the chapter track, most others the Nero list: both stand
// in the index, which stays in front of the audio, and the length stays exact.
TEST(M4bChapters, BothListsStandInTheIndexInFrontAndTheLengthStaysExact)
{
    QTemporaryDir dir;
    Tones::Hooks hooks;
    hooks.beforeClose = [&](AudioFile &writer) { writer.setChapters(threeChapters()); };
    const QString path = Tones::write(dir.filePath(QStringLiteral("book.m4b")), ToneFormat::M4b,
                                      kRate, 2, kSeconds, hooks);
    const QList<Mp4Box> boxes = mp4TopLevelBoxes(path);
    ASSERT_GE(boxes.size(), 3);
    ASSERT_EQ(boxes[1].type, "moov");
    ASSERT_EQ(boxes.last().type, "mdat");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray index = file.read(boxes.last().offset);
    EXPECT_TRUE(index.contains("tref") && index.contains("chap")) << "no chapter track";
    EXPECT_TRUE(index.contains("chpl")) << "no Nero chapter list";

    AudioFile reader;
    reader.openFile(path);
    EXPECT_EQ(reader.sampleCount(), frames(kSeconds));
}

// The titles of an M4B's Nero chapter list, as stored.
QList<QByteArray> neroChapterTitles(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    // After the type: version and flags, 4 reserved bytes, the count; then per
    // chapter a 64-bit start, the title's length in 8 bits and the title.
    qsizetype at = bytes.indexOf("chpl") + 13;
    const int count = at >= 13 && at < bytes.size() ? quint8(bytes[at - 1]) : 0;
    QList<QByteArray> titles;
    for (int i = 0; i < count && at + 9 <= bytes.size(); ++i) {
        const int length = quint8(bytes[at + 8]);
        titles << bytes.mid(at + 9, length);
        at += 9 + length;
    }
    return titles;
}

// Titles longer than an M4B's chapter lists hold are cut between two
// characters, and both lists agree.
TEST(ChapterTitles, OverLongM4bTitlesAreCutBetweenCharacters)
{
    QTemporaryDir dir;
    const QStringList titles = {QString(70000, QChar(0xE9)),
                                QStringLiteral("a") + QString(100, QChar(0x20AC))};
    Tones::Hooks hooks;
    hooks.beforeClose = [&](AudioFile &writer) {
        writer.setChapters({{titles[0], 0, frames(2.0)}, {titles[1], frames(2.0), frames(4.0)}});
    };
    const QString path = Tones::write(dir.filePath(QStringLiteral("long.m4b")), ToneFormat::M4b,
                                      kRate, 2, kSeconds, hooks);
    const MediaInfo info = probeMedia(path);  // from the chapter track
    const QList<QByteArray> nero = neroChapterTitles(path);
    ASSERT_EQ(info.chapters.size(), 2);
    ASSERT_EQ(nero.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QString &read = info.chapters[i].title;
        EXPECT_TRUE(titles[i].startsWith(read)) << i;
        EXPECT_GT(read.size(), 0) << i;
        EXPECT_EQ(nero[i], read.toUtf8()) << i;
    }
}

// Chapters that do not fit the output are cut to it or left out, never stored
// pointing past the audio. MP3 stores the ends, so they show too.
TEST(ChapterFitting, ChaptersAreCutToTheOutputOrLeftOut)
{
    QTemporaryDir dir;
    const ChapterList given = {
        {QStringLiteral("Second"), frames(2.0), frames(9.0)},  // ends past the output
        {QStringLiteral("First"), frames(-1.0), frames(2.0)},  // starts before it, out of order
        {QStringLiteral("Backwards"), frames(3.0), frames(2.5)},
        {QStringLiteral("Beyond"), frames(kSeconds), frames(kSeconds + 1.0)},
    };
    Tones::Hooks hooks;
    hooks.beforeClose = [&](AudioFile &writer) { writer.setChapters(given); };
    const QString path = Tones::write(dir.filePath(QStringLiteral("a.mp3")), ToneFormat::Mp3, kRate,
                                      2, kSeconds, hooks);
    expectChapters(path, {{QStringLiteral("First"), 0, frames(2.0)},
                          {QStringLiteral("Second"), frames(2.0), frames(kSeconds)}});
    EXPECT_EQ(probeMedia(path).id3TableOfContents, QStringList({"ch1", "ch2"}));
}

// Chapters are planned before the file exists, in the rate it will have.
TEST(ChapterFitting, TheOutputRateIsKnownOnceAFormatIsChosen)
{
    QTemporaryDir dir;
    AudioFile writer;
    EXPECT_THROW(writer.outputSampleRate(), AudioError);
    writer.setWmaFormat(1);
    const int wmaRate = writer.outputSampleRate();
    writer.createFile(dir.filePath(QStringLiteral("a.wma")));
    EXPECT_EQ(writer.outputSampleRate(), wmaRate);
    writer.closeFile();
    EXPECT_EQ(probeMedia(dir.filePath(QStringLiteral("a.wma"))).sampleRate, wmaRate);
    writer.setWavFormat(22050, 1, 16);
    EXPECT_EQ(writer.outputSampleRate(), 22050);
}

}  // namespace
