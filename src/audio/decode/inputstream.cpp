#include "audio/decode/inputstream.h"

#include "audio/core/audioerror.h"
#include "audio/core/averror.h"

#include <QFileInfo>

#include <mutex>

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/log.h>
}

namespace {

constexpr unsigned kMaxIndexBytes = 16 * 1024;

// The containers the program reads: MP3, WAV (also RF64), OGG (Vorbis, Opus or
// FLAC), WMA (ASF), FLAC, MP4 (AAC only), ADTS AAC and AIFF.
constexpr const char *kAcceptedContainers = "mp3,wav,ogg,asf,flac,mov,aac,aiff";
// FFmpeg's one demuxer for MP4 also reads QuickTime and 3GP; of those the
// program takes AAC audio only.
constexpr const char *kMp4Container = "mov";
// Read errors in a row, each past the previous one, before the rest of a damaged
// file is given up.
constexpr int kMaxReadErrors = 32;
// Packets in a row that consume no input before the demuxer is deemed stuck.
constexpr int kMaxStalledPackets = 100000;
// Decoder errors without new input before the decoder is deemed stuck.
constexpr int kMaxErrorsPerPacket = 16;

QString describe(const QString &fileName, const QString &cause)
{
    return QStringLiteral("%1: %2").arg(fileName, cause);
}

}  // namespace

