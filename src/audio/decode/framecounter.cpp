#include "audio/decode/framecounter.h"

#include "audio/decode/flaclastframe.h"
#include "audio/decode/framecountcache.h"
#include "audio/decode/inputstream.h"
#include "audio/decode/mp4timing.h"
#include "audio/decode/oggpagescanner.h"

#include <QtEndian>

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/mathematics.h>
}

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

bool isContainer(const InputStream &stream, const char *name)
{
    return av_match_list(stream.containerName(), name, ',') > 0;
}

// Where the packets' durations, less the skip-samples the demuxer attaches
// (encoder delay and padding of a LAME header), equal what the decoder returns:
// MPEG audio, PCM in WAV or AIFF, and ADTS AAC, whose every packet decodes to
// the frames its header states. Not so for WMA, whose decoder drops its first
// frame, nor for Vorbis.
bool packetDurationsAreExact(const InputStream &stream)
{
    const AVCodecID codec = stream.codecId();
    if (isMpegAudio(codec))
        return true;
    if (isContainer(stream, "aac"))
        return codec == AV_CODEC_ID_AAC;
    return isContainer(stream, "wav,aiff") && (isPcm(codec) || isAdpcm(codec));
}

// An OGG page's end position is exact for one Vorbis stream, and FFmpeg decodes
// too many frames from a file whose audio fits in one page, so the read side cuts
// to this length. Where the pages cannot be trusted (a chained file, one stream
// after another, or a damaged or crafted page) the decoded count holds unless the
// header is close to it, so that no audio is cut and no endless silence is made.
constexpr qint64 kVorbisHeaderTolerance = 8192;

std::optional<qint64> vorbisLength(const InputStream &stream)
{
    const qint64 frames = stream.headerFrameCount();
    if (stream.codecId() != AV_CODEC_ID_VORBIS || frames <= 0)
        return std::nullopt;
    return frames;
}

AVCodecID codecOf(OggPageScanner::Codec codec)
{
    switch (codec) {
    case OggPageScanner::Codec::Vorbis:
        return AV_CODEC_ID_VORBIS;
    case OggPageScanner::Codec::Opus:
        return AV_CODEC_ID_OPUS;
    case OggPageScanner::Codec::Flac:
        return AV_CODEC_ID_FLAC;
    }
    return AV_CODEC_ID_NONE;
}

// STREAMINFO, as the FLAC demuxer hands it over: 34 bytes, in which the total
// frame count takes the 36 bits from bit 108 on; 0 means unknown.
constexpr int kStreamInfoBytes = 34;
constexpr int kTotalFramesAt = 13;

const uint8_t *streamInfo(const AVCodecParameters *parameters)
{
    if (!parameters->extradata || parameters->extradata_size < kStreamInfoBytes)
        return nullptr;
    return parameters->extradata;
}

qint64 streamInfoTotal(const uint8_t *info)
{
    return qint64(info[kTotalFramesAt] & 0x0F) << 32
           | qFromBigEndian<quint32>(info + kTotalFramesAt + 1);
}

}  // namespace

FrameCounter::FrameCounter(const QString &fileName, std::unique_ptr<InputStream> &stream)
    : m_fileName(fileName), m_stream(stream)
{}

qint64 FrameCounter::count()
{
    if (const auto frames = FrameCountCache::find(m_fileName))
        return *frames;
    if (const auto frames = fromHeader())
        return *frames;
    qint64 frames = 0;
    if (const auto pageFrames = oggLength()) {
        frames = *pageFrames;
    } else {
        const std::optional<qint64> vorbisHeader = vorbisLength(*m_stream);
        frames = countByPass();
        if (vorbisHeader && std::llabs(*vorbisHeader - frames) <= kVorbisHeaderTolerance)
            frames = *vorbisHeader;
    }
    FrameCountCache::store(m_fileName, frames);
    return frames;
}

std::optional<qint64> FrameCounter::fromHeader()
{
    if (const auto frames = pcmLength())
        return frames;
    if (const auto frames = flacLength())
        return frames;
    return mp4Length();
}

// A WAV or AIFF header may claim more data than the file holds (a cut file, a
// writer that never finished): the frames are then those that end before the
// file does. The first packet tells where the data starts.
std::optional<qint64> FrameCounter::pcmLength()
{
    InputStream &stream = *m_stream;
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

std::optional<qint64> FrameCounter::flacLength()
{
    if (m_stream->codecId() != AV_CODEC_ID_FLAC || !isContainer(*m_stream, "flac"))
        return std::nullopt;
    const uint8_t *info = streamInfo(m_stream->codecParameters());
    if (!info)
        return std::nullopt;
    // The total is trusted where the file really ends with the frame that
    // completes it (a cut file does not); 0 means the writer did not know it.
    const qint64 total = streamInfoTotal(info);
    if (total == 0 || FlacLastFrame::endFrame(m_fileName, info) != total)
        return std::nullopt;
    return total;
}

std::optional<qint64> FrameCounter::mp4Length()
{
    if (!isContainer(*m_stream, "mov"))
        return std::nullopt;
    const std::optional<Mp4Timing> timing = Mp4Timing::read(m_fileName);
    if (!timing)
        return std::nullopt;
    return av_rescale(timing->playedFrames(), m_stream->sampleRate(), timing->timescale());
}

std::optional<qint64> FrameCounter::oggLength()
{
    if (!isContainer(*m_stream, "ogg"))
        return std::nullopt;
    const std::optional<OggPageScanner::Stream> pages = OggPageScanner::scan(m_fileName);
    if (!pages || codecOf(pages->codec) != m_stream->codecId())
        return std::nullopt;
    const qint64 frames = pages->lastGranule - pages->startGranule - pages->preSkip;
    if (frames < 0)
        return std::nullopt;
    return frames;
}

// Over the whole file: demuxing only where packets tell their length, else decoding.
qint64 FrameCounter::countByPass()
{
    if (packetDurationsAreExact(*m_stream)) {
        if (const auto frames = countByDemuxing())
            return *frames;
    }
    return countByDecoding();
}

InputStream &FrameCounter::freshStream()
{
    m_stream = std::make_unique<InputStream>(m_fileName);
    return *m_stream;
}

std::optional<qint64> FrameCounter::countByDemuxing()
{
    InputStream &stream = freshStream();
    qint64 frames = 0;
    while (const AVPacket *packet = stream.nextPacket()) {
        const std::optional<qint64> packetFrames = stream.packetFrameCount(packet);
        if (!packetFrames)
            return std::nullopt;
        frames += *packetFrames;
    }
    return std::max<qint64>(frames, 0);
}

qint64 FrameCounter::countByDecoding()
{
    InputStream &stream = freshStream();
    qint64 frames = 0;
    while (const AVFrame *frame = stream.nextFrame())
        frames += frame->nb_samples;
    return frames;
}
