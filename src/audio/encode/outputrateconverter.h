#pragma once

#include "audio/core/samplearray.h"

#include <QString>
#include <QtGlobal>

#include <memory>

// Brings one input's decoded blocks to the output's rate and channel count,
// still as interleaved float, mixing channels the way the writer does
// (ChannelMix). The input gives exactly framesFor(its frames) frames in all,
// so that the join knows where each input ends in the output before it is
// read: what the resampler rounds differently is cut or filled with silence.
class OutputRateConverter {
public:
    // Throws AudioError, naming fileName, when the conversion cannot be set up.
    OutputRateConverter(const QString &fileName, int inputRate, int inputChannels, int outputRate,
                        int outputChannels);
    ~OutputRateConverter();
    OutputRateConverter(const OutputRateConverter &) = delete;
    OutputRateConverter &operator=(const OutputRateConverter &) = delete;

    // How many output frames inputFrames at the input's rate give: rounded half up.
    qint64 framesFor(qint64 inputFrames) const;
    // The converted frames of the next block into converted, whose memory is reused.
    void convert(const SampleArray &block, SampleArray &converted);
    // The input has ended: what the resampler still holds, into converted.
    void finish(SampleArray &converted);

private:
    void append(const float *frames, int count, SampleArray &converted);

    QString m_fileName;
    int m_inputRate;
    int m_inputChannels;
    int m_outputRate;
    int m_outputChannels;
    // libswresample's, held apart so that no libav header reaches the join;
    // none when the rate and channels are the output's already.
    struct Resampler;
    std::unique_ptr<Resampler> m_resampler;
    SampleArray m_resampled;  // the resampler's output, its memory reused
    qint64 m_inputFrames = 0;
    qint64 m_outputFrames = 0;
};
