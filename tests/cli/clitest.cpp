// vantorel-join run as a user runs it: its refusals and exit codes, a mixed
// join read back, folders, a stop signal, replacing an existing output, and
// matching loudness.

#include "audio/audiofile.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/coverfinder.h"
#include "audio/tags/tagreader.h"
#include "cli/clitexts.h"
#include "cli/exitcode.h"
#include "platform/messages.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"
#include "support/loudnessprobe.h"
#include "support/mediaprobe.h"
#include "support/pictures.h"
#include "support/qtprinters.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <utility>

namespace {

struct Result {
    int exitCode = -1;
    QString errors;
    QString output;
};

// A process started with its standard error on a pseudo-terminal, so that it
// draws its progress there, and what it draws.
class OnTerminal {
public:
    explicit OnTerminal(QProcess &process)
    {
        if (m_terminal < 0 || ::grantpt(m_terminal) != 0 || ::unlockpt(m_terminal) != 0)
            return;
        m_errorSide = ::open(::ptsname(m_terminal), O_RDWR | O_NOCTTY);
        const int errorSide = m_errorSide;
        process.setChildProcessModifier([errorSide] { ::dup2(errorSide, STDERR_FILENO); });
    }
    ~OnTerminal()
    {
        closeErrorSide();
        if (m_terminal >= 0)
            ::close(m_terminal);
    }
    OnTerminal(const OnTerminal &) = delete;
    OnTerminal &operator=(const OnTerminal &) = delete;

    bool opened() const { return m_errorSide >= 0; }
    // What is drawn until drawn matches, or the process ends; its terminal
    // side is let go of first, as the process has its own.
    QString readUntil(const QRegularExpression &drawn, const QProcess &process)
    {
        closeErrorSide();
        QString text;
        while (!drawn.match(text).hasMatch() && process.state() == QProcess::Running) {
            pollfd ready{m_terminal, POLLIN, 0};
            if (::poll(&ready, 1, 100) > 0) {
                char buffer[256];
                const ssize_t count = ::read(m_terminal, buffer, sizeof buffer);
                if (count > 0)
                    text += QString::fromLocal8Bit(buffer, count);
            }
        }
        return text;
    }

private:
    void closeErrorSide()
    {
        if (m_errorSide >= 0)
            ::close(m_errorSide);
        m_errorSide = -1;
    }

    int m_terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    int m_errorSide = -1;
};

class CliTest : public testing::Test {
protected:
    static QString program()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/vantorel-join");
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    static Result run(const QStringList &arguments)
    {
        QProcess process;
        process.start(program(), arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << qPrintable(arguments.join(' '));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()),
                QString::fromLocal8Bit(process.readAllStandardOutput())};
    }

    // A tone file and its length in frames as the program reads it.
    QString tone(const QString &name, ToneFormat format, int rate, int channels, double seconds,
                 qint64 *frames = nullptr)
    {
        QString file = Tones::write(path(name), format, rate, channels, seconds);
        if (frames) {
            AudioFile probe;
            probe.openFile(file, 0, 1);
            *frames = probe.sampleCount();
        }
        return file;
    }

