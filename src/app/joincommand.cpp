#include "app/joincommand.h"

#include "audio/audiofile.h"
#include "audio/core/lameencoder.h"
#include "audio/encode/outputfile.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/tagvalues.h"
#include "inputs/rowstatus.h"
#include "join/joinrun.h"
#include "join/outputformatsetup.h"
#include "joinlist/joinlist.h"
#include "platform/apppaths.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "player/busystate.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exception>
#include <utility>

JoinCommand::JoinCommand(Parts parts)
    : m_parts(std::move(parts)),
      m_reader(std::make_unique<AudioFile>()),
      m_writer(std::make_unique<AudioFile>()),
      m_encoder(std::make_unique<LameEncoder>()),
      m_information(std::make_unique<AudioInformation>())
{}

JoinCommand::~JoinCommand() = default;

QString JoinCommand::outputFolder() const
{
    QString folder = m_parts.settings.readText(SettingsKeys::kJoin, SettingsKeys::kOutputDirectory,
                                               AppPaths::defaultOutputFolder());
    // An emptied setting would write beside wherever the program was started.
    if (folder.isEmpty())
        folder = AppPaths::defaultOutputFolder();
    return folder;
}

std::optional<double> JoinCommand::loudnessTarget() const
{
    if (!m_parts.settings.readSwitch(SettingsKeys::kJoin, SettingsKeys::kMatchLoudness, false))
        return std::nullopt;
    return ValueLists::loudnessTargetAt(m_parts.settings.readIndex(
        SettingsKeys::kJoin, SettingsKeys::kLoudnessTarget, ValueLists::kDefaultLoudnessTargetIndex,
        int(ValueLists::kLoudnessTargets.size())));
}

int JoinCommand::junctionMilliseconds(const QString &key) const
{
    return m_parts.settings.readIndex(SettingsKeys::kJoin, key,
                                      ValueLists::kDefaultJunctionMilliseconds,
                                      ValueLists::kJunctionMillisecondsMaximum + 1);
}

void JoinCommand::enterJoiningState()
{
    m_parts.busy.lockForJoin();
    m_parts.view.showJoining(true);
}

void JoinCommand::leaveJoiningState()
{
    m_parts.busy.endJoin();
    m_parts.view.showJoining(false);
}

QString JoinCommand::prepare()
{
    QString folder = outputFolder();
    if (!QDir(folder).exists())
        QDir().mkdir(folder);  // one level; a failure shows when the output is created
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    m_parts.view.showProgress(0);

    QString extension;
    OutputFormatSetup setup(m_parts.settings, *m_writer, *m_encoder, m_parts.prompter);
    if (!setup.setUpOutputFormat(m_parts.view.formatIndex(), extension))
        return {};
    if (m_writer->isOpen())
        m_writer->closeFile();

    QString outputPath = folder + m_parts.view.outputName() + extension;
    // Writing over an input would destroy it while it is being read.
    if (JoinRun::isAnInput(outputPath, m_parts.list.fullPaths())) {
        m_parts.prompter.information(Messages::kOutputIsInput);
        return {};
    }
    // A device, FIFO or folder of that name is never replaced, nor made writable.
    OutputFile::checkTarget(outputPath);
    if (QFileInfo::exists(outputPath)) {
        if (!m_parts.prompter.askYesNo(Messages::kOverwrite))
            return {};
        QFile::setPermissions(outputPath, QFile::permissions(outputPath) | QFileDevice::WriteOwner);
    }
    return outputPath;
}

