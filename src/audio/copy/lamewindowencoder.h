#pragma once

#include "audio/core/lameencoder.h"
#include "audio/encode/lamesetup.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <memory>

// LAME for the frames a join encodes between copied ones: without the bit
// reservoir, so that no frame it makes reaches back into the frames before
// it, and without a header frame. Its frames come out one by one.
class LameWindowEncoder {
public:
    // Throws AudioError naming fileName when LAME refuses the settings.
    LameWindowEncoder(const LameEncoder &settings, const QString &fileName);

    // Samples between LAME's input and its frames' decoded output: LAME's
    // own delay and the decoder's.
    int delay() const;
    int frameSamples() const;
    // Interleaved samples of the settings' channel count.
    void encode(const float *samples, int frames);
    // The rest of the input: frames to cover it, with silence after it.
    void flush();
    // The frames made so far and not yet taken.
    std::deque<QByteArray> &frames() { return m_frames; }

private:
    void take(int bytes);

    QString m_fileName;
    LamePtr m_lame;
    int m_channels = 0;
    QByteArray m_buffer;
    QByteArray m_pending;  // bytes of a frame not yet complete
    std::deque<QByteArray> m_frames;
};
