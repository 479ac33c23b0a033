#include "support/libavtonewriter.h"

#include "audio/core/avdeleters.h"

#include <QFile>

#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

struct Recipe {
    ToneFormat format;
    const char *muxer;
    const char *encoder;
    qint64 bitRate;
    const char *muxerOptions;
};

const Recipe kRecipes[] = {
    {ToneFormat::OggFlac, "ogg", "flac", 0, ""},
    {ToneFormat::Opus, "ogg", "libopus", 96000, ""},
    {ToneFormat::M4a, "ipod", "aac", 128000, ""},
    // No edit list: the priming and padding are told by an iTunSMPB tag only.
    {ToneFormat::M4aTaggedGapless, "ipod", "aac", 128000, "use_editlist=0"},
    {ToneFormat::Adts, "adts", "aac", 128000, ""},
    {ToneFormat::Aiff, "aiff", "pcm_s16be", 0, ""},
};

const Recipe *recipeFor(ToneFormat format)
{
    const auto found = std::find_if(std::begin(kRecipes), std::end(kRecipes),
                                    [format](const Recipe &r) { return r.format == format; });
    return found == std::end(kRecipes) ? nullptr : found;
}

[[noreturn]] void fail(const QString &path, const char *what, int code = 0)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    throw std::runtime_error(QFile::encodeName(path).toStdString() + ": " + what + ": " + text);
}

void check(int code, const QString &path, const char *what)
{
    if (code < 0)
        fail(path, what, code);
}

// Interleaved float tone samples into the frame's sample format.
void fill(AVFrame *frame, const SampleArray &tone, int channels)
{
    const int frames = frame->nb_samples;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const float value = tone[size_t(i * channels + c)];
            switch (frame->format) {
            case AV_SAMPLE_FMT_FLTP:
                reinterpret_cast<float *>(frame->data[c])[i] = value;
                break;
            case AV_SAMPLE_FMT_FLT:
                reinterpret_cast<float *>(frame->data[0])[i * channels + c] = value;
                break;
            case AV_SAMPLE_FMT_S16:
                reinterpret_cast<int16_t *>(frame->data[0])[i * channels + c] =
                    int16_t(value * 32767.0f);
                break;
            default:
                throw std::runtime_error("no conversion to the encoder's sample format");
            }
        }
    }
}

}  // namespace

bool LibavToneWriter::writes(ToneFormat format)
{
    return recipeFor(format) != nullptr;
}

LibavToneWriter::LibavToneWriter(const QString &path, ToneFormat format, int sampleRate,
                                 int channels)
    : m_path(path), m_format(format), m_sampleRate(sampleRate), m_channels(channels)
{}

void LibavToneWriter::write(qint64 frameCount)
{
    const Recipe *recipe = recipeFor(m_format);
    const QByteArray name = QFile::encodeName(m_path);
    AVFormatContext *rawOutput = nullptr;
    check(avformat_alloc_output_context2(&rawOutput, nullptr, recipe->muxer, name.constData()),
          m_path, "avformat_alloc_output_context2");
    OutputFormatContextPtr output(rawOutput);

    const AVCodec *codec = avcodec_find_encoder_by_name(recipe->encoder);
    if (!codec)
        fail(m_path, "no encoder");
    CodecContextPtr encoder(avcodec_alloc_context3(codec));
    encoder->sample_rate = m_sampleRate;
    av_channel_layout_default(&encoder->ch_layout, m_channels);
    encoder->sample_fmt = codec->sample_fmts[0];
    encoder->bit_rate = recipe->bitRate;
    encoder->time_base = AVRational{1, m_sampleRate};
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(avcodec_open2(encoder.get(), codec, nullptr), m_path, "avcodec_open2");

    AVStream *stream = avformat_new_stream(output.get(), nullptr);
    if (!stream)
        fail(m_path, "avformat_new_stream");
    check(avcodec_parameters_from_context(stream->codecpar, encoder.get()), m_path,
          "avcodec_parameters_from_context");
    stream->time_base = encoder->time_base;
    check(avio_open(&output->pb, name.constData(), AVIO_FLAG_WRITE), m_path, "avio_open");
    AVDictionary *options = nullptr;
    check(av_dict_parse_string(&options, recipe->muxerOptions, "=", ",", 0), m_path,
          "av_dict_parse_string");
    const int headerCode = avformat_write_header(output.get(), &options);
    const DictionaryPtr unused(options);
    check(headerCode, m_path, "avformat_write_header");

    PacketPtr packet(av_packet_alloc());
    qint64 codedFrames = 0;
    const auto drain = [&] {
        while (avcodec_receive_packet(encoder.get(), packet.get()) == 0) {
            codedFrames += encoder->frame_size;
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(output.get(), packet.get()), m_path,
                  "av_interleaved_write_frame");
        }
    };
    const int block = encoder->frame_size > 0 ? encoder->frame_size : 4096;
    for (qint64 done = 0; done < frameCount; done += block) {
        FramePtr frame(av_frame_alloc());
        frame->nb_samples = int(std::min<qint64>(block, frameCount - done));
        frame->format = encoder->sample_fmt;
        frame->sample_rate = m_sampleRate;
        av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
        frame->pts = done;
        check(av_frame_get_buffer(frame.get(), 0), m_path, "av_frame_get_buffer");
        fill(frame.get(), Tones::samples(m_sampleRate, m_channels, done, frame->nb_samples),
             m_channels);
        check(avcodec_send_frame(encoder.get(), frame.get()), m_path, "avcodec_send_frame");
        drain();
    }
    check(avcodec_send_frame(encoder.get(), nullptr), m_path, "avcodec_send_frame");
    drain();
    check(av_write_trailer(output.get()), m_path, "av_write_trailer");
    const qint64 priming = encoder->initial_padding;
    output.reset();
    if (m_format == ToneFormat::M4aTaggedGapless)
        addGaplessTag(priming, codedFrames, frameCount);
}

// The iTunSMPB text: a zero, the priming, the padding and the frames played, in hexadecimal.
void LibavToneWriter::addGaplessTag(qint64 priming, qint64 codedFrames, qint64 frameCount) const
{
    char text[128] = {};
    std::snprintf(text, sizeof text,
                  " 00000000 %08llX %08llX %016llX 00000000 00000000 00000000 00000000 00000000 "
                  "00000000 00000000 00000000",
                  static_cast<unsigned long long>(priming),
                  static_cast<unsigned long long>(codedFrames - priming - frameCount),
                  static_cast<unsigned long long>(frameCount));
    const QByteArray name = QFile::encodeName(m_path);
    TagLib::MP4::File file(name.constData(), false);
    file.tag()->setItem("----:com.apple.iTunes:iTunSMPB",
                        TagLib::MP4::Item(TagLib::StringList(TagLib::String(text))));
    if (!file.save())
        throw std::runtime_error(name.toStdString() + ": the iTunSMPB tag could not be saved");
}
