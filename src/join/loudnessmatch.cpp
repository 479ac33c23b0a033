#include "join/loudnessmatch.h"

#include <algorithm>
#include <cmath>

namespace LoudnessMatch {

float gain(const Loudness &loudness, double targetLufs)
{
    if (!(loudness.integrated >= kSilenceLufs))
        return 1.0f;
    double decibels = targetLufs - loudness.integrated;
    if (std::isfinite(loudness.truePeak))
        decibels = std::min(decibels, kTruePeakCeilingDbtp - loudness.truePeak);
    return static_cast<float>(std::pow(10.0, decibels / 20.0));
}

}  // namespace LoudnessMatch
