#include "join/decodeworker.h"

#include "join/blockplan.h"

#include <pthread.h>

DecodeWorker::DecodeWorker(const QStringList &inputs, const BlockShaping &shaping, int firstRow,
                           int rowStep, int queueCapacity)
    : m_inputs(inputs),
      m_shaping(shaping),
      m_firstRow(firstRow),
      m_rowStep(rowStep),
      m_queue(queueCapacity),
      m_thread([this] { run(); })
{}

DecodeWorker::~DecodeWorker()
{
    m_queue.close();
    m_thread.join();
}

BlockQueue &DecodeWorker::queue()
{
    return m_queue;
}

void DecodeWorker::rowDone(int row)
{
    m_rowDone.store(row, std::memory_order_relaxed);
}

bool DecodeWorker::wanted(int row) const
{
    return row > m_rowDone.load(std::memory_order_relaxed) && !m_queue.isClosed();
}

void DecodeWorker::run() noexcept
{
    // Only for display: a name that does not take changes nothing else.
    pthread_setname_np(pthread_self(), kThreadName);
    for (int row = m_firstRow; row < m_inputs.size(); row += m_rowStep) {
        if (!decodeRow(row))
            break;
    }
    m_queue.finish();
}

bool DecodeWorker::decodeRow(int row)
{
    if (m_queue.isClosed())
        return false;
    using Item = BlockQueue::Item;
    try {
        m_reader.OpenFile(m_inputs.at(row), 0, 1);
        m_reader.Seek(0, 3);
        const RowReader::Input input{m_reader.SampleRate(), m_reader.Channels(),
                                     m_reader.SampleCount(), m_reader.BlockAlign()};
        if (!m_queue.push(Item::opened(row, input)))
            return false;
        BlockPlan plan(input.sampleRate, input.channels, input.sampleCount);
        while (plan.more() && wanted(row)) {
            if (!m_queue.waitUntilBlocksTaken())
                return false;
            m_reader.ReleaseSamples(m_queue.takeSpare());
            SampleArray block = m_reader.ReadSamples(plan.nextSize());
            m_shaping.apply(row, block);
            const bool ended = block.empty();
            const qint64 frames = qint64(block.size()) / input.blockAlign;
            if (!m_queue.push(Item::block(row, std::move(block))))
                return false;
            if (ended)
                break;
            plan.advance(frames);
        }
        m_reader.CloseFile();
        return true;
    } catch (...) {
        m_reader.CloseFile();
        return m_queue.push(Item::failed(row, std::current_exception()));
    }
}
