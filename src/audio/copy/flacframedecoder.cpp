#include "audio/copy/flacframedecoder.h"

#include "audio/core/audioerror.h"
#include "audio/core/avdeleters.h"
#include "audio/core/averror.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
}

struct FlacFrameDecoder::Codec {
    CodecContextPtr decoder;
    PacketPtr packet;
    FramePtr frame;
};

FlacFrameDecoder::FlacFrameDecoder(const FlacStreamFormat &format)
    : m_format(format), m_codec(std::make_unique<Codec>())
{
    const QString name = QStringLiteral("FLAC decoder");
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_FLAC);
    m_codec->decoder.reset(
        checkAllocated(avcodec_alloc_context3(codec), "avcodec_alloc_context3", name));
    m_codec->packet.reset(checkAllocated(av_packet_alloc(), "av_packet_alloc", name));
    m_codec->frame.reset(checkAllocated(av_frame_alloc(), "av_frame_alloc", name));
    // Opened with a STREAMINFO of the format and no length.
    FlacStreamInfo streamInfo;
    streamInfo.minBlock = FlacStreamInfo::kSmallestBlock;
    streamInfo.maxBlock = FlacStreamInfo::kLargestBlock;
    streamInfo.format = format;
    const QByteArray info = streamInfo.bytes();
    AVCodecContext *decoder = m_codec->decoder.get();
    // Freed with the context.
    decoder->extradata = checkAllocated(
        static_cast<uint8_t *>(av_mallocz(std::size_t(info.size()) + AV_INPUT_BUFFER_PADDING_SIZE)),
        "av_mallocz", name);
    std::copy(info.cbegin(), info.cend(), decoder->extradata);
    decoder->extradata_size = int(info.size());
    // The frames' CRCs were checked as they were read (FlacFrameReader).
    decoder->err_recognition = AV_EF_EXPLODE;
    avCheck(avcodec_open2(decoder, codec, nullptr), "avcodec_open2", name);
}

FlacFrameDecoder::~FlacFrameDecoder() = default;

const AVFrame *FlacFrameDecoder::decode(const quint8 *data, qint64 size, const QString &input,
                                        qint64 at)
{
    AVPacket *packet = m_codec->packet.get();
    AVFrame *frame = m_codec->frame.get();
    avCheck(av_new_packet(packet, int(size)), "av_new_packet", input);
    std::copy_n(data, size, packet->data);
    int result = avcodec_send_packet(m_codec->decoder.get(), packet);
    av_packet_unref(packet);
    if (result >= 0)
        result = avcodec_receive_frame(m_codec->decoder.get(), frame);
    if (result < 0 || frame->nb_samples == 0)
        FlacFrameReader::refuse(input,
                                QStringLiteral("the frame at sample %1 does not decode (%2)")
                                    .arg(at)
                                    .arg(avErrorText(result < 0 ? result : AVERROR_INVALIDDATA)));
    const int containerBits = av_get_bytes_per_sample(AVSampleFormat(frame->format)) * 8;
    if (frame->sample_rate != m_format.sampleRate
        || frame->ch_layout.nb_channels != m_format.channels
        || (containerBits != 16 && containerBits != 32) || containerBits < m_format.bitsPerSample)
        FlacFrameReader::refuse(input, QStringLiteral("its format changes at sample %1").arg(at));
    return frame;
}

bool FlacFrameDecoder::givesMd5Bytes(const AVFrame *frame) const
{
    return frame->format == AV_SAMPLE_FMT_S16 && m_format.bitsPerSample == 16
           && Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
}

void FlacFrameDecoder::decode(const quint8 *data, qint64 size, const QString &input, qint64 at,
                              std::vector<qint32> &samples)
{
    appendSamples(decode(data, size, input, at), samples);
}

void FlacFrameDecoder::appendSamples(const AVFrame *frame, std::vector<qint32> &samples) const
{
    const auto format = AVSampleFormat(frame->format);
    const int containerBits = av_get_bytes_per_sample(format) * 8;
    const int channels = m_format.channels;
    // The decoder keeps the samples in the top bits.
    const int shift = containerBits - m_format.bitsPerSample;
    const bool planar = av_sample_fmt_is_planar(format);
    const int count = frame->nb_samples;
    samples.reserve(samples.size() + std::size_t(count) * std::size_t(channels));
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int plane = planar ? c : 0;
            const int index = planar ? i : i * channels + c;
            const uint8_t *from = frame->extended_data[plane];
            const qint32 value = containerBits == 16
                                     ? qint32(reinterpret_cast<const qint16 *>(from)[index])
                                     : reinterpret_cast<const qint32 *>(from)[index];
            samples.push_back(value >> shift);
        }
    }
}

void FlacFrameDecoder::md5Bytes(const qint32 *samples, qint64 count, int bitsPerSample,
                                QByteArray &bytes)
{
    const int width = (bitsPerSample + 7) / 8;
    bytes.resize(qsizetype(count) * width);
    char *out = bytes.data();
    for (qint64 i = 0; i < count; ++i)
        for (int b = 0; b < width; ++b)
            *out++ = char(samples[i] >> (8 * b));
}
