// The join run, end to end through the real main window: mixed inputs into
// every output format, the refusals and questions, Stop, and the resets; the
// measuring of a join that matches loudness.

#include "mainwindowfixture.h"

#include "join/joinrun.h"
#include "joinlist/joinlist.h"
#include "kit/themedprogressbar.h"
#include "platform/messages.h"
#include "player/menuactions.h"
#include "settings/settings.h"
#include "support/loudnessprobe.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include "audio/audiofile.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/tagreader.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>

namespace {

enum Format { Mp3 = 0, Wav = 1, Wma = 2, Ogg = 3, Flac = 4, M4b = 5 };

struct Input {
    QString path;
    qint64 frames;
    int rate;
};

class JoinTest : public MainWindowTest {
protected:
    QString outputFolder() const { return dataPath("out"); }

    // Settings with the output folder set, plus whatever the test adds.
    void settings(const QString &extra = QString())
    {
        writeSettingsText("[join]\noutput directory=" + outputFolder() + "\n" + extra);
    }

    Input input(const QString &name, ToneFormat format, int rate, int channels, double seconds)
    {
        const QString path = Tones::write(dataPath(name), format, rate, channels, seconds);
        AudioFile probe;
        probe.openFile(path, 0, 1);
        return {path, probe.sampleCount(), probe.sampleRate()};
    }

    // A tone of that loudness, three seconds of 44.1 kHz stereo.
    Input levelled(const QString &name, double lufs)
    {
        const SampleArray tone = LoudnessProbe::atLoudness(
            Tones::samples(44100, 2, 0, Tones::frameCount(44100, 3.0)), 44100, 2, lufs);
        const QString path = LoudnessProbe::writeWav(dataPath(name), 44100, 2, tone);
        return {path, qint64(tone.size()) / 2, 44100};
    }

    // An MP3 at 44.1 kHz stereo, a WAV at 22.05 kHz mono, an OGG at 48 kHz, a WMA at 32 kHz.
    QList<Input> mixedInputs()
    {
        return {input("a.mp3", ToneFormat::Mp3, 44100, 2, 1.0),
                input("b.wav", ToneFormat::Wav16, 22050, 1, 0.7),
                input("c.ogg", ToneFormat::Ogg, 48000, 2, 0.6),
                input("d.wma", ToneFormat::Wma, 32000, 2, 0.8)};
    }

    void admit(const QList<Input> &inputs)
    {
        QStringList paths;
        for (const Input &in : inputs)
            paths << in.path;
        prompter.queueOpenFiles(paths);
        window().addFiles();
        ASSERT_EQ(window().listView()->topLevelItemCount(), inputs.size());
    }

    static qint64 expectedFrames(const QList<Input> &inputs, int outputRate)
    {
        qint64 frames = 0;
        for (const Input &in : inputs)
            frames += std::llround(double(in.frames) * outputRate / in.rate);
        return frames;
    }

    // Runs Join as the menu does, so that errors reach the error report.
    void join(Format format, const QString &name = QStringLiteral("joined"))
    {
        window().formatBox()->setCurrentIndex(format);
        window().fileNameEdit()->setText(name);
        window().menuActions().join->trigger();
    }

    QStringList statuses()
    {
        QStringList texts;
        for (int row = 0; row < window().joinList().rowCount(); ++row)
            texts << window().joinList().status(row);
        return texts;
    }

    void setTags()
    {
        TagValues &tags = window().tagValues();
        tags.title = "Evening";
        tags.artist = "The Testers";
        tags.album = "Joined Up";
        tags.comment = "made by a test";
        tags.genreIndex = 8;
        tags.genreText = "Jazz";
        tags.year = 2024;
        tags.track = 7;
    }

    void expectTagged(const MediaInfo &info)
    {
        EXPECT_EQ(info.tags.title, "Evening");
        EXPECT_EQ(info.tags.artist, "The Testers");
        EXPECT_EQ(info.tags.album, "Joined Up");
        EXPECT_EQ(info.tags.comment, "made by a test");
        EXPECT_EQ(info.tags.genre, "Jazz");
        EXPECT_EQ(info.tags.year, 2024u);
        EXPECT_EQ(info.tags.track, 7u);
    }

