// Range rules of an axis: reading through limits, storing, reports, log-scale errors.

#include "plot/AxisError.h"
#include "plot/AxisScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EAxisError& error) {
        return error.Message();
    }
    return QString();
}

// What the windows do first: bounds of +-1E300 instead of the new scale's zeros.
TAxisScale UnboundedScale()
{
    TAxisScale scale;
    scale.SetMinLoValue(-TAxisScale::kUnbounded);
    scale.SetMaxLoValue(TAxisScale::kUnbounded);
    scale.SetMinHiValue(-TAxisScale::kUnbounded);
    scale.SetMaxHiValue(TAxisScale::kUnbounded);
    scale.SetMaxValueDifference(TAxisScale::kUnbounded);
    return scale;
}

}  // namespace

TEST(AxisScaleRead, NewScaleReadsZeroUntilItGetsBounds)
{
    TAxisScale scale;
    EXPECT_EQ(scale.RawHiValue(), 1);
    EXPECT_EQ(scale.LoValue(), 0);
    EXPECT_EQ(scale.HiValue(), 0);
    scale.SetMaxHiValue(10);
    scale.SetMaxValueDifference(10);
    EXPECT_EQ(scale.HiValue(), 1);
}

TEST(AxisScaleRead, EndsAreClampedToTheirBounds)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(-10, 300);
    scale.SetMinLoValue(-5);  // moves the stored value too
    EXPECT_EQ(scale.LoValue(), -5);
    scale.SetMaxHiValue(255);
    EXPECT_EQ(scale.HiValue(), 255);
}

TEST(AxisScaleRead, DifferencesCountFromTheStoredLowValue)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(100, 1000);
    scale.SetMaxLoValue(500);
    scale.StoreLo(700);
    EXPECT_EQ(scale.LoValue(), 500);
    scale.SetMaxValueDifference(100);
    scale.StoreHi(2000);
    EXPECT_EQ(scale.HiValue(), 800);  // 700 + 100, not 500 + 100
}

TEST(AxisScaleRead, LeastDifferenceCountsFromTheStoredLowValue)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(100, 1000);
    scale.SetMaxLoValue(500);
    scale.StoreLo(700);  // reads as 500
    scale.SetMinValueDifference(100);
    scale.StoreHi(650);
    EXPECT_EQ(scale.HiValue(), 800);  // 700 + 100, not 500 + 100 or 650
    scale.SetIsInteger(true);
    scale.StoreLo(700.5);
    EXPECT_EQ(scale.HiValue(), 801);  // ceil(700.5 + 100)
}

TEST(AxisScaleRead, LeastDifferenceWinsOverMaxHiValue)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(0, 255);
    scale.SetMaxHiValue(255);
    scale.SetMinValueDifference(5);
    scale.StoreLo(253);
    EXPECT_EQ(scale.HiValue(), 258);  // above MaxHiValue: the difference rule comes last
}

TEST(AxisScaleRead, IntegerEndsRoundHalvesToEven)
{
    TAxisScale scale = UnboundedScale();
    scale.SetIsInteger(true);
    scale.SetRange(2.5, 10);
    EXPECT_EQ(scale.LoValue(), 2);
    scale.SetLoValue(3.5);
    EXPECT_EQ(scale.LoValue(), 4);
    scale.SetHiValue(9.5);
    EXPECT_EQ(scale.HiValue(), 10);
    scale.SetRange(1e20 + 0.5, 3e20);  // beyond 32 bits: rounded as a double, no range error
    EXPECT_EQ(scale.LoValue(), 1e20);
}

TEST(AxisScaleRead, IntegerBoundsRoundInward)
{
    TAxisScale scale = UnboundedScale();
    scale.SetIsInteger(true);
    scale.SetRange(0.2, 50);
    scale.SetMinLoValue(0.5);
    EXPECT_EQ(scale.LoValue(), 1);  // ceil of the lower bound
    scale.SetMaxValueDifference(10.5);
    scale.StoreHi(100);
    EXPECT_EQ(scale.RawLoValue(), 0.5);
    EXPECT_EQ(scale.HiValue(), 11);  // floor(0.5 + 10.5)
}

TEST(AxisScaleStore, SetLoValueReportsTheRequestNotTheResult)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(0, 10);
    scale.SetMaxLoValue(3);
    EXPECT_TRUE(scale.SetLoValue(5));  // reads 3, asked 5
    EXPECT_TRUE(scale.SetLoValue(5));  // still reads 3, so it reports again
    EXPECT_FALSE(scale.SetLoValue(3));
}

