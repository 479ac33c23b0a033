#include "join/decodedinput.h"

#include "audio/core/audioerror.h"
#include "join/joinrun.h"

#include <algorithm>

namespace {

constexpr qint64 kBlockFrames = 65536;

}  // namespace

DecodedInput::DecodedInput(const QString &input, float gain, int rate, int channels)
    : m_input(input),
      m_gain(gain),
      m_decoder(input),
      m_converter(input, m_decoder.sampleRate(), m_decoder.channels(), rate, channels),
      m_frames(m_converter.framesFor(m_decoder.sampleCount())),
      m_left(m_decoder.sampleCount())
{}

qint64 DecodedInput::read(SampleArray &block)
{
    if (m_left == 0) {
        m_converter.finish(block);
        return 0;
    }
    m_decoder.read(int(std::min(kBlockFrames, m_left)), m_decoded);
    const qint64 read = qint64(m_decoded.size()) / m_decoder.channels();
    if (read == 0)
        throw AudioError(JoinRun::endedEarly(m_input));
    if (m_gain != 1.0F)
        for (float &sample : m_decoded)
            sample *= m_gain;
    m_converter.convert(m_decoded, block);
    m_left -= read;
    return read;
}
