#include "audio/copy/flacframecopier.h"

#include "audio/core/audioerror.h"
#include "audio/core/avdeleters.h"
#include "audio/core/averror.h"
#include "audio/decode/flacframeheader.h"
#include "audio/decode/inputstream.h"
#include "audio/encode/outputfile.h"

#include <QtEndian>

#include <algorithm>
#include <utility>

extern "C" {
#include <libavutil/crc.h>
}

namespace {

constexpr char kMagic[] = "fLaC";
constexpr int kStreamInfoBytes = 34;
// The metadata block header of the only block: "last block" set, type 0 (STREAMINFO).
constexpr quint8 kLastStreamInfo = 0x80;
constexpr qint64 kStreamInfoAt = 8;
// STREAMINFO fields (RFC 9639, 8.2).
constexpr int kMaxBlockAt = 2;
constexpr int kMinFrameAt = 4;
constexpr int kMaxFrameAt = 7;
constexpr int kFormatAt = 10;  // rate 20 bits, channels-1 3, bits-1 5, total 36
constexpr int kMd5At = 18;
constexpr int kMd5Bytes = 16;
constexpr int kRateShift = 44;
constexpr int kChannelsShift = 41;
constexpr int kBitsShift = 36;
constexpr quint64 kTotalMask = (quint64(1) << kBitsShift) - 1;
// Only a stream's last block may be shorter; a STREAMINFO whose smallest and
// largest block are the same says the stream is of fixed block size, so a
// join of one block size (but for the last) states this smallest instead.
constexpr qint64 kSmallestBlock = 16;
constexpr int kFrameCrcBytes = 2;
// An ID3v1 tag some taggers leave at the end of a file, which the demuxer
// hands over as part of the last frame.
constexpr qint64 kId3v1Bytes = 128;
constexpr char kId3v1Magic[] = "TAG";

[[noreturn]] void refuse(const QString &fileName, const QString &reason)
{
    throw AudioError(
        QStringLiteral("%1: cannot be copied into the join: %2").arg(fileName, reason));
}

QString describe(int sampleRate, int channels, int bitsPerSample)
{
    return QStringLiteral("%1 Hz, %2 channels, %3 bits")
        .arg(sampleRate)
        .arg(channels)
        .arg(bitsPerSample);
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

void putBigEndian24(char *data, qint64 value)
{
    data[0] = char(value >> 16);
    data[1] = char(value >> 8);
    data[2] = char(value);
}

}  // namespace

FlacFrameCopier::FlacFrameCopier(QStringList inputs) : m_inputs(std::move(inputs)) {}

void FlacFrameCopier::write(const QString &target)
{
    if (m_inputs.isEmpty())
        throw AudioError(QStringLiteral("%1: no FLAC input to copy").arg(target));
    OutputFile output(target);
    m_file.close();
    m_target = output.targetPath();
    m_file.setFileName(output.temporaryPath());
    // ReadWrite: the unnamed file is opened again, not truncated.
    if (!m_file.open(QIODevice::ReadWrite))
        throw AudioError::writing(QStringLiteral("the audio"), m_target, m_file.errorString());
    try {
        start();
        for (const QString &input : std::as_const(m_inputs))
            copyInput(input);
        finish();
    } catch (...) {
        // The output goes with OutputFile; nothing of it stays open here.
        m_file.close();
        throw;
    }
    output.commit();
}

void FlacFrameCopier::finish()
{
    m_maxBlock = std::max(m_maxBlock, m_lastBlock);
    if (m_minBlock == 0)
        m_minBlock = m_lastBlock;
    if (m_minBlock == m_maxBlock)
        m_minBlock = std::min(kSmallestBlock, m_maxBlock);
    if (!m_file.seek(kStreamInfoAt))
        throw AudioError::writing(QStringLiteral("STREAMINFO"), m_target, m_file.errorString());
    writeBytes(streamInfo());
    if (!m_file.flush())
        throw AudioError::writing(QStringLiteral("the audio"), m_target, m_file.errorString());
    m_file.close();
}

void FlacFrameCopier::start()
{
    m_md5.reset();
    m_format = {};
    m_samples = m_minBlock = m_maxBlock = m_minFrameBytes = m_maxFrameBytes = m_lastBlock = 0;
    QByteArray head(kMagic);
    head += char(kLastStreamInfo);
    head.append(3, char(0));
    putBigEndian24(head.data() + head.size() - 3, kStreamInfoBytes);
    // A placeholder, filled in when the whole join is known.
    head.append(kStreamInfoBytes, char(0));
    writeBytes(head);
}

void FlacFrameCopier::checkFormat(const QString &fileName, const Format &format)
{
    if (m_format == Format()) {
        m_format = format;
        m_firstInput = fileName;
    } else if (!(format == m_format)) {
        refuse(fileName,
               QStringLiteral("it has %1 where %2 has %3")
                   .arg(describe(format.sampleRate, format.channels, format.bitsPerSample),
                        m_firstInput,
                        describe(m_format.sampleRate, m_format.channels, m_format.bitsPerSample)));
    }
}

void FlacFrameCopier::copyInput(const QString &fileName)
{
    InputStream stream(fileName);
    const AVCodecParameters *parameters = stream.codecParameters();
    if (stream.codecId() != AV_CODEC_ID_FLAC || qstrcmp(stream.containerName(), "flac") != 0
        || parameters->extradata_size < kStreamInfoBytes)
        refuse(fileName, QStringLiteral("it is not a native FLAC file"));
    const quint8 *info = parameters->extradata;
    const auto packed = qFromBigEndian<quint64>(info + kFormatAt);
    checkFormat(fileName, {int(packed >> kRateShift), int((packed >> kChannelsShift & 7) + 1),
                           int((packed >> kBitsShift & 31) + 1)});
    const qint64 statedSamples = qint64(packed & kTotalMask);
    const QByteArray statedMd5(reinterpret_cast<const char *>(info + kMd5At), kMd5Bytes);
    // A stream of fixed block size numbers its frames, each this many samples.
    const qint64 fixedBlock = qFromBigEndian<quint16>(info + kMaxBlockAt);

    // Every frame is decoded, strictly, for the MD5 of the exact samples.
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_FLAC);
    const CodecContextPtr decoder(
        checkAllocated(avcodec_alloc_context3(codec), "avcodec_alloc_context3", fileName));
    avCheck(avcodec_parameters_to_context(decoder.get(), parameters),
            "avcodec_parameters_to_context", fileName);
    decoder->err_recognition = AV_EF_CRCCHECK | AV_EF_EXPLODE;
    avCheck(avcodec_open2(decoder.get(), codec, nullptr), "avcodec_open2", fileName);
    const FramePtr frame(checkAllocated(av_frame_alloc(), "av_frame_alloc", fileName));

