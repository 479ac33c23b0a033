#include "join/blockqueue.h"

#include <utility>

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

BlockQueue::BlockQueue(int capacity) : m_slots(std::size_t(capacity))
{
    m_spares.reserve(maxSpares());
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
    m_changed.wait(lock, [this] { return m_closed || m_count < m_slots.size(); });
    if (m_closed)
        return false;
    m_slots[(m_first + m_count) % m_slots.size()] = std::move(item);
    ++m_count;
    m_changed.notify_all();
    return true;
}

std::optional<BlockQueue::Item> BlockQueue::pop()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_count > 0 || m_finished; });
    if (m_count == 0)
        return std::nullopt;
    Item item = std::move(m_slots[m_first]);
    m_first = (m_first + 1) % m_slots.size();
    --m_count;
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

SampleArray BlockQueue::takeSpare()
{
    const std::lock_guard lock(m_mutex);
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
    // Never more spares than pieces can be under way; the rest is freed.
    if (m_spares.size() < maxSpares())
        m_spares.push_back(std::move(spare));
}
