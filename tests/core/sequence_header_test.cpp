// Reading sequence headers: keys, conversions, file choice and defaults, hostile input.
#include "platform/Errors.h"
#include "support/TestSupport.h"
#include "viewer/Sequence.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

struct OpenResult {
    bool failed = false;
    QString message;
};

OpenResult Open(TSequence& sequence, const QString& bld)
{
    sequence.SetFileName(bld);
    try {
        sequence.ReadSequenceFiles();
    } catch (const EError& e) {
        return {true, e.Message()};
    }
    return {};
}

class SequenceHeaderTest : public ::testing::Test {
protected:
    // A 4-frame, 8 x 4 frame file beside the given header.
    QString WithHeader(const QString& headerText, const char* extension = ".par")
    {
        scratch.WriteText(QStringLiteral("seq") + QLatin1String(extension), headerText);
        return WriteFrames(scratch, QStringLiteral("seq.bld"), 8, 4, 4, PatternValue);
    }
    TScratch scratch;
    TSequence sequence;
};

}  // namespace

TEST_F(SequenceHeaderTest, EveryKeySetsItsField)
{
    const QString bld = WithHeader(QStringLiteral(
        "Camera XY\r\nRESOLUTION: 320x240\r\nFRAMES/S: 250.5\r\nFRAMES: 10.5\r\nFIRSTFRAME: -3\r\nTRIGGER: 11.5\r\n"));
    ASSERT_FALSE(Open(sequence, bld).failed);
    const TSequenceHeader& h = sequence.Header();
    EXPECT_EQ(h.Width, 320);
    EXPECT_EQ(h.Height, 240);
    EXPECT_EQ(h.FramesPerSecond, 250.5);
    EXPECT_EQ(h.FrameCount, 10);  // 10.5 rounds to the even 10
    EXPECT_EQ(h.FirstFrame, -3);
    EXPECT_EQ(h.Trigger, 12);  // 11.5 rounds to the even 12
    EXPECT_EQ(sequence.Cache().Width(), 320);
    EXPECT_EQ(sequence.CacheSize(), 512);
}

TEST_F(SequenceHeaderTest, OnlyExactKeysInTheFirstColumnCountAndTheLastOneWins)
{
    const QString bld = WithHeader(QStringLiteral(
        "FRAMES: 100\n FRAMES: 7\nframes: 8\nFRAMES: 50\rFRAMES: 9\nTRIGGER: 4\nRESOLUTION: 8x4\nFRAMES/S: 100\n"));
    ASSERT_FALSE(Open(sequence, bld).failed);
    EXPECT_EQ(sequence.Header().FrameCount, 50);  // after a carriage return the rest of the line is skipped
    EXPECT_EQ(sequence.Header().FramesPerSecond, 100);  // FRAMES/S: is not taken for FRAMES:
}