    void expectIdleAfterJoin()
    {
        MainWindow &main = window();
        EXPECT_FALSE(main.busy().joining());
        EXPECT_EQ(main.progressBar()->position(), 0);
        EXPECT_FALSE(main.progressBar()->captionVisible());
        EXPECT_EQ(main.fileNameEdit()->text(), "new");
        EXPECT_EQ(main.tagValues(), TagValues());
        EXPECT_TRUE(main.menuActions().join->isEnabled());
        EXPECT_TRUE(main.menuActions().options->isEnabled());
        EXPECT_FALSE(main.menuActions().stop->isEnabled());
    }
};

struct FormatCase {
    const char *label;
    Format format;
    const char *settings;
    const char *extension;
    const char *codec;
    int rate;
    int channels;
    // WMA cannot say where its audio ends: its last frame is filled up with
    // silence. FFmpeg decodes M4B's last AAC frame whole, past the edit list.
    int trailingPadding = 0;
};

class JoinFormatTest : public JoinTest, public ::testing::WithParamInterface<FormatCase> {};

}  // namespace

TEST_P(JoinFormatTest, MixedInputsJoinIntoOneTaggedFileWithEveryFrame)
{
    const FormatCase &c = GetParam();
    settings(QString::fromLatin1(c.settings));
    showWindow();
    const QList<Input> inputs = mixedInputs();
    admit(inputs);
    setTags();
    join(c.format);
    ASSERT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();

    const QString output = outputFolder() + "/joined" + c.extension;
    const MediaInfo info = probeMedia(output);
    EXPECT_EQ(info.codec, c.codec);
    EXPECT_EQ(info.sampleRate, c.rate);
    EXPECT_EQ(info.channels, c.channels);
    const qint64 expected = expectedFrames(inputs, c.rate);
    EXPECT_GE(info.decodedFrames, expected - inputs.size()) << "expected " << expected;
    EXPECT_LE(info.decodedFrames, expected + inputs.size() + c.trailingPadding)
        << "expected " << expected;
    expectTagged(info);
    EXPECT_EQ(statuses(), QStringList({"Finished", "Finished", "Finished", "Finished"}));
    expectIdleAfterJoin();
}

INSTANTIATE_TEST_SUITE_P(
    Formats, JoinFormatTest,
    ::testing::Values(
        FormatCase{"Mp3Default", Mp3, "", ".mp3", "mp3", 44100, 2},
        FormatCase{"WavDefault", Wav, "", ".wav", "pcm_s16le", 44100, 2},
        FormatCase{"WmaDefault", Wma, "", ".wma", "wmav2", 44100, 2, 2 * 2048},
        FormatCase{"OggDefault", Ogg, "", ".ogg", "vorbis", 44100, 2},
        FormatCase{"Mp3Vbr", Mp3, "[mp3]\nenable vbr=1\nvbr quality=2\nfrequency=8\nchannel=0\n",
                   ".mp3", "mp3", 48000, 1},
        FormatCase{"WavCustom", Wav, "[wav]\nmode=1\nbit=0\nchannel=0\nfrequency=4\n", ".wav",
                   "pcm_u8", 22050, 1},
        FormatCase{"WmaLowRate", Wma, "[wma]\nformat=20\n", ".wma", "wmav2", 32000, 2, 2 * 2048},
        FormatCase{"OggQuality", Ogg, "[ogg]\nenable quality=1\nquality=500\nfrequency=8\n", ".ogg",
                   "vorbis", 48000, 2},
        FormatCase{"FlacDefault", Flac, "", ".flac", "flac", 44100, 2},
        FormatCase{"M4bDefault", M4b, "", ".m4b", "aac", 44100, 2, 1024},
        FormatCase{"M4bMono", M4b, "[m4b]\nfrequency=0\nchannel=0\n", ".m4b", "aac", 22050, 1,
                   1024}),
    [](const ::testing::TestParamInfo<FormatCase> &test) { return std::string(test.param.label); });

TEST_F(JoinTest, VbrMp3IsVisibleInTheHeader)
{
    settings("[mp3]\nenable vbr=1\nvbr quality=0\n");
    showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 44100, 2, 2.0)});
    join(Mp3);
    QFile file(outputFolder() + "/joined.mp3");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(16384);
    EXPECT_TRUE(head.contains("Xing"))
        << "a VBR MP3 carries a Xing header, a CBR one an Info header";
}