    QStringList folderEntries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    static QByteArray contents(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void writeFile(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(CliTest, UsageErrorsExitWithTwoAndWriteNothing)
{
    const QString input = tone("in.wav", ToneFormat::Wav16, 44100, 2, 0.2);
    const QString output = path("out.mp3");
    const QList<QStringList> wrong = {
        {},
        {input},
        {"-o", output},
        {input, "-o", path("out.unknown")},
        {input, "-o", output, "--format", "unknown"},
        {input, "-o", output, "-o", path("other.mp3")},
        {input, "-o", output, "--year", "19x9"},
        {input, "-o", output, "--track", "100"},
        {input, "-o", output, "--genre", QString::number(ValueLists::kGenreCount)},
        {input, "-o", output, "--no-such-option"},
        {input, "-o", output, "--loudness", "-4"},
        {input, "-o", output, "--loudness", "-32"},
        {input, "-o", output, "--loudness", "loud"},
        {input, "-o", output, "--loudness"},
        {input, "-o", output, "--pause", "10001"},
        {input, "-o", output, "--pause", "-1"},
        {input, "-o", output, "--crossfade", "1.5"},
        {input, "-o", output, "--crossfade", ""},
        {input, "-o", output, "--pause", "100", "--crossfade", "200"},
        {input, "-o", output, "--chapter-names", "numbers"},
        {input, "-o", output, "--chapter-titles", ""},
        {input, "-o", output, "-j", "2"},
        {"--each", dir.path(), "-o", path("books")},
        {"--each", dir.path(), "-o", input, "--format", "mp3"},
        {"--each", dir.path(), "-o", path("books"), "--format", "mp3", "-j", "0"},
        {"--each", dir.path(), "-o", path("books"), "--format", "mp3", "-j", "65"},
        {"--each", dir.path(), "-o", path("books"), "--format", "mp3", "-j", "two"},
        {input, "-o", output, "--cover", path("c.png"), "--no-cover"},
        {input, "-o", output, "--cover", ""},
    };
    for (const QStringList &arguments : wrong) {
        const Result result = run(arguments);
        EXPECT_EQ(result.exitCode, ExitCode::kUsage) << qPrintable(arguments.join(' '));
        EXPECT_FALSE(result.errors.isEmpty()) << qPrintable(arguments.join(' '));
    }
    EXPECT_EQ(folderEntries(), QStringList{"in.wav"});

    EXPECT_EQ(run({"--help"}).exitCode, ExitCode::kDone);
    EXPECT_EQ(run({"--version"}).exitCode, ExitCode::kDone);
}

TEST_F(CliTest, ManualPageDocumentsEveryOptionOfTheHelpAndEveryExitCode)
{
    QProcess help;
    help.start(program(), {"--help"});
    ASSERT_TRUE(help.waitForFinished(60000));
    QFile page(VANTOREL_MANUAL_PAGE);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    // roff writes a hyphen as "\-". Each option and each exit code heads a
    // tagged paragraph: the line after ".TP".
    const QStringList lines = QString::fromUtf8(page.readAll()).remove('\\').split('\n');
    QString headings;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines.at(i - 1) == ".TP")
            headings += lines.at(i) + '\n';
    }

    // The long names on the option lines of the help ("  -o, --output <OUTPUT>  The ...").
    static const QRegularExpression optionLine(R"(^\s+(?:-\w, )?(--[a-z-]+))");
    QStringList options;
    for (const QString &line : QString::fromLocal8Bit(help.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch match = optionLine.match(line);
        if (match.hasMatch())
            options << match.captured(1);
    }
    ASSERT_FALSE(options.isEmpty());
    for (const QString &option : options) {
        const QRegularExpression heading(QRegularExpression::escape(option) + R"((?![\w-]))");
        EXPECT_TRUE(heading.match(headings).hasMatch()) << qPrintable(option);
    }
    for (const int code :
         {ExitCode::kDone, ExitCode::kFailed, ExitCode::kUsage, ExitCode::kStopped})
        EXPECT_TRUE(headings.contains(QString(".B %1\n").arg(code))) << code;
}

TEST_F(CliTest, RefusedInputsAreEachNamedAndNothingIsWritten)
{
    const QString good = tone("good.wav", ToneFormat::Wav16, 44100, 2, 0.2);
    const QString missing = path("missing.mp3");
    const QString notAudio = path("notes.mp3");
    writeFile(notAudio, "not audio at all");
    const Result result = run({good, missing, notAudio, "-o", path("out.ogg")});
    EXPECT_EQ(result.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(result.errors.contains(missing + Messages::kFileRemovedSuffix))
        << qPrintable(result.errors);
    EXPECT_TRUE(result.errors.contains(notAudio + Messages::kInvalidAudioSuffix))
        << qPrintable(result.errors);
    EXPECT_EQ(folderEntries(), QStringList({"good.wav", "notes.mp3"}));
}

TEST_F(CliTest, OutputThatIsAnInputThroughALinkIsRefused)
{
    const QString input = tone("in.wav", ToneFormat::Wav16, 44100, 2, 0.2);
    const QByteArray before = contents(input);
    const QString link = path("link.wav");
    ASSERT_TRUE(QFile::link(input, link));
    const Result result = run({input, "-y", "-o", link});
    EXPECT_EQ(result.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(result.errors.contains(Messages::kOutputIsInput)) << qPrintable(result.errors);
    EXPECT_EQ(contents(input), before);
}

TEST_F(CliTest, SettingsFileRefusalsExitWithOne)
{
    const QString input = tone("in.wav", ToneFormat::Wav16, 44100, 2, 0.2);
    // A bit rate that the MP3 encoder refuses at the default rate and channels.
    int refusedIndex = -1;
    for (int i = 0; i < int(ValueLists::kBitRates.size()) && refusedIndex < 0; ++i) {
        if (!AudioFile().checkMp3Format(
                ValueLists::sampleRateAt(ValueLists::kDefaultSampleRateIndex),
                ValueLists::kBitRates[i], ValueLists::channelsAt(ValueLists::kDefaultChannelIndex)))
            refusedIndex = i;
    }
    ASSERT_GE(refusedIndex, 0);
    const QString ini = path("refused.ini");
    Settings settings(ini);
    settings.open();
    settings.writeInteger(SettingsKeys::kMp3, SettingsKeys::kBitrate, refusedIndex);
    const QByteArray iniBefore = contents(ini);

    Result result = run({input, "--settings", ini, "-o", path("out.mp3")});
    EXPECT_EQ(result.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(result.errors.contains(Messages::kMp3FormatNotSupported))
        << qPrintable(result.errors);
    EXPECT_EQ(contents(ini), iniBefore);
    EXPECT_EQ(folderEntries(), QStringList({"in.wav", "refused.ini"}));
}

TEST_F(CliTest, SettingsFileThatCannotBeTakenIsNamedWithItsCause)
{
    const QString input = tone("in.wav", ToneFormat::Wav16, 44100, 2, 0.2);
    const QString large = path("large.ini");
    const QByteArray blankLines(qsizetype(Settings::kMaxFileMiB) * 1024 * 1024 + 1, '\n');
    writeFile(large, blankLines);
    const QList<std::pair<QString, QString>> refused = {
        {path("none.ini"), CliTexts::kNoSuchFile},
        {dir.path(), CliTexts::kIsAFolder},
        {"/dev/zero", CliTexts::kNotARegularFile},
        {large, QString::number(Settings::kMaxFileMiB) + " MiB"},
    };
    for (const auto &[file, cause] : refused) {
        const Result result = run({input, "--settings", file, "-o", path("out.wav")});
        EXPECT_EQ(result.exitCode, ExitCode::kFailed) << qPrintable(file);
        EXPECT_TRUE(result.errors.contains(file) && result.errors.contains(cause))
            << qPrintable(result.errors);
    }
    EXPECT_EQ(contents(large), blankLines);

    // An empty name is no name, not the user's own file.
    const Result empty = run({input, "--settings", "", "-o", path("out.wav")});
    EXPECT_EQ(empty.exitCode, ExitCode::kUsage);
    EXPECT_TRUE(empty.errors.contains("--settings")) << qPrintable(empty.errors);
    EXPECT_EQ(folderEntries(), QStringList({"in.wav", "large.ini"}));
}

TEST_F(CliTest, MixedInputsJoinWithEveryFrameAndTheTags)
{
    // WAV output at CD quality: each input's rate divides 44100 Hz, so every
    // input frame becomes a whole number of output frames.
    qint64 mp3 = 0, wav = 0, ogg = 0, wma = 0;
    const QStringList inputs = {tone("a.mp3", ToneFormat::Mp3, 44100, 2, 1.0, &mp3),
                                tone("b.wav", ToneFormat::Wav16, 22050, 1, 0.7, &wav),
                                tone("c.ogg", ToneFormat::Ogg, 11025, 2, 0.6, &ogg),
                                tone("d.wma", ToneFormat::Wma, 44100, 1, 0.8, &wma)};
    const QString output = path("joined.wav");
    const Result result =
        run(inputs
            + QStringList{"-q", "-o", output, "--title", "Evening Ünïcødé", "--artist",
                          "The Testers", "--album", "Joined Up", "--year", "1999", "--track", "7",
                          "--genre", "8", "--comment", "made by a test"});
    ASSERT_EQ(result.exitCode, ExitCode::kDone) << qPrintable(result.errors);

    const MediaInfo info = probeMedia(output);
    EXPECT_EQ(info.decodedFrames, mp3 + 2 * wav + 4 * ogg + wma);
    EXPECT_EQ(info.tags.title, "Evening Ünïcødé");
    EXPECT_EQ(info.tags.artist, "The Testers");
    EXPECT_EQ(info.tags.album, "Joined Up");
    EXPECT_EQ(info.tags.year, 1999u);
    EXPECT_EQ(info.tags.track, 7u);
    EXPECT_EQ(info.tags.genre, ValueLists::genreCaptions().at(8));
    EXPECT_EQ(info.tags.comment, "made by a test");
}

// Book tags not given are the first input's, those given (even empty) are
// written as given; a genre is a listed one in any case, or any text as typed.
TEST_F(CliTest, BookTagsComeFromTheFirstInputUnlessGivenAndAGenreTakesAnyText)
{
    const QString first = tone("a.mp3", ToneFormat::Mp3, 44100, 2, 0.3);
    AudioInformation information;
    information.setProperty("infoAlbumArtist", "First's album artist");
    information.setProperty("infoDescription", "First's description");
    information.setProperty("infoSeriesPart", "4");
    information.writeTags(first);
    const QStringList inputs = {first, tone("b.wav", ToneFormat::Wav16, 44100, 2, 0.3)};

    const QString book = path("book.m4b");
    const Result result =
        run(inputs
            + QStringList{"-q", "-o", book, "--genre", "Audiobook", "--composer", "Sam Vance",
                          "--series", "The Tide Books", "--series-part", ""});
    ASSERT_EQ(result.exitCode, ExitCode::kDone) << qPrintable(result.errors);
    EXPECT_EQ(probeMedia(book).tags.genre, "Audiobook");
    EXPECT_EQ(TagReader::bookTags(book), (BookTags{"First's album artist", "Sam Vance",
                                                   "First's description", "The Tide Books", ""}));

    for (const auto &[given, stored] :
         {std::pair("jAzZ", "Jazz"), std::pair("podcast", "podcast"), std::pair("8", "Jazz")}) {
        const QString output = path(QStringLiteral("%1.mp3").arg(given));
        ASSERT_EQ(run({first, "-q", "-o", output, "--genre", given}).exitCode, ExitCode::kDone);
        EXPECT_EQ(probeMedia(output).tags.genre, stored);
    }
}

TEST_F(CliTest, OnlyTheTagsGivenAreWrittenIntoTheFoldersMadeForTheOutput)
{
    const QString input = tone("in.wav", ToneFormat::Wav16, 44100, 2, 0.3);
    const QString output = path("new/deeper/out.mp3");
    const Result result = run({input, "-q", "--title", "Only this", "-o", output});
    ASSERT_EQ(result.exitCode, ExitCode::kDone) << qPrintable(result.errors);
    const MediaInfo info = probeMedia(output);
    for (const ProbedTags &tags : {info.tags, info.id3v1}) {
        EXPECT_EQ(tags.title, "Only this");
        EXPECT_EQ(tags.year, 0u);
        EXPECT_EQ(tags.genre, "");
    }

    // A folder that cannot be made is named; one made for a join that then
    // fails (a name too long for the file system) is taken away again.
    writeFile(path("plain"), "a file, not a folder");
    const Result underAFile = run({input, "-o", path("plain/sub/out.wav")});
    EXPECT_EQ(underAFile.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(underAFile.errors.contains(path("plain/sub"))) << qPrintable(underAFile.errors);
    const Result failed = run({input, "-o", path("made/") + QString(300, 'x') + ".wav"});
    EXPECT_EQ(failed.exitCode, ExitCode::kFailed);
    EXPECT_EQ(folderEntries(), QStringList({"in.wav", "new", "plain"}));
}

TEST_F(CliTest, LoudnessBringsEachInputToTheTargetGiven)
{
    QStringList inputs;
    QList<qint64> frames;
    for (const double lufs : {-30.0, -12.0}) {
        const SampleArray samples = LoudnessProbe::atLoudness(
            Tones::samples(44100, 2, 0, Tones::frameCount(44100, 3.0)), 44100, 2, lufs);
        inputs << LoudnessProbe::writeWav(path(QString("%1.wav").arg(lufs)), 44100, 2, samples);
        frames << qint64(samples.size()) / 2;
    }
    const QString output = path("joined.wav");
    const Result result = run(inputs + QStringList{"-q", "--loudness", "-14", "-o", output});
    ASSERT_EQ(result.exitCode, ExitCode::kDone) << qPrintable(result.errors);

    AudioFile joined;
    joined.openFile(output, 0, 1);
    const SampleArray audio = joined.readSamples(int(joined.sampleCount()));
    EXPECT_NEAR(
        LoudnessProbe::measure(LoudnessProbe::part(audio, 2, 0, frames[0]), 44100, 2).integrated,
        -14, 0.5);
    EXPECT_NEAR(
        LoudnessProbe::measure(LoudnessProbe::part(audio, 2, frames[0], frames[1]), 44100, 2)
            .integrated,
        -14, 0.5);
}

// CD-quality WAV output, so the inputs are not resampled.
TEST_F(CliTest, PauseAddsAndCrossfadeTakesAwayTheirFramesAtEachJoin)
{
    const QStringList inputs = {tone("a.wav", ToneFormat::Wav16, 44100, 2, 1.0),
                                tone("b.wav", ToneFormat::Wav16, 44100, 2, 0.8),
                                tone("c.wav", ToneFormat::Wav16, 44100, 2, 0.6)};
    const qint64 frames = Tones::frameCount(44100, 2.4);
    const qint64 junction = 44100 / 10;  // 100 ms
    for (const auto &[option, expected] : {std::pair("--pause", frames + 2 * junction),
                                           std::pair("--crossfade", frames - 2 * junction)}) {
        const QString output = path(QString(option).mid(2) + ".wav");
        // A zero of the other is no conflict.
        const QString other = QString(option) == "--pause" ? "--crossfade" : "--pause";
        const Result result =
            run(inputs + QStringList{"-q", option, "100", other, "0", "-o", output});
        ASSERT_EQ(result.exitCode, ExitCode::kDone) << qPrintable(result.errors);
        EXPECT_EQ(probeMedia(output).decodedFrames, expected) << option;
    }
    const Result both =
        run(inputs + QStringList{"--pause", "1", "--crossfade", "1", "-o", path("both.wav")});
    EXPECT_TRUE(both.errors.contains("--pause") && both.errors.contains("--crossfade"))
        << qPrintable(both.errors);
}

// Neither a WAV nor an OGG input can have its frames copied into an MP3.
TEST_F(CliTest, CopySaysHowManyInputsWereCopiedAndEncodedAndIsNotTakenFromTheSettings)
{
    const QStringList inputs = {tone("a.wav", ToneFormat::Wav16, 44100, 2, 0.4),
                                tone("b.ogg", ToneFormat::Ogg, 44100, 2, 0.4)};
    const QString ini = path("copy.ini");
    Settings settings(ini);
    settings.open();
    settings.writeSwitch(SettingsKeys::kJoin, SettingsKeys::kCopy, true);
    const QString copied = Messages::kCopiedAndEncoded.arg(0).arg(2);

    const Result asked = run(inputs + QStringList{"--copy", "-o", path("asked.mp3")});
    ASSERT_EQ(asked.exitCode, ExitCode::kDone) << qPrintable(asked.errors);
    const QStringList lines = asked.output.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2) << qPrintable(asked.output);
    EXPECT_EQ(lines[1], copied);
    const Result unasked = run(inputs + QStringList{"--settings", ini, "-o", path("plain.mp3")});
    EXPECT_EQ(unasked.exitCode, ExitCode::kDone) << qPrintable(unasked.errors);
    EXPECT_FALSE(unasked.output.contains(copied)) << qPrintable(unasked.output);
}

TEST_F(CliTest, FolderIsScannedWithSubFoldersOnlyWhenAsked)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("in/sub"));
    qint64 top = 0, second = 0, nested = 0;
    tone("in/one.wav", ToneFormat::Wav16, 44100, 2, 0.3, &top);
    tone("in/TWO.MP3", ToneFormat::Mp3, 44100, 2, 0.5, &second);
    tone("in/sub/three.ogg", ToneFormat::Ogg, 44100, 2, 0.4, &nested);
    writeFile(path("in/cover.jpg"), "not audio, and not taken");

    ASSERT_EQ(run({path("in"), "-o", path("flat.wav")}).exitCode, ExitCode::kDone);
    EXPECT_EQ(probeMedia(path("flat.wav")).decodedFrames, top + second);
    ASSERT_EQ(run({"-r", path("in"), "-o", path("deep.wav")}).exitCode, ExitCode::kDone);
    EXPECT_EQ(probeMedia(path("deep.wav")).decodedFrames, top + second + nested);
}

TEST_F(CliTest, FolderJoinsInNaturalOrderAndANameItCannotOpenFailsTheJoin)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("book"));
    QStringList titles;
    for (int chapter = 1; chapter <= 12; ++chapter) {
        // "chapter 2" before "chapter 10": the numbers' order, not the text's.
        titles << QStringLiteral("chapter %1").arg(chapter);
        tone("book/" + titles.last() + ".wav", ToneFormat::Wav16, 8000, 1, 0.1);
    }
    ASSERT_EQ(run({path("book"), "-q", "-o", path("book.mp3")}).exitCode, ExitCode::kDone);
    QStringList joined;
    for (const ProbedChapter &chapter : probeMedia(path("book.mp3")).chapters)
        joined << chapter.title;
    EXPECT_EQ(joined, titles);

    // A name that is no UTF-8, beside a real one that looks the same once decoded.
    const QByteArray folder = QFile::encodeName(path("book"));
    const QString twin = tone(QStringLiteral("book/b\uFFFD.wav"), ToneFormat::Wav16, 8000, 1, 0.1);
    const QByteArray odd = folder + "/b\xe9.wav";
    ASSERT_EQ(::link(QFile::encodeName(twin).constData(), odd.constData()), 0);
    // The temporary folder cannot remove it by its text.
    const auto removeOdd = qScopeGuard([&] { ::unlink(odd.constData()); });
    Result result = run({path("book"), "-o", path("refused.wav")});
    EXPECT_EQ(result.exitCode, ExitCode::kFailed);
    EXPECT_EQ(result.errors.count(twin + Messages::kNameNotUtf8Suffix), 1)
        << qPrintable(result.errors);
    EXPECT_FALSE(QFile::exists(path("refused.wav")));

    // Named by its bytes on the command line, which QProcess cannot pass.
    QProcess shell;
    shell.start("/bin/sh", {"-c", "exec \"$0\" \"$(printf '%s/b\\351.wav' \"$1\")\" -o \"$2\"",
                            program(), path("book"), path("named.wav")});
    ASSERT_TRUE(shell.waitForFinished(60000));
    result = {shell.exitCode(), QString::fromLocal8Bit(shell.readAllStandardError()), {}};
    EXPECT_EQ(result.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(result.errors.contains(twin + Messages::kNameNotUtf8Suffix))
        << qPrintable(result.errors);
    EXPECT_FALSE(QFile::exists(path("named.wav")));
}

TEST_F(CliTest, FolderOfLosslessOpusAndAacFilesJoinsWithAChapterEachUnlessTurnedOff)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("in"));
    qint64 flac = 0, opus = 0, m4a = 0;
    tone("in/a.flac", ToneFormat::Flac, 44100, 2, 0.5, &flac);
    tone("in/b.opus", ToneFormat::Opus, 48000, 2, 0.4, &opus);
    tone("in/c.m4a", ToneFormat::M4a, 44100, 1, 0.3, &m4a);

