#include "audio/copy/flacmd5worker.h"

#include "audio/core/audioerror.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

// Items waiting at most: the writer runs ahead by this many frames, no more.
constexpr std::size_t kMaxItems = 64;

}  // namespace

FlacMd5Worker::FlacMd5Worker(const FlacStreamFormat &format)
    : m_bitsPerSample(format.bitsPerSample), m_decoder(format), m_thread([this] { work(); })
{}

FlacMd5Worker::~FlacMd5Worker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_items.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void FlacMd5Worker::addFrame(QByteArray frame, const QString &input, qint64 at)
{
    // The decoder reads a little past the end of what it is given.
    frame.append(AV_INPUT_BUFFER_PADDING_SIZE, char(0));
    add({std::move(frame), true, input, at});
}

void FlacMd5Worker::addSamples(QByteArray samples)
{
    add({std::move(samples), false, {}, 0});
}

void FlacMd5Worker::add(Item item)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_items.size() < kMaxItems || !m_failure.isEmpty(); });
    if (!m_failure.isEmpty())
        throw AudioError(m_failure);
    m_items.push_back(std::move(item));
    lock.unlock();
    m_changed.notify_all();
}

QByteArray FlacMd5Worker::result()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (!m_failure.isEmpty())
        throw AudioError(m_failure);
    return m_md5.result();
}

void FlacMd5Worker::work()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_items.empty() || m_ended; });
        if (m_items.empty())
            return;
        const Item item = std::move(m_items.front());
        m_items.pop_front();
        lock.unlock();
        m_changed.notify_all();
        try {
            hash(item);
        } catch (const AudioError &error) {
            const std::lock_guard failed(m_mutex);
            m_failure = QString::fromUtf8(error.what());
            m_items.clear();
            m_changed.notify_all();
            return;
        }
    }
}

void FlacMd5Worker::hash(const Item &item)
{
    if (!item.frame) {
        m_md5.addData(item.bytes);
        return;
    }
    const auto *data = reinterpret_cast<const quint8 *>(item.bytes.constData());
    const qint64 size = item.bytes.size() - AV_INPUT_BUFFER_PADDING_SIZE;
    const AVFrame *frame = m_decoder.decode(data, size, item.input, item.at);
    if (m_decoder.givesMd5Bytes(frame)) {
        m_md5.addData(QByteArrayView(frame->data[0], qsizetype(frame->nb_samples)
                                                         * frame->ch_layout.nb_channels * 2));
        return;
    }
    m_samples.clear();
    m_decoder.appendSamples(frame, m_samples);
    FlacFrameDecoder::md5Bytes(m_samples.data(), qint64(m_samples.size()), m_bitsPerSample, m_pcm);
    m_md5.addData(m_pcm);
}