TEST_F(JoinTest, RefusalsBeforeAnythingStarts)
{
    settings();
    MainWindow &main = showWindow();
    join(Wav);
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kAddFile});
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 0.5)});
    main.busy().beginPreview();
    main.join();  // the menu's Join is disabled while playing; the skin's is not
    main.busy().endPreview();
    main.busy().beginJoin();
    main.join();
    main.busy().cancelJoin();
    EXPECT_EQ(prompter.messages(), QStringList({Messages::kAddFile, Messages::kStopPlayingFirst}));
    EXPECT_FALSE(QDir(outputFolder()).exists());
}

TEST_F(JoinTest, RefusedFormatCombinationsCreateNoFile)
{
    settings("[mp3]\nfrequency=0\nbitrate=16\n[ogg]\nfrequency=0\nbitrate=16\nchannel=1\n"
             "[m4b]\nfrequency=0\nchannel=0\nbitrate=13\n[wma]\nformat=37\n");
    MainWindow &main = showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 0.5)});
    setTags();
    const TagValues tags = main.tagValues();
    join(Mp3);
    join(Ogg);
    join(M4b);
    join(Wma);
    EXPECT_EQ(prompter.messages(),
              QStringList({Messages::kMp3FormatNotSupported, Messages::kOggFormatNotSupported,
                           Messages::kM4bFormatNotSupported,
                           Messages::kWmaProfileNotSupported.arg(
                               QStringLiteral("WMA9 8KHz,  5Kbps, Mono, CBR"))}));
    EXPECT_TRUE(QDir(outputFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(main.busy().joining());
    EXPECT_EQ(main.fileNameEdit()->text(), "joined");
    EXPECT_EQ(main.tagValues(), tags);
    EXPECT_EQ(statuses(), QStringList{"unconverted"});
}

TEST_F(JoinTest, DeclinedOverwriteLeavesFileNameAndTags)
{
    settings();
    MainWindow &main = showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 0.5)});
    QDir().mkpath(outputFolder());
    QFile existing(outputFolder() + "/joined.wav");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    setTags();
    const TagValues tags = main.tagValues();
    prompter.queueYesNo(false);
    join(Wav);
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kOverwrite});
    EXPECT_EQ(prompter.kinds().last(), ScriptedPrompter::Kind::Question);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
    EXPECT_EQ(main.fileNameEdit()->text(), "joined");
    EXPECT_EQ(main.tagValues(), tags);
    EXPECT_FALSE(main.busy().joining());
}

TEST_F(JoinTest, ReadOnlyOutputIsReplacedAfterYes)
{
    settings();
    showWindow();
    const Input in = input("a.wav", ToneFormat::Wav16, 44100, 2, 0.5);
    admit({in});
    QDir().mkpath(outputFolder());
    const QString output = outputFolder() + "/joined.wav";
    QFile::copy(in.path, output);
    QFile::setPermissions(output, QFile::ReadOwner | QFile::ReadGroup);
    prompter.queueYesNo(true);
    join(Wav);
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kOverwrite});
    EXPECT_EQ(probeMedia(output).decodedFrames, in.frames);
    expectIdleAfterJoin();
}

TEST_F(JoinTest, FolderWithTrailingSlashAndNameWithExtension)
{
    writeSettingsText("[join]\noutput directory=" + outputFolder() + "/\n");
    showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 0.5)});
    join(Mp3, "song.mp3");
    EXPECT_TRUE(QFileInfo::exists(outputFolder() + "/song.mp3.mp3"));
    EXPECT_EQ(QDir(outputFolder()).entryList(QDir::Files), QStringList{"song.mp3.mp3"});
}

TEST_F(JoinTest, EmptyOutputFolderSettingUsesTheMusicFolder)
{
    writeSettingsText("[join]\noutput directory=\n");
    showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 0.5)});
    join(Wav);
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir::homePath() + "/Music/joined.wav"));
}