    ASSERT_EQ(run({path("in"), "-q", "-o", path("book.mp3")}).exitCode, ExitCode::kDone);
    const MediaInfo info = probeMedia(path("book.mp3"));
    EXPECT_NEAR(double(info.decodedFrames), double(flac + m4a) + opus * 44100.0 / 48000, 3);
    QStringList titles;
    for (const ProbedChapter &chapter : info.chapters)
        titles << chapter.title;
    titles.sort();
    EXPECT_EQ(titles, QStringList({"a", "b", "c"}));

    ASSERT_EQ(run({path("in"), "-q", "--no-chapters", "-o", path("plain.mp3")}).exitCode,
              ExitCode::kDone);
    EXPECT_TRUE(probeMedia(path("plain.mp3")).chapters.isEmpty());
}

// Titles from a file, line by line in the order of the folder's files, an
// empty line keeping the input's own; a file that does not fit is refused,
// naming it, before anything is written.
TEST_F(CliTest, ChapterTitlesComeFromTheFileOrTheRuleAndAFileThatDoesNotFitIsRefused)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("in"));
    tone("in/01 - a.wav", ToneFormat::Wav16, 44100, 2, 0.3);
    Tones::setTitle(tone("in/02 - b.flac", ToneFormat::Flac, 44100, 2, 0.3), "Bee tag");
    tone("in/03 c.wav", ToneFormat::Wav16, 44100, 2, 0.3);
    const auto titlesOf = [this](const QString &output) {
        QStringList titles;
        for (const ProbedChapter &chapter : probeMedia(path(output)).chapters)
            titles << chapter.title;
        return titles;
    };

    writeFile(path("titles.txt"), "First\r\n\r\nThird \xc3\xa9t\xc3\xa9\n");
    ASSERT_EQ(run({path("in"), "-q", "--chapter-titles", path("titles.txt"), "-o", path("a.m4b")})
                  .exitCode,
              ExitCode::kDone);
    EXPECT_EQ(titlesOf("a.m4b"), QStringList({"First", "Bee tag", "Third été"}));
    ASSERT_EQ(run({path("in"), "-q", "--chapter-names", "files", "-o", path("b.mp3")}).exitCode,
              ExitCode::kDone);
    EXPECT_EQ(titlesOf("b.mp3"), QStringList({"a", "b", "c"}));

    writeFile(path("two.txt"), "One\nTwo\n");
    writeFile(path("latin1.txt"), "One\nT\xe9\nThree\n");
    for (const QString &titles :
         {path("two.txt"), path("latin1.txt"), path("missing.txt"), path("in")}) {
        const Result result =
            run({path("in"), "--chapter-titles", titles, "-o", path("refused.mp3")});
        EXPECT_EQ(result.exitCode, ExitCode::kFailed) << qPrintable(titles);
        EXPECT_TRUE(result.errors.contains(titles)) << qPrintable(result.errors);
        EXPECT_FALSE(QFileInfo::exists(path("refused.mp3")));
    }
}

