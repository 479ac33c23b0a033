#pragma once

#include "join/joinobserver.h"

#include <QElapsedTimer>

// The command line's view of a join: on a terminal, one progress line redrawn
// in place (percentage, elapsed and remaining time, speed against real time),
// the measuring of a join that matches loudness first; and at each row and
// block, and while measuring, whether a stop signal has come.
class ProgressReport : public JoinObserver {
public:
    // shown: draw the line at all; audioMs: the length of all inputs together,
    // for the speed; lines: instead of the line, print each step as a line on
    // standard output for the batch that runs this join.
    ProgressReport(bool shown, qint64 audioMs, bool lines = false);

    bool rowStarts(int row) override;
    bool blockStarts() override;
    void blockWritten(qint64 processed, qint64 total) override;
    void rowEnds(int row) override;
    void rowMeasuring(int row) override;
    void rowMeasured(int row) override;
    void measured(qint64 processed, qint64 total) override;
    bool measuringGoesOn() override;

    // Ends the line, if one was drawn, so that what follows starts afresh.
    void finish();

private:
    // Whether the line is due again: at the first call, at the end, and then at most a few times a second.
    bool due(qint64 processed, qint64 total);
    void draw(qint64 processed, qint64 total);

    bool m_shown;
    bool m_lines;
    qint64 m_audioMs;
    QElapsedTimer m_clock;
    // The joining's own clock: elapsed, remaining and speed leave the measuring out.
    QElapsedTimer m_joinClock;
    qint64 m_lastDrawMs = -1;
    bool m_drawn = false;
};
