#pragma once

// Writes the test tone (Tones::samples) straight through libav in the formats
// the program reads but does not write itself. Used by Tones::write.

#include "support/tones.h"

#include <QString>
#include <QtGlobal>

class LibavToneWriter {
public:
    static bool writes(ToneFormat format);

    LibavToneWriter(const QString &path, ToneFormat format, int sampleRate, int channels);
    // Writes frameCount frames of the tone; throws std::runtime_error on failure.
    void write(qint64 frameCount);

private:
    void addGaplessTag(qint64 priming, qint64 codedFrames, qint64 frameCount) const;

    QString m_path;
    ToneFormat m_format;
    int m_sampleRate;
    int m_channels;
};
