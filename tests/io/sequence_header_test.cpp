// Reading sequence headers: keys, conversions, file choice and defaults, hostile input.
#include "platform/Errors.h"
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>

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

TEST_F(SequenceHeaderTest, ConversionFailuresStopAtTheLineWithTheRunTimeMessagesPlaceAndKey)
{
    struct Case {
        const char* header;
        const char* message;
    } cases[] = {
        {"RESOLUTION:320 x 240\n", "seq.par, line 1: '320 ' is not a valid integer value (RESOLUTION:)"},
        {"RESOLUTION: 320\n", "seq.par, line 1: '' is not a valid integer value (RESOLUTION:)"},
        {"RESOLUTION: 320x240 \n", "seq.par, line 1: '240 ' is not a valid integer value (RESOLUTION:)"},
        {"FRAMES/S: 250,5\n", "seq.par, line 1: ' 250,5' is not a valid floating point value (FRAMES/S:)"},
        {"FRAMES/S:\n", "seq.par, line 1: Cannot convert empty string to number (FRAMES/S:)"},
        {"x\ny\nFRAMES: 3e12\n", "seq.par, line 3: Range check error (FRAMES:)"},
        {"TRIGGER: abc", "seq.par, line 1: ' abc' is not a valid floating point value (TRIGGER:)"},
    };
    for (const Case& c : cases) {
        TSequence fresh;
        const OpenResult result = Open(fresh, WithHeader(QString::fromLatin1(c.header)));
        EXPECT_TRUE(result.failed) << c.header;
        EXPECT_EQ(result.message, QString::fromLatin1(c.message)) << c.header;
    }
}

TEST_F(SequenceHeaderTest, AFailedOpenChangesNothingAtAll)
{
    // The open sequence: 8 x 4, 4 frames, cache 20, trigger 0.
    ASSERT_FALSE(Open(sequence, WithHeader(QStringLiteral("RESOLUTION: 8x4\nFRAMES: 4\n"))).failed);
    sequence.SetCacheSize(20);
    const QString openFile = sequence.Header().FileName;
    const uint8_t pixel = sequence.Cache().Row(3, 2)[5];
    ASSERT_EQ(pixel, PatternValue(3, 2, 5));

    TScratch other;
    other.WriteText(QStringLiteral("bad.par"), QStringLiteral("RESOLUTION: 16x8\nFRAMES: 77\nTRIGGER: 5\nFRAMES/S: fast\n"));
    const QString bad = WriteFrames(other, QStringLiteral("bad.bld"), 16, 8, 2, PatternValue);
    QSignalSpy changing(&sequence, &TSequence::blockChanging);
    QSignalSpy widths(&sequence, &TSequence::imageWidthChanged);
    QSignalSpy names(&sequence, &TSequence::fileNameChanged);
    QSignalSpy sizes(&sequence, &TSequence::cacheSizeChanged);
    try {
        sequence.ApplyOpen(sequence.PlanOpen(bad));
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("bad.par, line 4: ' fast' is not a valid floating point value (FRAMES/S:)"));
    }
    EXPECT_EQ(sequence.Header().FileName, openFile);
    EXPECT_EQ(sequence.Width(), 8);
    EXPECT_EQ(sequence.Header().FrameCount, 4);
    EXPECT_EQ(sequence.Header().Trigger, 0);
    EXPECT_EQ(sequence.CacheSize(), 20);
    EXPECT_EQ(sequence.Cache().Width(), 8);
    EXPECT_EQ(sequence.Cache().Row(3, 2)[5], pixel);
    EXPECT_EQ(changing.count() + widths.count() + names.count() + sizes.count(), 0);

    // A frame file that cannot be read fails after the header, with nothing changed either.
    other.WriteText(QStringLiteral("dir.par"), QStringLiteral("RESOLUTION: 16x8\n"));
    QDir(other.Path(QString())).mkdir(QStringLiteral("dir.bld"));
    EXPECT_THROW(sequence.ApplyOpen(sequence.PlanOpen(other.Path(QStringLiteral("dir.bld")))), EInOutError);
    EXPECT_EQ(sequence.Width(), 8);
    EXPECT_EQ(sequence.Header().FileName, openFile);
    EXPECT_EQ(changing.count(), 0);
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
        {"RESOLUTION: 0x64\n", "seq.par, line 1: the image width must be at least 1 pixel, not 0 (RESOLUTION:)"},
        {"\nRESOLUTION: 64x-2\n", "seq.par, line 2: the image height must be at least 1 row, not -2 (RESOLUTION:)"},
        // 512 x 2e9 x 2e9 bytes is beyond 64 bits.
        {"RESOLUTION: 2000000000x2000000000\n", "seq.par, line 1: A sequence of 2000000000 x 2000000000 pixels "
                                               "with a frame block of 512 frames needs more than 9.2 EB of memory"},
        // 512 x 100000 x 100000 = 5.12e12 bytes.
        {"RESOLUTION: 100000x100000\n", "needs 5.1 TB of memory, but only "},
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
        EXPECT_EQ(fresh.Width(), 64);
        EXPECT_EQ(fresh.Height(), 64);
        EXPECT_EQ(fresh.Cache().FrameBytes(), 64u * 64u);
    }
}

TEST_F(SequenceHeaderTest, OverlongLinesAndBinaryJunkAreHarmless)
{
    QByteArray junk(100000, 'A');
    junk += "\nRESOLUTION: 8x4\n";
    for (int i = 0; i < 256; ++i)
        junk += char(i);  // holds a line feed: two more lines
    junk += "\nFRAMES: ";
    junk += QByteArray(1000, '7');  // the value is cut to 255 characters and overflows the range
    junk += "\n";
    scratch.Write(QStringLiteral("seq.par"), junk);
    const QString bld = WriteFrames(scratch, QStringLiteral("seq.bld"), 8, 4, 1, PatternValue);
    const OpenResult result = Open(sequence, bld);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(result.message, QStringLiteral("seq.par, line 5: Range check error (FRAMES:)"));
    EXPECT_EQ(sequence.Width(), 64);  // the RESOLUTION: line before it was not applied
}

TEST_F(SequenceHeaderTest, AFrameFileThatIsAFolderGivesAnInputOutputError)
{
    TScratch folder;
    QDir(folder.Path(QString())).mkdir(QStringLiteral("clip.bld"));
    sequence.SetFileName(folder.Path(QStringLiteral("clip.bld")));
    EXPECT_THROW(sequence.LoadFrames(0), EInOutError);
}
