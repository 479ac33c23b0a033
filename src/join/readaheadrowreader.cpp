#include "join/readaheadrowreader.h"

#include "join/decodeworker.h"

#include <QtGlobal>

#include <stdexcept>

namespace {
// Items a decoder may have ready: pieces of at most half a second, or a row's
// opening. With the piece it decodes and the one the join writes, that is three
// seconds of audio under way per decoder, 1.1 MB of 44.1 kHz stereo where two
// whole blocks took 5.6 MB, and still enough to even out the two threads' pace.
constexpr int kQueueCapacity = 4;
}  // namespace

ReadAheadRowReader::ReadAheadRowReader(const QStringList &inputs, const BlockShaping &shaping,
                                       int decoders, const QString &spoolFolder)
{
    // One decoder is never ahead of the join.
    const QString spool = decoders > 1 ? spoolFolder : QString();
    for (int first = 0; first < decoders && first < inputs.size(); ++first)
        m_decoders.push_back(std::make_unique<DecodeWorker>(inputs, shaping, first, decoders,
                                                            kQueueCapacity, spool));
}

// The decoders first stop, all of them, then each is waited for.
ReadAheadRowReader::~ReadAheadRowReader()
{
    for (const auto &decoder : m_decoders)
        decoder->queue().close();
}

DecodeWorker &ReadAheadRowReader::decoderOfRow() const
{
    return *m_decoders.at(std::size_t(m_row) % m_decoders.size());
}

BlockQueue::Item ReadAheadRowReader::take()
{
    std::optional<BlockQueue::Item> item = decoderOfRow().queue().pop();
    // Cannot happen: a decoder makes an item for every row and every block the join asks for.
    if (!item)
        throw std::logic_error("join: a decoder ended before the join");
    if (item->kind == BlockQueue::Item::Kind::Failure && item->row == m_row)
        std::rethrow_exception(item->failure);
    return std::move(*item);
}

RowReader::Input ReadAheadRowReader::open(int row)
{
    m_row = row;
    for (;;) {
        BlockQueue::Item item = take();
        if (item.row == row) {
            Q_ASSERT(item.kind == BlockQueue::Item::Kind::Opened);
            m_blockAlign = item.input.blockAlign;
            return item.input;
        }
        // What was decoded of a row that the join left before its end.
        release(std::move(item.samples));
    }
}

SampleArray ReadAheadRowReader::read(int frames)
{
    BlockQueue::Item item = take();
    // The decoder follows the same BlockPlan as the join.
    Q_ASSERT(item.row == m_row && item.kind == BlockQueue::Item::Kind::Piece);
    Q_ASSERT(item.samples.size() <= std::size_t(frames) * std::size_t(m_blockAlign));
    Q_UNUSED(frames);
    return std::move(item.samples);
}

void ReadAheadRowReader::release(SampleArray &&block)
{
    if (block.capacity() > 0)
        decoderOfRow().queue().giveSpare(std::move(block));
}

void ReadAheadRowReader::close()
{
    for (const auto &decoder : m_decoders)
        decoder->rowDone(m_row);
}
