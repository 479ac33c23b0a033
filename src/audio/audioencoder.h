#pragma once

#include "audio/outputformat.h"
#include "audio/samplearray.h"

#include <QString>

#include <memory>

// Encodes frames into one output file. The file is written beside the target
// under a temporary name and only renamed over the target by finish(), so an
// existing target survives anything that happens before.
class AudioEncoder {
public:
    // Creates the temporary file; throws AudioError when it cannot.
    AudioEncoder(const QString &targetFileName, const OutputFormat &format);
    // Without finish(): the temporary file is removed and the target untouched.
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder &) = delete;
    AudioEncoder &operator=(const AudioEncoder &) = delete;

    // Format of the frames that follow; a change flushes what the resampler holds.
    void setInputFormat(int sampleRate, int channels);
    void write(const SampleArray &samples);
    // Flushes, completes the file and renames it over the target.
    void finish();

    // Whether frames of that rate and channel count can be written at all.
    static bool inputFormatSupported(int sampleRate, int channels);

    // What the encoders really accept (they never fail; they change what they cannot do).
    static bool mp3FormatSupported(int sampleRate, int bitrate, int channels);
    static bool oggFormatSupported(int sampleRate, int channels, int bitrate, int maxBitrate,
                                   int minBitrate);

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
