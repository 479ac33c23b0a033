#pragma once

#include "join/blockqueue.h"
#include "join/rowreader.h"

#include <QStringList>

#include <memory>
#include <vector>

class BlockShaping;
class DecodeWorker;

// Decodes on decoder threads (DecodeWorker) ahead of the join, which takes the
// blocks in list order: while the join encodes the last blocks of one input,
// the next one is opened, counted and decoded. The blocks come in pieces (see
// DecodeWorker), each read() gives the next. With two decoders the rows
// alternate between them, so two inputs decode at once. The decoders shape the
// blocks. A failure of a decoder is thrown here, where the join would have met
// it reading in turn; within a block, after the pieces before it were written.
// The decoders are stopped and waited for when this is destroyed. With two
// decoders and a spool folder, the one that is a row ahead decodes on past its
// full queue into a spool file there, so that both cores keep working.
class ReadAheadRowReader : public RowReader {
public:
    ReadAheadRowReader(const QStringList &inputs, const BlockShaping &shaping, int decoders,
                       const QString &spoolFolder = QString());
    ~ReadAheadRowReader() override;
    ReadAheadRowReader(const ReadAheadRowReader &) = delete;
    ReadAheadRowReader &operator=(const ReadAheadRowReader &) = delete;

    Input open(int row) override;
    SampleArray read(int frames) override;
    void release(SampleArray &&block) override;
    void close() override;

private:
    DecodeWorker &decoderOfRow() const;
    // The open row decoder's next item; throws what the decoder threw there.
    BlockQueue::Item take();

    std::vector<std::unique_ptr<DecodeWorker>> m_decoders;
    int m_row = -1;
    int m_blockAlign = 1;
};
