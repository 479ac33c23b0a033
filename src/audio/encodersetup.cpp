#include "audio/encodersetup.h"

#include "audio/audioerror.h"
#include "audio/averror.h"
#include "audio/wmaprofiles.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr int kKbit = 1000;
// OGG quality 0 (best) .. 1000 (fastest) onto Vorbis quality 10 .. 0.
constexpr double kOggQualityScale = 100.0;
constexpr double kVorbisQualityMax = 10.0;

QString formatName(const OutputFormat &format)
{
    switch (format.kind) {
    case OutputFormat::Kind::Mp3:
        return QStringLiteral("MP3");
    case OutputFormat::Kind::Wav:
        return QStringLiteral("WAV");
    case OutputFormat::Kind::Ogg:
        return QStringLiteral("OGG");
    case OutputFormat::Kind::Wma:
        return QStringLiteral("WMA");
    case OutputFormat::Kind::None:
        break;
    }
    return QStringLiteral("no format");
}

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
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context)
        throw std::bad_alloc();
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

struct Choice {
    const char *codec;
    const char *muxer;
    int sampleRate;
    int channels;
};

Choice choose(const OutputFormat &format, const QString &fileName)
{
    switch (format.kind) {
    case OutputFormat::Kind::Wav:
        if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
            throw AudioError(
                QStringLiteral("%1: WAV with %2 bits per sample is not supported (8 or 16)")
                    .arg(fileName)
                    .arg(format.bitsPerSample));
        return {format.bitsPerSample == 8 ? "pcm_u8" : "pcm_s16le", "wav", format.sampleRate,
                format.channels};
    case OutputFormat::Kind::Ogg:
        return {"libvorbis", "ogg", format.sampleRate, format.channels};
    case OutputFormat::Kind::Wma: {
        const WmaProfile profile = wmaProfile(format.wmaProfile);
        return {"wmav2", "asf", profile.sampleRate, profile.channels};
    }
    case OutputFormat::Kind::Mp3:  // LameMp3Writer's
    case OutputFormat::Kind::None:
        break;
    }
    throw AudioError(QStringLiteral("%1: no output format selected").arg(fileName));
}

}  // namespace

EncoderSetup openEncoder(const OutputFormat &format, const QString &fileName)
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
        setup.muxerOption = "rf64";
        setup.muxerOptionValue = "auto";
        setup.noMuxerMetadata = true;
        break;
    case OutputFormat::Kind::Mp3:
    case OutputFormat::Kind::None:
        break;
    }
    const int result = avcodec_open2(context, codec, nullptr);
    if (result < 0)
        throw AudioError(QStringLiteral("%1: the %2 encoder refuses %3 Hz, %4 channels: %5")
                             .arg(fileName, formatName(format))
                             .arg(choice.sampleRate)
                             .arg(choice.channels)
                             .arg(avErrorText(result)));
    return setup;
}
