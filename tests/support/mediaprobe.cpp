#include "support/mediaprobe.h"

#include "audio/core/avdeleters.h"

#include <QFile>
#include <QtEndian>

#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString &path, const char *what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    throw std::runtime_error(QStringLiteral("probeMedia(%1): %2: %3")
                                 .arg(path, QString::fromLatin1(what), QString::fromUtf8(text))
                                 .toStdString());
}

void addMetadata(QMap<QString, QString> &tags, const AVDictionary *dictionary)
{
    const AVDictionaryEntry *entry = nullptr;
    while ((entry = av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX)))
        tags.insert(QString::fromUtf8(entry->key).toLower(), QString::fromUtf8(entry->value));
}

// Appends the frame's samples to pcm; the PCM and FLAC decoders give them
// interleaved in one plane.
void appendSamples(const AVFrame *frame, QByteArray &pcm)
{
    const int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame->format));
    pcm.append(reinterpret_cast<const char *>(frame->data[0]),
               qsizetype(frame->nb_samples) * frame->ch_layout.nb_channels * bytes);
}

void countDecodedFrames(const QString &path, AVCodecContext *decoder, AVPacket *packet,
                        AVFrame *frame, const AVStream *stream, MediaInfo &info, QByteArray *pcm)
{
    // A strict decoder (AV_EF_EXPLODE) refuses a damaged packet.
    const bool strict = decoder->err_recognition & AV_EF_EXPLODE;
    if (int code = avcodec_send_packet(decoder, packet); code < 0 && strict)
        fail(path, "avcodec_send_packet", code);
    while (avcodec_receive_frame(decoder, frame) == 0) {
        if (info.decodedFrames == 0 && frame->best_effort_timestamp != AV_NOPTS_VALUE)
            info.firstFrameTime = double(frame->best_effort_timestamp) * av_q2d(stream->time_base);
        info.decodedFrames += frame->nb_samples;
        if (pcm)
            appendSamples(frame, *pcm);
        av_frame_unref(frame);
    }
}

void probeStream(const QString &path, MediaInfo &info, QByteArray *pcm = nullptr,
                 int errorRecognition = 0)
{
    const QByteArray name = QFile::encodeName(path);
    AVFormatContext *rawContext = nullptr;
    if (int code = avformat_open_input(&rawContext, name.constData(), nullptr, nullptr); code < 0)
        fail(path, "avformat_open_input", code);
    InputFormatContextPtr context(rawContext);
    if (int code = avformat_find_stream_info(context.get(), nullptr); code < 0)
        fail(path, "avformat_find_stream_info", code);
    const int index = av_find_best_stream(context.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        fail(path, "av_find_best_stream", index);
    AVStream *stream = context->streams[index];
    const AVCodecParameters *parameters = stream->codecpar;

    info.container = QString::fromLatin1(context->iformat->name);
    info.codec = QString::fromLatin1(avcodec_get_name(parameters->codec_id));
    info.sampleRate = parameters->sample_rate;
    info.channels = parameters->ch_layout.nb_channels;
    info.bitRate = parameters->bit_rate > 0 ? parameters->bit_rate : context->bit_rate;
    info.bitsPerSample = parameters->bits_per_raw_sample;
    addMetadata(info.ffmpegTags, context->metadata);
    addMetadata(info.ffmpegTags, stream->metadata);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream *other = context->streams[i];
        if (other->disposition & AV_DISPOSITION_ATTACHED_PIC)
            info.attachedPicture = QByteArray(
                reinterpret_cast<const char *>(other->attached_pic.data), other->attached_pic.size);
    }
    for (unsigned i = 0; i < context->nb_chapters; ++i) {
        const AVChapter *chapter = context->chapters[i];
        const AVDictionaryEntry *title = av_dict_get(chapter->metadata, "title", nullptr, 0);
        info.chapters.append({title ? QString::fromUtf8(title->value) : QString(),
                              double(chapter->start) * av_q2d(chapter->time_base),
                              double(chapter->end) * av_q2d(chapter->time_base)});
    }

    const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        fail(path, "avcodec_find_decoder", AVERROR_DECODER_NOT_FOUND);
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), parameters);
    decoder->pkt_timebase = stream->time_base;
    decoder->err_recognition = errorRecognition;
    if (int code = avcodec_open2(decoder.get(), codec, nullptr); code < 0)
        fail(path, "avcodec_open2", code);

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        if (packet->stream_index == index)
            countDecodedFrames(path, decoder.get(), packet.get(), frame.get(), stream, info, pcm);
        av_packet_unref(packet.get());
    }
    countDecodedFrames(path, decoder.get(), nullptr, frame.get(), stream, info, pcm);
}

