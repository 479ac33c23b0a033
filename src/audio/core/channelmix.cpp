#include "audio/core/channelmix.h"

#include "audio/core/averror.h"

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

SwrContextPtr resampler(int inputChannels, int inputRate, AVChannelLayout &output,
                        AVSampleFormat outputFormat, int outputRate, const QString &fileName)
{
    const ChannelLayoutPtr inputLayout(new AVChannelLayout{});
    av_channel_layout_default(inputLayout.get(), inputChannels);
    SwrContext *context = nullptr;
    avCheck(swr_alloc_set_opts2(&context, &output, outputFormat, outputRate, inputLayout.get(),
                                AV_SAMPLE_FMT_FLT, inputRate, 0, nullptr),
            "swr_alloc_set_opts2", fileName);
    SwrContextPtr owned(context);
    const std::span<const double> mix = matrix(inputChannels, output.nb_channels);
    if (!mix.empty())
        avCheck(swr_set_matrix(context, mix.data(), inputChannels), "swr_set_matrix", fileName);
    avCheck(swr_init(context), "swr_init", fileName);
    return owned;
}

}  // namespace ChannelMix
