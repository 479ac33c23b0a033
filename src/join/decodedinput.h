#pragma once

#include "audio/core/samplearray.h"
#include "audio/decode/audiodecoder.h"
#include "audio/encode/outputrateconverter.h"

#include <QString>
#include <QtGlobal>

// An input a copy join encodes rather than copies: decoded block by block,
// given its loudness gain and brought to the output's rate and channel count.
class DecodedInput {
public:
    // Throws AudioError naming the input when it cannot be read or converted.
    DecodedInput(const QString &input, float gain, int rate, int channels);

    // Its length at the output's rate, as the conversion gives it in all.
    qint64 frames() const { return m_frames; }
    // The next block, converted, into block: the input's frames it took, or 0
    // at the end, where block holds what the conversion still held. Throws
    // AudioError when the input ends before the length it was opened with.
    qint64 read(SampleArray &block);

private:
    QString m_input;
    float m_gain;
    AudioDecoder m_decoder;
    OutputRateConverter m_converter;
    qint64 m_frames;
    qint64 m_left;
    SampleArray m_decoded;
};
