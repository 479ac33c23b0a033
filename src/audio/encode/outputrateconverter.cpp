#include "audio/encode/outputrateconverter.h"

#include "audio/core/avdeleters.h"
#include "audio/core/averror.h"
#include "audio/core/channelmix.h"

#include <algorithm>

struct OutputRateConverter::Resampler {
    SwrContextPtr context;
};

OutputRateConverter::OutputRateConverter(const QString &fileName, int inputRate, int inputChannels,
                                         int outputRate, int outputChannels)
    : m_fileName(fileName),
      m_inputRate(inputRate),
      m_inputChannels(inputChannels),
      m_outputRate(outputRate),
      m_outputChannels(outputChannels)
{
    if (inputRate == outputRate && inputChannels == outputChannels)
        return;
    const ChannelLayoutPtr outputLayout(new AVChannelLayout{});
    av_channel_layout_default(outputLayout.get(), outputChannels);
    m_resampler = std::make_unique<Resampler>();
    m_resampler->context = ChannelMix::resampler(inputChannels, inputRate, *outputLayout,
                                                 AV_SAMPLE_FMT_FLT, outputRate, m_fileName);
}

OutputRateConverter::~OutputRateConverter() = default;

qint64 OutputRateConverter::framesFor(qint64 inputFrames) const
{
    // Whole seconds apart, so that the product cannot overflow for any real length.
    const qint64 seconds = inputFrames / m_inputRate;
    const qint64 rest = inputFrames % m_inputRate;
    return seconds * m_outputRate
           + (rest * m_outputRate * 2 + m_inputRate) / (2 * qint64(m_inputRate));
}

void OutputRateConverter::append(const float *frames, int count, SampleArray &converted)
{
    // Never more than the frames read so far give, even at the very end.
    const qint64 room = framesFor(m_inputFrames) - m_outputFrames;
    const qint64 kept = std::clamp<qint64>(count, 0, std::max<qint64>(room, 0));
    converted.insert(converted.end(), frames, frames + kept * m_outputChannels);
    m_outputFrames += kept;
}

void OutputRateConverter::convert(const SampleArray &block, SampleArray &converted)
{
    converted.clear();
    const int frames = int(block.size() / std::size_t(m_inputChannels));
    m_inputFrames += frames;
    if (!m_resampler) {
        append(block.data(), frames, converted);
        return;
    }
    const int capacity = avCheck(swr_get_out_samples(m_resampler->context.get(), frames),
                                 "swr_get_out_samples", m_fileName);
    m_resampled.resize(std::size_t(capacity) * std::size_t(m_outputChannels));
    auto *output = reinterpret_cast<uint8_t *>(m_resampled.data());
    const auto *input = reinterpret_cast<const uint8_t *>(block.data());
    const int made =
        avCheck(swr_convert(m_resampler->context.get(), &output, capacity, &input, frames),
                "swr_convert", m_fileName);
    append(m_resampled.data(), made, converted);
}

void OutputRateConverter::finish(SampleArray &converted)
{
    converted.clear();
    if (m_resampler) {
        for (;;) {
            const int pending = avCheck(swr_get_out_samples(m_resampler->context.get(), 0),
                                        "swr_get_out_samples", m_fileName);
            if (pending <= 0)
                break;
            m_resampled.resize(std::size_t(pending) * std::size_t(m_outputChannels));
            auto *output = reinterpret_cast<uint8_t *>(m_resampled.data());
            const int made =
                avCheck(swr_convert(m_resampler->context.get(), &output, pending, nullptr, 0),
                        "swr_convert", m_fileName);
            if (made <= 0)
                break;
            append(m_resampled.data(), made, converted);
        }
    }
    // What the resampler rounded short of the exact length is silence.
    const qint64 missing = framesFor(m_inputFrames) - m_outputFrames;
    if (missing > 0) {
        converted.resize(converted.size() + std::size_t(missing * m_outputChannels), 0.0f);
        m_outputFrames += missing;
    }
}
