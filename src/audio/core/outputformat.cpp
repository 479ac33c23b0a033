#include "audio/core/outputformat.h"

#include "audio/core/wmaprofiles.h"

OutputFormat OutputFormat::wav(int sampleRate, int channels, int bitsPerSample)
{
    OutputFormat format;
    format.kind = Kind::Wav;
    format.sampleRate = sampleRate;
    format.channels = channels;
    format.bitsPerSample = bitsPerSample;
    return format;
}

OutputFormat OutputFormat::mp3With(const LameEncoder &encoder)
{
    OutputFormat format;
    format.kind = Kind::Mp3;
    format.sampleRate = encoder.sampleRate();
    format.channels = encoder.channels();
    format.bitrate = encoder.bitrate();
    format.mp3 = encoder;
    return format;
}

OutputFormat OutputFormat::ogg(int sampleRate, int channels, int bitrate, int maxBitrate,
                               int minBitrate, int quality)
{
    OutputFormat format;
    format.kind = Kind::Ogg;
    format.sampleRate = sampleRate;
    format.channels = channels;
    format.bitrate = bitrate;
    format.maxBitrate = maxBitrate;
    format.minBitrate = minBitrate;
    format.quality = quality;
    return format;
}

OutputFormat OutputFormat::wma(int profile)
{
    OutputFormat format;
    format.kind = Kind::Wma;
    format.wmaProfile = profile;
    return format;
}

OutputFormat OutputFormat::flac(int sampleRate, int channels, int bitsPerSample,
                                int compressionLevel)
{
    OutputFormat format;
    format.kind = Kind::Flac;
    format.sampleRate = sampleRate;
    format.channels = channels;
    format.bitsPerSample = bitsPerSample;
    format.compressionLevel = compressionLevel;
    return format;
}

OutputFormat OutputFormat::m4b(int sampleRate, int channels, int bitrate)
{
    OutputFormat format;
    format.kind = Kind::M4b;
    format.sampleRate = sampleRate;
    format.channels = channels;
    format.bitrate = bitrate;
    return format;
}

int OutputFormat::writtenSampleRate() const
{
    return kind == Kind::Wma ? ::wmaProfile(wmaProfile).sampleRate : sampleRate;
}

int OutputFormat::outputChannels() const
{
    return kind == Kind::Wma ? ::wmaProfile(wmaProfile).channels : channels;
}
