#include "audio/copy/flacmd5worker.h"

#include "audio/core/audioerror.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

// Items waiting at most in each stage: the writer runs ahead by this many
// frames, no more.
constexpr std::size_t kMaxItems = 64;

}  // namespace

FlacMd5Worker::FlacMd5Worker(const FlacStreamFormat &format)
    : m_bitsPerSample(format.bitsPerSample),
      m_decoder(format),
      m_decoding([this] { decode(); }),
      m_hashing([this] { hash(); })
{}

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
        m_added = true;
    }
    m_changed.notify_all();
    if (m_decoding.joinable())
        m_decoding.join();
    if (m_hashing.joinable())
        m_hashing.join();
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

void FlacMd5Worker::decode()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return (!m_items.empty() && m_decoded.size() < kMaxItems) || m_added
                   || !m_failure.isEmpty();
        });
        if (!m_failure.isEmpty() || m_items.empty()) {
            m_decodedAll = true;
            lock.unlock();
            m_changed.notify_all();
            return;
        }
        const Item item = std::move(m_items.front());
        m_items.pop_front();
        lock.unlock();
        m_changed.notify_all();
        try {
            QByteArray samples = samplesOf(item);
            lock.lock();
            m_decoded.push_back(std::move(samples));
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
        m_changed.wait(lock,
                       [&] { return !m_decoded.empty() || m_decodedAll || !m_failure.isEmpty(); });
        if (!m_failure.isEmpty() || m_decoded.empty())
            return;
        const QByteArray samples = std::move(m_decoded.front());
        m_decoded.pop_front();
        lock.unlock();
        m_changed.notify_all();
        m_md5.addData(samples);
    }
}

QByteArray FlacMd5Worker::samplesOf(const Item &item)
{
    if (!item.frame)
        return item.bytes;
    const AVFrame *frame =
        m_decoder.decode(reinterpret_cast<const quint8 *>(item.bytes.constData()),
                         item.bytes.size() - AV_INPUT_BUFFER_PADDING_SIZE, item.input, item.at);
    if (m_decoder.givesMd5Bytes(frame))
        return {reinterpret_cast<const char *>(frame->data[0]),
                qsizetype(frame->nb_samples) * frame->ch_layout.nb_channels * 2};
    m_samples.clear();
    m_decoder.appendSamples(frame, m_samples);
    QByteArray bytes;
    FlacFrameDecoder::md5Bytes(m_samples.data(), qint64(m_samples.size()), m_bitsPerSample, bytes);
    return bytes;
}
