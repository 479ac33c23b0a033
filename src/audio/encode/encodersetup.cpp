#include "audio/encode/encodersetup.h"

#include "audio/core/audioerror.h"
#include "audio/core/averror.h"
#include "audio/core/outputformats.h"
#include "audio/core/wmaprofiles.h"
#include "audio/tags/mp4tagroom.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kKbit = 1000;
// OGG quality 0 (best) .. 1000 (fastest) onto Vorbis quality 10 .. 0.
constexpr double kOggQualityScale = 100.0;
constexpr double kVorbisQualityMax = 10.0;
// Beyond 8, FFmpeg's FLAC levels leave the streamable subset that hardware
// players are built for.
constexpr int kFlacLevelMax = 8;
// What audiobook players look for first; the ipod muxer adds isom and iso2.
constexpr char kM4bBrand[] = "M4B ";

const AVCodec *findEncoder(const char *name, const QString &fileName)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(name);
    if (!codec)
        throw AudioError(QStringLiteral("%1: the %2 encoder is not available")
                             .arg(fileName, QString::fromLatin1(name)));
    return codec;
}

// Planar float is what Vorbis and wmav2 take without another conversion;
// the PCM encoders name their one format.
AVSampleFormat preferredSampleFormat(const AVCodec *codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat *format = codec->sample_fmts; *format != AV_SAMPLE_FMT_NONE;
         ++format) {
        if (*format == AV_SAMPLE_FMT_FLTP)
            return *format;
    }
    return codec->sample_fmts[0];
}

CodecContextPtr allocateContext(const AVCodec *codec, int sampleRate, int channels,
                                const QString &fileName)
{
    if (sampleRate <= 0 || channels < 1 || channels > 2)
        throw AudioError(QStringLiteral("%1: cannot write %2 Hz with %3 channels")
                             .arg(fileName)
                             .arg(sampleRate)
                             .arg(channels));
    CodecContextPtr context(
        checkAllocated(avcodec_alloc_context3(codec), "avcodec_alloc_context3", fileName));
    context->sample_rate = sampleRate;
    av_channel_layout_default(&context->ch_layout, channels);
    context->sample_fmt = preferredSampleFormat(codec);
    context->time_base = AVRational{1, sampleRate};
    return context;
}

void configureOgg(AVCodecContext *context, const OutputFormat &format)
{
    if (format.quality != -1) {
        const double vorbisQuality = std::clamp(
            kVorbisQualityMax - format.quality / kOggQualityScale, 0.0, kVorbisQualityMax);
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = static_cast<int>(std::lround(vorbisQuality * FF_QP2LAMBDA));
        return;
    }
    // Average bit rate without hard limits (see OutputFormat).
    context->bit_rate = static_cast<int64_t>(format.bitrate) * kKbit;
}

void put(DictionaryPtr &dictionary, const char *key, const QByteArray &value,
         const QString &fileName)
{
    AVDictionary *entries = dictionary.release();
    const int result = av_dict_set(&entries, key, value.constData(), 0);
    dictionary.reset(entries);
    avCheck(result, "av_dict_set", fileName);
}

// Lossless at the chosen depth: 24 bits travel in 32-bit samples, and FLAC and
// WAV both keep their top 24 bits, so the two hold the same values.
void configureFlac(AVCodecContext *context, const OutputFormat &format, const QString &fileName)
{
    if (format.compressionLevel < 0 || format.compressionLevel > kFlacLevelMax)
        throw AudioError(QStringLiteral("%1: FLAC compression level %2 is not supported (0 to %3)")
                             .arg(fileName)
                             .arg(format.compressionLevel)
                             .arg(kFlacLevelMax));
    context->compression_level = format.compressionLevel;
    if (format.bitsPerSample == 24) {
        context->sample_fmt = AV_SAMPLE_FMT_S32;
        context->bits_per_raw_sample = 24;
    } else {
        context->sample_fmt = AV_SAMPLE_FMT_S16;
    }
}

// AAC-LC in an MP4 file for audiobook players. The edit list counts in the
// sample rate so that it can state the exact length; the index goes in front
// so that the file streams.
void configureM4b(EncoderSetup &setup, const OutputFormat &format, const QString &fileName,
                  int extraTagRoom)
{
    setup.codec->bit_rate = static_cast<int64_t>(format.bitrate) * kKbit;
    setup.codec->profile = FF_PROFILE_AAC_LOW;
    put(setup.muxerOptions, "brand", kM4bBrand, fileName);
    put(setup.muxerOptions, "movie_timescale", QByteArray::number(format.sampleRate), fileName);
    put(setup.muxerOptions, "movflags", "+faststart", fileName);
    const Mp4TagRoomPlaceholder placeholder = mp4TagRoomPlaceholder(extraTagRoom);
    put(setup.muxerMetadata, placeholder.key, placeholder.value, fileName);
    setup.mp4TagRoom = true;
}

