#include "audio/copy/flacframereader.h"

#include "audio/core/audioerror.h"
#include "audio/decode/flaclastframe.h"
#include "audio/decode/inputstream.h"

#include <algorithm>

extern "C" {
#include <libavutil/crc.h>
}

namespace {

constexpr int kFrameCrcBytes = 2;
// An ID3v1 tag some taggers leave at the end of a file, which the demuxer
// hands over as part of the last frame.
constexpr qint64 kId3v1Bytes = 128;
constexpr char kId3v1Magic[] = "TAG";

bool isNativeFlac(const InputStream &stream)
{
    return stream.codecId() == AV_CODEC_ID_FLAC && qstrcmp(stream.containerName(), "flac") == 0
           && stream.codecParameters()->extradata_size >= FlacStreamInfo::kBytes;
}

bool crcHolds(const quint8 *data, qint64 size)
{
    // The CRC-16 over a whole frame and itself comes to 0.
    return av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0, data, size_t(size)) == 0;
}

// The bytes of the frame in a packet, or 0 when its CRC-16 fails.
qint64 frameBytes(const AVPacket *packet)
{
    const qint64 size = packet->size;
    if (crcHolds(packet->data, size))
        return size;
    const qint64 tagAt = size - kId3v1Bytes;
    if (tagAt > 0 && std::equal(kId3v1Magic, kId3v1Magic + 3, packet->data + tagAt)
        && crcHolds(packet->data, tagAt))
        return tagAt;
    return 0;
}

}  // namespace

std::optional<FlacFrameReader::Facts> FlacFrameReader::probe(const QString &fileName)
{
    try {
        const InputStream stream(fileName);
        if (!isNativeFlac(stream))
            return std::nullopt;
        const quint8 *streamInfo = stream.codecParameters()->extradata;
        const FlacStreamInfo info = FlacStreamInfo::parse(streamInfo);
        Facts facts{info.format, info.samples};
        const std::optional<qint64> end = FlacLastFrame::endFrame(fileName, streamInfo);
        facts.whole = facts.samples > 0 && end == facts.samples;
        return facts;
    } catch (const AudioError &) {
        return std::nullopt;
    }
}

FlacFrameReader::FlacFrameReader(const QString &fileName)
    : m_stream(std::make_unique<InputStream>(fileName))
{
    if (!isNativeFlac(*m_stream))
        refuse(fileName, QStringLiteral("it is not a native FLAC file"));
    const FlacStreamInfo info = FlacStreamInfo::parse(m_stream->codecParameters()->extradata);
    m_format = info.format;
    m_statedSamples = info.samples;
    // A stream of fixed block size numbers its frames, each this many samples.
    m_fixedBlock = info.maxBlock;
}

FlacFrameReader::~FlacFrameReader() = default;

void FlacFrameReader::refuse(const QString &fileName, const QString &reason)
{
    throw AudioError(
        QStringLiteral("%1: cannot be copied into the join: %2").arg(fileName, reason));
}

std::optional<FlacFrame> FlacFrameReader::next()
{
    const QString &fileName = m_stream->fileName();
    const AVPacket *packet = m_stream->nextPacket();
    if (!packet) {
        if (m_samples == 0)
            refuse(fileName, QStringLiteral("it holds no audio"));
        if (m_statedSamples != 0 && m_statedSamples != m_samples)
            refuse(fileName, QStringLiteral("it holds %1 samples where its STREAMINFO states %2")
                                 .arg(m_samples)
                                 .arg(m_statedSamples));
        return std::nullopt;
    }
    const qint64 size = frameBytes(packet);
    const auto header = FlacFrameHeader::parse(packet->data, size, m_fixedBlock);
    if (!header || size < header->headerBytes() + kFrameCrcBytes)
        refuse(fileName, QStringLiteral("the frame at sample %1 is damaged").arg(m_samples));
    if (header->firstFrame() != m_samples)
        refuse(fileName, QStringLiteral("frames are missing at sample %1").arg(m_samples));
    m_samples += header->blockFrames();
    return FlacFrame{*header, packet->data, size};
}