    QCryptographicHash inputMd5(QCryptographicHash::Md5);
    qint64 samples = 0;
    while (const AVPacket *packet = stream.nextPacket()) {
        const qint64 size = frameBytes(packet);
        const auto header = FlacFrameHeader::parse(packet->data, size, fixedBlock);
        if (!header || size < header->headerBytes() + kFrameCrcBytes)
            refuse(fileName, QStringLiteral("the frame at sample %1 is damaged").arg(samples));
        if (header->firstFrame() != samples)
            refuse(fileName, QStringLiteral("frames are missing at sample %1").arg(samples));
        const int sent = avcodec_send_packet(decoder.get(), packet);
        if (sent < 0)
            refuse(fileName, QStringLiteral("the frame at sample %1 does not decode (%2)")
                                 .arg(samples)
                                 .arg(avErrorText(sent)));
        qint64 decoded = 0;
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            decoded += frame->nb_samples;
            hashFrame(fileName, frame.get(), inputMd5);
        }
        if (decoded != header->blockFrames())
            refuse(fileName, QStringLiteral("the frame at sample %1 decodes to %2 samples, not %3")
                                 .arg(samples)
                                 .arg(decoded)
                                 .arg(header->blockFrames()));
        copyFrame(fileName, *header, packet->data, size);
        samples += decoded;
    }
    if (samples == 0)
        refuse(fileName, QStringLiteral("it holds no audio"));
    if (statedSamples != 0 && statedSamples != samples)
        refuse(fileName, QStringLiteral("it holds %1 samples where its STREAMINFO states %2")
                             .arg(samples)
                             .arg(statedSamples));
    if (statedMd5 != QByteArray(kMd5Bytes, char(0)) && inputMd5.result() != statedMd5)
        refuse(fileName, QStringLiteral("its audio does not match the MD5 in its STREAMINFO"));
}

