#pragma once

// Measures audio with libebur128 directly, apart from the program's own meter,
// to check what a join wrote; and makes test inputs of a chosen loudness.
//
//   const SampleArray quiet = LoudnessProbe::atLoudness(Tones::samples(44100, 2, 0, n), 44100, 2, -30);
//   EXPECT_NEAR(LoudnessProbe::measure(part, 44100, 2).integrated, -16, 0.5);

#include "audio/core/samplearray.h"

#include <QString>
#include <QtGlobal>

struct ProbedLoudness {
    double integrated = 0;  // LUFS
    double truePeak = 0;    // dBTP, the highest of all channels
};

namespace LoudnessProbe {

ProbedLoudness measure(const SampleArray &interleaved, int sampleRate, int channels);

// The samples scaled so that they measure lufs.
SampleArray atLoudness(SampleArray samples, int sampleRate, int channels, double lufs);

// Frames [firstFrame, firstFrame + frameCount) of interleaved audio.
SampleArray part(const SampleArray &interleaved, int channels, qint64 firstFrame,
                 qint64 frameCount);

// Writes the samples as a 16-bit WAV with the program's writer and returns path.
QString writeWav(const QString &path, int sampleRate, int channels, const SampleArray &samples);

}  // namespace LoudnessProbe
