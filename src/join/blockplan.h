#pragma once

#include <QtGlobal>

// The blocks one input is joined in: 4 × channels seconds of audio each (8 s
// for stereo, 4 s for mono), the last one cut to what remains. The decoder
// that reads ahead and the join that writes follow the same plan, so that both
// see the same blocks.
class BlockPlan {
public:
    BlockPlan(int sampleRate, int channels, qint64 sampleCount);

    // Whether frames of the input are still to come.
    bool more() const { return m_sampleCount > m_position; }
    // The next block's length in frames; once cut to what remains it never grows again.
    int nextSize();
    // A block of that many frames was read: the position moves on, never past the length.
    void advance(qint64 frames);

private:
    qint64 m_sampleCount;
    qint64 m_position = 0;
    qint64 m_blockSize;
};
