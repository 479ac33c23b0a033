#include "player/playbackqueue.h"

#include <QMutexLocker>

#include <algorithm>
#include <cmath>

namespace {

// Below this much queued audio the queue asks for another array.
constexpr double kLowWaterSeconds = 0.2;
constexpr int kMaxRequestCredit = 1;
constexpr float kInt16Scale = 32767.0f;

qint16 toInt16(float sample)
{
    const float clamped = std::clamp(sample, -1.0f, 1.0f);
    return static_cast<qint16>(std::lround(clamped * kInt16Scale));
}

}  // namespace

void PlaybackQueue::reset(int sampleRate, int channels)
{
    QMutexLocker lock(&m_mutex);
    m_blocks.clear();
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_queuedFrames = 0;
    m_endMarked = false;
    m_requestCredit = 0;
    m_finishedSinceProgress = 0;
}

void PlaybackQueue::clear()
{
    reset(0, 0);
}

bool PlaybackQueue::hasFormat() const
{
    QMutexLocker lock(&m_mutex);
    return m_channels > 0;
}

int PlaybackQueue::sampleRate() const
{
    QMutexLocker lock(&m_mutex);
    return m_sampleRate;
}

int PlaybackQueue::channels() const
{
    QMutexLocker lock(&m_mutex);
    return m_channels;
}

void PlaybackQueue::append(const SampleArray &samples)
{
    QMutexLocker lock(&m_mutex);
    if (m_channels <= 0 || m_endMarked)
        return;
    if (samples.empty()) {
        m_endMarked = true;
        return;
    }
    const std::size_t wholeFrames = samples.size() / static_cast<std::size_t>(m_channels);
    if (wholeFrames == 0)
        return;
    Block block;
    block.samples.assign(samples.begin(), samples.begin() + wholeFrames * m_channels);
    m_blocks.push_back(std::move(block));
    m_queuedFrames += static_cast<qint64>(wholeFrames);
}

qint64 PlaybackQueue::take(qint64 maxFrames, qint16 *out)
{
    QMutexLocker lock(&m_mutex);
    qint64 taken = 0;
    while (taken < maxFrames && !m_blocks.empty()) {
        Block &block = m_blocks.front();
        const auto channels = static_cast<std::size_t>(m_channels);
        const std::size_t available = (block.samples.size() - block.position) / channels;
        const auto count = static_cast<std::size_t>(
            std::min<qint64>(maxFrames - taken, static_cast<qint64>(available)));
        if (out) {
            const float *from = block.samples.data() + block.position;
            qint16 *to = out + taken * m_channels;
            for (std::size_t i = 0; i < count * channels; ++i)
                to[i] = toInt16(from[i]);
        }
        block.position += count * channels;
        taken += static_cast<qint64>(count);
        if (block.position == block.samples.size()) {
            m_blocks.pop_front();
            ++m_finishedSinceProgress;
        }
    }
    m_queuedFrames -= taken;
    return taken;
}

qint64 PlaybackQueue::queuedFrames() const
{
    QMutexLocker lock(&m_mutex);
    return m_queuedFrames;
}

bool PlaybackQueue::endReached() const
{
    QMutexLocker lock(&m_mutex);
    return endReachedLocked();
}

bool PlaybackQueue::endReachedLocked() const
{
    return m_endMarked && m_blocks.empty();
}

PlaybackQueue::Progress PlaybackQueue::takeProgress()
{
    QMutexLocker lock(&m_mutex);
    Progress progress;
    progress.finishedArrays = m_finishedSinceProgress;
    m_requestCredit = std::min(m_requestCredit + m_finishedSinceProgress, kMaxRequestCredit);
    m_finishedSinceProgress = 0;

    const auto lowWater = static_cast<qint64>(kLowWaterSeconds * m_sampleRate);
    if (!m_endMarked && m_queuedFrames < lowWater && m_requestCredit > 0) {
        --m_requestCredit;
        progress.wantsMore = true;
    }
    return progress;
}
