#include "cli/progressreport.h"

#include "cli/booklines.h"
#include "cli/clitexts.h"
#include "cli/console.h"
#include "cli/stopsignal.h"
#include "inputs/formathms.h"
#include "join/joinrun.h"

#include <algorithm>

namespace {
// A fast join writes many blocks a second; the line changes at most this often.
constexpr qint64 kRedrawIntervalMs = 200;
constexpr qint64 kMsPerSecond = 1000;
}  // namespace

ProgressReport::ProgressReport(bool shown, qint64 audioMs, bool lines)
    : m_shown(shown && !lines), m_lines(lines), m_audioMs(audioMs)
{
    m_clock.start();
}

bool ProgressReport::rowStarts(int)
{
    if (!m_joinClock.isValid()) {
        m_joinClock.start();
        // Tells the batch that the join is under way: whatever ends it now is a failure.
        if (m_lines)
            Console::printLine(BookLines::line({}));
    }
    return !StopSignal::requested();
}

bool ProgressReport::blockStarts()
{
    return !StopSignal::requested();
}

bool ProgressReport::due(qint64 processed, qint64 total)
{
    if (!m_shown && !m_lines)
        return false;
    const qint64 now = m_clock.elapsed();
    // The first call is always drawn: the line says at once that work has begun.
    if (m_drawn && now - m_lastDrawMs < kRedrawIntervalMs && processed < total)
        return false;
    m_lastDrawMs = now;
    return true;
}

void ProgressReport::blockWritten(qint64 processed, qint64 total)
{
    if (due(processed, total))
        draw(processed, total);
}

void ProgressReport::rowEnds(int) {}

void ProgressReport::rowMeasuring(int) {}

void ProgressReport::rowMeasured(int) {}

void ProgressReport::measured(qint64 processed, qint64 total)
{
    if (!due(processed, total))
        return;
    if (m_lines) {
        Console::printLine(BookLines::line({true, JoinRun::progressPercent(processed, total)}));
        return;
    }
    Console::drawProgress(CliTexts::kMeasuring.arg(JoinRun::progressPercent(processed, total), 3)
                              .arg(formatHms(m_clock.elapsed() / kMsPerSecond)));
    m_drawn = true;
}

bool ProgressReport::measuringGoesOn()
{
    return !StopSignal::requested();
}

void ProgressReport::draw(qint64 processed, qint64 total)
{
    if (m_lines) {
        Console::printLine(BookLines::line({false, JoinRun::progressPercent(processed, total)}));
        return;
    }
    const qint64 elapsedMs = std::max<qint64>(m_joinClock.elapsed(), 1);
    const double done = total > 0 ? double(processed) / double(total) : 0.0;
    const qint64 leftMs =
        processed > 0 ? qint64(double(elapsedMs) * double(total - processed) / double(processed))
                      : 0;
    const double speed = done * double(m_audioMs) / double(elapsedMs);
    Console::drawProgress(CliTexts::kProgress.arg(JoinRun::progressPercent(processed, total), 3)
                              .arg(formatHms(elapsedMs / kMsPerSecond),
                                   formatHms((leftMs + kMsPerSecond - 1) / kMsPerSecond))
                              .arg(speed, 0, 'f', 1));
    m_drawn = true;
}

void ProgressReport::finish()
{
    if (m_drawn)
        Console::endProgress();
    m_drawn = false;
}
