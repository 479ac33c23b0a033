#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

class AudioFile;
class FolderScan;
class Prompter;
class QTreeWidget;
class QTreeWidgetItem;
class Settings;

// The ordered list of input files shown in the list view, its running totals,
// and the work of the commands that add, remove, clear and move rows. The
// commands' guards are the window's; what changes here that others show or
// follow (the total time, the admission state, rows that move) is signalled.
class JoinList : public QObject {
    Q_OBJECT
public:
    // Column positions of a row's four texts.
    enum Column { FileNameColumn = 0, FullPathColumn = 1, TimeColumn = 2, StatusColumn = 3 };

    // lv shows and holds the rows. Add File checks files with addFileProbe, the
    // folder scan with scanProbe.
    JoinList(QTreeWidget &lv, Prompter &prompter, Settings &settings, AudioFile &addFileProbe,
             AudioFile &scanProbe, QObject *parent = nullptr);
    ~JoinList() override;

    qint64 totalSeconds() const { return m_totalSeconds; }
    qint64 totalSamples() const { return m_totalSamples; }
    void resetTotals();

    int rowCount() const;
    QString fullPath(int row) const;
    QStringList fullPaths() const;
    // What the row was admitted with: its length in frames and their rate.
    qint64 admittedSamples(int row) const;
    int admittedSampleRate(int row) const;
    // The chapter title the user gave the row, empty when none: the row
    // keeps it however it moves.
    QString chapterTitle(int row) const;
    void setChapterTitle(int row, const QString &title);
    QStringList chapterTitles() const;
    QString status(int row) const;
    void setStatus(int row, const QString &status);
    // The selected row, or -1.
    int selectedRow() const;
    void selectRow(int row);
    // Gives the list view the keyboard focus.
    void focus();

    // Checks one file with the given instance and appends its row when it
    // passes; false when it was refused (the user has been told why).
    bool admitFile(const QString &path, AudioFile &audioFile);
    void showTotalTime();

    // Add File from the open dialog on.
    void addFile();
    // Add Path once the folder has been chosen: the folder's files, and its
    // sub-folders' when the sub-folder switch is on.
    void addPath(const QString &folder);
    // Admits files and folders in the order given, as Add File and Add Path
    // admit them (a folder scanned with the sub-folder switch), after refusing
    // the names given as unreachable by their bytes (see FileNameBytes).
    void addPaths(const QStringList &paths, const QStringList &unreachable = {});
    void removeFile();
    void clear();
    void moveUp();
    void moveDown();
    // Puts the rows in natural order of their file names, each keeping what
    // it was admitted with; the selection stays on its row.
    void sortByName();
    // Moves a row to the index to, the rows between shifting by one; the
    // selection goes with it and the totals stay as they are.
    void moveRow(int from, int to);

signals:
    // The "Total time" read-out's new text.
    void totalTimeChanged(const QString &text);
    // An admission starts and ends (however it ends); they may nest.
    void admissionStarts();
    void admissionEnds();
    // Rows that others keep an index of have moved.
    void rowRemoved(int row);
    void rowsExchanged(int first, int second);

private:
    void setUpColumns();
    void runAdmission(const std::function<void()> &admit);
    bool scanSubFolders() const;
    void appendRow(const QString &path, qint64 seconds, qint64 samples, int sampleRate);
    void exchangeRows(int first, int second);

    QTreeWidget &m_lv;
    Prompter &m_prompter;
    Settings &m_settings;
    AudioFile &m_addFileProbe;
    AudioFile &m_scanProbe;
    std::unique_ptr<FolderScan> m_folderScan;
    qint64 m_totalSeconds = 0;
    qint64 m_totalSamples = 0;
};