void FlacFrameCopier::copyFrame(const QString &fileName, const FlacFrameHeader &header,
                                const quint8 *data, qint64 size)
{
    // The frame before becomes one that is followed: it may not be too short.
    if (m_lastBlock != 0) {
        if (m_lastBlock < kSmallestBlock)
            refuse(m_lastBlockInput,
                   QStringLiteral("its last block of %1 samples is too short to be followed by "
                                  "another input's (at least %2)")
                       .arg(m_lastBlock)
                       .arg(kSmallestBlock));
        m_minBlock = m_minBlock == 0 ? m_lastBlock : std::min(m_minBlock, m_lastBlock);
        m_maxBlock = std::max(m_maxBlock, m_lastBlock);
    }
    if (m_samples + header.blockFrames() > qint64(kTotalMask))
        refuse(fileName, QStringLiteral("the join would be longer than FLAC can count"));
    QByteArray rewritten = header.renumbered(data, m_samples);
    const qint64 bodyBytes = size - header.headerBytes() - kFrameCrcBytes;
    rewritten.append(reinterpret_cast<const char *>(data) + header.headerBytes(), bodyBytes);
    const quint16 crc = quint16(av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0,
                                       reinterpret_cast<const quint8 *>(rewritten.constData()),
                                       size_t(rewritten.size())));
    // libav keeps a big-endian CRC-16 byte-swapped: stored as it is, low byte first.
    rewritten += char(crc);
    rewritten += char(crc >> 8);
    writeBytes(rewritten);
    const qint64 frameBytes = rewritten.size();
    m_minFrameBytes = m_minFrameBytes == 0 ? frameBytes : std::min(m_minFrameBytes, frameBytes);
    m_maxFrameBytes = std::max(m_maxFrameBytes, frameBytes);
    m_samples += header.blockFrames();
    m_lastBlock = header.blockFrames();
    m_lastBlockInput = fileName;
}

void FlacFrameCopier::hashFrame(const QString &fileName, const AVFrame *frame,
                                QCryptographicHash &inputMd5)
{
    const auto format = AVSampleFormat(frame->format);
    const int containerBits = av_get_bytes_per_sample(format) * 8;
    if (frame->sample_rate != m_format.sampleRate
        || frame->ch_layout.nb_channels != m_format.channels
        || (containerBits != 16 && containerBits != 32) || containerBits < m_format.bitsPerSample)
        refuse(fileName, QStringLiteral("its format changes within the stream"));
    // The decoder keeps the samples in the top bits; the MD5 takes them as
    // little-endian integers of whole bytes, interleaved (RFC 9639, 8.2).
    const int shift = containerBits - m_format.bitsPerSample;
    const int bytes = (m_format.bitsPerSample + 7) / 8;
    const int channels = m_format.channels;
    const bool planar = av_sample_fmt_is_planar(format);
    m_pcm.resize(qsizetype(frame->nb_samples) * channels * bytes);
    char *out = m_pcm.data();
    for (int i = 0; i < frame->nb_samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int plane = planar ? c : 0;
            const int index = planar ? i : i * channels + c;
            const qint32 value =
                containerBits == 16
                    ? qint32(reinterpret_cast<const qint16 *>(frame->extended_data[plane])[index])
                    : reinterpret_cast<const qint32 *>(frame->extended_data[plane])[index];
            const qint32 sample = value >> shift;
            for (int b = 0; b < bytes; ++b)
                *out++ = char(sample >> (8 * b));
        }
    }
    m_md5.addData(m_pcm);
    inputMd5.addData(m_pcm);
}

void FlacFrameCopier::writeBytes(const QByteArray &bytes)
{
    if (m_file.write(bytes) != bytes.size())
        throw AudioError::writing(QStringLiteral("the audio"), m_target, m_file.errorString());
}

QByteArray FlacFrameCopier::streamInfo() const
{
    QByteArray info(kStreamInfoBytes, char(0));
    char *data = info.data();
    qToBigEndian<quint16>(quint16(m_minBlock), data);
    qToBigEndian<quint16>(quint16(m_maxBlock), data + kMaxBlockAt);
    putBigEndian24(data + kMinFrameAt, m_minFrameBytes);
    putBigEndian24(data + kMaxFrameAt, m_maxFrameBytes);
    const quint64 packed = quint64(m_format.sampleRate) << kRateShift
                           | quint64(m_format.channels - 1) << kChannelsShift
                           | quint64(m_format.bitsPerSample - 1) << kBitsShift | quint64(m_samples);
    qToBigEndian(packed, data + kFormatAt);
    const QByteArray md5 = m_md5.result();
    std::copy(md5.cbegin(), md5.cend(), data + kMd5At);
    return info;
}
