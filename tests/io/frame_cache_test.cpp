// The frame block: refill positions, fill values and re-dimensioning.
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class FrameCacheTest : public ::testing::Test {
protected:
    // A 1000-frame sequence of 4 x 3 pixels whose bytes tell frame, row and column apart.
    void OpenPattern(int32_t frames = 1000)
    {
        scratch.WriteText(QStringLiteral("p.par"), QStringLiteral("RESOLUTION: 4x3\nFRAMES: %1\n").arg(frames));
        sequence.SetFileName(WriteFrames(scratch, QStringLiteral("p.bld"), 4, 3, frames, PatternValue));
        sequence.ReadSequenceFiles();
    }
    uint8_t SlotByte(int32_t slot, int32_t row, int32_t column) const
    {
        return sequence.Cache().Row(slot, row)[column];
    }
    TScratch scratch;
    TSequence sequence;
};

}  // namespace

TEST_F(FrameCacheTest, FollowingTheCurrentFrameCentresTheBlockOnIt)
{
    OpenPattern();
    sequence.FollowFrame(600);
    EXPECT_EQ(sequence.FirstCachedFrame(), 344);
    sequence.FollowFrame(855);
    EXPECT_EQ(sequence.FirstCachedFrame(), 344);
    sequence.FollowFrame(856);  // exactly FirstCachedFrame + CacheSize
    EXPECT_EQ(sequence.FirstCachedFrame(), 600);
    sequence.FollowFrame(10);  // near the start the block begins at 0
    EXPECT_EQ(sequence.FirstCachedFrame(), 0);
    EXPECT_EQ(SlotByte(10, 2, 3), PatternValue(10, 2, 3));
}

TEST_F(FrameCacheTest, GetPixelRefillsAtTheFrameItselfOnAMiss)
{
    OpenPattern(2000);
    EXPECT_EQ(sequence.GetPixel(511, 1, 2), PatternValue(511, 1, 2));
    EXPECT_EQ(sequence.FirstCachedFrame(), 0);
    EXPECT_EQ(sequence.GetPixel(1000, 1, 2), PatternValue(1000, 1, 2));
    EXPECT_EQ(sequence.FirstCachedFrame(), 1000);
    sequence.LoadFrames(-5);
    EXPECT_EQ(sequence.FirstCachedFrame(), 0);
}

