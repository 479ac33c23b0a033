#include "joinlist/joinlist.h"

#include "app/tfm_main.h"
#include "audio/audioerror.h"
#include "audio/audiofile.h"
#include "joinlist/folderscan.h"
#include "joinlist/formathms.h"
#include "platform/apppaths.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "settings/settings.h"
#include "skin/skin.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidget>

namespace {

const QString kUnconverted = QStringLiteral("unconverted");

// What a row was admitted with, so that it can still be taken off the totals
// when its file has gone.
constexpr int kAdmittedSecondsRole = Qt::UserRole;
constexpr int kAdmittedSamplesRole = Qt::UserRole + 1;

struct ColumnSpec {
    const char *caption;
    int width;
};
constexpr ColumnSpec kColumns[] = {
    {"File Name", 120},
    {"Full Path", 217},
    {"Time", 60},
    {"Status", 72},
};

const QStringList kOpenFilters = {
    QStringLiteral("All Supported Files (*.mp3 *.wav *.wma *.ogg)"),
    QStringLiteral("MP3 Files(*.mp3)"),
    QStringLiteral("WAV Files(*.wav)"),
    QStringLiteral("WMA Files(*.wma)"),
    QStringLiteral("OGG Files(*.ogg)"),
};

}  // namespace

JoinList::JoinList(Tfm_main &main)
    : m_main(main), m_folderScan(std::make_unique<FolderScan>(main, *this))
{
    setUpColumns();
}

JoinList::~JoinList() = default;

void JoinList::setUpColumns()
{
    QTreeWidget *lv = m_main.lv();
    QStringList captions;
    for (const ColumnSpec &column : kColumns)
        captions << QString::fromLatin1(column.caption);
    lv->setColumnCount(captions.size());
    lv->setHeaderLabels(captions);
    QHeaderView *header = lv->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    for (int i = 0; i < captions.size(); ++i) {
        header->setSectionResizeMode(i, QHeaderView::Fixed);
        lv->setColumnWidth(i, kColumns[i].width);
    }
}

void JoinList::resetTotals()
{
    m_totalSeconds = 0;
    m_totalSamples = 0;
}

int JoinList::rowCount() const
{
    return m_main.lv()->topLevelItemCount();
}

QString JoinList::fullPath(int row) const
{
    return m_main.lv()->topLevelItem(row)->text(FullPathColumn);
}

QString JoinList::status(int row) const
{
    return m_main.lv()->topLevelItem(row)->text(StatusColumn);
}

void JoinList::setStatus(int row, const QString &status)
{
    if (QTreeWidgetItem *item = m_main.lv()->topLevelItem(row))
        item->setText(StatusColumn, status);
}

int JoinList::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_main.lv()->selectedItems();
    return selected.isEmpty() ? -1 : m_main.lv()->indexOfTopLevelItem(selected.first());
}

void JoinList::selectRow(int row)
{
    QTreeWidget *lv = m_main.lv();
    lv->clearSelection();
    if (QTreeWidgetItem *item = lv->topLevelItem(row)) {
        lv->setCurrentItem(item);
        item->setSelected(true);
    }
}

bool JoinList::AdmitFile(const QString &path, AudioFile &audioFile)
{
    Prompter &prompter = m_main.prompter();
    if (!QFileInfo(path).isFile()) {
        prompter.plain(path + Messages::kFileRemovedSuffix);
        return false;
    }
    if (audioFile.IsOpen())
        audioFile.CloseFile();
    try {
        audioFile.OpenFile(path, 0, 1);
    } catch (const AudioError &) {
        prompter.plain(path + Messages::kInvalidAudioSuffix);
        audioFile.CloseFile();
        return false;
    }
    if (audioFile.SampleCount() == 0) {
        prompter.plain(path + Messages::kInvalidAudioSuffix);
        audioFile.CloseFile();
        return false;
    }
    // Each row is truncated to whole seconds before it is added.
    const qint64 seconds = audioFile.Duration() / 1000;
    const qint64 samples = audioFile.SampleCount();
    m_totalSamples += samples;
    audioFile.CloseFile();
    m_totalSeconds += seconds;
    appendRow(path, seconds, samples);
    return true;
}

void JoinList::appendRow(const QString &path, qint64 seconds, qint64 samples)
{
    auto *item = new QTreeWidgetItem(
        QStringList{QFileInfo(path).fileName(), path, FormatHms(seconds), kUnconverted});
    item->setData(FileNameColumn, kAdmittedSecondsRole, seconds);
    item->setData(FileNameColumn, kAdmittedSamplesRole, samples);
    m_main.lv()->addTopLevelItem(item);
}

