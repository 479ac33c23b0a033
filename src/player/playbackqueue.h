#pragma once

#include "audio/core/samplearray.h"

#include <QMutex>
#include <QtGlobal>

#include <deque>

// The player's queue of sample arrays, consumed frame by frame by whichever
// output plays them. It keeps the books the player's events are made from:
// arrays finished, whether the queue asks for more, and the end.
// Guarded by a mutex, since a sound backend may pull from another thread.
class PlaybackQueue {
public:
    // What consumption brought since the last takeProgress().
    struct Progress {
        int finishedArrays = 0;
        bool wantsMore = false;
    };

    // Discards everything queued; frames that follow have this format.
    void reset(int sampleRate, int channels);
    void clear();
    bool hasFormat() const;
    int sampleRate() const;
    int channels() const;

    // Queues a copy of the whole frames of samples. An empty array marks the end:
    // nothing queued after it is played.
    void append(const SampleArray &samples);

    // Takes up to maxFrames frames; converted to 16-bit into out unless out is null.
    qint64 take(qint64 maxFrames, qint16 *out);

    qint64 queuedFrames() const;
    bool endReached() const;
    Progress takeProgress();

private:
    struct Block {
        SampleArray samples;
        std::size_t position = 0;
    };

    bool endReachedLocked() const;

    mutable QMutex m_mutex;
    std::deque<Block> m_blocks;
    int m_sampleRate = 0;
    int m_channels = 0;
    qint64 m_queuedFrames = 0;
    bool m_endMarked = false;
    // One request may follow each finished array, and only while the queue is low.
    int m_requestCredit = 0;
    int m_finishedSinceProgress = 0;
};
