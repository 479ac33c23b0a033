#include "player/sinkfeed.h"

#include "player/playbackqueue.h"

#include <algorithm>
#include <cstring>

SinkFeed::SinkFeed(PlaybackQueue &queue, std::function<void()> consumed, QObject *parent)
    : QIODevice(parent), m_queue(queue), m_consumed(std::move(consumed))
{}

void SinkFeed::setPaddingBytes(qint64 bytes)
{
    m_paddingBytes = bytes;
}

bool SinkFeed::paddingDone() const
{
    return m_queue.endReached() && m_paddingWritten >= m_paddingBytes;
}

void SinkFeed::announceData()
{
    emit readyRead();
}

bool SinkFeed::isSequential() const
{
    return true;
}

bool SinkFeed::atEnd() const
{
    return !isOpen() || paddingDone();
}

qint64 SinkFeed::bytesAvailable() const
{
    if (!isOpen())
        return 0;
    const qint64 frameBytes = qint64(sizeof(qint16)) * m_queue.channels();
    return m_queue.queuedFrames() * frameBytes + QIODevice::bytesAvailable();
}

qint64 SinkFeed::readData(char *data, qint64 maxSize)
{
    const qint64 frameBytes = qint64(sizeof(qint16)) * m_queue.channels();
    if (frameBytes <= 0)
        return 0;
    const qint64 frames = m_queue.take(maxSize / frameBytes, reinterpret_cast<qint16 *>(data));
    if (frames > 0) {
        m_consumed();
        return frames * frameBytes;
    }
    if (!m_queue.endReached())
        return 0;
    const qint64 padding = readPadding(data, maxSize - maxSize % frameBytes);
    m_consumed();
    return padding;
}

qint64 SinkFeed::readPadding(char *data, qint64 maxSize)
{
    const qint64 bytes = std::min(maxSize, m_paddingBytes - m_paddingWritten);
    if (bytes <= 0)
        return 0;
    std::memset(data, 0, static_cast<std::size_t>(bytes));
    m_paddingWritten += bytes;
    return bytes;
}

qint64 SinkFeed::writeData(const char *, qint64)
{
    return -1;
}
