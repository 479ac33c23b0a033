#pragma once

#include "audio/lameencoder.h"

// The output format chosen on the writer before CreateFile.
struct OutputFormat {
    enum class Kind { None, Wav, Mp3, Ogg, Wma };

    Kind kind = Kind::None;
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;  // WAV
    int bitrate = 128;       // OGG managed mode, kbit/s
    int maxBitrate = 128;    // OGG
    int minBitrate = 128;    // OGG
    int quality = -1;        // OGG: 0 best .. 1000 fastest; -1 = managed bit rate
    int wmaProfile = 10;     // WMA: 1..47
    LameEncoder mp3;         // MP3: the encoder settings at SetMp3Encoder
};