QString fromTagLib(const TagLib::String &text)
{
    return QString::fromUtf8(text.toCString(true));
}

ProbedTags readTag(const TagLib::Tag *tag)
{
    ProbedTags tags;
    // Only the seven common fields count: the writer's own fields (an encoder
    // name) do not make a tag.
    if (!tag || tag->TagLib::Tag::isEmpty())
        return tags;
    tags.present = true;
    tags.title = fromTagLib(tag->title());
    tags.artist = fromTagLib(tag->artist());
    tags.album = fromTagLib(tag->album());
    tags.comment = fromTagLib(tag->comment());
    tags.genre = fromTagLib(tag->genre());
    tags.year = tag->year();
    tags.track = tag->track();
    return tags;
}

int id3v2Version(const TagLib::ID3v2::Tag *tag)
{
    return tag && !tag->isEmpty() ? static_cast<int>(tag->header()->majorVersion()) : 0;
}

void probeTags(const QString &path, MediaInfo &info)
{
    const QByteArray name = QFile::encodeName(path);
    if (info.container == QLatin1String("mp3")) {
        TagLib::MPEG::File file(name.constData(), false);
        info.tags = readTag(file.ID3v2Tag());
        info.id3v2Version = id3v2Version(file.ID3v2Tag());
        info.id3v1 = readTag(file.ID3v1Tag());
        if (file.ID3v2Tag()) {
            for (TagLib::ID3v2::Frame *frame : file.ID3v2Tag()->frameList("CTOC")) {
                const auto *toc = dynamic_cast<TagLib::ID3v2::TableOfContentsFrame *>(frame);
                if (!toc || !toc->isTopLevel() || !toc->isOrdered())
                    continue;
                for (const TagLib::ByteVector &id : toc->childElements())
                    info.id3TableOfContents.append(QString::fromLatin1(id.data(), int(id.size())));
            }
        }
    } else if (info.container == QLatin1String("wav")) {
        TagLib::RIFF::WAV::File file(name.constData(), false);
        if (!file.isValid())
            return;
        info.tags = readTag(file.ID3v2Tag());
        info.id3v2Version = id3v2Version(file.ID3v2Tag());
        info.riffInfo = readTag(file.InfoTag());
    } else if (info.container == QLatin1String("ogg")) {
        TagLib::Ogg::Vorbis::File file(name.constData(), false);
        info.tags = readTag(file.tag());
    } else if (info.container == QLatin1String("asf")) {
        TagLib::ASF::File file(name.constData(), false);
        info.tags = readTag(file.tag());
    } else if (info.container == QLatin1String("flac")) {
        TagLib::FLAC::File file(name.constData(), false);
        info.tags = readTag(file.xiphComment());
    } else if (info.container.contains(QLatin1String("mp4"))) {
        TagLib::MP4::File file(name.constData(), false);
        info.tags = readTag(file.tag());
    }
}

}  // namespace

MediaInfo probeMedia(const QString &path)
{
    // Warnings about tags FFmpeg chooses not to use only clutter the test output.
    av_log_set_level(AV_LOG_ERROR);
    MediaInfo info;
    probeStream(path, info);
    probeTags(path, info);
    return info;
}

QByteArray decodePcm(const QString &path)
{
    av_log_set_level(AV_LOG_ERROR);
    MediaInfo info;
    QByteArray pcm;
    probeStream(path, info, &pcm);
    return pcm;
}

QByteArray decodePcmChecked(const QString &path)
{
    av_log_set_level(AV_LOG_ERROR);
    MediaInfo info;
    QByteArray pcm;
    probeStream(path, info, &pcm, AV_EF_CRCCHECK | AV_EF_EXPLODE);
    return pcm;
}

QList<Mp4Box> mp4TopLevelBoxes(const QString &path)
{
    QList<Mp4Box> boxes;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return boxes;
    // A size of 1 is followed by a 64-bit size; 0 runs to the end of the file.
    for (qint64 at = 0, size = 0; at + 8 <= file.size(); at += size) {
        file.seek(at);
        const QByteArray header = file.read(16);
        size = qFromBigEndian<quint32>(header.constData());
        size = size == 1 ? qint64(qFromBigEndian<quint64>(header.constData() + 8))
                         : (size == 0 ? file.size() - at : size);
        boxes << Mp4Box{header.mid(4, 4), at};
        if (size < 8)
            break;
    }
    return boxes;
}
