#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class AudioFile;
class FolderScan;
class QTreeWidgetItem;
class Tfm_main;

// The ordered list of input files shown in `lv`, its running totals, and the
// commands that add, remove, clear and move rows.
class JoinList {
public:
    // Column positions of a row's four texts.
    enum Column { FileNameColumn = 0, FullPathColumn = 1, TimeColumn = 2, StatusColumn = 3 };

    explicit JoinList(Tfm_main &main);
    ~JoinList();

    qint64 TotalSeconds() const { return m_totalSeconds; }
    qint64 TotalSamples() const { return m_totalSamples; }
    void resetTotals();

    int rowCount() const;
    QString fullPath(int row) const;
    QString status(int row) const;
    void setStatus(int row, const QString &status);
    // The selected row, or -1.
    int selectedRow() const;
    void selectRow(int row);

    // Checks one file with the given instance and appends its row when it
    // passes; false when it was refused (the user has been told why).
    bool AdmitFile(const QString &path, AudioFile &audioFile);
    void ShowTotalTime();

    // Commands.
    void AddFile();
    void AddPath();
    void RemoveFile();
    void Clear();
    void MoveUp();
    void MoveDown();

    // Admission runs with the twelve admission items locked; they are given
    // back however the admission ends.
    void runAdmission(const std::function<void()> &admit);

private:
    void setUpColumns();
    void appendRow(const QString &path, qint64 seconds, qint64 samples);
    void subtractRow(QTreeWidgetItem *item);
    void exchangeRows(int first, int second);

    Tfm_main &m_main;
    std::unique_ptr<FolderScan> m_folderScan;
    qint64 m_totalSeconds = 0;
    qint64 m_totalSamples = 0;
};
