#pragma once

#include <QtGlobal>

// What a join tells its caller while it runs, and where it asks whether to go
// on. The window shows it in the rows and the bar and pumps its messages here;
// the command-line joiner prints progress and watches for Ctrl-C.
class JoinObserver {
public:
    virtual ~JoinObserver();

    // Row `row` is next: false ends the join before the row is opened.
    virtual bool rowStarts(int row) = 0;
    // Right after rowStarts: the row's frames are copied, not encoded.
    virtual void rowCopying(int row);
    // Before each block: false ends the row there, and so the join.
    virtual bool blockStarts() = 0;
    // After each block: the frames written so far over all rows, never above
    // total, and total, the 100 % mark.
    virtual void blockWritten(qint64 processed, qint64 total) = 0;
    // The row has been written, to its end or as far as the join went.
    virtual void rowEnds(int row) = 0;

    // A join that matches loudness first measures its inputs, two at once,
    // before anything is written; these come in between, on the calling thread.
    // The row's measurement starts.
    virtual void rowMeasuring(int row) = 0;
    // The row's measurement has ended, done or left at a stop. A row whose
    // measurement failed gets none: the failure is thrown instead.
    virtual void rowMeasured(int row) = 0;
    // The frames measured so far, never above total, and total, the 100 % mark
    // of the measuring alone.
    virtual void measured(qint64 processed, qint64 total) = 0;
    // Asked after each of the three above and whenever nothing has come for a
    // moment: false stops the measuring, and the join ends with nothing written.
    virtual bool measuringGoesOn() = 0;
};