TEST_F(SequenceHeaderTest, ConversionFailuresStopAtTheLineWithTheRunTimeMessages)
{
    struct Case {
        const char* header;
        const char* message;
    } cases[] = {
        {"RESOLUTION:320 x 240\n", "'320 ' is not a valid integer value"},
        {"RESOLUTION: 320\n", "'' is not a valid integer value"},
        {"RESOLUTION: 320x240 \n", "'240 ' is not a valid integer value"},
        {"FRAMES/S: 250,5\n", "' 250,5' is not a valid floating point value"},
        {"FRAMES/S:\n", "Cannot convert empty string to number"},
        {"FRAMES: 3e12\n", "Range check error"},
        {"TRIGGER: abc\n", "' abc' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        TSequence fresh;
        const OpenResult result = Open(fresh, WithHeader(QString::fromLatin1(c.header)));
        EXPECT_TRUE(result.failed) << c.header;
        EXPECT_EQ(result.message, QString::fromLatin1(c.message)) << c.header;
    }
}

TEST_F(SequenceHeaderTest, AFailureKeepsWhatWasAppliedBefore)
{
    const QString bld = WithHeader(QStringLiteral("RESOLUTION: 16x8\nFRAMES: 77\nFRAMES/S: fast\nTRIGGER: 5\n"));
    sequence.SetCacheSize(20);
    ASSERT_TRUE(Open(sequence, bld).failed);
    EXPECT_EQ(sequence.Width(), 16);
    EXPECT_EQ(sequence.Header().FrameCount, 77);
    EXPECT_EQ(sequence.Header().Trigger, 0);  // after the failing line: not applied
    EXPECT_EQ(sequence.CacheSize(), 512);     // the cache was set back before the header
    EXPECT_EQ(sequence.Header().FramesPerSecond, 1904);
}

TEST_F(SequenceHeaderTest, ParWinsOverDscAndDefaultsApplyWithoutEither)
{
    scratch.WriteText(QStringLiteral("seq.dsc"), QStringLiteral("FRAMES: 5\n"));
    const QString bld = WithHeader(QStringLiteral("FRAMES: 6\n"));
    ASSERT_FALSE(Open(sequence, bld).failed);
    EXPECT_EQ(sequence.Header().FrameCount, 6);

    TSequence dscOnly;
    scratch.WriteText(QStringLiteral("other.dsc"), QStringLiteral("FRAMES: 5\n"));
    ASSERT_FALSE(Open(dscOnly, WriteFrames(scratch, QStringLiteral("other.bld"), 64, 64, 1, PatternValue)).failed);
    EXPECT_EQ(dscOnly.Header().FrameCount, 5);

    TSequence bare;
    bare.SetTrigger(9);
    ASSERT_FALSE(Open(bare, WriteFrames(scratch, QStringLiteral("bare.bld"), 256, 64, 2, PatternValue)).failed);
    EXPECT_EQ(bare.Width(), 256);
    EXPECT_EQ(bare.Height(), 64);
    EXPECT_EQ(bare.Header().FrameCount, 2048);
    EXPECT_EQ(bare.Header().FramesPerSecond, 1904);
    EXPECT_EQ(bare.Header().FirstFrame, 0);
    EXPECT_EQ(bare.Header().Trigger, 9);  // kept from before
}

TEST_F(SequenceHeaderTest, KeysThatDoNotOccurKeepThePreviousSequencesValues)
{
    ASSERT_FALSE(Open(sequence, WithHeader(QStringLiteral("RESOLUTION: 8x4\nTRIGGER: 42\nFRAMES: 4\n"))).failed);
    TScratch other;
    other.WriteText(QStringLiteral("b.par"), QStringLiteral("RESOLUTION: 8x4\n"));
    ASSERT_FALSE(Open(sequence, WriteFrames(other, QStringLiteral("b.bld"), 8, 4, 1, PatternValue)).failed);
    EXPECT_EQ(sequence.Header().Trigger, 42);
    EXPECT_EQ(sequence.Header().FrameCount, 4);
}

TEST_F(SequenceHeaderTest, HostileValuesAreRefusedWithTheLineAndNothingIsAllocated)
{
    struct Case {
        const char* header;
        const char* fragment;
    } cases[] = {
        {"RESOLUTION: 0x64\n", "seq.par, line 1: the image width must be at least 1"},
        {"\nRESOLUTION: 64x-2\n", "seq.par, line 2: the image height must be at least 1"},
        {"RESOLUTION: 2000000000x2000000000\n", "does not fit in memory"},
        {"RESOLUTION: 100000x100000\n", "does not fit in memory"},
        {"FRAMES/S: 0\n", "line 1: the frame rate must be a positive number"},
        {"FRAMES/S: -25\n", "the frame rate must be a positive number"},
        {"FRAMES: -1\n", "the number of frames must be at least 1"},
    };
    for (const Case& c : cases) {
        TSequence fresh;
        const OpenResult result = Open(fresh, WithHeader(QString::fromLatin1(c.header)));
        EXPECT_TRUE(result.failed) << c.header;
        EXPECT_TRUE(result.message.contains(QString::fromLatin1(c.fragment))) << c.header << " -> "
                                                                            << result.message.toStdString();
        EXPECT_GE(fresh.Width(), 1);
        EXPECT_GE(fresh.Height(), 1);
        EXPECT_EQ(fresh.Cache().FrameBytes(), size_t(fresh.Width()) * size_t(fresh.Height()));
    }
}

TEST_F(SequenceHeaderTest, OverlongLinesAndBinaryJunkAreHarmless)
{
    QByteArray junk(100000, 'A');
    junk += "\nRESOLUTION: 8x4\n";
    for (int i = 0; i < 256; ++i)
        junk += char(i);
    junk += "\nFRAMES: ";
    junk += QByteArray(1000, '7');  // the value is cut to 255 characters and overflows the range
    junk += "\n";
    scratch.Write(QStringLiteral("seq.par"), junk);
    const QString bld = WriteFrames(scratch, QStringLiteral("seq.bld"), 8, 4, 1, PatternValue);
    const OpenResult result = Open(sequence, bld);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.message, QStringLiteral("Range check error"));
    EXPECT_EQ(sequence.Width(), 8);
}

TEST_F(SequenceHeaderTest, AFrameFileThatIsAFolderGivesAnInputOutputError)
{
    TScratch folder;
    QDir(folder.Path(QString())).mkdir(QStringLiteral("clip.bld"));
    sequence.SetFileName(folder.Path(QStringLiteral("clip.bld")));
    EXPECT_THROW(sequence.LoadFrames(0), EInOutError);
}
