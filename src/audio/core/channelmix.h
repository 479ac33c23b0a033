#pragma once

#include "audio/core/avdeleters.h"
#include "audio/core/samplearray.h"

#include <QString>

#include <span>

// How the writer mixes an input's channels into the output's where it does not
// leave it to libswresample: mono to stereo copies the channel at full level
// and stereo to mono averages, so a joined input keeps its loudness
// (libswresample's own matrix lowers a centre channel by 3 dB). The loudness
// meter mixes the same way, so that it measures what the output will hold.
namespace ChannelMix {

// The matrix, one row of input weights per output channel; empty for the
// combinations left to libswresample (and for equal counts).
std::span<const double> matrix(int inputChannels, int outputChannels);

// Interleaved frames of inputChannels mixed through a non-empty matrix into
// mixed, whose memory is reused.
void apply(std::span<const double> matrix, int inputChannels, const SampleArray &frames,
           SampleArray &mixed);

// A resampler from interleaved float frames of inputChannels at inputRate into
// output's layout, sample format and rate, mixing through matrix(); failures
// name fileName.
SwrContextPtr resampler(int inputChannels, int inputRate, AVChannelLayout &output,
                        AVSampleFormat outputFormat, int outputRate, const QString &fileName);

}  // namespace ChannelMix
