#include "cli/commandlinejoin.h"

#include "audio/core/audioerror.h"
#include "audio/encode/outputfile.h"
#include "audio/tags/coverpicture.h"
#include "cli/chaptertitlesfile.h"
#include "cli/clitexts.h"
#include "cli/console.h"
#include "cli/exitcode.h"
#include "cli/givenfile.h"
#include "cli/joininputs.h"
#include "cli/madefolders.h"
#include "cli/progressreport.h"
#include "cli/stopsignal.h"
#include "inputs/formathms.h"
#include "join/joinrun.h"
#include "join/outputformatsetup.h"
#include "platform/apppaths.h"
#include "platform/messages.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QLocale>

namespace {
constexpr qint64 kMsPerSecond = 1000;
}  // namespace

CommandLineJoin::CommandLineJoin(const JoinRequest &request) : m_request(request) {}

int CommandLineJoin::run()
{
    const std::optional<QString> settingsPath = settingsFile();
    if (!settingsPath)
        return ExitCode::kFailed;
    // Read only: nothing here ever writes a settings file. A file too large to
    // be one is refused by open().
    Settings settings(*settingsPath);
    settings.open();

    // A chosen cover that cannot serve is refused before any input is read;
    // the join checks it again before it writes.
    if (m_request.tags.cover.kind == CoverChoice::Kind::File) {
        try {
            CoverPicture::fromFile(m_request.tags.cover.file);
        } catch (const AudioError &error) {
            Console::printError(QString::fromUtf8(error.what()));
            return ExitCode::kFailed;
        }
    }

    JoinInputs inputs(m_reader);
    if (!gatherInputs(inputs))
        return ExitCode::kFailed;
    if (StopSignal::requested())
        return ExitCode::kStopped;
    QStringList titles;
    if (!m_request.chapterTitlesFile.isEmpty()) {
        const ChapterTitlesFile file(m_request.chapterTitlesFile, inputs.paths().size());
        if (!file.error().isEmpty()) {
            Console::printError(file.error());
            return ExitCode::kFailed;
        }
        titles = file.titles();
    }

    QString extension;
    OutputFormatSetup setup(settings, m_writer, m_encoder, m_prompter);
    if (!setup.setUpOutputFormat(m_request.formatIndex, extension))
        return ExitCode::kFailed;
    if (!outputMayBeWritten(inputs)
        || !m_madeFolders.make(QFileInfo(m_request.output).absolutePath()))
        return ExitCode::kFailed;
    return join(inputs, titles);
}

std::optional<QString> CommandLineJoin::settingsFile() const
{
    // Without --settings the user's file, when there is one; a missing file
    // means every key is missing, as in the window.
    if (m_request.settingsFile.isEmpty())
        return AppPaths::settingsFile();
    const QString &path = m_request.settingsFile;
    QFile file(path);
    const QString cause = GivenFile::open(file);
    if (!cause.isEmpty()) {
        Console::printError(CliTexts::kSettingsUnreadable.arg(path, cause));
        return std::nullopt;
    }
    return path;
}

bool CommandLineJoin::gatherInputs(JoinInputs &inputs)
{
    // Each unreachable argument stands for one input of its text: a real file
    // of that very text named as well is still joined.
    QStringList unreachable = m_request.unreachableNames;
    for (const QString &input : m_request.inputs) {
        if (unreachable.removeOne(input))
            inputs.refuse(input + Messages::kNameNotUtf8Suffix);
        else
            inputs.add(input, m_request.recursive);
    }
    // Every refused input is named, not only the first, before anything is written.
    for (const QString &refusal : inputs.refusals())
        m_prompter.plain(refusal);
    if (!inputs.refusals().isEmpty())
        return false;
    if (inputs.paths().isEmpty()) {
        m_prompter.information(Messages::kAddFile);
        return false;
    }
    return true;
}

bool CommandLineJoin::outputMayBeWritten(const JoinInputs &inputs)
{
    // Writing over an input would destroy it while it is being read.
    if (JoinRun::isAnInput(m_request.output, inputs.paths())) {
        m_prompter.information(Messages::kOutputIsInput);
        return false;
    }
    // A device, FIFO or folder of that name is never replaced, -y or not.
    OutputFile::checkTarget(m_request.output);
    if (QFileInfo::exists(m_request.output) && !m_request.overwrite) {
        Console::printError(CliTexts::kOutputExists.arg(m_request.output));
        return false;
    }
    return true;
}

int CommandLineJoin::join(const JoinInputs &inputs, const QStringList &chapterTitles)
{
    JoinJob job;
    job.inputs = inputs.paths();
    job.totalFrames = inputs.totalSamples();
    job.admittedLengths = inputs.lengths();
    job.chapters = m_request.chapters;
    job.chapterNaming.titles = chapterTitles;
    job.chapterNaming.rule = m_request.chapterNames;
    job.chapterNaming.keepInputChapters = !m_request.chaptersPerFile;
    job.outputPath = m_request.output;
    job.tags = m_request.tags;
    job.keepStoppedOutput = false;
    job.loudnessTarget = m_request.loudnessTarget;
    job.pauseMilliseconds = m_request.pauseMilliseconds;
    job.crossfadeMilliseconds = m_request.crossfadeMilliseconds;
    job.copy = m_request.copy;

    makeOutputWritable();
    ProgressReport progress(!m_request.quiet && Console::errorIsTerminal(),
                            inputs.totalDurationMs(), m_request.progressLines);
    JoinRun run(m_reader, m_writer, m_information);
    try {
        run.run(job, progress);
    } catch (...) {
        progress.finish();
        m_reader.abortFile();
        m_writer.abortFile();
        restoreOutputPermissions();
        m_madeFolders.removeEmpty();
        throw;
    }
    progress.finish();
    if (run.stopped()) {
        if (!m_request.quiet) {
            Console::printError(m_replacedPermissions || QFileInfo::exists(m_request.output)
                                    ? CliTexts::kStoppedKept.arg(m_request.output)
                                    : CliTexts::kStopped);
        }
        restoreOutputPermissions();
        m_madeFolders.removeEmpty();
        return ExitCode::kStopped;
    }
    if (!m_request.quiet)
        printSummary(inputs, run);
    return ExitCode::kDone;
}

void CommandLineJoin::printSummary(const JoinInputs &inputs, const JoinRun &run) const
{
    const qint64 seconds = (inputs.totalDurationMs() + kMsPerSecond / 2) / kMsPerSecond;
    Console::printLine(CliTexts::kSummary.arg(
        m_request.output, formatHms(seconds),
        QLocale::system().formattedDataSize(QFileInfo(m_request.output).size())));
    // Asked to copy, the user is told how far the inputs allowed it.
    if (m_request.copy)
        Console::printLine(
            Messages::kCopiedAndEncoded.arg(run.copiedRows()).arg(run.encodedRows()));
}

void CommandLineJoin::makeOutputWritable()
{
    // The new file takes the old one's permissions: a read-only file is
    // replaced by a writable one, as the window does after Yes to its
    // overwrite question.
    if (!QFileInfo::exists(m_request.output))
        return;
    const QFile::Permissions before = QFile::permissions(m_request.output);
    if (before & QFileDevice::WriteOwner)
        return;
    m_replacedPermissions = before;
    QFile::setPermissions(m_request.output, before | QFileDevice::WriteOwner);
}

void CommandLineJoin::restoreOutputPermissions()
{
    if (m_replacedPermissions)
        QFile::setPermissions(m_request.output, *m_replacedPermissions);
    m_replacedPermissions.reset();
}