TEST_F(JoinTest, StopDuringARowFinishesThatRowAndStillClosesTagsAndResets)
{
    settings("[wav]\nmode=1\nfrequency=0\nchannel=0\nbit=1\n");
    MainWindow &main = showWindow();
    // Blocks of four seconds for mono input: the first row takes three blocks.
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 10.0),
           input("b.wav", ToneFormat::Wav16, 8000, 1, 3.0),
           input("c.wav", ToneFormat::Wav16, 8000, 1, 3.0)});
    setTags();
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (main.progressBar()->position() > 0 && main.busy().joining()) {
            EXPECT_TRUE(main.progressBar()->captionVisible());
            EXPECT_TRUE(main.menuActions().stop->isEnabled());
            EXPECT_FALSE(main.menuActions().join->isEnabled());
            main.menuActions().stop->trigger();
        }
    });
    stopper.start(0);
    join(Wav);
    stopper.stop();
    EXPECT_EQ(statuses(), QStringList({"Finished", "unconverted", "unconverted"}));
    const MediaInfo info = probeMedia(outputFolder() + "/joined.wav");
    EXPECT_EQ(info.decodedFrames, 32000);
    expectTagged(info);
    expectIdleAfterJoin();
}

// Shortened on disk after it was added: the join says which file came up
// short instead of joining less without a word, and gives the commands back.
TEST_F(JoinTest, InputShortenedAfterItWasAddedFailsTheJoinNamingIt)
{
    settings();
    MainWindow &main = showWindow();
    const Input a = input("a.wav", ToneFormat::Wav16, 8000, 1, 2.0);
    const Input b = input("b.wav", ToneFormat::Wav16, 8000, 1, 2.0);
    admit({a, b});
    QFile::resize(a.path, 44 + 8000);
    join(Wav);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages().first().contains(a.path))
        << prompter.messages().first().toStdString();
    EXPECT_FALSE(main.busy().joining());
    EXPECT_TRUE(main.menuActions().join->isEnabled());
    EXPECT_FALSE(main.menuActions().stop->isEnabled());
}

TEST_F(JoinTest, OutputThatIsAnInputIsRefusedThroughARelativePathOrALink)
{
    const QString relative = QDir::current().relativeFilePath(dataPath());
    writeSettingsText("[join]\noutput directory=" + relative + "\n");
    MainWindow &main = showWindow();
    const Input in = input("song.wav", ToneFormat::Wav16, 8000, 1, 0.5);
    admit({in});
    const QByteArray before = [&] {
        QFile f(in.path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    join(Wav, "song");
    ASSERT_EQ(prompter.messages(), QStringList{Messages::kOutputIsInput});

    ASSERT_TRUE(QFile::link(dataPath(), dataPath("link")));
    main.settings().writeText("join", "output directory", dataPath("link"));
    join(Wav, "song");
    EXPECT_EQ(prompter.messages(),
              QStringList({Messages::kOutputIsInput, Messages::kOutputIsInput}));
    QFile after(in.path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    EXPECT_FALSE(main.busy().joining());
    EXPECT_EQ(main.fileNameEdit()->text(), "song");
    EXPECT_EQ(statuses(), QStringList{"unconverted"});
}

TEST_F(JoinTest, ErrorDuringTheRunIsReportedAndEndsIt)
{
    settings();
    MainWindow &main = showWindow();
    const Input a = input("a.wav", ToneFormat::Wav16, 8000, 1, 0.5);
    const Input b = input("b.wav", ToneFormat::Wav16, 8000, 1, 0.5);
    admit({a, b});
    QFile::remove(b.path);
    setTags();
    const TagValues tags = main.tagValues();
    join(Wav);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages().first().contains(b.path))
        << prompter.messages().first().toStdString();
    EXPECT_EQ(statuses(), QStringList({"Finished", "Converting"}));
    EXPECT_FALSE(main.busy().joining());
    EXPECT_EQ(main.progressBar()->position(), 0);
    // The output was closed: only a closed output takes its name.
    EXPECT_EQ(QDir(outputFolder()).entryList(QDir::Files), QStringList{"joined.wav"});
    // The values wait for the next join.
    EXPECT_EQ(main.tagValues(), tags);
    // The commands are given back, as after a finished run.
    EXPECT_TRUE(main.menuActions().join->isEnabled());
    EXPECT_FALSE(main.menuActions().stop->isEnabled());
    EXPECT_FALSE(main.progressBar()->captionVisible());
}

TEST_F(JoinTest, AFailureAfterStopStillGivesTheCommandsBack)
{
    settings("[wav]\nmode=1\nfrequency=0\nchannel=0\nbit=1\n");
    MainWindow &main = showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 10.0)});
    // Stop, and the output's folder goes away: completing the output fails.
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (main.progressBar()->position() > 0 && main.busy().joining()) {
            main.menuActions().stop->trigger();
            QDir(outputFolder()).removeRecursively();
        }
    });
    stopper.start(0);
    join(Wav);
    stopper.stop();
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_FALSE(main.busy().joining());
    EXPECT_EQ(main.progressBar()->position(), 0);
    EXPECT_FALSE(main.progressBar()->captionVisible());
    EXPECT_TRUE(main.menuActions().join->isEnabled());
    EXPECT_TRUE(main.menuActions().addFile->isEnabled());
    EXPECT_FALSE(main.menuActions().stop->isEnabled());
    // And the next join runs.
    join(Wav);
    EXPECT_EQ(statuses(), QStringList{"Finished"});
}

