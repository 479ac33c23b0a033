#pragma once

#include "audio/samplearray.h"
#include "join/rowreader.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

// The hand-over from one decoder thread to the join's thread: a few items at
// most, in the order the decoder made them, so memory stays the same whatever
// the inputs' length. The audio goes over in pieces smaller than a block, so
// that a full queue holds little of it. Also keeps the written pieces' memory
// for the decoder to fill again. Every member may be called from either thread.
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

    explicit BlockQueue(int capacity);

    // Waits for room, then appends. False, with the item dropped, once the
    // queue is closed.
    bool push(Item &&item);
    // Waits for the next item; none once the decoder has finished and every
    // item has been taken.
    std::optional<Item> pop();
    // The join wants nothing more: waiting and later pushes give up.
    void close();
    bool isClosed() const;
    // The decoder has made its last item.
    void finish();

    // Memory for the next piece: a written piece given back, else none.
    SampleArray takeSpare();
    void giveSpare(SampleArray &&samples);

private:
    std::size_t maxSpares() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // A ring of capacity slots, filled in advance, so that pushing never allocates.
    std::vector<Item> m_slots;
    std::size_t m_first = 0;
    std::size_t m_count = 0;
    std::vector<SampleArray> m_spares;
    bool m_closed = false;
    bool m_finished = false;
};
