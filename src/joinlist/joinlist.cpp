#include "joinlist/joinlist.h"

#include "inputs/admissioncheck.h"
#include "inputs/folderscan.h"
#include "inputs/formathms.h"
#include "inputs/inputtypes.h"
#include "inputs/naturalorder.h"
#include "inputs/rowstatus.h"
#include "platform/apppaths.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

namespace {

// What a row was admitted with: what its removal takes off the totals, whatever
// has become of its file since.
constexpr int kAdmittedSecondsRole = Qt::UserRole;
constexpr int kAdmittedSamplesRole = Qt::UserRole + 1;
constexpr int kAdmittedRateRole = Qt::UserRole + 2;
// The chapter title the user gave the row; none: the default rule's at join time.
constexpr int kChapterTitleRole = Qt::UserRole + 3;
// Every value a row carries besides its texts, which moves with them.
constexpr int kAdmittedRoles[] = {kAdmittedSecondsRole, kAdmittedSamplesRole, kAdmittedRateRole,
                                  kChapterTitleRole};

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

}  // namespace

JoinList::JoinList(QTreeWidget &lv, Prompter &prompter, Settings &settings, AudioFile &addFileProbe,
                   AudioFile &scanProbe, QObject *parent)
    : QObject(parent),
      m_lv(lv),
      m_prompter(prompter),
      m_settings(settings),
      m_addFileProbe(addFileProbe),
      m_scanProbe(scanProbe),
      m_folderScan(std::make_unique<FolderScan>(FolderScan::Visitor{
          [this](const QString &path) { return admitFile(path, m_scanProbe); },
          [] { QCoreApplication::processEvents(); }, [this] { showTotalTime(); },
          [this](const QString &text) { m_prompter.plain(text); }}))
{
    setUpColumns();
}

JoinList::~JoinList() = default;

void JoinList::setUpColumns()
{
    QStringList captions;
    for (const ColumnSpec &column : kColumns)
        captions << QString::fromLatin1(column.caption);
    m_lv.setColumnCount(int(captions.size()));
    m_lv.setHeaderLabels(captions);
    QHeaderView *header = m_lv.header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    for (int i = 0; i < captions.size(); ++i) {
        header->setSectionResizeMode(i, QHeaderView::Fixed);
        m_lv.setColumnWidth(i, kColumns[i].width);
    }
}

void JoinList::resetTotals()
{
    m_totalSeconds = 0;
    m_totalSamples = 0;
}

int JoinList::rowCount() const
{
    return m_lv.topLevelItemCount();
}

QString JoinList::fullPath(int row) const
{
    return m_lv.topLevelItem(row)->text(FullPathColumn);
}

QStringList JoinList::fullPaths() const
{
    QStringList paths;
    for (int row = 0; row < rowCount(); ++row)
        paths << fullPath(row);
    return paths;
}

qint64 JoinList::admittedSamples(int row) const
{
    return m_lv.topLevelItem(row)->data(FileNameColumn, kAdmittedSamplesRole).toLongLong();
}

int JoinList::admittedSampleRate(int row) const
{
    return m_lv.topLevelItem(row)->data(FileNameColumn, kAdmittedRateRole).toInt();
}

QString JoinList::chapterTitle(int row) const
{
    return m_lv.topLevelItem(row)->data(FileNameColumn, kChapterTitleRole).toString();
}

void JoinList::setChapterTitle(int row, const QString &title)
{
    if (QTreeWidgetItem *item = m_lv.topLevelItem(row))
        item->setData(FileNameColumn, kChapterTitleRole, title);
}

QStringList JoinList::chapterTitles() const
{
    QStringList titles;
    for (int row = 0; row < rowCount(); ++row)
        titles << chapterTitle(row);
    return titles;
}

QString JoinList::status(int row) const
{
    return m_lv.topLevelItem(row)->text(StatusColumn);
}

void JoinList::setStatus(int row, const QString &status)
{
    if (QTreeWidgetItem *item = m_lv.topLevelItem(row))
        item->setText(StatusColumn, status);
}

int JoinList::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_lv.selectedItems();
    return selected.isEmpty() ? -1 : m_lv.indexOfTopLevelItem(selected.first());
}

void JoinList::selectRow(int row)
{
    m_lv.clearSelection();
    if (QTreeWidgetItem *item = m_lv.topLevelItem(row)) {
        m_lv.setCurrentItem(item);
        item->setSelected(true);
    }
}

void JoinList::focus()
{
    m_lv.setFocus();
}

bool JoinList::admitFile(const QString &path, AudioFile &audioFile)
{
    const AdmissionCheck check = AdmissionCheck::run(path, audioFile);
    if (!check.passed()) {
        m_prompter.plain(check.refusal);
        return false;
    }
    // Each row is truncated to whole seconds before it is added.
    const qint64 seconds = check.durationMs / 1000;
    m_totalSamples += check.samples;
    m_totalSeconds += seconds;
    appendRow(path, seconds, check.samples, check.sampleRate);
    return true;
}

void JoinList::appendRow(const QString &path, qint64 seconds, qint64 samples, int sampleRate)
{
    auto *item = new QTreeWidgetItem(
        QStringList{QFileInfo(path).fileName(), path, formatHms(seconds), RowStatus::kUnconverted});
    item->setData(FileNameColumn, kAdmittedSecondsRole, seconds);
    item->setData(FileNameColumn, kAdmittedSamplesRole, samples);
    item->setData(FileNameColumn, kAdmittedRateRole, sampleRate);
    m_lv.addTopLevelItem(item);
}

