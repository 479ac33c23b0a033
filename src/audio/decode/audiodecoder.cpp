#include "audio/decode/audiodecoder.h"

#include "audio/decode/decodedframeconverter.h"
#include "audio/decode/framecounter.h"
#include "audio/decode/inputstream.h"

#include <algorithm>
#include <cstring>

class AudioDecoder::Impl {
public:
    explicit Impl(const QString &fileName);

    qint64 countFrames();
    InputStream &openedStream();
    void restart();
    void read(int frameCount, SampleArray &samples);

private:
    int takeFromFifo(float *destination, int frameCount);
    int decodeInto(float *destination, int frameCount);
    float *fifoSpace(int frameCount);

public:
    QString fileName;
    int sampleRate = 0;
    int channels = 0;
    qint64 sampleCount = 0;

private:
    std::unique_ptr<InputStream> m_stream;
    std::unique_ptr<DecodedFrameConverter> m_converter;
    // The stream is no longer at its start (a counting pass or reading went
    // over it): reading from frame 0 opens the file afresh, which restores
    // exactly the decoder state of the first frame.
    bool m_streamTouched = false;
    qint64 m_delivered = 0;
    // Decoded frames not yet handed out (the rest of the last decoded frame);
    // the buffer is kept between reads so its memory is reused.
    std::vector<float> m_fifo;
    size_t m_fifoStart = 0;
};

AudioDecoder::Impl::Impl(const QString &name)
    : fileName(name), m_stream(std::make_unique<InputStream>(name))
{
    sampleRate = m_stream->sampleRate();
    channels = m_stream->channels();
    m_converter = std::make_unique<DecodedFrameConverter>(fileName, sampleRate, channels);
    sampleCount = countFrames();
}

qint64 AudioDecoder::Impl::countFrames()
{
    const qint64 frames = FrameCounter(fileName, m_stream).count();
    m_streamTouched = !m_stream->atStart();
    return frames;
}

InputStream &AudioDecoder::Impl::openedStream()
{
    if (m_streamTouched) {
        m_stream = std::make_unique<InputStream>(fileName);
        m_converter = std::make_unique<DecodedFrameConverter>(fileName, sampleRate, channels);
        m_streamTouched = false;
    }
    return *m_stream;
}

void AudioDecoder::Impl::restart()
{
    if (m_delivered > 0 || m_fifoStart < m_fifo.size())
        m_streamTouched = true;
    m_delivered = 0;
    m_fifo.clear();
    m_fifoStart = 0;
}

int AudioDecoder::Impl::takeFromFifo(float *destination, int frameCount)
{
    const size_t available = (m_fifo.size() - m_fifoStart) / size_t(channels);
    const size_t frames = std::min(available, size_t(frameCount));
    if (frames == 0)
        return 0;
    const size_t samples = frames * size_t(channels);
    std::memcpy(destination, m_fifo.data() + m_fifoStart, samples * sizeof(float));
    m_fifoStart += samples;
    if (m_fifoStart == m_fifo.size()) {
        m_fifo.clear();
        m_fifoStart = 0;
    }
    return int(frames);
}

float *AudioDecoder::Impl::fifoSpace(int frameCount)
{
    // Only called when the fifo is empty.
    m_fifo.resize(size_t(frameCount) * size_t(channels));
    m_fifoStart = 0;
    return m_fifo.data();
}

// Decodes straight into destination while whole decoded frames fit; the frame
// that does not fit goes to the fifo and only its head is copied.
int AudioDecoder::Impl::decodeInto(float *destination, int frameCount)
{
    InputStream &stream = openedStream();
    int filled = 0;
    while (filled < frameCount) {
        const AVFrame *frame = stream.nextFrame();
        if (!frame)
            break;
        float *target = destination + size_t(filled) * size_t(channels);
        const int capacity = m_converter->maxOutputFrames(frame);
        if (capacity <= frameCount - filled) {
            filled += m_converter->convert(frame, target);
            continue;
        }
        const int converted = m_converter->convert(frame, fifoSpace(capacity));
        m_fifo.resize(size_t(converted) * size_t(channels));
        filled += takeFromFifo(target, frameCount - filled);
    }
    return filled;
}

void AudioDecoder::Impl::read(int frameCount, SampleArray &samples)
{
    const qint64 wanted = std::min<qint64>(frameCount, sampleCount - m_delivered);
    if (wanted <= 0) {
        samples.clear();
        return;
    }
    samples.resize(size_t(wanted) * size_t(channels));
    int filled = takeFromFifo(samples.data(), int(wanted));
    if (filled < wanted)
        filled +=
            decodeInto(samples.data() + size_t(filled) * size_t(channels), int(wanted) - filled);
    // Where the decoder ends a few frames short of the exact length, the rest is
    // silence, so exactly sampleCount frames come out.
    std::fill(samples.begin() + std::ptrdiff_t(filled) * channels, samples.end(), 0.0f);
    m_delivered += wanted;
}

AudioDecoder::AudioDecoder(const QString &fileName) : m_impl(std::make_unique<Impl>(fileName)) {}

AudioDecoder::~AudioDecoder() = default;

qint64 AudioDecoder::sampleCount() const
{
    return m_impl->sampleCount;
}

qint64 AudioDecoder::durationMs() const
{
    // In two steps, so that no length can overflow.
    const qint64 rate = m_impl->sampleRate;
    return m_impl->sampleCount / rate * 1000 + m_impl->sampleCount % rate * 1000 / rate;
}

int AudioDecoder::channels() const
{
    return m_impl->channels;
}

int AudioDecoder::sampleRate() const
{
    return m_impl->sampleRate;
}

void AudioDecoder::rewind()
{
    m_impl->restart();
}

SampleArray AudioDecoder::read(int frameCount)
{
    SampleArray samples;
    m_impl->read(frameCount, samples);
    return samples;
}

void AudioDecoder::read(int frameCount, SampleArray &samples)
{
    m_impl->read(frameCount, samples);
}
