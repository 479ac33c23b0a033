#pragma once

#include <vector>

// A block of decoded audio: interleaved 32-bit float frames, BlockAlign
// (= channels) elements per frame. Empty means the end of the input.
using SampleArray = std::vector<float>;