void JoinList::showTotalTime()
{
    emit totalTimeChanged(formatHms(m_totalSeconds));
}

void JoinList::runAdmission(const std::function<void()> &admit)
{
    emit admissionStarts();
    try {
        admit();
    } catch (...) {
        emit admissionEnds();
        throw;
    }
    emit admissionEnds();
}

void JoinList::addFile()
{
    FileOpenRequest request;
    request.startFolder = m_settings.readText(SettingsKeys::kJoin, SettingsKeys::kFilePath,
                                              AppPaths::executableFolder());
    request.nameFilters = InputTypes::openDialogFilters();
    const QStringList files = m_prompter.chooseFilesToOpen(request);
    if (files.isEmpty())
        return;
    runAdmission([&] {
        m_settings.writeText(SettingsKeys::kJoin, SettingsKeys::kFilePath,
                             QFileInfo(files.first()).absolutePath());
        for (const QString &file : files) {
            QCoreApplication::processEvents();
            admitFile(file, m_addFileProbe);
        }
        showTotalTime();
    });
}

bool JoinList::scanSubFolders() const
{
    return m_settings.readSwitch(SettingsKeys::kBasic, SettingsKeys::kEnableSubDir, false);
}

void JoinList::addPath(const QString &folder)
{
    runAdmission([&] { m_folderScan->scanFolder(folder, scanSubFolders()); });
}

void JoinList::addPaths(const QStringList &paths, const QStringList &unreachable)
{
    if (paths.isEmpty() && unreachable.isEmpty())
        return;
    runAdmission([&] {
        for (const QString &name : unreachable)
            m_prompter.plain(name + Messages::kNameNotUtf8Suffix);
        const bool recursive = scanSubFolders();
        for (const QString &path : paths) {
            QCoreApplication::processEvents();
            if (QFileInfo(path).isDir())
                m_folderScan->scanFolder(path, recursive);
            else
                admitFile(path, m_addFileProbe);
        }
        showTotalTime();
    });
}

void JoinList::removeFile()
{
    const int row = selectedRow();
    if (row >= 0) {
        // The values admitted for the row: the file may have changed or gone
        // since, and the totals must stay the sums over the rows that remain.
        QTreeWidgetItem *item = m_lv.takeTopLevelItem(row);
        m_totalSamples -= item->data(FileNameColumn, kAdmittedSamplesRole).toLongLong();
        m_totalSeconds -= item->data(FileNameColumn, kAdmittedSecondsRole).toLongLong();
        delete item;
        emit rowRemoved(row);
        const int remaining = rowCount();
        if (remaining == 0)
            m_lv.clearSelection();
        else
            selectRow(row < remaining ? row : remaining - 1);
    }
    showTotalTime();
    focus();
}

void JoinList::clear()
{
    m_lv.clear();
    resetTotals();
    emit totalTimeChanged(formatHms(0));
}

void JoinList::exchangeRows(int first, int second)
{
    QTreeWidgetItem *a = m_lv.topLevelItem(first);
    QTreeWidgetItem *b = m_lv.topLevelItem(second);
    for (int column = 0; column < m_lv.columnCount(); ++column) {
        const QString text = a->text(column);
        a->setText(column, b->text(column));
        b->setText(column, text);
    }
    for (const int role : kAdmittedRoles) {
        const QVariant value = a->data(FileNameColumn, role);
        a->setData(FileNameColumn, role, b->data(FileNameColumn, role));
        b->setData(FileNameColumn, role, value);
    }
    emit rowsExchanged(first, second);
}

void JoinList::moveRow(int from, int to)
{
    const int rows = rowCount();
    if (from < 0 || from >= rows || to < 0 || to >= rows || from == to)
        return;
    // One neighbour exchange at a time, as Up and Down make them, so that
    // whoever follows a row by its index follows a longer move too.
    const int step = to > from ? 1 : -1;
    for (int row = from; row != to; row += step)
        exchangeRows(std::min(row, row + step), std::max(row, row + step));
    selectRow(to);
}

void JoinList::sortByName()
{
    const auto name = [this](int row) { return m_lv.topLevelItem(row)->text(FileNameColumn); };
    int selected = selectedRow();
    const int rows = rowCount();
    // A stable selection sort made of row moves, so that whoever follows a
    // row by its index (the preview) follows it here too.
    for (int target = 0; target < rows; ++target) {
        int first = target;
        for (int row = target + 1; row < rows; ++row) {
            if (NaturalOrder::lessThan(name(row), name(first)))
                first = row;
        }
        if (first == target)
            continue;
        moveRow(first, target);
        if (selected == first)
            selected = target;
        else if (selected >= target && selected < first)
            ++selected;
    }
    if (selected >= 0)
        selectRow(selected);
    else
        m_lv.clearSelection();
}

void JoinList::moveUp()
{
    const int i = selectedRow();
    if (i > 0)
        moveRow(i, i - 1);
}

void JoinList::moveDown()
{
    const int i = selectedRow();
    if (i >= 0 && i < rowCount() - 1)
        moveRow(i, i + 1);
}
