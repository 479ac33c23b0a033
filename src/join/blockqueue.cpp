#include "join/blockqueue.h"

#include "join/spoolfile.h"

#include <atomic>
#include <utility>

namespace {
std::atomic<qint64> g_piecesSpooled{0};
}  // namespace

BlockQueue::Item BlockQueue::Item::opened(int row, const RowReader::Input &input)
{
    Item item;
    item.kind = Kind::Opened;
    item.row = row;
    item.input = input;
    return item;
}

BlockQueue::Item BlockQueue::Item::piece(int row, SampleArray &&samples)
{
    Item item;
    item.kind = Kind::Piece;
    item.row = row;
    item.samples = std::move(samples);
    return item;
}

BlockQueue::Item BlockQueue::Item::failed(int row, std::exception_ptr failure)
{
    Item item;
    item.kind = Kind::Failure;
    item.row = row;
    item.failure = std::move(failure);
    return item;
}

BlockQueue::BlockQueue(int capacity, const QString &spoolFolder) : m_slots(std::size_t(capacity))
{
    if (!spoolFolder.isEmpty())
        m_spool = std::make_unique<SpoolFile>(spoolFolder);
    m_spares.reserve(maxSpares());
}

BlockQueue::~BlockQueue() = default;

qint64 BlockQueue::piecesSpooled()
{
    return g_piecesSpooled.load();
}

// Every piece that can be under way at once: those queued, the one the decoder
// waits to push and the one the join writes. Keeping that many spares, the
// decoder allocates nothing once the first pieces exist.
std::size_t BlockQueue::maxSpares() const
{
    return m_slots.size() + 2;
}

bool BlockQueue::push(Item &&item)
{
    std::unique_lock lock(m_mutex);
    // The join has not reached the row yet: what does not fit may be spooled.
    const bool ahead = item.row > m_rowDone + 1;
    for (;;) {
        if (m_closed)
            return false;
        // The ring only while nothing waits behind it, so that the join takes
        // the items in the order they were made.
        if (m_overflow.empty() && m_count < m_slots.size()) {
            m_slots[(m_first + m_count) % m_slots.size()] = std::move(item);
            ++m_count;
            break;
        }
        if ((ahead || !m_overflow.empty()) && spool(item))
            break;
        m_changed.wait(lock);
    }
    m_changed.notify_all();
    return true;
}

bool BlockQueue::spool(Item &item)
{
    if (!m_spool)
        return false;
    Spooled spooled;
    if (!item.samples.empty()) {
        const std::optional<qint64> offset = m_spool->append(item.samples);
        if (!offset)
            return false;
        spooled.offset = *offset;
        spooled.sampleCount = item.samples.size();
        keepSpare(std::move(item.samples));
        item.samples = SampleArray();
        ++g_piecesSpooled;
    }
    spooled.item = std::move(item);
    m_overflow.push_back(std::move(spooled));
    return true;
}

std::optional<BlockQueue::Item> BlockQueue::pop()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_count > 0 || !m_overflow.empty() || m_finished; });
    std::optional<Item> item;
    if (m_count > 0) {
        item = std::move(m_slots[m_first]);
        m_first = (m_first + 1) % m_slots.size();
        --m_count;
    } else if (!m_overflow.empty()) {
        Spooled &spooled = m_overflow.front();
        if (spooled.sampleCount > 0) {
            SampleArray samples = spareLocked();
            samples.resize(spooled.sampleCount);
            m_spool->readBack(spooled.offset, samples);
            m_spool->release(spooled.offset, spooled.sampleCount);
            spooled.item.samples = std::move(samples);
        }
        item = std::move(spooled.item);
        m_overflow.pop_front();
        if (m_overflow.empty())
            m_spool->rewind();
    } else {
        return std::nullopt;
    }
    m_changed.notify_all();
    return item;
}

void BlockQueue::close()
{
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

bool BlockQueue::isClosed() const
{
    const std::lock_guard lock(m_mutex);
    return m_closed;
}

void BlockQueue::finish()
{
    const std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

void BlockQueue::rowDone(int row)
{
    const std::lock_guard lock(m_mutex);
    m_rowDone = row;
    m_changed.notify_all();
}

bool BlockQueue::wants(int row) const
{
    const std::lock_guard lock(m_mutex);
    return row > m_rowDone && !m_closed;
}

bool BlockQueue::waitToOpen(int row)
{
    std::unique_lock lock(m_mutex);
    if (m_spool)
        m_changed.wait(lock, [&] { return m_closed || row <= m_rowDone + 2; });
    return !m_closed;
}

SampleArray BlockQueue::takeSpare()
{
    const std::lock_guard lock(m_mutex);
    return spareLocked();
}

SampleArray BlockQueue::spareLocked()
{
    if (m_spares.empty())
        return {};
    SampleArray spare = std::move(m_spares.back());
    m_spares.pop_back();
    return spare;
}

void BlockQueue::giveSpare(SampleArray &&samples)
{
    SampleArray spare = std::move(samples);
    const std::lock_guard lock(m_mutex);
    keepSpare(std::move(spare));
}

void BlockQueue::keepSpare(SampleArray &&samples)
{
    // Never more spares than pieces can be under way; the rest is freed.
    if (m_spares.size() < maxSpares())
        m_spares.push_back(std::move(samples));
}
