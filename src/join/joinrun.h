#pragma once

#include <QString>
#include <QtGlobal>

class Tfm_main;

// The join: every row's file, in list order, decoded and written block by
// block into one output file, then tagged; the window stays responsive and the
// run can be stopped by clearing Joining.
class JoinRun {
public:
    explicit JoinRun(Tfm_main &main);

    void JoinFiles();

    // The bar's percentage for a share of the list, rounded half up; safe for
    // lists of any length and never above 100.
    static int progressPercent(qint64 processed, qint64 total);

private:
    QString outputFolder() const;
    bool outputIsAnInput(const QString &outputPath) const;
    void enterJoiningState();
    void leaveJoiningState();
    // Writes row i; false when the run was stopped before the row began.
    bool joinRow(int row, qint64 &processed);

    Tfm_main &m_main;
};
