#include "audio/copy/flacmd5worker.h"

#include "audio/core/audioerror.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

// Items waiting at most in each stage: the writer runs ahead by this many
// frames, no more.
constexpr std::size_t kMaxItems = 64;
// Two cores decode the copied frames about as fast as one hashes them.
constexpr int kDecodingThreads = 2;

}  // namespace

FlacMd5Worker::FlacMd5Worker(const FlacStreamFormat &format) : m_bitsPerSample(format.bitsPerSample)
{
    for (int i = 0; i < kDecodingThreads; ++i)
        m_decodings.push_back(std::make_unique<Decoding>(format));
    m_decodingThreads = kDecodingThreads;
    for (const auto &decoding : m_decodings)
        m_threads.emplace_back([this, &decoding = *decoding] { decode(decoding); });
    m_threads.emplace_back([this] { hash(); });
}

FlacMd5Worker::~FlacMd5Worker()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_failure.isEmpty())
            m_failure = QStringLiteral("stopped");
    }
    stop();
}

void FlacMd5Worker::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
    for (std::thread &thread : m_threads)
        if (thread.joinable())
            thread.join();
}

void FlacMd5Worker::addFrame(QByteArray frame, const QString &input, qint64 at)
{
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
    item.number = m_added++;
    m_items.push_back(std::move(item));
    lock.unlock();
    m_changed.notify_all();
}

QByteArray FlacMd5Worker::result()
{
    stop();
    if (!m_failure.isEmpty())
        throw AudioError(m_failure);
    return m_md5.result();
}

void FlacMd5Worker::fail(const QString &failure)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_failure.isEmpty())
            m_failure = failure;
    }
    m_changed.notify_all();
}

void FlacMd5Worker::decode(Decoding &decoding)
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        // Results wait in order for the hash: no more than a queue's worth
        // taken ahead of it.
        m_changed.wait(lock, [&] {
            return (!m_items.empty() && m_decoded.size() < kMaxItems) || m_finished
                   || !m_failure.isEmpty();
        });
        if (!m_failure.isEmpty() || m_items.empty()) {
            --m_decodingThreads;
            lock.unlock();
            m_changed.notify_all();
            return;
        }
        const Item item = std::move(m_items.front());
        m_items.pop_front();
        lock.unlock();
        m_changed.notify_all();
        try {
            QByteArray samples = samplesOf(item, decoding);
            lock.lock();
            m_decoded.emplace(item.number, std::move(samples));
            lock.unlock();
            m_changed.notify_all();
        } catch (const AudioError &error) {
            fail(QString::fromUtf8(error.what()));
        }
    }
}

void FlacMd5Worker::hash()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return m_decoded.contains(m_hashed) || m_decodingThreads == 0 || !m_failure.isEmpty();
        });
        const auto next = m_decoded.find(m_hashed);
        if (!m_failure.isEmpty() || next == m_decoded.end())
            return;
        const QByteArray samples = std::move(next->second);
        m_decoded.erase(next);
        ++m_hashed;
        lock.unlock();
        m_changed.notify_all();
        m_md5.addData(samples);
    }
}

QByteArray FlacMd5Worker::samplesOf(const Item &item, Decoding &decoding) const
{
    if (!item.frame)
        return item.bytes;
    const AVFrame *frame =
        decoding.decoder.decode(reinterpret_cast<const quint8 *>(item.bytes.constData()),
                                item.bytes.size(), item.input, item.at);
    if (decoding.decoder.givesMd5Bytes(frame))
        return {reinterpret_cast<const char *>(frame->data[0]),
                qsizetype(frame->nb_samples) * frame->ch_layout.nb_channels * 2};
    decoding.samples.clear();
    decoding.decoder.appendSamples(frame, decoding.samples);
    QByteArray bytes;
    FlacFrameDecoder::md5Bytes(decoding.samples.data(), qint64(decoding.samples.size()),
                               m_bitsPerSample, bytes);
    return bytes;
}