void JoinCommand::joinFiles()
{
    BusyState &busy = m_parts.busy;
    if (m_parts.list.rowCount() == 0) {
        m_parts.prompter.information(Messages::kAddFile);
        return;
    }
    if (busy.playing()) {
        m_parts.prompter.information(Messages::kStopPlayingFirst);
        return;
    }
    if (busy.joinBusy())
        return;
    // Held until the run has finished, however it finishes; a run ended by an
    // error leaves it to the error report to give the commands back.
    busy.beginJoin();
    try {
        const QString outputPath = prepare();
        if (outputPath.isEmpty()) {
            busy.cancelJoin();
        } else {
            enterJoiningState();
            JoinJob job;
            job.inputs = m_parts.list.fullPaths();
            job.totalFrames = m_parts.list.totalSamples();
            for (int row = 0; row < m_parts.list.rowCount(); ++row)
                job.admittedLengths.append(
                    {m_parts.list.admittedSamples(row), m_parts.list.admittedSampleRate(row)});
            job.chapters = m_parts.settings.readSwitch(SettingsKeys::kJoin, SettingsKeys::kChapters,
                                                       ValueLists::kDefaultChapters);
            job.chapterNaming.titles = m_parts.list.chapterTitles();
            job.outputPath = outputPath;
            job.tags = m_parts.tagValues;
            job.loudnessTarget = loudnessTarget();
            job.pauseMilliseconds = junctionMilliseconds(SettingsKeys::kPause);
            job.crossfadeMilliseconds = junctionMilliseconds(SettingsKeys::kCrossfade);
            job.copy = m_parts.settings.readSwitch(SettingsKeys::kJoin, SettingsKeys::kCopy,
                                                   ValueLists::kDefaultCopy);
            m_statusBeforeMeasuring.clear();
            JoinRun run(*m_reader, *m_writer, *m_information);
            run.run(job, *this);
            m_parts.view.showProgress(0);
            busy.stopJoin();
            // Stopped while measuring, nothing was written: the name and the
            // tags wait for the next join. A file that could not take them
            // (a WAV without audio) leaves them for the next one too.
            if (run.outputCreated()) {
                m_parts.view.nameUsed();
                if (run.tagsStored())
                    m_parts.tagValues.reset();
                else
                    m_parts.prompter.information(Messages::kTagsNotStored);
            }
            leaveJoiningState();
            // Asked to copy, the user is told how far the inputs allowed it,
            // with the window ready for the next join.
            if (job.copy && run.outputCreated())
                m_parts.prompter.information(
                    Messages::kCopiedAndEncoded.arg(run.copiedRows()).arg(run.encodedRows()));
        }
    } catch (...) {
        // A row whose measuring the failure cut short shows what it did before.
        for (auto row = m_statusBeforeMeasuring.cbegin(); row != m_statusBeforeMeasuring.cend();
             ++row) {
            if (row.key() < m_parts.list.rowCount())
                m_parts.list.setStatus(row.key(), row.value());
        }
        m_statusBeforeMeasuring.clear();
        busy.failJoin();
        throw;
    }
}

void JoinCommand::abandon()
{
    for (AudioFile *file : {m_reader.get(), m_writer.get()}) {
        try {
            if (file->isOpen())
                file->closeFile();
        } catch (const std::exception &closeError) {
            m_parts.prompter.information(QString::fromUtf8(closeError.what()));
        }
    }
    m_parts.view.showProgress(0);
    m_parts.busy.abandonJoin();
    m_parts.view.showJoining(false);
}

bool JoinCommand::rowStarts(int row)
{
    if (!m_parts.busy.joining())
        return false;
    QCoreApplication::processEvents();
    // A stop, or an error reported meanwhile, ends the run before the row begins.
    if (!m_parts.busy.joining() || row >= m_parts.list.rowCount())
        return false;
    m_parts.list.selectRow(row);
    m_parts.list.focus();
    m_parts.list.setStatus(row, RowStatus::kConverting);
    return true;
}

void JoinCommand::rowCopying(int row)
{
    m_parts.list.setStatus(row, RowStatus::kCopying);
}

bool JoinCommand::blockStarts()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return m_parts.busy.joining();
}

void JoinCommand::blockWritten(qint64 processed, qint64 total)
{
    m_parts.view.showProgress(JoinRun::progressPercent(processed, total));
}

void JoinCommand::rowEnds(int row)
{
    m_parts.list.setStatus(row, RowStatus::kFinished);
}

void JoinCommand::rowMeasuring(int row)
{
    m_statusBeforeMeasuring.insert(row, m_parts.list.status(row));
    m_parts.list.setStatus(row, RowStatus::kMeasuring);
}

void JoinCommand::rowMeasured(int row)
{
    m_parts.list.setStatus(row, m_statusBeforeMeasuring.take(row));
}

void JoinCommand::measured(qint64 processed, qint64 total)
{
    m_parts.view.showProgress(JoinRun::progressPercent(processed, total));
}

bool JoinCommand::measuringGoesOn()
{
    QCoreApplication::processEvents();
    return m_parts.busy.joining();
}
