#include "audio/copy/flacstreamwriter.h"

#include "audio/copy/flacframedecoder.h"
#include "audio/copy/flacmd5worker.h"
#include "audio/core/audioerror.h"
#include "audio/core/averror.h"
#include "audio/core/outputformat.h"
#include "audio/encode/encodersetup.h"
#include "audio/encode/outputfile.h"

#include <algorithm>
#include <cmath>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/crc.h>
}

namespace {

constexpr char kMagic[] = "fLaC";
// The metadata block header of the only block: "last block" set, type 0 (STREAMINFO).
constexpr quint8 kLastStreamInfo = 0x80;
constexpr qint64 kStreamInfoAt = 8;
constexpr qint64 kSmallestBlock = FlacStreamInfo::kSmallestBlock;
constexpr int kFrameCrcBytes = 2;
constexpr int kContainerBits = 32;

// The frame at data as a frame of the joined stream starting at sample at:
// header renumbered, body as it is, CRC-16 taken again.
QByteArray renumbered(const FlacFrameHeader &header, const quint8 *data, qint64 size, qint64 at)
{
    QByteArray frame = header.renumbered(data, at);
    frame.append(reinterpret_cast<const char *>(data) + header.headerBytes(),
                 size - header.headerBytes() - kFrameCrcBytes);
    const quint16 crc =
        quint16(av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0,
                       reinterpret_cast<const quint8 *>(frame.constData()), size_t(frame.size())));
    // libav keeps a big-endian CRC-16 byte-swapped: stored as it is, low byte first.
    frame += char(crc);
    frame += char(crc >> 8);
    return frame;
}

}  // namespace

struct FlacStreamWriter::Codec {
    CodecContextPtr encoder;
    FramePtr frame;
    PacketPtr packet;
};

FlacStreamWriter::FlacStreamWriter(const QString &target, const FlacStreamFormat &format,
                                   int compressionLevel)
    : m_format(format), m_compressionLevel(compressionLevel), m_codec(std::make_unique<Codec>())
{
    // The encoder first: a format it refuses leaves no file behind.
    m_codec->encoder = openEncoder(OutputFormat::flac(format.sampleRate, format.channels,
                                                      format.bitsPerSample, compressionLevel),
                                   target)
                           .codec;
    m_blockSize = m_codec->encoder->frame_size;
    m_codec->frame.reset(checkAllocated(av_frame_alloc(), "av_frame_alloc", target));
    m_codec->packet.reset(checkAllocated(av_packet_alloc(), "av_packet_alloc", target));
    m_decoder = std::make_unique<FlacFrameDecoder>(format);
    m_output = std::make_unique<OutputFile>(target);
    m_target = m_output->targetPath();
    m_file.setFileName(m_output->temporaryPath());
    // ReadWrite: the unnamed file is opened again, not truncated.
    if (!m_file.open(QIODevice::ReadWrite))
        throw AudioError::writing(QStringLiteral("the audio"), m_target, m_file.errorString());
    QByteArray head(kMagic);
    // Its length in 24 bits: two bytes of 0, then 34.
    head += char(kLastStreamInfo);
    head.append(2, char(0));
    head += char(FlacStreamInfo::kBytes);
    // A placeholder, filled in when the whole stream is known.
    head.append(FlacStreamInfo::kBytes, char(0));
    writeBytes(head);
    m_md5 = std::make_unique<FlacMd5Worker>(format);
}

FlacStreamWriter::~FlacStreamWriter()
{
    // The hash thread ends before the file goes.
    m_md5.reset();
    m_file.close();
}

const QString &FlacStreamWriter::temporaryPath() const
{
    return m_output->temporaryPath();
}

qint64 FlacStreamWriter::pendingFrames() const
{
    return qint64(m_pending.size() - m_pendingAt) / m_format.channels;
}

void FlacStreamWriter::copyFrame(const FlacFrame &frame, const QString &input, qint64 at)
{
    const qint64 pending = pendingFrames();
    if (frame.header.blockFrames() < kSmallestBlock || (pending > 0 && pending < kSmallestBlock)) {
        m_decoder->decode(frame.data, frame.size, input, at, m_pending);
        encodeWholeFrames();
        return;
    }
    flushPending();
    QByteArray bytes = renumbered(frame.header, frame.data, frame.size, m_samples);
    writeFrame(bytes, frame.header.blockFrames());
    // Handed over whole: the worker's threads never share a buffer with this one.
    m_md5->addFrame(std::move(bytes), input, at);
}

void FlacStreamWriter::write(const SampleArray &frames)
{
    const float scale = float(qint64(1) << (m_format.bitsPerSample - 1));
    const auto largest = qint32(scale - 1);
    const auto smallest = qint32(-scale);
    m_pending.reserve(m_pending.size() + frames.size());
    for (const float sample : frames) {
        const float scaled = std::isnan(sample) ? 0.0F : std::round(sample * scale);
        m_pending.push_back(scaled >= scale   ? largest
                            : scaled < -scale ? smallest
                                              : qint32(scaled));
    }
    encodeWholeFrames();
}

void FlacStreamWriter::encodeWholeFrames()
{
    const auto block = std::size_t(m_blockSize) * std::size_t(m_format.channels);
    while (m_pending.size() - m_pendingAt >= 2 * block) {
        encode(m_codec->encoder.get(), m_pending.data() + m_pendingAt, m_blockSize);
        m_pendingAt += block;
    }
    if (m_pendingAt > 0) {
        m_pending.erase(m_pending.begin(), m_pending.begin() + qsizetype(m_pendingAt));
        m_pendingAt = 0;
    }
}

