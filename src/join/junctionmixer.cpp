#include "join/junctionmixer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

JunctionMixer::JunctionMixer(Sink sink, int channels, qint64 pauseFrames, qint64 crossfadeFrames)
    : m_sink(std::move(sink)),
      m_channels(channels),
      m_pause(crossfadeFrames > 0 ? 0 : std::max<qint64>(pauseFrames, 0)),
      m_crossfade(std::max<qint64>(crossfadeFrames, 0))
{}

qint64 JunctionMixer::framesFor(int milliseconds, int rate)
{
    return (qint64(milliseconds) * rate * 2 + 1000) / 2000;
}

qint64 JunctionMixer::rowStarts(qint64 frames, bool lastRow)
{
    rowEnds();
    const qint64 held = heldFrames();
    m_overlap = m_started ? std::min({m_crossfade, held, frames}) : 0;
    m_heldStart = held - m_overlap;
    writeOut(m_held.data(), m_heldStart);
    if (m_started && m_pause > 0) {
        m_scratch.assign(std::size_t(m_pause * m_channels), 0.0f);
        writeOut(m_scratch.data(), m_pause);
    }
    m_rowFrames = frames;
    m_rowPosition = 0;
    m_keep = lastRow ? 0 : std::min(m_crossfade, frames);
    m_next.clear();
    m_started = true;
    m_inRow = true;
    // An input shorter than the crossfade lies wholly in the overlap with the
    // next one: that one then starts where the short one's audio ends, so
    // that the short one keeps a chapter of its own.
    qint64 start = m_written + m_overlap / 2;
    if (start <= m_lastStart)
        start = m_written + m_overlap;
    m_lastStart = start;
    return start;
}

void JunctionMixer::write(const SampleArray &block)
{
    const qint64 count = std::min(qint64(block.size()) / m_channels, m_rowFrames - m_rowPosition);
    const auto channels = std::size_t(m_channels);
    qint64 done = 0;
    while (done < count) {
        const qint64 position = m_rowPosition + done;
        if (position >= m_overlap) {
            route(block.data() + std::size_t(done) * channels, position, count - done);
            break;
        }
        const qint64 mixed = std::min(count - done, m_overlap - position);
        m_scratch.resize(std::size_t(mixed) * channels);
        for (qint64 frame = 0; frame < mixed; ++frame) {
            // Centred in its frame, so that the fade is the same read backwards.
            const double t = (double(position + frame) + 0.5) / double(m_overlap);
            const auto out = float(std::cos(std::numbers::pi * t / 2));
            const auto in = float(std::sin(std::numbers::pi * t / 2));
            const std::size_t held = std::size_t(m_heldStart + position + frame) * channels;
            const std::size_t next = std::size_t(done + frame) * channels;
            for (std::size_t channel = 0; channel < channels; ++channel)
                m_scratch[std::size_t(frame) * channels + channel] =
                    m_held[held + channel] * out + block[next + channel] * in;
        }
        route(m_scratch.data(), position, mixed);
        done += mixed;
    }
    m_rowPosition += count;
}

void JunctionMixer::route(const float *frames, qint64 position, qint64 count)
{
    // The input's last m_keep frames wait for the next input.
    const qint64 direct = std::clamp(m_rowFrames - m_keep - position, qint64(0), count);
    writeOut(frames, direct);
    m_next.insert(m_next.end(), frames + direct * m_channels, frames + count * m_channels);
}

void JunctionMixer::writeOut(const float *frames, qint64 count)
{
    if (count <= 0)
        return;
    // Copied out first: the writer takes whole arrays, and frames may lie in m_scratch.
    m_out.assign(frames, frames + count * m_channels);
    m_sink(m_out);
    m_written += count;
}

void JunctionMixer::skip(qint64 frames)
{
    if (m_rowPosition < plainStart() || m_rowPosition + frames > plainEnd())
        throw std::logic_error("JunctionMixer::skip: frames outside the plain span");
    m_rowPosition += frames;
    m_written += frames;
}

void JunctionMixer::rowEnds()
{
    if (!m_inRow)
        return;
    // An input that ended early still lets the one before fade out in full.
    if (m_rowPosition < m_overlap)
        write(SampleArray(std::size_t((m_overlap - m_rowPosition) * m_channels), 0.0f));
    m_held.swap(m_next);
    m_next.clear();
    m_heldStart = 0;
    m_overlap = 0;
    m_inRow = false;
}

qint64 JunctionMixer::finish()
{
    rowEnds();
    writeOut(m_held.data(), heldFrames());
    m_held.clear();
    return m_written;
}