TEST_F(JoinTest, CommandsArrivingWithStopWaitUntilTheRunHasFinished)
{
    settings("[wav]\nmode=1\nfrequency=0\nchannel=0\nbit=1\n");
    MainWindow &main = showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 6.0),
           input("b.wav", ToneFormat::Wav16, 8000, 1, 6.0)});
    // Clicks made while a block is written all arrive at the next pump together.
    bool sent = false;
    QTimer clicks;
    QObject::connect(&clicks, &QTimer::timeout, [&] {
        if (sent || main.progressBar()->position() == 0)
            return;
        sent = true;
        main.runSkinCommand("Stop");
        main.runSkinCommand("Clear");
        main.runSkinCommand("Remove");
        main.runSkinCommand("Add");
        main.runSkinCommand("join");
        main.runSkinCommand("Play");
    });
    clicks.start(0);
    join(Wav);
    clicks.stop();
    ASSERT_TRUE(sent);
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kStopConvertingFirst});
    EXPECT_EQ(main.listView()->topLevelItemCount(), 2);
    EXPECT_EQ(statuses(), QStringList({"Finished", "unconverted"}));
    EXPECT_FALSE(main.busy().playing());
    EXPECT_EQ(probeMedia(outputFolder() + "/joined.wav").decodedFrames, 32000);
    expectIdleAfterJoin();
}

TEST(JoinProgress, PercentUses64BitsRoundsHalfUpAndNeverPasses100)
{
    EXPECT_EQ(JoinRun::progressPercent(0, 0), 0);
    EXPECT_EQ(JoinRun::progressPercent(5, 0), 0);
    EXPECT_EQ(JoinRun::progressPercent(1, 200), 1);  // 0.5 rounds up
    EXPECT_EQ(JoinRun::progressPercent(1, 201), 0);
    const qint64 fifteenHours = qint64(44100) * 3600 * 15;
    EXPECT_EQ(JoinRun::progressPercent(fifteenHours / 3, fifteenHours), 33);
    EXPECT_EQ(JoinRun::progressPercent(fifteenHours - 1, fifteenHours), 100);
    EXPECT_EQ(JoinRun::progressPercent(fifteenHours * 2, fifteenHours), 100);
}

TEST_F(JoinTest, JoinAfterConfirmingTheSettingsDialogUsesTheNewSettings)
{
    settings();
    MainWindow &main = showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 44100, 2, 2.0)});
    prompter.queueDialog([](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Settings");
        dialog.findChild<QCheckBox *>("cb_vbr")->click();
        dialog.findChild<QPushButton *>("btn_ok")->click();
    });
    main.menuActions().options->trigger();
    join(Mp3);
    ASSERT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();
    QFile file(outputFolder() + "/joined.mp3");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(16384).contains("Xing"));
    EXPECT_TRUE(settingsText().contains("enable vbr=1"));
}

TEST_F(JoinTest, ClosingTheWindowDuringARunEndsItWithAValidOutput)
{
    settings("[wav]\nmode=1\nfrequency=0\nchannel=0\nbit=1\n");
    MainWindow &main = showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 8000, 1, 10.0),
           input("b.wav", ToneFormat::Wav16, 8000, 1, 3.0)});
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (main.progressBar()->position() > 0 && main.isVisible())
            main.close();
    });
    closer.start(0);
    join(Wav);
    closer.stop();
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(main.busy().joining());
    EXPECT_EQ(statuses(), QStringList({"Finished", "unconverted"}));
    EXPECT_EQ(probeMedia(outputFolder() + "/joined.wav").decodedFrames, 32000);
    EXPECT_TRUE(settingsText().contains("format=1"));
}

