#pragma once

// Test inputs made with the program's own writer (AudioFile): a sine tone in
// any output format, at the rate and channel count asked for.
//
//   const QString mp3 = Tones::write(dir.filePath("a.mp3"), ToneFormat::Mp3, 22050, 1, 2.0);
//   const qint64 frames = Tones::frameCount(22050, 2.0);  // frames written: 44100
//
// MP3 goes through the LameEncoder settings (CBR, 64 kbit/s for rates below
// 32 kHz, else 128), OGG in quality mode, WMA with the first profile of that
// rate and channel count (throws std::invalid_argument when there is none).
// Left channel 440 Hz, right channel 660 Hz, at half of full scale.

#include "audio/samplearray.h"

#include <QString>
#include <QtGlobal>

enum class ToneFormat { Wav16, Wav8, Mp3, Ogg, Wma, Flac, M4b };

namespace Tones {

// Frames a tone of that length holds: seconds × rate, rounded.
qint64 frameCount(int sampleRate, double seconds);

// frameCount frames of the tone, starting at frame firstFrame of it.
SampleArray samples(int sampleRate, int channels, qint64 firstFrame, qint64 frameCount);

// Writes the tone to path and returns path. Throws AudioError as the writer does.
QString write(const QString &path, ToneFormat format, int sampleRate, int channels, double seconds);

}  // namespace Tones
