// Decoding ahead hands each block of an input over in pieces smaller than the
// block, so that little audio is under way, and the pieces of each block add up
// to what decoding in turn reads at once, up to a row end with an odd remainder.

#include "audio/audiofile.h"
#include "join/blockplan.h"
#include "join/blockshaping.h"
#include "join/directrowreader.h"
#include "join/readaheadrowreader.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(RowReaderTest, AheadEachBlockComesInPiecesThatAddUpToTheBlockReadInTurn)
{
    QTemporaryDir dir;
    // Two blocks, the second neither a whole block nor whole seconds.
    const QStringList inputs = {
        Tones::write(dir.filePath("a.wav"), ToneFormat::Wav16, 8000, 2, 9.3)};
    AudioFile reader;
    DirectRowReader inTurn(reader, inputs, BlockShaping());
    ReadAheadRowReader ahead(inputs, BlockShaping(), 1);
    const RowReader::Input input = inTurn.open(0);
    EXPECT_EQ(ahead.open(0).sampleCount, input.sampleCount);

    BlockPlan plan(input.sampleRate, input.channels, input.sampleCount);
    int blocks = 0;
    while (plan.more()) {
        const int frames = plan.nextSize();
        const SampleArray block = inTurn.read(frames);
        ASSERT_EQ(block.size(), std::size_t(frames) * std::size_t(input.blockAlign));
        SampleArray joined;
        int pieces = 0;
        while (joined.size() < block.size()) {
            SampleArray piece = ahead.read(frames - int(joined.size()) / input.blockAlign);
            ASSERT_FALSE(piece.empty()) << "block " << blocks << " ended early";
            joined.insert(joined.end(), piece.begin(), piece.end());
            ahead.release(std::move(piece));
            ++pieces;
        }
        EXPECT_GT(pieces, 1) << "block " << blocks << " came whole";
        EXPECT_TRUE(joined == block) << "block " << blocks << " differs";
        plan.advance(frames);
        ++blocks;
    }
    EXPECT_EQ(blocks, 2);
    inTurn.close();
    ahead.close();
}