void InputStream::silenceLibav()
{
    // The program logs nothing; libav's complaints about damaged input would
    // only clutter the terminal. Failures reach the caller as AudioError.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}

InputStream::InputStream(const QString &fileName)
    : m_fileName(fileName), m_packet(av_packet_alloc()), m_frame(av_frame_alloc())
{
    silenceLibav();
    checkAllocated(m_packet.get(), "av_packet_alloc", fileName);
    checkAllocated(m_frame.get(), "av_frame_alloc", fileName);
    openFile();
    openContainer();
    openDecoder();
}

InputStream::~InputStream() = default;

void InputStream::openFile()
{
    const QFileInfo info(m_fileName);
    if (!info.exists())
        throw AudioError(describe(m_fileName, QStringLiteral("the file does not exist")));
    if (!info.isFile())
        throw AudioError(describe(m_fileName, QStringLiteral("this is not a file")));
    if (info.size() == 0)
        throw AudioError(describe(m_fileName, QStringLiteral("the file is empty")));
    // "file:" keeps a colon in the name from being taken for a protocol.
    const QByteArray url = "file:" + QFile::encodeName(info.absoluteFilePath());
    AVIOContext *io = nullptr;
    avCheck(avio_open2(&io, url.constData(), AVIO_FLAG_READ, nullptr, nullptr), "avio_open2",
            m_fileName);
    m_io.reset(io);
    m_fileSize = avio_size(io);
}

const AVInputFormat *InputStream::probeContainer()
{
    const AVInputFormat *format = nullptr;
    // Without a file name the content alone decides, so a misleading extension cannot.
    if (av_probe_input_buffer2(m_io.get(), &format, "", nullptr, 0, 0) < 0 || !format) {
        // An ID3 tag larger than the probe window hides the audio behind it; only
        // then does the extension get a say.
        format = nullptr;
        const QByteArray name = QFile::encodeName(m_fileName);
        const int rc = av_probe_input_buffer2(m_io.get(), &format, name.constData(), nullptr, 0, 0);
        if (rc < 0 || !format)
            throw AudioError(describe(m_fileName, QStringLiteral("this is not an audio file")));
    }
    if (av_match_list(format->name, kAcceptedContainers, ',') <= 0)
        throw AudioError(describe(m_fileName, refusal(format->long_name)));
    return format;
}

QString InputStream::refusal(const char *contentName)
{
    return QStringLiteral("this is not an MP3, WAV, WMA, OGG, Opus, FLAC, AAC, M4A or AIFF file "
                          "(the content looks like %1)")
        .arg(QString::fromUtf8(contentName));
}

void InputStream::openContainer()
{
    const AVInputFormat *format = probeContainer();
    AVFormatContext *context =
        checkAllocated(avformat_alloc_context(), "avformat_alloc_context", m_fileName);
    context->pb = m_io.get();
    // The demuxer's seek index would grow with the length of the input; reading
    // only ever goes forward (a restart opens the file afresh), so keep it small.
    context->max_index_size = kMaxIndexBytes;
    const QByteArray name = QFile::encodeName(m_fileName);
    // On failure avformat_open_input frees the context itself.
    const int rc = avformat_open_input(&context, name.constData(), format, nullptr);
    if (rc == AVERROR_EOF)
        throw AudioError(
            describe(m_fileName, QStringLiteral("the file ends before its audio begins")));
    if (rc < 0)
        throw AudioError(
            describe(m_fileName, QStringLiteral("this is no readable %1 file (%2)")
                                     .arg(QString::fromUtf8(format->long_name), avErrorText(rc))));
    m_container.reset(context);
    avCheck(avformat_find_stream_info(context, nullptr), "avformat_find_stream_info", m_fileName);
}

void InputStream::openDecoder()
{
    const AVCodec *codec = nullptr;
    const int index = av_find_best_stream(m_container.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index == AVERROR_STREAM_NOT_FOUND)
        throw AudioError(describe(m_fileName, QStringLiteral("the file holds no audio")));
    if (index == AVERROR_DECODER_NOT_FOUND || !codec) {
        throw AudioError(describe(m_fileName, QStringLiteral("no decoder for its audio format")));
    }
    avCheck(index, "av_find_best_stream", m_fileName);
    if (av_match_list(containerName(), kMp4Container, ',') > 0 && codec->id != AV_CODEC_ID_AAC)
        throw AudioError(
            describe(m_fileName, refusal(codec->long_name ? codec->long_name : codec->name)));
    m_streamIndex = index;
    // Cover pictures and other streams are never read.
    for (unsigned i = 0; i < m_container->nb_streams; ++i) {
        if (int(i) != index)
            m_container->streams[i]->discard = AVDISCARD_ALL;
    }

    m_decoder.reset(
        checkAllocated(avcodec_alloc_context3(codec), "avcodec_alloc_context3", m_fileName));
    avCheck(avcodec_parameters_to_context(m_decoder.get(), stream()->codecpar),
            "avcodec_parameters_to_context", m_fileName);
    m_decoder->pkt_timebase = stream()->time_base;
    avCheck(avcodec_open2(m_decoder.get(), codec, nullptr), "avcodec_open2", m_fileName);
    if (sampleRate() <= 0 || channels() <= 0)
        throw AudioError(
            describe(m_fileName, QStringLiteral("the audio has no sample rate or channels")));
}

AVStream *InputStream::stream() const
{
    return m_container->streams[m_streamIndex];
}

int InputStream::sampleRate() const
{
    return m_decoder->sample_rate;
}

int InputStream::channels() const
{
    return m_decoder->ch_layout.nb_channels;
}

AVCodecID InputStream::codecId() const
{
    return m_decoder->codec_id;
}

const char *InputStream::containerName() const
{
    return m_container->iformat->name;
}

int InputStream::bytesPerFrame() const
{
    const int bits = av_get_exact_bits_per_sample(codecId());
    return bits > 0 && bits % 8 == 0 ? bits / 8 * channels() : 0;
}

qint64 InputStream::headerFrameCount() const
{
    const AVStream *audio = stream();
    if (audio->duration == AV_NOPTS_VALUE || audio->duration < 0)
        return -1;
    return av_rescale_q(audio->duration, audio->time_base, AVRational{1, sampleRate()});
}

const AVCodecParameters *InputStream::codecParameters() const
{
    return stream()->codecpar;
}

bool InputStream::readPacket()
{
    m_readStarted = true;
    int readErrors = 0;
    int stalledPackets = 0;
    qint64 position = avio_tell(m_io.get());
    while (!m_inputEnded) {
        const int rc = av_read_frame(m_container.get(), m_packet.get());
        const qint64 newPosition = avio_tell(m_io.get());
        const bool progressed = newPosition != position;
        position = newPosition;
        if (rc >= 0) {
            if (m_packet->stream_index == m_streamIndex)
                return true;
            av_packet_unref(m_packet.get());
            stalledPackets = progressed ? 0 : stalledPackets + 1;
            if (stalledPackets > kMaxStalledPackets)
                m_inputEnded = true;
            continue;
        }
        // A damaged stretch may be followed by good data; a demuxer that fails
        // without moving on is at its end.
        if (rc == AVERROR_EOF || !progressed || ++readErrors > kMaxReadErrors)
            m_inputEnded = true;
    }
    return false;
}

const AVPacket *InputStream::nextPacket()
{
    av_packet_unref(m_packet.get());
    return readPacket() ? m_packet.get() : nullptr;
}

std::optional<qint64> InputStream::packetFrameCount(const AVPacket *packet) const
{
    if (packet->duration <= 0)
        return std::nullopt;
    qint64 frames =
        av_rescale_q(packet->duration, stream()->time_base, AVRational{1, sampleRate()});
    size_t size = 0;
    const uint8_t *skip = av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    if (skip && size >= 8)
        frames -= qint64(AV_RL32(skip)) + qint64(AV_RL32(skip + 4));
    return frames;
}

bool InputStream::feedDecoder()
{
    if (m_flushSent)
        return false;
    av_packet_unref(m_packet.get());
    if (!readPacket()) {
        avcodec_send_packet(m_decoder.get(), nullptr);
        m_flushSent = true;
        return true;
    }
    m_errorsSincePacket = 0;
    // A packet the decoder refuses is damaged; it is dropped and decoding goes on.
    avcodec_send_packet(m_decoder.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    return true;
}

const AVFrame *InputStream::nextFrame()
{
    while (!m_decoderEnded) {
        const int rc = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (rc >= 0) {
            if (m_frame->nb_samples > 0)
                return m_frame.get();
        } else if (rc == AVERROR(EAGAIN)) {
            m_decoderEnded = !feedDecoder();
        } else {
            m_decoderEnded = rc == AVERROR_EOF || ++m_errorsSincePacket > kMaxErrorsPerPacket;
        }
    }
    return nullptr;
}
