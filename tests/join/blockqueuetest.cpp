// A decoder's queue, with a spool folder: a decoder ahead of the join puts
// what the ring cannot take into the spool file, and from then on everything
// it makes goes behind that, so the join takes the items in the order they
// were made, samples and all, even once the ring has room again.

#include "join/blockqueue.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <stdexcept>

TEST(BlockQueueTest, SpooledItemsComeBackInTheOrderTheyWereMade)
{
    QTemporaryDir dir;
    const qint64 before = BlockQueue::piecesSpooled();
    BlockQueue queue(2, dir.path());
    using Item = BlockQueue::Item;
    const auto piece = [](int n) { return SampleArray(std::size_t(100 + n), float(n)); };

    // A row ahead of the join: more than the ring holds, and nothing waits.
    ASSERT_TRUE(queue.push(Item::opened(1, RowReader::Input{8000, 1, 1000, 1})));
    for (int n = 1; n <= 5; ++n)
        ASSERT_TRUE(queue.push(Item::piece(1, piece(n))));
    EXPECT_GT(BlockQueue::piecesSpooled(), before);

    // The join reaches the row and makes room in the ring.
    queue.rowDone(0);
    std::optional<Item> item = queue.pop();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->kind, Item::Kind::Opened);
    ASSERT_TRUE(queue.push(Item::piece(1, piece(6))));
    ASSERT_TRUE(
        queue.push(Item::failed(1, std::make_exception_ptr(std::runtime_error("unreadable")))));
    queue.finish();

    for (int n = 1; n <= 6; ++n) {
        item = queue.pop();
        ASSERT_TRUE(item);
        ASSERT_EQ(item->kind, Item::Kind::Piece) << "piece " << n;
        EXPECT_TRUE(item->samples == piece(n)) << "piece " << n;
        queue.giveSpare(std::move(item->samples));
    }
    item = queue.pop();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->kind, Item::Kind::Failure);
    EXPECT_FALSE(queue.pop());
}
