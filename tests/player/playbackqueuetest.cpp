// The player's queue: frames leave it in order, whole and converted, across
// array borders and pauses; the end marker and the feed requests follow the
// rules the preview's feeding depends on.

#include "player/playbackqueue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// At 100 Hz the low-water mark of 0.2 s is 20 frames.
constexpr int kSlowRate = 100;

std::vector<qint16> takeFrames(PlaybackQueue &queue, qint64 frames, qint64 expected)
{
    std::vector<qint16> out(static_cast<std::size_t>(frames * queue.channels()), 12345);
    EXPECT_EQ(queue.take(frames, out.data()), expected);
    out.resize(static_cast<std::size_t>(expected * queue.channels()));
    return out;
}

TEST(PlaybackQueue, FramesLeaveInOrderAcrossArraysAndAreClampedTo16Bit)
{
    PlaybackQueue queue;
    queue.reset(44100, 2);
    queue.append({0.5f, -0.5f, 1.0f, -1.0f});
    queue.append({2.0f, -2.0f, 0.25f, 0.0f});
    EXPECT_EQ(queue.queuedFrames(), 4);

    EXPECT_EQ(takeFrames(queue, 1, 1), (std::vector<qint16>{16384, -16384}));
    EXPECT_EQ(takeFrames(queue, 10, 3),
              (std::vector<qint16>{32767, -32767, 32767, -32767, 8192, 0}));
    EXPECT_EQ(queue.queuedFrames(), 0);
    EXPECT_EQ(queue.takeProgress().finishedArrays, 2);
}

TEST(PlaybackQueue, KeepsACopyAndOnlyWholeFrames)
{
    PlaybackQueue queue;
    queue.reset(44100, 2);
    SampleArray samples{0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    queue.append(samples);
    samples.assign(5, -1.0f);
    EXPECT_EQ(queue.queuedFrames(), 2);
    EXPECT_EQ(takeFrames(queue, 5, 2), (std::vector<qint16>(4, 16384)));
}

TEST(PlaybackQueue, EmptyArrayMarksTheEndAndNothingAfterItPlays)
{
    PlaybackQueue queue;
    queue.reset(kSlowRate, 1);
    queue.append(SampleArray(10, 0.1f));
    queue.append({});
    queue.append(SampleArray(10, 0.1f));
    EXPECT_EQ(queue.queuedFrames(), 10);
    EXPECT_FALSE(queue.endReached());
    queue.take(10, nullptr);
    EXPECT_TRUE(queue.endReached());
}

TEST(PlaybackQueue, AsksForMoreOnlyWhenLowAndAtMostOncePerFinishedArray)
{
    PlaybackQueue queue;
    queue.reset(kSlowRate, 1);
    for (int i = 0; i < 3; ++i)
        queue.append(SampleArray(10, 0.0f));
    EXPECT_FALSE(queue.takeProgress().wantsMore) << "nothing finished yet";

    queue.take(10, nullptr);
    PlaybackQueue::Progress progress = queue.takeProgress();
    EXPECT_EQ(progress.finishedArrays, 1);
    EXPECT_FALSE(progress.wantsMore) << "20 frames queued is not low";

    queue.take(5, nullptr);
    EXPECT_TRUE(queue.takeProgress().wantsMore) << "low now, with the finished array's credit";
    queue.take(1, nullptr);
    EXPECT_FALSE(queue.takeProgress().wantsMore) << "that credit is spent";

    queue.take(4, nullptr);
    progress = queue.takeProgress();
    EXPECT_EQ(progress.finishedArrays, 1);
    EXPECT_TRUE(progress.wantsMore);
}

TEST(PlaybackQueue, AsksForNothingOnceTheEndIsQueued)
{
    PlaybackQueue queue;
    queue.reset(kSlowRate, 1);
    queue.append(SampleArray(10, 0.0f));
    queue.append(SampleArray(10, 0.0f));
    queue.append({});
    queue.take(20, nullptr);
    const PlaybackQueue::Progress progress = queue.takeProgress();
    EXPECT_EQ(progress.finishedArrays, 2);
    EXPECT_FALSE(progress.wantsMore);
}

TEST(PlaybackQueue, ResetDiscardsEverythingAndNoFormatQueuesNothing)
{
    PlaybackQueue queue;
    queue.append(SampleArray(10, 0.0f));
    EXPECT_FALSE(queue.hasFormat());
    EXPECT_EQ(queue.queuedFrames(), 0);

    queue.reset(kSlowRate, 1);
    queue.append(SampleArray(10, 0.0f));
    queue.append({});
    queue.reset(kSlowRate, 2);
    EXPECT_EQ(queue.queuedFrames(), 0);
    EXPECT_FALSE(queue.endReached());
    EXPECT_EQ(queue.take(10, nullptr), 0);
    EXPECT_EQ(queue.takeProgress().finishedArrays, 0);
}

}  // namespace