TEST_F(CliTest, ExistingOutputIsReplacedOnlyWithOverwrite)
{
    qint64 frames = 0;
    const QString input = tone("in.wav", ToneFormat::Wav16, 44100, 2, 0.5, &frames);
    const QString output = path("out.wav");
    writeFile(output, "an older file");

    const Result refused = run({input, "-o", output});
    EXPECT_EQ(refused.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(refused.errors.contains(output)) << qPrintable(refused.errors);
    EXPECT_EQ(contents(output), "an older file");

    ASSERT_EQ(run({input, "-y", "-o", output}).exitCode, ExitCode::kDone);
    EXPECT_EQ(probeMedia(output).decodedFrames, frames);
}

TEST_F(CliTest, StopSignalLeavesTheExistingOutputAsItWas)
{
    const QString input = tone("in.wav", ToneFormat::Wav16, 44100, 2, 10.0);
    const QString output = path("out.ogg");
    writeFile(output, "an older file");
    QStringList arguments;
    for (int i = 0; i < 60; ++i)
        arguments << input;
    arguments << "-y"
              << "-o" << output;

    // On a terminal progress is drawn: the first progress line says that the
    // output is being written.
    QProcess process;
    OnTerminal terminal(process);
    ASSERT_TRUE(terminal.opened());
    process.start(program(), arguments);
    ASSERT_TRUE(process.waitForStarted());
    const QString drawn = terminal.readUntil(QRegularExpression("%"), process);
    ASSERT_TRUE(drawn.contains('%')) << qPrintable(drawn);
    // The terminal closing stops it as Ctrl-C and SIGTERM do (the batch's test sends SIGTERM).
    ::kill(pid_t(process.processId()), SIGHUP);
    ASSERT_TRUE(process.waitForFinished(60000));

    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), ExitCode::kStopped);
    EXPECT_EQ(contents(output), "an older file");
    EXPECT_EQ(folderEntries(), QStringList({"in.wav", "out.ogg"}));
}

