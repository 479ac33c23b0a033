#include "audio/core/outputformat.h"

#include "audio/core/wmaprofiles.h"

OutputFormat OutputFormat::wav(int sampleRate, int channels, int bitsPerSample)
{
    return {.kind = Kind::Wav,
            .sampleRate = sampleRate,
            .channels = channels,
            .bitsPerSample = bitsPerSample};
}

OutputFormat OutputFormat::mp3With(const LameEncoder &encoder)
{
    return {.kind = Kind::Mp3,
            .sampleRate = encoder.sampleRate(),
            .channels = encoder.channels(),
            .bitrate = encoder.bitrate(),
            .mp3 = encoder};
}

OutputFormat OutputFormat::ogg(int sampleRate, int channels, int bitrate, int maxBitrate,
                               int minBitrate, int quality)
{
    return {.kind = Kind::Ogg,
            .sampleRate = sampleRate,
            .channels = channels,
            .bitrate = bitrate,
            .maxBitrate = maxBitrate,
            .minBitrate = minBitrate,
            .quality = quality};
}

OutputFormat OutputFormat::wma(int profile)
{
    return {.kind = Kind::Wma, .wmaProfile = profile};
}

OutputFormat OutputFormat::flac(int sampleRate, int channels, int bitsPerSample,
                                int compressionLevel)
{
    return {.kind = Kind::Flac,
            .sampleRate = sampleRate,
            .channels = channels,
            .bitsPerSample = bitsPerSample,
            .compressionLevel = compressionLevel};
}

OutputFormat OutputFormat::m4b(int sampleRate, int channels, int bitrate)
{
    return {.kind = Kind::M4b, .sampleRate = sampleRate, .channels = channels, .bitrate = bitrate};
}

int OutputFormat::writtenSampleRate() const
{
    return kind == Kind::Wma ? ::wmaProfile(wmaProfile).sampleRate : sampleRate;
}

int OutputFormat::outputChannels() const
{
    return kind == Kind::Wma ? ::wmaProfile(wmaProfile).channels : channels;
}
