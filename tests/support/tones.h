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
//
// The formats the program reads but does not write go straight through libav
// (tests/support/libavtonewriter.cpp): FLAC, FLAC in OGG, Opus in OGG (48 kHz
// or another Opus rate), AAC in M4A with an edit list, AAC in M4A without one
// but with an iTunSMPB tag, ADTS AAC, and 16-bit AIFF.

#include "audio/core/samplearray.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <utility>

class AudioFile;

enum class ToneFormat {
    Wav16,
    Wav8,
    Mp3,
    Ogg,
    Wma,
    Flac,
    OggFlac,
    Opus,
    M4a,
    M4aTaggedGapless,
    Adts,
    Aiff,
    M4b
};

namespace Tones {

// Frames a tone of that length holds: seconds × rate, rounded.
qint64 frameCount(int sampleRate, double seconds);

// frameCount frames of the tone, starting at frame firstFrame of it.
SampleArray samples(int sampleRate, int channels, qint64 firstFrame, qint64 frameCount);

// Writes the tone to path and returns path. Throws AudioError as the writer does.
QString write(const QString &path, ToneFormat format, int sampleRate, int channels, double seconds);

// Sets the title tag of a tone file through TagLib (the format from the file
// name's extension), the way another program would have tagged it.
void setTitle(const QString &path, const QString &title);
// Sets tags by TagLib's format-independent names (ALBUMARTIST, COMPOSER, ...),
// each format's own field as TagLib maps it. Not for ADTS.
void setProperties(const QString &path, const QList<std::pair<QString, QString>> &properties);

// Calls made on the writer just before CreateFile and just before CloseFile.
struct Hooks {
    std::function<void(AudioFile &)> beforeCreate;
    std::function<void(AudioFile &)> beforeClose;
    double silentSeconds = 0;  // the tone is silent until then
};
QString write(const QString &path, ToneFormat format, int sampleRate, int channels, double seconds,
              const Hooks &hooks);

}  // namespace Tones
