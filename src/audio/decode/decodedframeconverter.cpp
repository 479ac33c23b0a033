#include "audio/decode/decodedframeconverter.h"

#include "audio/core/audioerror.h"
#include "audio/core/averror.h"

#include <cstring>

namespace {

// Frames with the output's channel count keep their channels as they are, even
// when the decoder names them oddly or not at all: nothing is remixed.
ChannelLayoutPtr layoutOf(const AVFrame *frame, const AVChannelLayout &output,
                          const QString &fileName)
{
    ChannelLayoutPtr layout(new AVChannelLayout{});
    if (frame->ch_layout.nb_channels == output.nb_channels)
        avCheck(av_channel_layout_copy(layout.get(), &output), "av_channel_layout_copy", fileName);
    else if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(layout.get(), frame->ch_layout.nb_channels);
    else
        avCheck(av_channel_layout_copy(layout.get(), &frame->ch_layout), "av_channel_layout_copy",
                fileName);
    return layout;
}

}  // namespace

DecodedFrameConverter::DecodedFrameConverter(const QString &fileName, int sampleRate, int channels)
    : m_fileName(fileName), m_sampleRate(sampleRate), m_layout(new AVChannelLayout{})
{
    av_channel_layout_default(m_layout.get(), channels);
}

DecodedFrameConverter::~DecodedFrameConverter() = default;

bool DecodedFrameConverter::isOutputForm(const AVFrame *frame) const
{
    return frame->format == AV_SAMPLE_FMT_FLT
           && frame->ch_layout.nb_channels == m_layout->nb_channels
           && (frame->sample_rate == m_sampleRate || frame->sample_rate == 0);
}

void DecodedFrameConverter::prepareResampler(const AVFrame *frame)
{
    ChannelLayoutPtr layout = layoutOf(frame, *m_layout, m_fileName);
    const int rate = frame->sample_rate > 0 ? frame->sample_rate : m_sampleRate;
    if (m_resampler && frame->format == m_inputFormat && rate == m_inputRate
        && av_channel_layout_compare(layout.get(), m_inputLayout.get()) == 0)
        return;
    m_inputLayout = std::move(layout);
    m_inputFormat = frame->format;
    m_inputRate = rate;
    m_resampler.reset();
    SwrContext *resampler = nullptr;
    avCheck(swr_alloc_set_opts2(&resampler, m_layout.get(), AV_SAMPLE_FMT_FLT, m_sampleRate,
                                m_inputLayout.get(), AVSampleFormat(m_inputFormat), m_inputRate, 0,
                                nullptr),
            "swr_alloc_set_opts2", m_fileName);
    m_resampler.reset(resampler);
    avCheck(swr_init(resampler), "swr_init", m_fileName);
}

int DecodedFrameConverter::maxOutputFrames(const AVFrame *frame)
{
    if (isOutputForm(frame))
        return frame->nb_samples;
    prepareResampler(frame);
    return avCheck(swr_get_out_samples(m_resampler.get(), frame->nb_samples), "swr_get_out_samples",
                   m_fileName);
}

int DecodedFrameConverter::convert(const AVFrame *frame, float *destination)
{
    if (isOutputForm(frame)) {
        std::memcpy(destination, frame->data[0],
                    size_t(frame->nb_samples) * size_t(m_layout->nb_channels) * sizeof(float));
        return frame->nb_samples;
    }
    prepareResampler(frame);
    const int capacity = swr_get_out_samples(m_resampler.get(), frame->nb_samples);
    auto *output = reinterpret_cast<uint8_t *>(destination);
    return avCheck(swr_convert(m_resampler.get(), &output, capacity,
                               const_cast<const uint8_t **>(frame->extended_data),
                               frame->nb_samples),
                   "swr_convert", m_fileName);
}