// The switch lives in the tag dialog and lasts from join to join.
TEST_F(JoinTest, TheTagDialogsChapterSwitchDecidesWhetherTheJoinAddsChapters)
{
    settings();
    MainWindow &main = showWindow();
    const auto setChapters = [&](bool on) {
        prompter.queueDialog([on](QDialog &dialog) {
            EXPECT_EQ(dialog.windowTitle(), "ID3");
            dialog.findChild<QCheckBox *>("cbx_chapters")->setChecked(on);
            dialog.findChild<QPushButton *>("btn_ok")->click();
        });
        main.menuActions().id3Tag->trigger();
    };
    admit({input("Chapter One.wav", ToneFormat::Wav16, 22050, 1, 1.0),
           input("two.ogg", ToneFormat::Ogg, 44100, 2, 0.5)});

    join(Mp3, "default");
    const MediaInfo byDefault = probeMedia(outputFolder() + "/default.mp3");
    ASSERT_EQ(byDefault.chapters.size(), 2);
    EXPECT_EQ(byDefault.chapters[0].title, "Chapter One");
    EXPECT_NEAR(byDefault.chapters[1].start, 1.0, 0.001);

    setChapters(false);
    join(Mp3, "off");
    EXPECT_TRUE(probeMedia(outputFolder() + "/off.mp3").chapters.isEmpty());
    setChapters(true);
    join(Mp3, "on");
    EXPECT_EQ(probeMedia(outputFolder() + "/on.mp3").chapters.size(), 2);
    ASSERT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();
}

// The tag dialog shows the first row's book tags while they are unset; the
// join takes them, with what was typed (a genre outside the list included).
TEST_F(JoinTest, TheFirstRowsBookTagsShowInTheTagDialogAndReachTheJoin)
{
    settings();
    MainWindow &main = showWindow();
    const Input first = input("one.mp3", ToneFormat::Mp3, 44100, 2, 0.5);
    AudioInformation information;
    information.setProperty("infoAlbumArtist", "First's album artist");
    information.setProperty("infoSeries", "First's series");
    information.writeTags(first.path);
    admit({first, input("two.wav", ToneFormat::Wav16, 44100, 2, 0.5)});

    prompter.queueDialog([](QDialog &dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit *>("edt_album_artist")->placeholderText(),
                  "First's album artist");
        dialog.findChild<QLineEdit *>("edt_composer")->setText("A narrator");
        dialog.findChild<QComboBox *>("cb_genre")->setEditText("Podcast");
        dialog.findChild<QPushButton *>("btn_ok")->click();
    });
    main.menuActions().id3Tag->trigger();
    join(M4b, "book");
    ASSERT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();

    const QString book = outputFolder() + "/book.m4b";
    EXPECT_EQ(probeMedia(book).tags.genre, "Podcast");
    const BookTags tags = TagReader::bookTags(book);
    EXPECT_EQ(tags.albumArtist, "First's album artist");
    EXPECT_EQ(tags.series, "First's series");
    EXPECT_EQ(tags.composer, "A narrator");
}

TEST_F(JoinTest, MatchingLoudnessShowsEachRowMeasuringThenJoinsAtTheTarget)
{
    // The third target of the list: -23 LUFS.
    settings("match loudness=1\nloudness target=2\n");
    MainWindow &main = showWindow();
    const QList<Input> inputs = {levelled("quiet.wav", -30), levelled("loud.wav", -12)};
    admit(inputs);
    QSet<int> measured;
    int highest = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        const QStringList now = statuses();
        if (!now.contains("Measuring"))
            return;
        EXPECT_TRUE(now.filter(QRegularExpression("Converting|Finished")).isEmpty());
        measured.insert(int(now.indexOf("Measuring")));
        measured.insert(int(now.lastIndexOf("Measuring")));
        highest = qMax(highest, main.progressBar()->position());
    });
    watcher.start(0);
    join(Wav);
    watcher.stop();
    ASSERT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();
    EXPECT_EQ(measured, QSet<int>({0, 1}));
    EXPECT_EQ(highest, 100);
    EXPECT_EQ(statuses(), QStringList({"Finished", "Finished"}));

    AudioFile joined;
    joined.openFile(outputFolder() + "/joined.wav", 0, 1);
    const SampleArray audio = joined.readSamples(int(joined.sampleCount()));
    for (int row : {0, 1}) {
        const SampleArray part =
            LoudnessProbe::part(audio, 2, row * inputs[0].frames, inputs[row].frames);
        EXPECT_NEAR(LoudnessProbe::measure(part, 44100, 2).integrated, -23, 0.5) << "row " << row;
    }
    expectIdleAfterJoin();
}

