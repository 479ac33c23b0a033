#pragma once

#include "audio/loudness/loudnessmeter.h"

// How a join that matches loudness sets each input's level: one constant gain
// that brings the input's integrated loudness to the target, lowered where it
// would lift the input's true peak above the ceiling. No limiter, no
// compression: the dynamics within an input stay as they are.
namespace LoudnessMatch {

// The absolute gate of EBU R 128: an input below it counts as silent and keeps its level.
inline constexpr double kSilenceLufs = -70.0;
// No input's true peak is lifted above this.
inline constexpr double kTruePeakCeilingDbtp = -1.0;

// The linear factor for an input of that loudness.
float gain(const Loudness &loudness, double targetLufs);

}  // namespace LoudnessMatch
