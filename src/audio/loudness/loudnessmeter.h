#pragma once

#include "audio/core/samplearray.h"

#include <QString>
#include <QtGlobal>

#include <limits>
#include <memory>

// An input's loudness as EBU R 128 measures it.
struct Loudness {
    // Integrated loudness in LUFS; minus infinity when no 400 ms block rose
    // above the absolute gate (silence, or less than 400 ms of audio).
    double integrated = -std::numeric_limits<double>::infinity();
    // The highest true peak of all channels in dBTP; minus infinity for digital silence.
    double truePeak = -std::numeric_limits<double>::infinity();
    // How many frames were measured.
    qint64 frames = 0;
};

// Measures one input's integrated loudness and true peak (libebur128) from its
// decoded blocks, given in order, as an output of outputChannels will hold it:
// mixed to that count the way the writer mixes (ChannelMix). Meters may work
// on several threads at once, one meter per thread.
class LoudnessMeter {
public:
    // Throws AudioError, naming fileName, when that audio cannot be measured.
    LoudnessMeter(const QString &fileName, int sampleRate, int channels, int outputChannels);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter &) = delete;
    LoudnessMeter &operator=(const LoudnessMeter &) = delete;

    // The next block: interleaved frames of the channel count given.
    void add(const SampleArray &block);
    // What was added so far.
    Loudness result() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
