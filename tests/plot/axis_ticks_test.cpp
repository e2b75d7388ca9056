// Tick layout of an axis: nice steps, labels, linear and logarithmic ticks, label thinning.

#include "plot/AxisError.h"
#include "plot/AxisNumberText.h"
#include "plot/AxisTickTable.h"
#include "plot/MusicNotes.h"
#include "plot/NiceStep.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cmath>
#include <limits>

namespace {

// Six pixels per character, ten per line.
class TFixedMetrics final : public TLabelMetrics {
public:
    int Width(const QString& text) const override { return 6 * int(text.size()); }
    int Height(const QString& text) const override { return text.isEmpty() ? 0 : 10; }
};

TAxisTickInput InputOf(double lo, double hi, int32_t length, bool vertical, bool log = false)
{
    static const TFixedMetrics metrics;
    TAxisTickInput input;
    input.map.lo = lo;
    input.map.hi = hi;
    input.map.length = length;
    input.map.logarithmic = log;
    input.map.flipped = vertical;
    input.rawSpan = hi - lo;
    input.vertical = vertical;
    input.metrics = &metrics;
    return input;
}

std::vector<double> ValuesOf(const TAxisTickList& ticks)
{
    std::vector<double> values;
    for (const TAxisTick& tick : ticks)
        values.push_back(tick.value);
    return values;
}

QStringList LabelsOf(const TAxisTickList& ticks)
{
    QStringList labels;
    for (const TAxisTick& tick : ticks)
        labels << tick.label;
    return labels;
}

QStringList KeptLabels(const TAxisTickList& ticks)
{
    QStringList labels;
    for (const TAxisTick& tick : ticks)
        if (!tick.label.isEmpty())
            labels << tick.label;
    return labels;
}

}  // namespace

