#pragma once

#include "audio/core/samplearray.h"

#include <QtGlobal>

#include <functional>

// What the join puts between two inputs, on frames already at the output's
// rate and channel count: a pause of digital silence, or a crossfade, where
// the end of one input and the start of the next sound together, the first
// fading out as cos(πt/2) and the second in as sin(πt/2), so that their
// power stays even. A crossfade overlaps min(crossfade, earlier input, later
// input) frames, so an input shorter than the crossfade is faded over its
// whole length, and the output is shorter by exactly the overlaps. Only the
// last crossfade's worth of an input is held back to be mixed with the next;
// none before the first input or after the last.
class JunctionMixer {
public:
    // Where the mixed frames go, in order.
    using Sink = std::function<void(const SampleArray &frames)>;

    // Frames at the output's rate; a crossfade leaves no room for a pause.
    JunctionMixer(Sink sink, int channels, qint64 pauseFrames, qint64 crossfadeFrames);

    // Milliseconds as frames at rate, rounded half up.
    static qint64 framesFor(int milliseconds, int rate);

    // The next input begins and will give frames frames; lastRow: none follows.
    // Returns where its audio begins in the output: after the pause, in the
    // middle of the crossfade (or at its end, when the input before lies
    // wholly in the crossfade); always after where the one before began.
    qint64 rowStarts(qint64 frames, bool lastRow);
    // The input's next frames; any beyond what rowStarts announced are left out.
    void write(const SampleArray &block);
    // The frames of the input that go out as they are, neither mixed nor held
    // for the next input: from plainStart() to plainEnd(), once it has started.
    qint64 plainStart() const { return m_overlap; }
    qint64 plainEnd() const { return m_rowFrames - m_keep; }
    // The input's next frames, all within that span, were written by the
    // caller, straight after what this wrote last (a join that copies them).
    void skip(qint64 frames);
    // The input ended, at its end or short of it (a broken file, a stop).
    void rowEnds();
    // The join ended: what is held back is written. Returns the frames written in all.
    qint64 finish();

private:
    void route(const float *frames, qint64 position, qint64 count);
    void writeOut(const float *frames, qint64 count);
    qint64 heldFrames() const { return qint64(m_held.size()) / m_channels; }

    Sink m_sink;
    int m_channels;
    qint64 m_pause;
    qint64 m_crossfade;
    // The end of the inputs before, to be mixed with the start of this one.
    SampleArray m_held;
    qint64 m_heldStart = 0;  // the first held frame of the overlap
    // The end of this input, held for the next one.
    SampleArray m_next;
    SampleArray m_scratch;
    SampleArray m_out;
    qint64 m_rowFrames = 0;
    qint64 m_rowPosition = 0;
    qint64 m_overlap = 0;
    qint64 m_keep = 0;
    qint64 m_written = 0;
    qint64 m_lastStart = -1;
    bool m_started = false;
    bool m_inRow = false;
};
