#pragma once

#include "audio/core/lameencoder.h"

// The output format chosen on the writer before CreateFile.
struct OutputFormat {
    enum class Kind { None, Wav, Mp3, Ogg, Wma, Flac, M4b };

    // None (no format call made): creating a file fails with "no output format
    // selected" rather than guessing one.
    Kind kind = Kind::None;
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;  // WAV: 8, 16 or 24; FLAC: 16 or 24
    // OGG without quality mode: the average bit rate, kbit/s. The minimum and
    // maximum are not enforced in that mode: the set-up always hands 128/128 there,
    // and hard limits would pull every file to 128 kbit/s whatever rate was chosen.
    // M4B: the AAC bit rate, kbit/s.
    int bitrate = 128;
    int maxBitrate = 128;      // OGG
    int minBitrate = 128;      // OGG
    int quality = -1;          // OGG: 0 best .. 1000 fastest; -1 = average bit rate mode
    int wmaProfile = 10;       // WMA: 1..47, see wmaprofiles.h
    int compressionLevel = 5;  // FLAC: 0 fastest .. 8 smallest
    LameEncoder mp3{};         // MP3: the encoder settings at SetMp3Encoder

    // The rate the file is written at: the WMA profile's, else sampleRate.
    // Throws AudioError for a WMA profile number outside the list.
    int writtenSampleRate() const;

    static OutputFormat wav(int sampleRate, int channels, int bitsPerSample);
    static OutputFormat mp3With(const LameEncoder &encoder);
    static OutputFormat ogg(int sampleRate, int channels, int bitrate, int maxBitrate,
                            int minBitrate, int quality);
    static OutputFormat wma(int profile);
    static OutputFormat flac(int sampleRate, int channels, int bitsPerSample, int compressionLevel);
    static OutputFormat m4b(int sampleRate, int channels, int bitrate);

    // The channel count the format writes: WMA's comes with its profile.
    int outputChannels() const;
};