struct Choice {
    const char *codec;
    const char *muxer;
    int sampleRate;
    int channels;
};

const char *wavCodec(const OutputFormat &format, const QString &fileName)
{
    switch (format.bitsPerSample) {
    case 8:
        return "pcm_u8";
    case 16:
        return "pcm_s16le";
    case 24:
        return "pcm_s24le";
    default:
        throw AudioError(
            QStringLiteral("%1: WAV with %2 bits per sample is not supported (8, 16 or 24)")
                .arg(fileName)
                .arg(format.bitsPerSample));
    }
}

Choice choose(const OutputFormat &format, const QString &fileName)
{
    // MP3 is LameMp3Writer's.
    if (format.kind == OutputFormat::Kind::None || format.kind == OutputFormat::Kind::Mp3)
        throw AudioError(QStringLiteral("%1: no output format selected").arg(fileName));
    const OutputFormatInfo &info = outputFormatInfo(format.kind);
    Choice choice{info.codec, info.muxer, format.sampleRate, format.channels};
    switch (format.kind) {
    case OutputFormat::Kind::Wav:
        choice.codec = wavCodec(format, fileName);
        break;
    case OutputFormat::Kind::Wma: {
        const WmaProfile profile = wmaProfile(format.wmaProfile);
        // Anything else would be a different format from the one chosen.
        if (!wmaProfileWritable(format.wmaProfile))
            throw AudioError(
                QStringLiteral("%1: WMA profile %2 cannot be written as named (the WMA encoder "
                               "writes only constant bit rates of 24 Kbps or more)")
                    .arg(fileName)
                    .arg(format.wmaProfile));
        choice.sampleRate = profile.sampleRate;
        choice.channels = profile.channels;
        break;
    }
    case OutputFormat::Kind::Flac:
        if (format.bitsPerSample != 16 && format.bitsPerSample != 24)
            throw AudioError(
                QStringLiteral("%1: FLAC with %2 bits per sample is not supported (16 or 24)")
                    .arg(fileName)
                    .arg(format.bitsPerSample));
        break;
    case OutputFormat::Kind::Ogg:
    case OutputFormat::Kind::M4b:
    case OutputFormat::Kind::Mp3:
    case OutputFormat::Kind::None:
        break;
    }
    return choice;
}

}  // namespace

EncoderSetup openEncoder(const OutputFormat &format, const QString &fileName, int frameSize,
                         int extraTagRoom)
{
    const Choice choice = choose(format, fileName);
    const AVCodec *codec = findEncoder(choice.codec, fileName);
    EncoderSetup setup;
    setup.codec = allocateContext(codec, choice.sampleRate, choice.channels, fileName);
    setup.muxer = choice.muxer;
    AVCodecContext *context = setup.codec.get();
    switch (format.kind) {
    case OutputFormat::Kind::Ogg:
        configureOgg(context, format);
        break;
    case OutputFormat::Kind::Wma:
        context->bit_rate = static_cast<int64_t>(wmaProfile(format.wmaProfile).bitrate) * kKbit;
        setup.primeWithSilence = true;
        break;
    case OutputFormat::Kind::Wav:
        // Past 4 GiB a plain RIFF header overflows; switch to RF64 only then.
        put(setup.muxerOptions, "rf64", "auto", fileName);
        setup.noMuxerMetadata = true;
        break;
    case OutputFormat::Kind::Flac:
        configureFlac(context, format, fileName);
        break;
    case OutputFormat::Kind::M4b:
        configureM4b(setup, format, fileName, extraTagRoom);
        break;
    case OutputFormat::Kind::Mp3:
    case OutputFormat::Kind::None:
        break;
    }
    if (frameSize > 0)
        context->frame_size = frameSize;
    const int64_t askedBitRate = context->bit_rate;
    const int result = avcodec_open2(context, codec, nullptr);
    if (result < 0)
        throw AudioError(QStringLiteral("%1: the %2 encoder refuses %3 Hz, %4 channels: %5")
                             .arg(fileName, outputFormatInfo(format.kind).caption)
                             .arg(choice.sampleRate)
                             .arg(choice.channels)
                             .arg(avErrorText(result)));
    setup.bitRateKept = context->bit_rate == askedBitRate;
    return setup;
}