TEST_F(CliTest, EachFolderBecomesABookWithItsPartsInNumberOrderAndTheBadOnesAreNamed)
{
    QDir(dir.path()).mkpath("shelf/Own and Parts/Disc 10");
    QDir(dir.path()).mkpath("shelf/Own and Parts/cd 2");
    QDir(dir.path()).mkpath("shelf/Own and Parts/Part_1");
    QDir(dir.path()).mkpath("shelf/Nested/Deeper");
    // A part's name on a shelf of books, not on a part: the books in it are found.
    QDir(dir.path()).mkpath("shelf/Series/Part 1/Inner");
    QDir(dir.path()).mkpath("shelf/Nested/Twin");
    QDir(dir.path()).mkpath("shelf/Broken");
    QDir(dir.path()).mkpath("shelf/Notes");
    QDir(dir.path()).mkpath("other/Twin");
    QDir(dir.path()).mkpath("empty");
    for (const char *name :
         {"shelf/Own and Parts/own.wav", "shelf/Own and Parts/Disc 10/tenth.wav",
          "shelf/Own and Parts/cd 2/second.wav", "shelf/Own and Parts/Part_1/first.wav",
          "shelf/Nested/Deeper/deep.wav", "shelf/Nested/Twin/one.wav", "other/Twin/two.wav",
          "shelf/Series/Part 1/Inner/inner.wav"})
        tone(name, ToneFormat::Wav16, 8000, 1, 0.2);
    writeFile(path("shelf/Broken/a.wav"), "not audio");
    writeFile(path("shelf/Notes/readme.txt"), "no book");
    writeFile(path("empty/readme.txt"), "no book");

    // The outputs inside the shelf: on a second run they are no book.
    const QString books = path("shelf/books");
    const QStringList given = {"--each", path("shelf"), path("other/Twin"), path("empty"),
                               "-o",     books,         "--format",         "flac",
                               "-j",     "2",           "--artist",         "Reader"};
    const Result first = run(given);
    EXPECT_EQ(first.exitCode, ExitCode::kFailed) << qPrintable(first.errors);
    EXPECT_EQ(QDir(books).entryList(QDir::Files),
              QStringList({"Deeper.flac", "Inner.flac", "Own and Parts.flac"}));
    const MediaInfo parts = probeMedia(path("shelf/books/Own and Parts.flac"));
    QStringList titles;
    for (const ProbedChapter &chapter : parts.chapters)
        titles << chapter.title;
    EXPECT_EQ(titles, QStringList({"own", "first", "second", "tenth"}));
    EXPECT_EQ(parts.tags.album, "Own and Parts");
    EXPECT_EQ(parts.tags.artist, "Reader");

    // Every book has its line: the bad ones say why, naming the culprit.
    const QStringList lines = first.output.split('\n', Qt::SkipEmptyParts);
    const auto line = [&lines](const QString &start, const QString &part) {
        return std::any_of(lines.cbegin(), lines.cend(), [&](const QString &l) {
            return l.startsWith(start) && l.contains(part);
        });
    };
    EXPECT_TRUE(line("done", "Deeper.flac")) << qPrintable(first.output);
    EXPECT_TRUE(line("refused", path("shelf/Broken/a.wav"))) << qPrintable(first.output);
    EXPECT_TRUE(line("refused", path("empty"))) << qPrintable(first.output);
    EXPECT_TRUE(line("refused", path("shelf/Nested/Twin"))) << qPrintable(first.output);
    EXPECT_TRUE(line("refused", path("other/Twin"))) << qPrintable(first.output);
    EXPECT_FALSE(line("", "Notes")) << qPrintable(first.output);
    EXPECT_EQ(lines.size(), 8) << qPrintable(first.output);

    // The options given reach each book, however they are written: without -y
    // the outputs stay, with it they are replaced, and an album given is every
    // book's. Quiet, only the bad books are named, as errors.
    const QByteArray before = contents(path("shelf/books/Deeper.flac"));
    const Result again = run(given + QStringList{"-q"});
    EXPECT_EQ(again.exitCode, ExitCode::kFailed);
    EXPECT_EQ(again.output, "");
    EXPECT_EQ(again.errors.count("exists"), 3) << qPrintable(again.errors);
    EXPECT_EQ(again.errors.split('\n', Qt::SkipEmptyParts).size(), 7) << qPrintable(again.errors);
    EXPECT_EQ(contents(path("shelf/books/Deeper.flac")), before);
    ASSERT_EQ(run({"--each", path("shelf/Nested/Deeper"), "--output=" + books, "--format=flac",
                   "--album=Given", "-qyj1"})
                  .exitCode,
              ExitCode::kDone);
    EXPECT_EQ(probeMedia(path("shelf/books/Deeper.flac")).tags.album, "Given");
}

