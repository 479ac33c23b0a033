#pragma once

#include "audio/core/samplearray.h"

#include <QString>
#include <QtGlobal>

#include <memory>

// Decodes one input file (found from its content) to interleaved float frames.
// sampleCount() is exact: reading to the end returns exactly that many frames.
class AudioDecoder {
public:
    // Opens and probes the file; throws AudioError when it is no audio file.
    explicit AudioDecoder(const QString &fileName);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder &) = delete;
    AudioDecoder &operator=(const AudioDecoder &) = delete;

    qint64 sampleCount() const;
    qint64 durationMs() const;
    int channels() const;
    int sampleRate() const;

    // Back to the first frame.
    void rewind();
    // At most frameCount frames; empty at the end.
    SampleArray read(int frameCount);
    // The same into samples, whose memory is reused: no allocation once it is
    // large enough.
    void read(int frameCount, SampleArray &samples);

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