TEST(AxisNiceStep, RoundsToOneTwoFiveAtTheGeometricMeans)
{
    EXPECT_EQ(NiceStep(0), 0.0);
    EXPECT_EQ(NiceStep(236), 200.0);
    EXPECT_EQ(NiceStep(51), 50.0);
    EXPECT_EQ(NiceStep(1.4), 1.0);
    EXPECT_EQ(NiceStep(1.5), 2.0);
    EXPECT_EQ(NiceStep(3.2), 5.0);
    EXPECT_EQ(NiceStep(7.1), 10.0);
    EXPECT_DOUBLE_EQ(*NiceStep(0.16), 0.2);
    EXPECT_FALSE(NiceStep(-1));
    EXPECT_FALSE(NiceStep(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(NiceStep(std::numeric_limits<double>::infinity()));
}

TEST(AxisNumberText, GeneralFormSwitchesToExponentOutsideFixedRange)
{
    const QChar dot = QLatin1Char('.');
    EXPECT_EQ(GeneralFloatText(0.1 + 0.2, dot), "0.3");
    EXPECT_EQ(GeneralFloatText(123.456, dot), "123.456");
    EXPECT_EQ(GeneralFloatText(-2.5, dot), "-2.5");
    EXPECT_EQ(GeneralFloatText(-0.0, dot), "0");
    EXPECT_EQ(GeneralFloatText(0.0001, dot), "0.0001");
    EXPECT_EQ(GeneralFloatText(0.00001, dot), "1E-5");
    EXPECT_EQ(GeneralFloatText(1.5e-7, dot), "1.5E-7");
    EXPECT_EQ(GeneralFloatText(999999999999999.0, dot), "999999999999999");
    EXPECT_EQ(GeneralFloatText(1e15, dot), "1E15");
    EXPECT_EQ(GeneralFloatText(1234.5, QLatin1Char(',')), "1234,5");
}

TEST(AxisNumberText, SignificantLabelTakesTheShorterForm)
{
    const QChar dot = QLatin1Char('.');
    EXPECT_EQ(FormatSignificant(50, 8, dot), "50");
    EXPECT_EQ(FormatSignificant(0.30000000000000004, 8, dot), "0.3");
    EXPECT_EQ(FormatSignificant(1e-7, 8, dot), "1E-7");
    EXPECT_EQ(FormatSignificant(0.00012345678, 8, dot), "1.2345678E-4");
    EXPECT_EQ(FormatSignificant(123456789, 8, dot), "123456790");
    EXPECT_EQ(FormatSignificant(-2.5, 8, dot), "-2.5");
    EXPECT_EQ(FormatSignificant(0.5, 8, QLatin1Char(',')), "0,5");
    EXPECT_EQ(FormatSignificant(1.5e-7, 8, QLatin1Char(',')), "1,5E-7");
    EXPECT_EQ(FormatSignificant(0.00012345678, 1, dot), "1E-4");
}

TEST(AxisLinearTicks, RangeOf255On237PixelsStepsBy50)
{
    const TAxisTickList ticks = TLinearTickStrategy().Ticks(InputOf(0, 255, 237, false));
    EXPECT_EQ(ValuesOf(ticks), (std::vector<double>{0, 50, 100, 150, 200, 250, 300}));
    EXPECT_EQ(LabelsOf(ticks), (QStringList{"0", "50", "100", "150", "200", "250", "300"}));
    EXPECT_EQ(ticks[1].pixel, 46);
    EXPECT_EQ(ticks.back().pixel, 236);  // beyond the range: on the last pixel
}

TEST(AxisLinearTicks, AimZeroAsksForThreeIntervals)
{
    TAxisTickInput input = InputOf(0, 255, 237, false);
    input.tickSpaceAim = 0;
    EXPECT_EQ(ValuesOf(TLinearTickStrategy().Ticks(input)), (std::vector<double>{0, 100, 200, 300}));
}

TEST(AxisLinearTicks, ZeroRangeGivesThreeTicksAtZero)
{
    const TAxisTickList ticks = TLinearTickStrategy().Ticks(InputOf(5, 5, 100, true));
    EXPECT_EQ(ValuesOf(ticks), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(LabelsOf(ticks), (QStringList{"0", "0", "0"}));
    EXPECT_EQ(ticks[0].pixel, 99);
}

TEST(AxisLinearTicks, ValuesNearZeroAreLabelledZero)
{
    EXPECT_EQ(LinearTickLabel(-1.4e-17, 1, QLatin1Char('.')), "0");
    const TAxisTickList ticks = TLinearTickStrategy().Ticks(InputOf(-0.3, 0.7, 237, false));
    EXPECT_EQ(LabelsOf(ticks), (QStringList{"-0.2", "0", "0.2", "0.4", "0.6", "0.8", "1"}));
}

TEST(AxisLinearTicks, BadRangesGiveShortListsNotHangs)
{
    // A 30-pixel axis asks for no interval, so the step falls back to 1: a million-million ticks.
    const TAxisTickList wide = TLinearTickStrategy().Ticks(InputOf(0, 1e12, 30, false));
    EXPECT_EQ(ValuesOf(wide), (std::vector<double>{0, 1e12, 2e12}));
    EXPECT_TRUE(TLinearTickStrategy().Ticks(InputOf(10, 0, 100, false)).empty());  // Lo > Hi
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(TLinearTickStrategy().Ticks(InputOf(nan, nan, 100, false)).size(), 3u);
    EXPECT_EQ(TLinearTickStrategy().Ticks(InputOf(0, 10, 0, false)).size(), 4u);  // no pixels: three intervals
    TAxisTickInput negativeAim = InputOf(0, 1e9, 200, false);
    negativeAim.tickSpaceAim = -1;
    EXPECT_LE(TLinearTickStrategy().Ticks(negativeAim).size(), 3u);
}

TEST(AxisLogTicks, DecadeSuccessor)
{
    EXPECT_EQ(NextLogTick(1), 2.0);
    EXPECT_EQ(NextLogTick(9), 10.0);
    EXPECT_EQ(NextLogTick(10), 20.0);
    EXPECT_EQ(NextLogTick(90), 100.0);
    EXPECT_EQ(NextLogTick(3.5), 4.0);
    EXPECT_DOUBLE_EQ(*NextLogTick(0.5), 0.6);
    EXPECT_DOUBLE_EQ(*NextLogTick(0.1), 0.2);
    EXPECT_DOUBLE_EQ(*NextLogTick(0.995), 1.0);
    EXPECT_FALSE(NextLogTick(0));
    EXPECT_FALSE(NextLogTick(-3));
    EXPECT_FALSE(NextLogTick(1.7e308));
}

// Decimals binary cannot hold: 0.3 / 0.1 is 2.9999999999999996, whose integer part alone
// would give 0.3 again as its own successor.
TEST(AxisLogTicks, DecadeSuccessorOfInexactDecimals)
{
    EXPECT_DOUBLE_EQ(*NextLogTick(0.3), 0.4);
    EXPECT_DOUBLE_EQ(*NextLogTick(0.7), 0.8);
    EXPECT_DOUBLE_EQ(*NextLogTick(0.0003), 0.0004);
    const TAxisTickList ticks = TDecadeTickStrategy().Ticks(InputOf(0.3, 3, 301, false, true));
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_DOUBLE_EQ(ticks[0].value, 0.4);
    EXPECT_DOUBLE_EQ(ticks[1].value, 0.5);
}

TEST(AxisLogTicks, DecadeTicksRunPastTheHighEndAndThinTheirLabels)
{
    const TAxisTickList ticks = TDecadeTickStrategy().Ticks(InputOf(1, 1000, 301, false, true));
    ASSERT_EQ(ticks.size(), 28u);
    EXPECT_EQ(ticks.front().value, 2);
    EXPECT_EQ(ticks.back().value, 2000);
    EXPECT_EQ(ticks.back().pixel, 330);  // unclamped
    EXPECT_EQ(KeptLabels(ticks),
              (QStringList{"2", "3", "4", "5", "6", "10", "20", "30", "50", "100", "200", "500", "1000"}));
}

TEST(AxisLogTicks, NoteSuccessorSkipsSharps)
{
    EXPECT_NEAR(*NextNoteTick(440), 493.883, 1e-3);     // A4 -> B4 (not Bb4)
    EXPECT_NEAR(*NextNoteTick(NoteFrequency(71)), 523.251, 1e-3);  // B4 -> C5
    EXPECT_NEAR(*NextNoteTick(450), 493.883, 1e-3);
    EXPECT_FALSE(NextNoteTick(0));
    EXPECT_FALSE(NextNoteTick(-1));
    EXPECT_TRUE(NextNoteTick(1e-300));
}

TEST(AxisLogTicks, NoteNames)
{
    EXPECT_EQ(NoteName(440), "A4");
    EXPECT_EQ(NoteName(261.63), "C4");
    EXPECT_EQ(NoteName(246.94), "B3");
    EXPECT_EQ(NoteName(415.3), "Ab4");
    EXPECT_EQ(NoteName(27.5), "A0");
    EXPECT_EQ(NoteName(0.001), "C-14");  // far below the keyboard, still a name
    EXPECT_EQ(NoteName(0), "-");
    EXPECT_EQ(NoteName(std::numeric_limits<double>::quiet_NaN()), "-");
}

TEST(AxisLogTicks, NoteTicksAreNaturalNotesWithAsKept)
{
    const TAxisTickList ticks = TNoteTickStrategy().Ticks(InputOf(200, 1000, 200, true, true));
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().label, "A3");
    EXPECT_EQ(NoteName(ticks.back().value), "C6");
    int kept = 0;
    for (const TAxisTick& tick : ticks) {
        const QString name = NoteName(tick.value);
        EXPECT_FALSE(name.contains('#') || name.contains('b')) << name.toStdString();
        if (name.startsWith('A')) {
            EXPECT_EQ(tick.label, name);
        }
        kept += tick.label.isEmpty() ? 0 : 1;
    }
    EXPECT_LT(kept, int(ticks.size()));
}

TEST(AxisLogTicks, NonPositiveLowEndGivesNoTicks)
{
    EXPECT_TRUE(TNoteTickStrategy().Ticks(InputOf(0, 1000, 200, true, true)).empty());
    EXPECT_TRUE(TDecadeTickStrategy().Ticks(InputOf(-1, 1000, 200, true, true)).empty());
}

TEST(AxisTickTable, KindFollowsScaleAndRatio)
{
    EXPECT_EQ(ChooseTickKind(true, false, 1, 4), TAxisTickKind::linear);
    EXPECT_EQ(ChooseTickKind(true, false, 1, 4.01), TAxisTickKind::decade);
    EXPECT_EQ(ChooseTickKind(true, false, 0, 100), TAxisTickKind::linear);
    EXPECT_EQ(ChooseTickKind(true, true, 1, 2), TAxisTickKind::note);
    EXPECT_EQ(ChooseTickKind(false, true, 1, 100), TAxisTickKind::linear);
}

TEST(AxisTickTable, LabelIndexOutOfRangeThrows)
{
    TAxisTickTable table;
    table.Recalc(TAxisTickKind::linear, InputOf(0, 255, 237, false));
    EXPECT_FALSE(table.Dirty());
    EXPECT_EQ(table.Label(6), "300");
    for (const int32_t index : {7, -1}) {
        try {
            table.Label(index);
            ADD_FAILURE() << "no error for " << index;
        } catch (const EAxisError& error) {
            EXPECT_EQ(error.Message(), "Tickmark index out of range:" + QString::number(index));
        }
    }
}
