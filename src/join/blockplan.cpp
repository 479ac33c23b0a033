#include "join/blockplan.h"

#include <algorithm>

namespace {
// Seconds of audio per channel in one block: 8 s for stereo, 4 s for mono.
constexpr int kBlockSeconds = 4;
}  // namespace

BlockPlan::BlockPlan(int sampleRate, int channels, qint64 sampleCount)
    : m_sampleCount(sampleCount), m_blockSize(qint64(channels) * sampleRate * kBlockSeconds)
{}

int BlockPlan::nextSize()
{
    m_blockSize = std::min(m_blockSize, m_sampleCount - m_position);
    return static_cast<int>(m_blockSize);
}

void BlockPlan::advance(qint64 frames)
{
    m_position = std::min(m_position + frames, m_sampleCount);
}
