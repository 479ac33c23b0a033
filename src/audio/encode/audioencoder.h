#pragma once

#include "audio/core/chapter.h"
#include "audio/core/outputformat.h"
#include "audio/core/samplearray.h"

#include <QString>

#include <functional>
#include <memory>

// Encodes frames into one output file (an OutputFile): it has no name in the
// folder until finish() gives it the target's, so an existing target survives
// anything that happens before, a killed process included.
struct CoverPicture;

class AudioEncoder {
public:
    // Creates the file being written; throws AudioError when it cannot.
    // Chapters planned now get room in a header that must hold them (MP3);
    // a cover is held in it from the start (MP3) or gets room (M4B).
    AudioEncoder(const QString &targetFileName, const OutputFormat &format,
                 const ChapterList &plannedChapters = {}, const CoverPicture *cover = nullptr);
    // Without finish(): nothing is left of the new file and the target is untouched.
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder &) = delete;
    AudioEncoder &operator=(const AudioEncoder &) = delete;

    // Format of the frames that follow; a change flushes what the resampler holds.
    void setInputFormat(int sampleRate, int channels);
    void write(const SampleArray &samples);
    // The chapters finish() stores (see ChapterWriter); the last list given counts.
    void setChapters(const ChapterList &chapters);
    // Work done on the complete file before it takes the target's name (its
    // tags), given the path by which this process reaches it: whatever fails
    // there leaves the target as it was.
    using FinishingStep = std::function<void(const QString &path)>;
    // Flushes, completes the file, stores the chapters, runs lastStep and gives
    // the file the target's name.
    void finish(const FinishingStep &lastStep = {});

    int outputSampleRate() const;

    // Whether frames of that rate and channel count can be written at all.
    static bool inputFormatSupported(int sampleRate, int channels);

    // What the encoders really accept (they never fail; they change what they cannot do).
    static bool mp3FormatSupported(int sampleRate, int bitrate, int channels);
    static bool oggFormatSupported(int sampleRate, int channels, int bitrate, int maxBitrate,
                                   int minBitrate);
    static bool flacFormatSupported(int sampleRate, int channels, int bitsPerSample,
                                    int compressionLevel);
    static bool m4bFormatSupported(int sampleRate, int channels, int bitrate);

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
