#include "join/joinrun.h"

#include "app/tfm_main.h"
#include "audio/audiofile.h"
#include "join/outputformatsetup.h"
#include "join/tagstamper.h"
#include "joinlist/joinlist.h"
#include "kit/themedprogressbar.h"
#include "platform/apppaths.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "settings/settings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTreeWidget>

namespace {
const QString kConverting = QStringLiteral("Converting");
const QString kFinished = QStringLiteral("Finished");
// Seconds of audio per channel in one block: 8 s for stereo, 4 s for mono.
constexpr int kBlockSeconds = 4;
}  // namespace

JoinRun::JoinRun(Tfm_main &main) : m_main(main) {}

int JoinRun::progressPercent(qint64 processed, qint64 total)
{
    if (total <= 0 || processed <= 0)
        return 0;
    if (processed >= total)
        return 100;
    // processed < total here, so processed * 100 cannot overflow for any real list.
    return static_cast<int>((processed * 100 + total / 2) / total);
}

QString JoinRun::outputFolder() const
{
    QString folder =
        m_main.settings().readText(QStringLiteral("join"), QStringLiteral("output directory"),
                                   AppPaths::defaultOutputFolder());
    // An emptied setting would write beside wherever the program was started.
    if (folder.isEmpty())
        folder = AppPaths::defaultOutputFolder();
    return folder;
}

bool JoinRun::outputIsAnInput(const QString &outputPath) const
{
    const QString output = QFileInfo(outputPath).canonicalFilePath();
    if (output.isEmpty())
        return false;  // no such file yet, so it cannot be one of the inputs
    const JoinList &list = m_main.joinList();
    for (int row = 0; row < list.rowCount(); ++row) {
        if (QFileInfo(list.fullPath(row)).canonicalFilePath() == output)
            return true;
    }
    return false;
}

void JoinRun::enterJoiningState()
{
    m_main.busy().joinStarts();
    m_main.pb()->setCaptionVisible(true);
}

void JoinRun::leaveJoiningState()
{
    m_main.busy().joinEnds();
    m_main.pb()->setCaptionVisible(false);
}

void JoinRun::JoinFiles()
{
    BusyState &busy = m_main.busy();
    Prompter &prompter = m_main.prompter();
    JoinList &list = m_main.joinList();
    AudioFile &writer = m_main.AudioFileWrite();

    if (list.rowCount() == 0) {
        prompter.information(Messages::kAddFile);
        return;
    }
    if (busy.Playing) {
        prompter.information(Messages::kStopPlayingFirst);
        return;
    }
    if (busy.joinBusy())
        return;
    // Held until the run has finished, however it finishes.
    const struct ActiveRun {
        BusyState &busy;
        explicit ActiveRun(BusyState &state) : busy(state) { busy.joinRunActive = true; }
        ~ActiveRun() { busy.joinRunActive = false; }
    } activeRun(busy);

    QString folder = outputFolder();
    if (!QDir(folder).exists())
        QDir().mkdir(folder);  // one level; a failure shows when the output is created
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    busy.Joining = true;
    m_main.pb()->setPosition(0);

    QString extension;
    OutputFormatSetup setup(m_main.settings(), writer, m_main.AudioFile2LameEnc(), prompter);
    if (!setup.SetUpOutputFormat(m_main.cb_format()->currentIndex(), extension)) {
        busy.Joining = false;
        return;
    }
    if (writer.IsOpen())
        writer.CloseFile();

    const QString outputPath = folder + m_main.edt_filename()->text() + extension;
    // Writing over an input would destroy it while it is being read.
    if (outputIsAnInput(outputPath)) {
        prompter.information(Messages::kOutputIsInput);
        busy.Joining = false;
        return;
    }
    if (QFileInfo::exists(outputPath)) {
        if (!prompter.askYesNo(Messages::kOverwrite)) {
            busy.Joining = false;
            return;
        }
        QFile::setPermissions(outputPath, QFile::permissions(outputPath) | QFileDevice::WriteOwner);
    }

    enterJoiningState();
    if (writer.IsOpen())
        writer.CloseFile();
    qint64 processed = 0;
    writer.CreateFile(outputPath, 0);

    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (!joinRow(row, processed))
            break;
    }

    if (writer.IsOpen())
        writer.CloseFile();
    StampTags(m_main.audioInformation(), m_main.tagValues, outputPath);
    m_main.pb()->setPosition(0);
    busy.Joining = false;
    m_main.edt_filename()->setText(QStringLiteral("new"));
    m_main.tagValues.reset();
    leaveJoiningState();
}

bool JoinRun::joinRow(int row, qint64 &processed)
{
    BusyState &busy = m_main.busy();
    JoinList &list = m_main.joinList();
    AudioFile &reader = m_main.AudioFileRead();
    AudioFile &writer = m_main.AudioFileWrite();

    if (!busy.Joining)
        return false;
    QCoreApplication::processEvents();
    // A stop, or an error reported meanwhile, ends the run before the row begins.
    if (!busy.Joining || row >= list.rowCount())
        return false;
    list.selectRow(row);
    m_main.lv()->setFocus();
    if (reader.IsOpen())
        reader.CloseFile();
    list.setStatus(row, kConverting);
    reader.OpenFile(list.fullPath(row), 0, 1);
    reader.Seek(0, 3);
    writer.SetInputFormat(reader.SampleRate(), reader.Channels());

    const qint64 total = list.TotalSamples();
    qint64 position = 0;
    qint64 blockSize = qint64(reader.Channels()) * reader.SampleRate() * kBlockSeconds;
    while (reader.SampleCount() > position) {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        if (!busy.Joining)
            break;
        blockSize = qMin(blockSize, reader.SampleCount() - position);
        SampleArray block = reader.ReadSamples(static_cast<int>(blockSize));
        if (block.empty())
            break;
        writer.WriteSamples(block);
        const qint64 frames = qint64(block.size()) / reader.BlockAlign();
        reader.ReleaseSamples(std::move(block));
        position += frames;
        processed = qMin(processed + frames, total);
        position = qMin(position, reader.SampleCount());
        m_main.pb()->setPosition(progressPercent(processed, total));
        if (reader.SampleCount() == position)
            break;
    }
    if (reader.IsOpen())
        reader.CloseFile();
    list.setStatus(row, kFinished);
    return true;
}
