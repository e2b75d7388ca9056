// The logic under the researchers' tools: frame steps, frame times, readout texts, the value
// axes' fit, and the CSV tables (numbers in their shortest exact form).
#include "analysis/DataTables.h"
#include "analysis/PlotFit.h"
#include "support/TestSupport.h"
#include "viewer/session/FrameNavigation.h"
#include "viewer/session/Readouts.h"
#include "viewer/io/Sequence.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(FrameSteps, StayInsideTheSequence)
{
    EXPECT_EQ(FrameStepTarget(TFrameStep::next, 0, 300, 101), 1);
    EXPECT_EQ(FrameStepTarget(TFrameStep::previous, 0, 300, 101), 0);
    EXPECT_EQ(FrameStepTarget(TFrameStep::forward10, 295, 300, 101), 299);
    EXPECT_EQ(FrameStepTarget(TFrameStep::back10, 9, 300, 101), 0);
    EXPECT_EQ(FrameStepTarget(TFrameStep::last, 7, 300, 101), 299);
    EXPECT_EQ(FrameStepTarget(TFrameStep::first, 7, 300, 101), 0);
    EXPECT_EQ(FrameStepTarget(TFrameStep::pageForward, 7, 300, 101), 108);
    EXPECT_EQ(FrameStepTarget(TFrameStep::pageBack, 107, 300, 101), 6);
    // A frame past the end (a shorter file opened) comes back inside; an empty sequence has 0.
    EXPECT_EQ(FrameStepTarget(TFrameStep::previous, 1000, 300, 101), 299);
    EXPECT_EQ(FrameStepTarget(TFrameStep::next, 0, 0, 101), 0);
    // No overflow at the 32-bit ends.
    EXPECT_EQ(FrameStepTarget(TFrameStep::pageForward, INT32_MAX - 1, INT32_MAX, 512), INT32_MAX - 1);
    EXPECT_EQ(ClampToSequence(int64_t(INT32_MAX) + 5, 300), 299);
    EXPECT_EQ(ClampToSequence(-1, 300), 0);
}

TEST(FrameTimes, AreMillisecondsWithThreeDecimals)
{
    EXPECT_EQ(FrameTimeText(24, 1904), QStringLiteral("12.605 ms"));  // 24000 / 1904 = 12.6050…
    EXPECT_EQ(FrameTimeText(1, 3), QStringLiteral("333.333 ms"));
    EXPECT_EQ(FrameTimeText(1, 8000), QStringLiteral("0.125 ms"));
    EXPECT_EQ(FrameTimeText(0, 50), QStringLiteral("0.000 ms"));
    EXPECT_EQ(FrameTimeText(5, 0), QString());
    EXPECT_EQ(FrameTimeText(5, std::numeric_limits<double>::quiet_NaN()), QString());
}

TEST(Readouts, NameWhatIsUnderTheMouse)
{
    EXPECT_EQ(ImageReadoutText(12, 5, 200), QStringLiteral("column 12, row 5: 200"));
    EXPECT_EQ(ImageReadoutText(12, 5, -1), QStringLiteral("column 12, row 5"));
    EXPECT_EQ(KymogramReadoutText(123, 45), QStringLiteral("frame 123, column 45"));
    EXPECT_EQ(SpectrumReadoutText(7.4375, -23.46, true), QStringLiteral("7.4 Hz: -23.5 dB"));
    EXPECT_EQ(SpectrumReadoutText(7.4375, -23.46, false), QStringLiteral("7.4 Hz"));
    EXPECT_EQ(SpectrumReadoutText(7.4375, -std::numeric_limits<double>::infinity(), true), QStringLiteral("7.4 Hz"));
}