TEST_F(JoinTest, StopWhileMeasuringWritesNothingAndLeavesEverythingAsItWas)
{
    settings();
    MainWindow &main = showWindow();
    admit({levelled("a.wav", -30), levelled("b.wav", -12)});
    join(Wav);
    main.settings().writeSwitch("join", "match loudness", true);
    setTags();
    const TagValues tags = main.tagValues();
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (statuses().contains("Measuring") && main.busy().joining()) {
            EXPECT_TRUE(main.menuActions().stop->isEnabled());
            main.menuActions().stop->trigger();
        }
    });
    stopper.start(0);
    join(Wav, "second");
    stopper.stop();
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join("|").toStdString();
    EXPECT_EQ(QDir(outputFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"joined.wav"});
    EXPECT_EQ(statuses(), QStringList({"Finished", "Finished"}));
    EXPECT_EQ(main.fileNameEdit()->text(), "second");
    EXPECT_EQ(main.tagValues(), tags);
    EXPECT_FALSE(main.busy().joining());
    EXPECT_EQ(main.progressBar()->position(), 0);
    EXPECT_FALSE(main.progressBar()->captionVisible());
    EXPECT_TRUE(main.menuActions().join->isEnabled());
    EXPECT_FALSE(main.menuActions().stop->isEnabled());
}

TEST_F(JoinTest, AFailureWhileMeasuringIsReportedAndGivesTheCommandsBack)
{
    settings("match loudness=1\n");
    MainWindow &main = showWindow();
    const QList<Input> inputs = {levelled("a.wav", -30), levelled("b.wav", -12)};
    admit(inputs);
    // Damaged after it was admitted.
    QFile damaged(inputs[1].path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    const QStringList before = statuses();
    join(Wav);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages().first().contains(inputs[1].path))
        << prompter.messages().first().toStdString();
    // No row is left saying it is being measured.
    EXPECT_EQ(statuses(), before);
    EXPECT_FALSE(QFileInfo::exists(outputFolder() + "/joined.wav"));
    EXPECT_FALSE(main.busy().joining());
    EXPECT_TRUE(main.menuActions().join->isEnabled());
    EXPECT_FALSE(main.menuActions().stop->isEnabled());
    EXPECT_FALSE(main.progressBar()->captionVisible());
}

TEST_F(JoinTest, AJoinAskedToCopySaysHowManyFilesWereCopiedAndHowManyEncoded)
{
    // Neither a WAV nor an OGG input can have its frames copied into an MP3.
    settings("copy=1\n");
    MainWindow &main = showWindow();
    admit({input("a.wav", ToneFormat::Wav16, 44100, 2, 0.5),
           input("b.ogg", ToneFormat::Ogg, 44100, 2, 0.5)});
    join(Mp3);
    EXPECT_EQ(prompter.messages(), QStringList{Messages::kCopiedAndEncoded.arg(0).arg(2)});
    EXPECT_EQ(statuses(), QStringList({"Finished", "Finished"}));
    expectIdleAfterJoin();

    main.settings().writeSwitch("join", "copy", false);
    join(Mp3, "second");
    EXPECT_EQ(prompter.messages().size(), 1) << prompter.messages().join("|").toStdString();
    EXPECT_TRUE(QFileInfo::exists(outputFolder() + "/second.mp3"));
}

TEST_F(JoinTest, ACopiedRowReadsCopyingAndAnInputChangedMeanwhileIsNamed)
{
    settings("copy=1\n");
    showWindow();
    const Input a = input("a.mp3", ToneFormat::Mp3, 44100, 2, 1.0);
    const Input b = input("b.mp3", ToneFormat::Mp3, 44100, 2, 1.0);
    admit({a, b});
    // Cut short once the join has looked at it, before its turn comes.
    QTimer::singleShot(0, [&] { QFile::resize(b.path, QFileInfo(b.path).size() / 2); });
    join(Mp3);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages().first().contains(b.path))
        << prompter.messages().first().toStdString();
    EXPECT_EQ(statuses(), QStringList({"Finished", "Copying"}));
    EXPECT_FALSE(QFileInfo::exists(outputFolder() + "/joined.mp3"));
}