void JoinList::ShowTotalTime()
{
    if (SkinElement *element = m_main.totalTimeElement()) {
        element->SetText(FormatHms(m_totalSeconds));
        element->Refresh();
    }
}

void JoinList::runAdmission(const std::function<void()> &admit)
{
    BusyState &busy = m_main.busy();
    busy.beginAdmission();
    try {
        admit();
    } catch (...) {
        busy.endAdmission();
        throw;
    }
    busy.endAdmission();
}

void JoinList::AddFile()
{
    if (m_main.busy().joinBusy())
        return;
    Settings &settings = m_main.settings();
    FileOpenRequest request;
    request.startFolder = settings.readText(QStringLiteral("join"), QStringLiteral("file path"),
                                            AppPaths::executableFolder());
    request.nameFilters = kOpenFilters;
    const QStringList files = m_main.prompter().chooseFilesToOpen(request);
    if (files.isEmpty())
        return;
    runAdmission([&] {
        settings.writeText(QStringLiteral("join"), QStringLiteral("file path"),
                           QFileInfo(files.first()).absolutePath());
        for (const QString &file : files) {
            QCoreApplication::processEvents();
            AdmitFile(file, m_main.AudioFileWrite());
        }
        ShowTotalTime();
    });
}

void JoinList::AddPath()
{
    m_folderScan->AddPath();
}

void JoinList::subtractRow(QTreeWidgetItem *item)
{
    AudioFile &audioFile = m_main.AudioFileWrite();
    const QString path = item->text(FullPathColumn);
    qint64 samples = item->data(FileNameColumn, kAdmittedSamplesRole).toLongLong();
    qint64 seconds = item->data(FileNameColumn, kAdmittedSecondsRole).toLongLong();
    // The file as it is now decides, as long as it still opens; a file that is
    // gone or broken must not make its row impossible to remove.
    if (QFileInfo(path).isFile()) {
        try {
            audioFile.OpenFile(path, 0, 1);
            samples = audioFile.SampleCount();
            seconds = audioFile.Duration() / 1000;
            audioFile.CloseFile();
        } catch (const AudioError &) {
            audioFile.CloseFile();
        }
    }
    m_totalSamples -= samples;
    m_totalSeconds -= seconds;
}

void JoinList::RemoveFile()
{
    BusyState &busy = m_main.busy();
    if (busy.joinBusy())
        return;
    QTreeWidget *lv = m_main.lv();
    const int row = selectedRow();
    if (row >= 0) {
        if (busy.Playing && row == m_main.PlayingRow) {
            m_main.prompter().information(Messages::kStopPlayingFirst);
            return;
        }
        QTreeWidgetItem *item = lv->topLevelItem(row);
        subtractRow(item);
        delete lv->takeTopLevelItem(row);
        if (row < m_main.PlayingRow)
            --m_main.PlayingRow;
        const int remaining = rowCount();
        if (remaining == 0)
            lv->clearSelection();
        else
            selectRow(row < remaining ? row : remaining - 1);
    }
    ShowTotalTime();
    lv->setFocus();
}

void JoinList::Clear()
{
    m_main.lv()->clear();
    resetTotals();
    if (SkinElement *element = m_main.totalTimeElement()) {
        element->SetText(FormatHms(0));
        element->Refresh();
    }
}

void JoinList::exchangeRows(int first, int second)
{
    QTreeWidget *lv = m_main.lv();
    QTreeWidgetItem *a = lv->topLevelItem(first);
    QTreeWidgetItem *b = lv->topLevelItem(second);
    for (int column = 0; column < lv->columnCount(); ++column) {
        const QString text = a->text(column);
        a->setText(column, b->text(column));
        b->setText(column, text);
    }
    for (int role : {kAdmittedSecondsRole, kAdmittedSamplesRole}) {
        const QVariant value = a->data(FileNameColumn, role);
        a->setData(FileNameColumn, role, b->data(FileNameColumn, role));
        b->setData(FileNameColumn, role, value);
    }
}

void JoinList::MoveUp()
{
    const int i = selectedRow();
    if (i < 0 || i == 0 || m_main.busy().joinBusy())
        return;
    if (m_main.PlayingRow == i)
        m_main.PlayingRow = i - 1;
    else if (m_main.PlayingRow == i - 1)
        m_main.PlayingRow = i;
    exchangeRows(i - 1, i);
    selectRow(i - 1);
}

void JoinList::MoveDown()
{
    const int i = selectedRow();
    if (i < 0 || i == rowCount() - 1 || m_main.busy().joinBusy())
        return;
    if (m_main.PlayingRow == i)
        m_main.PlayingRow = i + 1;
    else if (m_main.PlayingRow == i + 1)
        m_main.PlayingRow = i;
    exchangeRows(i, i + 1);
    selectRow(i + 1);
}