TEST(PlotFit, PowersFitToWholeDecibelsWithinTheAxisLimits)
{
    const float curve[] = {-61.5f, -20.25f, std::numeric_limits<float>::quiet_NaN(), -40.0f};
    TFitRange range = FitPowerRange(curve, 4, 200, -200, 200);
    ASSERT_TRUE(range.valid);
    EXPECT_EQ(range.lo, -62);
    EXPECT_EQ(range.hi, -20);
    // Wider than the axis allows: the top (the peaks) is kept.
    const float wide[] = {-250.0f, 30.5f};
    range = FitPowerRange(wide, 2, 200, -200, 200);
    EXPECT_EQ(range.hi, 31);
    EXPECT_EQ(range.lo, -169);
    // A flat curve still gets 1 dB; at the upper limit it opens downwards.
    const float flat[] = {-30.0f, -30.0f};
    range = FitPowerRange(flat, 2, 200, -200, 200);
    EXPECT_EQ(range.lo, -30);
    EXPECT_EQ(range.hi, -29);
    const float top[] = {200.0f};
    range = FitPowerRange(top, 1, 200, -200, 200);
    EXPECT_EQ(range.lo, 199);
    EXPECT_EQ(range.hi, 200);
    const float none[] = {std::numeric_limits<float>::infinity()};
    EXPECT_FALSE(FitPowerRange(none, 1, 200, -200, 200).valid);
}

TEST(PlotFit, GreyValuesKeepTheAxisLeastSpan)
{
    const uint8_t wide[] = {30, 200, 90};
    TFitRange range = FitGreyRange(wide, 3, 5);
    EXPECT_EQ(range.lo, 30);
    EXPECT_EQ(range.hi, 200);
    const uint8_t narrow[] = {100, 102, 101};
    range = FitGreyRange(narrow, 3, 5);
    EXPECT_EQ(range.lo, 100);
    EXPECT_EQ(range.hi, 105);
    const uint8_t white[] = {254, 255};
    range = FitGreyRange(white, 2, 5);
    EXPECT_EQ(range.lo, 250);
    EXPECT_EQ(range.hi, 255);
    EXPECT_FALSE(FitGreyRange(white, 0, 5).valid);
}

TEST(DataTables, WaveformRowsCountFromTheBlocksFirstFrame)
{
    TWaveformSeries series;
    series.firstFrame = 344;
    series.values = {0, 255, 7};
    EXPECT_EQ(WaveformTable(series), QByteArray("index,frame,value\n0,344,0\n1,345,255\n2,346,7\n"));
    EXPECT_EQ(WaveformTable(TWaveformSeries{}), QByteArray("index,frame,value\n"));
}

TEST(DataTables, KymogramRowsCarryTheBytesAndTheGreyShown)
{
    TScratch scratch;
    scratch.WriteText(QStringLiteral("k.par"), QStringLiteral("RESOLUTION: 3x2\nFRAMES: 4\n"));
    const QString bld = WriteFrames(scratch, QStringLiteral("k.bld"), 3, 2, 4,
                                    [](int32_t f, int32_t r, int32_t c) { return uint8_t(100 * r + 10 * c + f); });
    TSequence sequence;
    TOpenPlan plan = sequence.PlanOpen(bld);
    sequence.ApplyOpen(std::move(plan));
    sequence.SetCacheSize(2);
    sequence.LoadFrames(1);  // frames 1 and 2 held
    // A 3-frame span from frame 2 (frame 3 not held: its value is empty); grey from the bitmap.
    QImage bitmap(3, 3, QImage::Format_BGR888);
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 3; ++k)
            bitmap.setPixelColor(k, c, QColor(c * 3 + k, c * 3 + k, c * 3 + k));
    const TKymogramSpan span{2, 3};
    EXPECT_EQ(KymogramTable(sequence.Cache(), 1, span, bitmap),
              QByteArray("column,frame,value,grey\n"
                         "0,2,102,0\n0,3,,1\n0,4,,2\n"
                         "1,2,112,3\n1,3,,4\n1,4,,5\n"
                         "2,2,122,6\n2,3,,7\n2,4,,8\n"));
}