TEST_F(FrameCacheTest, RowsBeyondTheEndOfTheFileRead127)
{
    OpenPattern(10);
    EXPECT_EQ(SlotByte(9, 2, 3), PatternValue(9, 2, 3));
    for (int32_t slot : {10, 11, 511})
        for (int32_t row = 0; row < 3; ++row)
            EXPECT_EQ(SlotByte(slot, row, 0), 127) << slot;
    // A frame file that stops inside a row: that whole row and all after it read 127. Frame 0
    // re-reads the file as it is now, whatever was read ahead before it changed.
    sequence.ReadAhead(0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the read ahead is over by then
    QByteArray partial(4 * 3 + 6, char(9));
    const QString cut = scratch.Write(QStringLiteral("p.bld"), partial);
    sequence.LoadFrames(0);
    EXPECT_EQ(SlotByte(1, 0, 3), 9);
    EXPECT_EQ(SlotByte(1, 1, 0), 127);
    EXPECT_EQ(SlotByte(1, 1, 1), 127);
    EXPECT_EQ(SlotByte(1, 2, 0), 127);
}

TEST_F(FrameCacheTest, ABlockStartingWhereItIsAlreadyIsKeptUnlessItIsFrameZero)
{
    OpenPattern();
    QSignalSpy loads(&sequence, &TSequence::blockLoaded);
    QSignalSpy changes(&sequence, &TSequence::blockChanging);
    sequence.LoadFrames(0);  // frame 0 always re-reads
    sequence.LoadFrames(100);
    sequence.LoadFrames(100);
    EXPECT_EQ(loads.count(), 2);
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(FrameCacheTest, ABlockTakenFromALargerReadMovesWithinItToItsLastFrameAndNoFurther)
{
    OpenPattern();
    // A read ahead on the 16-frame grid: 512 + 128 + 32 frames from 16, so frames 16 … 687.
    sequence.ReadAhead(16, 16);
    sequence.LoadFrames(20);
    EXPECT_EQ(sequence.RefillsReadAhead(), 1);
    EXPECT_TRUE(sequence.BlockReadHolds(176));  // slots up to frame 687
    EXPECT_FALSE(sequence.BlockReadHolds(177));
    EXPECT_FALSE(sequence.BlockReadHolds(15));
    EXPECT_FALSE(sequence.BlockReadHolds(20));  // where it is: nothing to move
    sequence.LoadFrames(176);
    EXPECT_EQ(sequence.RefillsReadAhead(), 2);
    EXPECT_EQ(SlotByte(0, 1, 2), PatternValue(176, 1, 2));
    EXPECT_EQ(SlotByte(511, 2, 3), PatternValue(687, 2, 3));
    sequence.LoadFrames(177);  // one frame beyond: read from the file
    EXPECT_EQ(sequence.RefillsReadAhead(), 2);
    EXPECT_EQ(SlotByte(511, 2, 3), PatternValue(688, 2, 3));
    EXPECT_FALSE(sequence.BlockReadHolds(178));

    // Another file of the same size: what the buffer holds beyond the block is the old file's.
    sequence.ReadAhead(16, 16);
    sequence.LoadFrames(20);
    ASSERT_TRUE(sequence.BlockReadHolds(100));
    sequence.SetFileName(scratch.Write(QStringLiteral("q.bld"), QByteArray(4 * 3 * 1000, char(33))));
    EXPECT_FALSE(sequence.BlockReadHolds(100));
    sequence.LoadFrames(100);
    EXPECT_EQ(SlotByte(0, 0, 0), 33);
}

TEST_F(FrameCacheTest, GrowingTheCacheFillsNewSlotsWith64AndKeepsTheOthers)
{
    OpenPattern();
    QSignalSpy sizes(&sequence, &TSequence::cacheSizeChanged);
    sequence.SetCacheSize(1000);
    EXPECT_EQ(SlotByte(511, 0, 0), PatternValue(511, 0, 0));
    EXPECT_EQ(SlotByte(512, 0, 0), 64);
    EXPECT_EQ(SlotByte(999, 2, 3), 64);
    sequence.SetCacheSize(1000);
    EXPECT_EQ(sizes.count(), 1);
    sequence.SetCacheSize(3);
    EXPECT_EQ(SlotByte(2, 1, 1), PatternValue(2, 1, 1));
    EXPECT_EQ(sequence.GetPixel(3, 0, 0), PatternValue(3, 0, 0));
    EXPECT_EQ(sequence.FirstCachedFrame(), 3);
}

TEST_F(FrameCacheTest, ReDimensioningFills64AndTellsTheFollowers)
{
    OpenPattern();
    QSignalSpy heights(&sequence, &TSequence::imageHeightChanged);
    QSignalSpy changes(&sequence, &TSequence::blockChanging);
    sequence.SetImageHeight(5);
    EXPECT_EQ(heights.count(), 1);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(sequence.Cache().FrameBytes(), 20u);
    EXPECT_EQ(SlotByte(0, 4, 3), 64);
    EXPECT_EQ(SlotByte(511, 0, 0), 64);
}

TEST_F(FrameCacheTest, WithoutAFrameFileEveryByteIs127AndAtStartEveryByteIs64)
{
    EXPECT_EQ(sequence.Width(), 64);
    EXPECT_EQ(sequence.CacheSize(), 512);
    EXPECT_EQ(SlotByte(0, 0, 0), 64);
    EXPECT_EQ(SlotByte(511, 63, 63), 64);
    sequence.LoadFrames(0);
    EXPECT_EQ(SlotByte(0, 0, 0), 127);
    EXPECT_EQ(SlotByte(511, 63, 63), 127);
}

TEST_F(FrameCacheTest, FramesFarIntoALargeFileUse64BitOffsets)
{
    // 3000 frames of 1000 x 1000 would pass 2^31 bytes; a sparse file stands in for it.
    const QString path = scratch.Path(QStringLiteral("big.bld"));
    QFile big(path);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    const qint64 frameBytes = 1000 * 1000;
    ASSERT_TRUE(big.seek(2999 * frameBytes));
    ASSERT_TRUE(big.write(QByteArray(frameBytes, char(200))));
    big.close();
    scratch.WriteText(QStringLiteral("big.par"), QStringLiteral("RESOLUTION: 1000x1000\nFRAMES: 3000\n"));
    sequence.SetFileName(path);
    sequence.ReadSequenceFiles();
    sequence.SetCacheSize(2);
    EXPECT_EQ(sequence.GetPixel(2999, 999, 999), 200);
    EXPECT_EQ(sequence.GetPixel(2998, 0, 0), 0);
    EXPECT_EQ(sequence.GetPixel(3000, 0, 0), 127);
}
