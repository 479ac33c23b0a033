#include "audio/channelmix.h"

#include <array>
#include <cstddef>

namespace {
constexpr std::array<double, 2> kMonoToStereo = {1.0, 1.0};
constexpr std::array<double, 2> kStereoToMono = {0.5, 0.5};
}  // namespace

namespace ChannelMix {

std::span<const double> matrix(int inputChannels, int outputChannels)
{
    if (inputChannels == 1 && outputChannels == 2)
        return kMonoToStereo;
    if (inputChannels == 2 && outputChannels == 1)
        return kStereoToMono;
    return {};
}

void apply(std::span<const double> matrix, int inputChannels, const SampleArray &frames,
           SampleArray &mixed)
{
    const auto in = std::size_t(inputChannels);
    const std::size_t out = matrix.size() / in;
    const std::size_t count = frames.size() / in;
    mixed.resize(count * out);
    for (std::size_t frame = 0; frame < count; ++frame) {
        for (std::size_t row = 0; row < out; ++row) {
            double sum = 0;
            for (std::size_t column = 0; column < in; ++column)
                sum += matrix[row * in + column] * frames[frame * in + column];
            mixed[frame * out + row] = static_cast<float>(sum);
        }
    }
}

}  // namespace ChannelMix
