#pragma once

#include "audio/core/samplearray.h"
#include "join/rowreader.h"

#include <QString>
#include <QtGlobal>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class SpoolFile;

// The hand-over from one decoder thread to the join's thread: a few items at
// most, in the order the decoder made them, so memory stays the same whatever
// the inputs' length. The audio goes over in pieces smaller than a block, so
// that a full queue holds little of it. Also keeps the written pieces' memory
// for the decoder to fill again. Every member may be called from either thread.
// Given a spool folder, a decoder that is ahead of the join (its row is not yet
// the join's) does not wait for room: what does not fit goes to a SpoolFile
// there, and is read back in turn, so that two decoders keep two cores busy
// without holding more audio in memory.
class BlockQueue {
public:
    struct Item {
        enum class Kind { Opened, Piece, Failure };

        static Item opened(int row, const RowReader::Input &input);
        static Item piece(int row, SampleArray &&samples);
        static Item failed(int row, std::exception_ptr failure);

        Kind kind = Kind::Piece;
        int row = -1;
        RowReader::Input input;      // Opened
        SampleArray samples;         // Piece; empty when the input ended early
        std::exception_ptr failure;  // Failure: what opening or reading the row threw
    };

    // No spool folder: pushing always waits for room.
    explicit BlockQueue(int capacity, const QString &spoolFolder = QString());
    ~BlockQueue();
    BlockQueue(const BlockQueue &) = delete;
    BlockQueue &operator=(const BlockQueue &) = delete;

    // Waits for room, then appends; for a row ahead of the join, or once
    // anything is spooled, spools instead of waiting while the spool takes it.
    // False, with the item dropped, once the queue is closed.
    bool push(Item &&item);
    // Waits for the next item; none once the decoder has finished and every
    // item has been taken. Throws AudioError when a spooled piece cannot be read back.
    std::optional<Item> pop();
    // The join wants nothing more: waiting and later pushes give up.
    void close();
    bool isClosed() const;
    // The decoder has made its last item.
    void finish();
    // The join is done with row and every row before it.
    void rowDone(int row);
    // Whether the join may still read row and the queue is open.
    bool wants(int row) const;
    // With a spool, waits until the join is at most one row before row, so
    // that an input is opened no sooner than without one. False once closed.
    bool waitToOpen(int row);

    // Memory for the next piece: a written piece given back, else none.
    SampleArray takeSpare();
    void giveSpare(SampleArray &&samples);

    // Pieces that went through a spool file, in every queue so far.
    static qint64 piecesSpooled();

private:
    // An item behind the ring; a piece's samples wait in the spool file.
    struct Spooled {
        Item item;
        qint64 offset = 0;
        std::size_t sampleCount = 0;
    };

    std::size_t maxSpares() const;
    // Under the lock: puts the item behind the ring; false when the spool refuses it.
    bool spool(Item &item);
    void keepSpare(SampleArray &&samples);
    // A kept spare, or none; the lock is held.
    SampleArray spareLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // A ring of capacity slots, filled in advance, so that pushing never allocates.
    std::vector<Item> m_slots;
    std::size_t m_first = 0;
    std::size_t m_count = 0;
    // What came after the ring filled, in order; taken once the ring is empty.
    std::deque<Spooled> m_overflow;
    // None when this queue never spools.
    std::unique_ptr<SpoolFile> m_spool;
    std::vector<SampleArray> m_spares;
    bool m_closed = false;
    bool m_finished = false;
    int m_rowDone = -1;
};
