#pragma once

#include "audio/core/avdeleters.h"

#include <QString>

// Turns decoded frames of any sample format into interleaved float at the
// input's own rate and channel count. Frames already in that form are copied
// as they are; the others go through libswresample, set up again only when the
// frames' format changes.
class DecodedFrameConverter {
public:
    DecodedFrameConverter(const QString &fileName, int sampleRate, int channels);
    ~DecodedFrameConverter();
    DecodedFrameConverter(const DecodedFrameConverter &) = delete;
    DecodedFrameConverter &operator=(const DecodedFrameConverter &) = delete;

    // The most frames convert() can write for this frame.
    int maxOutputFrames(const AVFrame *frame);
    // Writes the frame to destination, which has room for maxOutputFrames(frame)
    // frames; returns the frames written.
    int convert(const AVFrame *frame, float *destination);

private:
    bool isOutputForm(const AVFrame *frame) const;
    void prepareResampler(const AVFrame *frame);

    QString m_fileName;
    int m_sampleRate;
    ChannelLayoutPtr m_layout;
    SwrContextPtr m_resampler;
    // The frame format the resampler is set up for.
    int m_inputFormat = -1;
    int m_inputRate = 0;
    ChannelLayoutPtr m_inputLayout;
};
