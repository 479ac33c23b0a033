#pragma once

// Writes PCM WAV files byte by byte, so the reader can be tested on every
// sample format, on extensible headers and on headers that lie, without any
// encoder in between.

#include "audio/core/samplearray.h"

#include <QString>
#include <QtGlobal>

#include <optional>

enum class PcmFormat { U8, S16, S24, S32, F32, F64 };

struct PcmWav {
    int sampleRate = 44100;
    int channels = 2;
    PcmFormat format = PcmFormat::S16;
    // WAVE_FORMAT_EXTENSIBLE header instead of the plain one.
    bool extensible = false;
    // Data size written in the header instead of the true one.
    std::optional<quint32> claimedDataBytes;
};

// Writes frameCount frames of a two-tone test signal and returns the
// interleaved float values a reader must return for them.
SampleArray writePcmWav(const QString &path, const PcmWav &wav, qint64 frameCount);

// Bytes one sample of the format takes.
int bytesPerSample(PcmFormat format);
