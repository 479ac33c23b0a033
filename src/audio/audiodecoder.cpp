#include "audio/audiodecoder.h"

#include "audio/decodedframeconverter.h"
#include "audio/framecountcache.h"
#include "audio/inputstream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

bool isPcm(AVCodecID codec)
{
    return codec >= AV_CODEC_ID_FIRST_AUDIO && codec < AV_CODEC_ID_ADPCM_IMA_QT;
}

bool isAdpcm(AVCodecID codec)
{
    return codec >= AV_CODEC_ID_ADPCM_IMA_QT && codec < AV_CODEC_ID_AMR_NB;
}

bool isMpegAudio(AVCodecID codec)
{
    return codec == AV_CODEC_ID_MP1 || codec == AV_CODEC_ID_MP2 || codec == AV_CODEC_ID_MP3;
}

// Where the packets' durations, less the skip-samples the demuxer attaches
// (encoder delay and padding of a LAME header), equal what the decoder returns.
// Not so for WMA, whose decoder drops its first frame, nor for Vorbis.
bool packetDurationsAreExact(const InputStream &stream)
{
    const AVCodecID codec = stream.codecId();
    if (isMpegAudio(codec))
        return true;
    return qstrcmp(stream.containerName(), "wav") == 0 && (isPcm(codec) || isAdpcm(codec));
}

// A WAV header may claim more data than the file holds (a cut file, a writer
// that never finished): the frames are then those that end before the file does.
// The first packet tells where the data starts.
std::optional<qint64> pcmLength(InputStream &stream)
{
    const qint64 frames = stream.headerFrameCount();
    const int frameBytes = stream.bytesPerFrame();
    if (!isPcm(stream.codecId()) || frames < 0 || frameBytes <= 0 || stream.fileSize() <= 0)
        return std::nullopt;
    const AVPacket *first = stream.nextPacket();
    if (!first)
        return 0;
    if (first->pos < 0)
        return std::nullopt;
    return std::min(frames, (stream.fileSize() - first->pos) / frameBytes);
}

// An OGG page's end position is exact for one Vorbis stream, and FFmpeg decodes
// too many frames from a file whose audio fits in one page, so the read side cuts
// to this length. A chained file (one stream after another) or a damaged or
// crafted last page says something else than what decodes; then the decoded
// count holds, so that no audio is cut and no endless silence is made.
constexpr qint64 kVorbisHeaderTolerance = 8192;

std::optional<qint64> vorbisLength(const InputStream &stream)
{
    const qint64 frames = stream.headerFrameCount();
    if (stream.codecId() != AV_CODEC_ID_VORBIS || frames <= 0)
        return std::nullopt;
    return frames;
}

std::optional<qint64> countByDemuxing(InputStream &stream)
{
    qint64 frames = 0;
    while (const AVPacket *packet = stream.nextPacket()) {
        const std::optional<qint64> packetFrames = stream.packetFrameCount(packet);
        if (!packetFrames)
            return std::nullopt;
        frames += *packetFrames;
    }
    return std::max<qint64>(frames, 0);
}

qint64 countByDecoding(InputStream &stream)
{
    qint64 frames = 0;
    while (const AVFrame *frame = stream.nextFrame())
        frames += frame->nb_samples;
    return frames;
}

}  // namespace

class AudioDecoder::Impl {
public:
    explicit Impl(const QString &fileName);

    qint64 countFrames();
    qint64 countByPass();
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
    if (const auto frames = FrameCountCache::find(fileName))
        return *frames;
    m_streamTouched = true;
    if (const auto frames = pcmLength(*m_stream))
        return *frames;
    const std::optional<qint64> vorbisHeader = vorbisLength(*m_stream);
    qint64 frames = countByPass();
    if (vorbisHeader && std::llabs(*vorbisHeader - frames) <= kVorbisHeaderTolerance)
        frames = *vorbisHeader;
    FrameCountCache::store(fileName, frames);
    return frames;
}

// Over the whole file: demuxing only where packets tell their length, else decoding.
qint64 AudioDecoder::Impl::countByPass()
{
    if (packetDurationsAreExact(*m_stream)) {
        m_stream = std::make_unique<InputStream>(fileName);
        if (const auto frames = countByDemuxing(*m_stream))
            return *frames;
    }
    m_stream = std::make_unique<InputStream>(fileName);
    return countByDecoding(*m_stream);
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
