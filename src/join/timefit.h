#pragma once

#include "audio/core/samplearray.h"

#include <QtGlobal>

// Fits a stretch of audio into a few more or fewer samples without a gap or a
// jump: the stretch is read through a time map that runs at the original
// speed at both ends and slightly faster or slower in between (a raised
// cosine), interpolated with a windowed sinc. Used where a join must put the
// audio between two copied MP3 runs into a whole number of frames.
class TimeFit {
public:
    // The samples reached past either end of the stretch.
    static constexpr int kReach = 16;

    // source: interleaved, with at least kReach frames before `start` and
    // after start + frames. Returns `target` frames: the first lines up with
    // source frame `start`, the one after the last with `start + frames`.
    static SampleArray fit(const SampleArray &source, int channels, qint64 start, qint64 frames,
                           qint64 target);
    // The stretch position read for output frame `frame`.
    static double position(double frame, qint64 frames, qint64 target);
    // Where a stretch position lands in the fitted output.
    static double landing(double position, qint64 frames, qint64 target);
    // The largest change of speed, as a fraction, fitting frames into target.
    static double speedChange(qint64 frames, qint64 target);
};