TEST_F(CliTest, StopSignalToEachKeepsTheBooksDoneAndLeavesNothingOfTheOthers)
{
    QDir(dir.path()).mkpath("shelf/A short");
    QDir(dir.path()).mkpath("shelf/B long");
    QDir(dir.path()).mkpath("shelf/C waiting");
    tone("shelf/A short/a.wav", ToneFormat::Wav16, 8000, 1, 0.2);
    tone("shelf/C waiting/c.wav", ToneFormat::Wav16, 8000, 1, 0.2);
    // Ten minutes of audio, written once.
    const QString piece = tone("piece.wav", ToneFormat::Wav16, 44100, 2, 10.0);
    for (int i = 0; i < 60; ++i)
        QFile::link(piece, path(QStringLiteral("shelf/B long/%1.wav").arg(i)));

    // Standard error on a terminal: each running book has its progress line there.
    QProcess process;
    OnTerminal terminal(process);
    ASSERT_TRUE(terminal.opened());
    process.start(program(),
                  {"--each", path("shelf"), "-o", path("books"), "--format", "ogg", "-j", "1"});
    ASSERT_TRUE(process.waitForStarted());
    static const QRegularExpression bookLine(R"(B long +\d+%)");
    const QString drawn = terminal.readUntil(bookLine, process);
    ASSERT_TRUE(bookLine.match(drawn).hasMatch()) << qPrintable(drawn);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(60000));

    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), ExitCode::kStopped);
    EXPECT_EQ(QDir(path("books")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"A short.ogg"});
    const QString summary = QString::fromLocal8Bit(process.readAllStandardOutput());
    EXPECT_TRUE(
        summary.contains(QRegularExpression("^done +A short", QRegularExpression::MultilineOption)))
        << qPrintable(summary);
    EXPECT_TRUE(summary.contains(
        QRegularExpression("^stopped +B long", QRegularExpression::MultilineOption)))
        << qPrintable(summary);
    EXPECT_TRUE(summary.contains(
        QRegularExpression("^not started +C waiting", QRegularExpression::MultilineOption)))
        << qPrintable(summary);
}

