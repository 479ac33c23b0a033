#include "join/decodeworker.h"

#include "join/blockplan.h"

#include <pthread.h>

#include <algorithm>

namespace {
// Pieces of audio per second of an input: the most handed over at once is half
// a second, 176 kB of 44.1 kHz stereo, a sixteenth of a block.
constexpr int kPiecesPerSecond = 2;
}  // namespace

DecodeWorker::DecodeWorker(const QStringList &inputs, const BlockShaping &shaping, int firstRow,
                           int rowStep, int queueCapacity, const QString &spoolFolder)
    : m_inputs(inputs),
      m_shaping(shaping),
      m_firstRow(firstRow),
      m_rowStep(rowStep),
      m_queue(queueCapacity, spoolFolder),
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
    m_queue.rowDone(row);
}

bool DecodeWorker::wanted(int row) const
{
    return m_queue.wants(row);
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
    if (!m_queue.waitToOpen(row))
        return false;
    using Item = BlockQueue::Item;
    try {
        m_reader.openFile(m_inputs.at(row), 0, 1);
        const RowReader::Input input{m_reader.sampleRate(), m_reader.channels(),
                                     m_reader.sampleCount(), m_reader.blockAlign()};
        if (!m_queue.push(Item::opened(row, input)))
            return false;
        BlockPlan plan(input.sampleRate, input.channels, input.sampleCount);
        while (plan.more()) {
            const std::optional<qint64> frames = decodeBlock(row, plan.nextSize(), input);
            if (!frames)
                return false;
            if (*frames == 0)
                break;
            plan.advance(*frames);
        }
        m_reader.closeFile();
        return true;
    } catch (...) {
        m_reader.closeFile();
        return m_queue.push(Item::failed(row, std::current_exception()));
    }
}

std::optional<qint64> DecodeWorker::decodeBlock(int row, int frames, const RowReader::Input &input)
{
    // The join reads pieces until it has the whole block or one comes empty,
    // so an empty piece is queued too.
    const int pieceFrames = std::max(1, input.sampleRate / kPiecesPerSecond);
    qint64 done = 0;
    while (done < frames && wanted(row)) {
        m_reader.releaseSamples(m_queue.takeSpare());
        SampleArray piece = m_reader.readSamples(int(std::min<qint64>(frames - done, pieceFrames)));
        m_shaping.apply(row, piece);
        const qint64 read = qint64(piece.size()) / input.blockAlign;
        if (!m_queue.push(BlockQueue::Item::piece(row, std::move(piece))))
            return std::nullopt;
        if (read == 0)
            break;
        done += read;
    }
    return done;
}
