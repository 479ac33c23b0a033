// Decoding ahead hands each block of an input over in pieces smaller than the
// block, so that little audio is under way, and the pieces of each block add up
// to what decoding in turn reads at once, up to a row end with an odd remainder.
// With two decoders, where no spool file can be made, the one a row ahead
// waits for the join as it does without one.

#include "audio/audiofile.h"
#include "join/blockplan.h"
#include "join/blockqueue.h"
#include "join/blockshaping.h"
#include "join/directrowreader.h"
#include "join/readaheadrowreader.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

// The open row's frames as the join reads them, block by block, piece by piece.
SampleArray readRow(RowReader &rows, const RowReader::Input &input)
{
    SampleArray all;
    BlockPlan plan(input.sampleRate, input.channels, input.sampleCount);
    while (plan.more()) {
        const int frames = plan.nextSize();
        int got = 0;
        while (got < frames) {
            SampleArray piece = rows.read(frames - got);
            if (piece.empty())
                break;
            got += int(piece.size()) / input.blockAlign;
            all.insert(all.end(), piece.begin(), piece.end());
            rows.release(std::move(piece));
        }
        plan.advance(frames);
    }
    rows.close();
    return all;
}

}  // namespace

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

TEST(RowReaderTest, WhereNoSpoolFileCanBeMadeRowsComeAsReadInTurn)
{
    QTemporaryDir dir;
    QStringList inputs;
    for (const double seconds : {6.0, 7.5, 3.0})
        inputs << Tones::write(dir.filePath(QString("%1.wav").arg(seconds)), ToneFormat::Wav16,
                               8000, 2, seconds);
    const qint64 before = BlockQueue::piecesSpooled();
    AudioFile reader;
    DirectRowReader inTurn(reader, inputs, BlockShaping());
    ReadAheadRowReader ahead(inputs, BlockShaping(), 2, dir.filePath("gone"));
    for (int row = 0; row < inputs.size(); ++row) {
        const RowReader::Input input = inTurn.open(row);
        EXPECT_EQ(ahead.open(row).sampleCount, input.sampleCount);
        EXPECT_TRUE(readRow(ahead, input) == readRow(inTurn, input)) << "row " << row;
    }
    EXPECT_EQ(BlockQueue::piecesSpooled(), before);
}
