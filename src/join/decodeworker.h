#pragma once

#include "audio/audiofile.h"
#include "join/blockqueue.h"
#include "join/blockshaping.h"

#include <QStringList>

#include <optional>
#include <thread>

// One decoder thread of a join: opens its rows of the list in turn (every
// rowStep-th from firstRow) with a reader of its own and decodes them, block
// by block as the BlockPlan says, shaped, into its queue, ahead of the join;
// each block goes over in pieces of at most half a second, as the join reads
// it. What opening or reading a row throws is queued in place of what it
// would have made, and the decoder goes on with its next row, which the join
// may still want (it decides at the row's start). It never calls the join's
// observer. Given a spool folder, a decoder whose row the join has not reached
// yet decodes on past its full queue, into a spool file there (see BlockQueue);
// it opens a row only once the join is on the row before it, as it would
// without one.
class DecodeWorker {
public:
    // The thread's name, as top and debuggers show it.
    static constexpr const char *kThreadName = "join decoder";

    // Starts the thread.
    DecodeWorker(const QStringList &inputs, const BlockShaping &shaping, int firstRow, int rowStep,
                 int queueCapacity, const QString &spoolFolder = QString());
    // Stops the thread at its next block boundary and waits for it.
    ~DecodeWorker();
    DecodeWorker(const DecodeWorker &) = delete;
    DecodeWorker &operator=(const DecodeWorker &) = delete;

    BlockQueue &queue();
    // The join is done with row (and every row before it), whoever decoded
    // it: what is left of it is not decoded, and the next row is the join's.
    void rowDone(int row);

private:
    void run() noexcept;
    // False when the queue was closed.
    bool decodeRow(int row);
    // One block of frames frames, piece by piece: the frames it held, fewer
    // when the input ended or the join left the row; none when the queue was closed.
    std::optional<qint64> decodeBlock(int row, int frames, const RowReader::Input &input);
    bool wanted(int row) const;

    const QStringList m_inputs;
    const BlockShaping m_shaping;
    const int m_firstRow;
    const int m_rowStep;
    // Used by the thread alone while it runs.
    AudioFile m_reader;
    BlockQueue m_queue;
    // Last, so that it starts once everything above exists.
    std::thread m_thread;
};
