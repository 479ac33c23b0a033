// A join's cover: each of the six outputs carries it, the copy joins included,
// and a chosen picture that cannot serve stops the join before it writes.

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/lameencoder.h"
#include "audio/core/outputformats.h"
#include "audio/tags/audioinformation.h"
#include "join/joinobserver.h"
#include "join/joinrun.h"
#include "support/mediaprobe.h"
#include "support/pictures.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

using Kind = OutputFormat::Kind;

class CountingObserver : public JoinObserver {
public:
    bool rowStarts(int) override { return ++rows > 0; }
    bool blockStarts() override { return true; }
    void blockWritten(qint64, qint64) override {}
    void rowEnds(int) override {}
    void rowMeasuring(int) override {}
    void rowMeasured(int) override {}
    void measured(qint64, qint64) override {}
    bool measuringGoesOn() override { return true; }

    int rows = 0;
};

struct CoverJoinCase {
    Kind kind;
    ToneFormat inputs;  // the output's own format where it copies: MP3 and FLAC
};

void PrintTo(const CoverJoinCase &join, std::ostream *out)
{
    *out << std::string(outputFormatInfo(join.kind).caption.data(),
                        outputFormatInfo(join.kind).caption.size());
}

void selectOutput(AudioFile &writer, Kind kind)
{
    switch (kind) {
    case Kind::Mp3:
        writer.setMp3Encoder(LameEncoder());
        break;
    case Kind::Wav:
        writer.setWavFormat(44100, 2, 16);
        break;
    case Kind::Wma:
        writer.setWmaFormat(1);
        break;
    case Kind::Ogg:
        writer.setOggFormat(44100, 2, 128, 128, 128, -1);
        break;
    case Kind::Flac:
        writer.setFlacFormat(44100, 2, 16, 5);
        break;
    case Kind::M4b:
        writer.setM4bFormat(44100, 2, 128);
        break;
    case Kind::None:
        break;
    }
}

class JoinCoverTest : public testing::TestWithParam<CoverJoinCase> {
protected:
    // Joins two inputs with the cover choice; the error it failed with, if any.
    QString join(const CoverChoice &cover)
    {
        const CoverJoinCase &param = GetParam();
        const QString extension = outputFormatInfo(param.kind).extension;
        JoinJob job;
        for (const char *name : {"a", "b"})
            job.inputs << Tones::write(dir.filePath(QLatin1String(name) + extension), param.inputs,
                                       44100, 2, 0.5);
        job.totalFrames = 2 * Tones::frameCount(44100, 0.5);
        job.outputPath = output;
        job.tags.cover = cover;
        job.keepStoppedOutput = false;
        job.copy = true;
        AudioFile reader;
        AudioFile writer;
        AudioInformation information;
        selectOutput(writer, param.kind);
        try {
            JoinRun run(reader, writer, information);
            run.run(job, observer);
            copiedRows = run.copiedRows();
        } catch (const AudioError &error) {
            writer.closeFile();
            return QString::fromUtf8(error.what());
        }
        return {};
    }

    QString file(const char *name, const QByteArray &bytes)
    {
        QFile out(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return out.fileName();
    }

    QTemporaryDir dir;
    QString output =
        dir.filePath(QStringLiteral("book") + outputFormatInfo(GetParam().kind).extension);
    CountingObserver observer;
    int copiedRows = 0;
};

TEST_P(JoinCoverTest, TheChosenCoverIsTheOutputsAttachedPicture)
{
    const QByteArray png = Pictures::encoded("PNG", qRgb(10, 20, 30));
    ASSERT_EQ(join(CoverChoice::chosen(file("front.png", png))), QString());
    const MediaInfo info = probeMedia(output);
    EXPECT_EQ(info.attachedPicture, png);
    EXPECT_EQ(info.decodedFrames > 0, true);
    const bool copies = GetParam().kind == Kind::Mp3 || GetParam().kind == Kind::Flac;
    EXPECT_EQ(copiedRows > 0, copies);
}

TEST_P(JoinCoverTest, AChosenFileThatIsNoPictureStopsTheJoinBeforeItWrites)
{
    const QString gif = file("anim.png", QByteArray("GIF89a\x06\x00\x04\x00", 10));
    const QString error = join(CoverChoice::chosen(gif));
    EXPECT_TRUE(error.contains(gif)) << error.toStdString();
    EXPECT_EQ(observer.rows, 0);
    EXPECT_FALSE(QFile::exists(output));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, JoinCoverTest,
                         testing::Values(CoverJoinCase{Kind::Mp3, ToneFormat::Mp3},
                                         CoverJoinCase{Kind::Wav, ToneFormat::Wav16},
                                         CoverJoinCase{Kind::Ogg, ToneFormat::Wav16},
                                         CoverJoinCase{Kind::Wma, ToneFormat::Wav16},
                                         CoverJoinCase{Kind::Flac, ToneFormat::Flac},
                                         CoverJoinCase{Kind::M4b, ToneFormat::Wav16}));

}  // namespace
