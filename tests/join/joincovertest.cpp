// A chosen cover is checked again by the join itself, before it writes: the
// file may have changed since it was chosen. (Each format carrying the cover,
// the copy joins included: the command-line suite.)

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
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

TEST(JoinCoverTest, AChosenFileThatTurnedIntoNoPictureStopsTheJoinBeforeItWrites)
{
    QTemporaryDir dir;
    JoinJob job;
    job.inputs << Tones::write(dir.filePath("a.wav"), ToneFormat::Wav16, 8000, 1, 0.2);
    job.totalFrames = Tones::frameCount(8000, 0.2);
    job.outputPath = dir.filePath("book.wav");
    const QString chosen = Pictures::write(dir.filePath("front.png"), Pictures::kGifHead);
    job.tags.cover = CoverChoice::chosen(chosen);
    AudioFile reader;
    AudioFile writer;
    AudioInformation information;
    writer.setWavFormat(8000, 1, 16);
    CountingObserver observer;
    JoinRun run(reader, writer, information);
    try {
        run.run(job, observer);
        ADD_FAILURE() << "joined with a GIF for its cover";
    } catch (const AudioError &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(chosen)) << error.what();
    }
    EXPECT_EQ(observer.rows, 0);
    EXPECT_FALSE(run.outputCreated());
    EXPECT_FALSE(QFile::exists(job.outputPath));

    // Turned back into a picture, it is the output's attached picture.
    const QByteArray png = Pictures::encoded("PNG", qRgb(10, 20, 30));
    Pictures::write(chosen, png);
    run.run(job, observer);
    EXPECT_EQ(probeMedia(job.outputPath).attachedPicture, png);
}

}  // namespace