TEST(AxisScaleStore, SetRangeReportsOnlyARealChange)
{
    TAxisScale scale = UnboundedScale();
    EXPECT_TRUE(scale.SetRange(10, 20));
    EXPECT_FALSE(scale.SetRange(10, 20));
    EXPECT_TRUE(scale.SetRange(10, 21));
}

TEST(AxisScaleStore, MarkerIsPulledIntoTheRange)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(0, 100);
    scale.SetMarkerValue(50);
    scale.SetLoValue(60);
    EXPECT_EQ(scale.MarkerValue(), 60);
    scale.SetRange(0, 40);  // low first (marker stays), then high pulls it down
    EXPECT_EQ(scale.MarkerValue(), 40);
}

TEST(AxisScaleStore, BoundsThatExcludeTheValueMoveIt)
{
    // The bound is in place before the value moves, so the value already reads as the request
    // and nothing is reported.
    TAxisScale scale = UnboundedScale();
    scale.SetRange(0, 100);
    EXPECT_FALSE(scale.SetMinLoValue(10));
    EXPECT_EQ(scale.RawLoValue(), 10);
    EXPECT_FALSE(scale.SetMaxHiValue(50));
    EXPECT_EQ(scale.RawHiValue(), 50);
    EXPECT_FALSE(scale.SetMinValueDifference(60));
    EXPECT_EQ(scale.RawHiValue(), 70);
    scale.SetMinValueDifference(0);
    EXPECT_FALSE(scale.SetMaxValueDifference(20));
    EXPECT_EQ(scale.RawHiValue(), 30);
    // Crossed bounds: the upper one wins the read, so the request differs and is reported.
    scale.SetMaxLoValue(5);
    EXPECT_TRUE(scale.SetMinLoValue(20));
    EXPECT_EQ(scale.LoValue(), 5);
}

TEST(AxisScaleStore, NonFiniteValuesAreIgnored)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TAxisScale scale = UnboundedScale();
    scale.SetRange(1, 2);
    EXPECT_FALSE(scale.SetLoValue(nan));
    EXPECT_FALSE(scale.SetHiValue(inf));
    EXPECT_FALSE(scale.SetRange(-inf, 5));
    EXPECT_FALSE(scale.SetMaxHiValue(nan));
    scale.SetMarkerValue(nan);
    EXPECT_EQ(scale.LoValue(), 1);
    EXPECT_EQ(scale.HiValue(), 2);
    EXPECT_EQ(scale.MaxHiValue(), TAxisScale::kUnbounded);
    EXPECT_EQ(scale.MarkerValue(), 1);
}

TEST(AxisScaleLog, SwitchingOnWithAZeroEndFailsAndStaysLinear)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(0, 10);
    EXPECT_EQ(ErrorOf([&] { scale.SetLogarithmic(true); }), "LoValue=0, must be >0 for log scale!");
    EXPECT_FALSE(scale.Logarithmic());
    scale.SetRange(-5, -2.5);
    EXPECT_EQ(ErrorOf([&] { scale.SetLogarithmic(true); }), "LoValue=-5, must be >0 for log scale!");
    scale.SetRange(1, 1);
    scale.StoreHi(-2.5);
    EXPECT_EQ(ErrorOf([&] { scale.SetLogarithmic(true); }), "HiValue=-2.5, must be >0 for log scale!");
    EXPECT_FALSE(scale.Logarithmic());
}

TEST(AxisScaleLog, NonPositiveStoreIsRefusedWithTheMessage)
{
    TAxisScale scale = UnboundedScale();
    scale.SetRange(1, 100);
    scale.SetLogarithmic(true);
    EXPECT_EQ(ErrorOf([&] { scale.SetLoValue(0); }), "LoValue=0, must be >0 for log scale!");
    EXPECT_EQ(ErrorOf([&] { scale.StoreHi(-1e-7); }), "HiValue=-1E-7, must be >0 for log scale!");
    EXPECT_EQ(scale.LoValue(), 1);  // refused values are not kept
    EXPECT_EQ(scale.HiValue(), 100);
    scale.SetLogarithmic(false);
    EXPECT_NO_THROW(scale.SetLoValue(0));
}