// Each format carries the cover given, the copy joins too, where the cover
// finder reads it back; else the one found beside the input, or none. A file
// given that is no picture is refused naming it before anything is written.
TEST_F(CliTest, CoverIsGivenFoundBesideTheInputOrLeftOut)
{
    const QString wav = tone("in.wav", ToneFormat::Wav16, 44100, 2, 0.2);
    const QByteArray beside = Pictures::encoded("JPEG", qRgb(1, 2, 3));
    const QByteArray given = Pictures::encoded("PNG", qRgb(4, 5, 6));
    Pictures::write(path("FOLDER.jpg"), beside);
    Pictures::write(path("given.png"), given);
    for (const auto &[input, output] :
         {std::pair(tone("in.mp3", ToneFormat::Mp3, 44100, 2, 0.2), "out.mp3"),
          std::pair(tone("in.flac", ToneFormat::Flac, 44100, 2, 0.2), "out.flac"),
          std::pair(wav, "out.wav"), std::pair(wav, "out.ogg"), std::pair(wav, "out.wma"),
          std::pair(wav, "out.m4b")}) {
        const Result result =
            run({input, "--copy", "--cover", path("given.png"), "-o", path(output)});
        ASSERT_EQ(result.exitCode, ExitCode::kDone) << qPrintable(result.errors);
        EXPECT_EQ(probeMedia(path(output)).attachedPicture, given) << output;
        EXPECT_EQ(CoverFinder::embedded(path(output))->data, given) << output;
    }

    ASSERT_EQ(run({wav, "-q", "-o", path("found.m4b")}).exitCode, ExitCode::kDone);
    EXPECT_EQ(probeMedia(path("found.m4b")).attachedPicture, beside);
    ASSERT_EQ(run({wav, "-q", "--no-cover", "-o", path("none.ogg")}).exitCode, ExitCode::kDone);
    EXPECT_TRUE(probeMedia(path("none.ogg")).attachedPicture.isEmpty());

    const QString gif = Pictures::write(path("anim.png"), Pictures::kGifHead);
    const Result refused = run({wav, "--cover", gif, "-o", path("refused.flac")});
    EXPECT_EQ(refused.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(refused.errors.contains(gif)) << qPrintable(refused.errors);
    EXPECT_FALSE(QFile::exists(path("refused.flac")));
    // A picture a FLAC block cannot hold is refused before anything is written.
    QFile huge(Pictures::write(path("huge.jpg"), beside));
    ASSERT_TRUE(huge.resize(CoverPicture::kMaxBytes));
    const Result tooLarge = run({wav, "--cover", huge.fileName(), "-o", path("huge.flac")});
    EXPECT_EQ(tooLarge.exitCode, ExitCode::kFailed);
    EXPECT_TRUE(tooLarge.errors.contains("too large for a FLAC")) << qPrintable(tooLarge.errors);
    EXPECT_FALSE(QFile::exists(path("huge.flac")));
}