void FlacStreamWriter::flushPending()
{
    const qint64 frames = pendingFrames();
    if (frames == 0)
        return;
    // One frame, or two of about half: neither is shorter than 16 samples
    // unless all of them are, which only the end of the stream may be.
    const qint64 first = frames <= m_blockSize ? frames : (frames + 1) / 2;
    const CodecContextPtr encoder =
        openEncoder(OutputFormat::flac(m_format.sampleRate, m_format.channels,
                                       m_format.bitsPerSample, m_compressionLevel),
                    m_target, int(std::max(first, kSmallestBlock)))
            .codec;
    const qint32 *samples = m_pending.data() + m_pendingAt;
    encode(encoder.get(), samples, int(first));
    if (first < frames)
        encode(encoder.get(), samples + first * m_format.channels, int(frames - first));
    m_pending.clear();
    m_pendingAt = 0;
}

void FlacStreamWriter::encode(AVCodecContext *encoder, const qint32 *samples, int frames)
{
    AVFrame *frame = m_codec->frame.get();
    AVPacket *packet = m_codec->packet.get();
    av_frame_unref(frame);
    frame->format = encoder->sample_fmt;
    frame->sample_rate = encoder->sample_rate;
    frame->nb_samples = frames;
    avCheck(av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout),
            "av_channel_layout_copy", m_target);
    avCheck(av_frame_get_buffer(frame, 0), "av_frame_get_buffer", m_target);
    const auto count = std::size_t(frames) * std::size_t(m_format.channels);
    if (encoder->sample_fmt == AV_SAMPLE_FMT_S16) {
        std::copy(samples, samples + count, reinterpret_cast<qint16 *>(frame->data[0]));
    } else {
        // The encoder takes deeper samples in the top bits of 32.
        const int shift = kContainerBits - m_format.bitsPerSample;
        std::transform(samples, samples + count, reinterpret_cast<qint32 *>(frame->data[0]),
                       [shift](qint32 sample) { return qint32(quint32(sample) << shift); });
    }
    // The integers handed to the encoder are the stream's: hashed as they are.
    QByteArray pcm;
    FlacFrameDecoder::md5Bytes(samples, qint64(count), m_format.bitsPerSample, pcm);
    m_md5->addSamples(std::move(pcm));
    avCheckEncoding(avcodec_send_frame(encoder, frame), "avcodec_send_frame", m_target);
    for (;;) {
        const int received = avcodec_receive_packet(encoder, packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        avCheckEncoding(received, "avcodec_receive_packet", m_target);
        const auto header = FlacFrameHeader::parse(packet->data, packet->size, encoder->frame_size);
        if (!header)
            throw AudioError(
                QStringLiteral("%1: the FLAC encoder wrote a frame that cannot be read back")
                    .arg(m_target));
        writeFrame(renumbered(*header, packet->data, packet->size, m_samples),
                   header->blockFrames());
        av_packet_unref(packet);
    }
}

void FlacStreamWriter::writeFrame(const QByteArray &frame, qint64 blockFrames)
{
    if (m_lastBlock != 0) {
        m_minBlock = m_minBlock == 0 ? m_lastBlock : std::min(m_minBlock, m_lastBlock);
        m_maxBlock = std::max(m_maxBlock, m_lastBlock);
    }
    if (m_samples + blockFrames > FlacStreamInfo::kMaxSamples)
        throw AudioError(
            QStringLiteral("%1: the join would be longer than FLAC can count").arg(m_target));
    writeBytes(frame);
    const qint64 bytes = frame.size();
    m_minFrameBytes = m_minFrameBytes == 0 ? bytes : std::min(m_minFrameBytes, bytes);
    m_maxFrameBytes = std::max(m_maxFrameBytes, bytes);
    m_samples += blockFrames;
    m_lastBlock = blockFrames;
}

void FlacStreamWriter::finish()
{
    flushPending();
    m_maxBlock = std::max(m_maxBlock, m_lastBlock);
    if (m_minBlock == 0)
        m_minBlock = m_lastBlock;
    if (m_maxBlock == 0)
        m_maxBlock = kSmallestBlock;  // no frame at all
    // A STREAMINFO whose smallest and largest block are the same says the
    // stream is of fixed block size: one of one block size (but for the
    // last) states the smallest there may be instead.
    if (m_minBlock == m_maxBlock || m_minBlock == 0)
        m_minBlock = std::min(kSmallestBlock, m_maxBlock);
    const QByteArray md5 = m_md5->result();
    if (!m_file.seek(kStreamInfoAt))
        throw AudioError::writing(QStringLiteral("STREAMINFO"), m_target, m_file.errorString());
    writeBytes(streamInfo(md5));
    if (!m_file.flush())
        throw AudioError::writing(QStringLiteral("the audio"), m_target, m_file.errorString());
    m_file.close();
}

void FlacStreamWriter::commit()
{
    m_output->commit();
}

void FlacStreamWriter::writeBytes(const QByteArray &bytes)
{
    if (m_file.write(bytes) != bytes.size())
        throw AudioError::writing(QStringLiteral("the audio"), m_target, m_file.errorString());
}

QByteArray FlacStreamWriter::streamInfo(const QByteArray &md5) const
{
    return FlacStreamInfo{m_minBlock, m_maxBlock, m_minFrameBytes, m_maxFrameBytes, m_format,
                          m_samples,  md5}
        .bytes();
}
