#pragma once

#include "audio/loudness/loudnessmeter.h"

#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <vector>

class JoinObserver;

// The measuring pass of a join that matches loudness: every input whose
// loudness is not remembered from an earlier join (LoudnessCache) is decoded
// and measured, as the output's channels will hold it, on threads of their
// own, two inputs at once, each thread with its own reader. The calling thread only tells the observer, in between asks
// it whether to go on, and remembers each measurement.
class LoudnessPass {
public:
    // The threads' name, as top and debuggers show it.
    static constexpr const char *kThreadName = "loudness meter";

    // totalFrames: the inputs' lengths together, as admitted, for the progress;
    // outputChannels: the channel count of the output they are joined into.
    LoudnessPass(const QStringList &inputs, qint64 totalFrames, int outputChannels);
    ~LoudnessPass();
    LoudnessPass(const LoudnessPass &) = delete;
    LoudnessPass &operator=(const LoudnessPass &) = delete;

    // False when the observer stopped it. A failure on a measuring thread
    // (AudioError) is thrown here once both threads have ended.
    bool run(JoinObserver &observer);
    // Each input's loudness, in list order, once run() has returned true.
    const std::vector<Loudness> &results() const { return m_results; }

private:
    struct Shared;

    const QStringList m_inputs;
    const qint64 m_totalFrames;
    const int m_outputChannels;
    std::vector<Loudness> m_results;
};
