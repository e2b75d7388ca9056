// Value <-> pixel mapping of an axis, linear and logarithmic, in every direction.

#include "plot/AxisPosition.h"
#include "plot/AxisScaleMap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TAxisScaleMap MapOf(double lo, double hi, int32_t length, tposition position, bool reverse, bool log = false)
{
    TAxisScaleMap map;
    map.lo = lo;
    map.hi = hi;
    map.length = length;
    map.logarithmic = log;
    map.flipped = AxisFlips(position, reverse);
    return map;
}

}  // namespace

TEST(AxisGeometry, LengthAndDirectionFollowThePosition)
{
    EXPECT_EQ(AxisLength(posleft, 30, 200), 200);
    EXPECT_EQ(AxisLength(posunder, 300, 20), 300);
    EXPECT_EQ(AxisLength(tposition(7), 300, 20), 10);
    EXPECT_TRUE(AxisFlips(posleft, false));    // low values at the bottom
    EXPECT_FALSE(AxisFlips(posright, true));   // reversed: low at the top
    EXPECT_FALSE(AxisFlips(posunder, false));  // low at the left
    EXPECT_TRUE(AxisFlips(posover, true));
}

TEST(AxisMap, LinearEndsAndRounding)
{
    const TAxisScaleMap map = MapOf(0, 255, 256, posunder, false);
    EXPECT_EQ(map.Pixel(0), 0);
    EXPECT_EQ(map.Pixel(255), 255);
    EXPECT_EQ(map.Pixel(100.5), 100);  // half to even
    EXPECT_EQ(map.Pixel(101.5), 102);
    EXPECT_EQ(map.Pixel(-50), 0);      // clamped
    EXPECT_EQ(map.UnclampedPixel(300), 300);
    EXPECT_EQ(map.Pixel(300), 255);
}

TEST(AxisMap, PlainVerticalHasLowValuesAtTheBottom)
{
    const TAxisScaleMap map = MapOf(0, 100, 101, posleft, false);
    EXPECT_EQ(map.Pixel(0), 100);
    EXPECT_EQ(map.Pixel(100), 0);
    EXPECT_EQ(map.Value(10), 90);
}

TEST(AxisMap, ReversedVerticalReadsDownwards)
{
    const TAxisScaleMap map = MapOf(10, 20, 11, posleft, true);
    EXPECT_EQ(map.Value(2), 12);
    EXPECT_EQ(map.Pixel(12), 2);
}

TEST(AxisMap, PixelToValueInvertsValueToPixelEverywhere)
{
    for (const tposition position : {posleft, posright, posover, posunder})
        for (const bool reverse : {false, true})
            for (const bool log : {false, true}) {
                const TAxisScaleMap map = MapOf(2, 2000, 301, position, reverse, log);
                for (int32_t pixel = 0; pixel < 301; pixel += 15)
                    EXPECT_EQ(map.Pixel(map.Value(pixel)), pixel)
                        << "position " << int(position) << " reverse " << reverse << " log " << log;
            }
}

TEST(AxisMap, LogarithmicDecadesAreEvenlySpaced)
{
    const TAxisScaleMap map = MapOf(1, 1000, 301, posunder, false, true);
    EXPECT_EQ(map.Pixel(10), 100);
    EXPECT_EQ(map.Pixel(100), 200);
    EXPECT_DOUBLE_EQ(map.Value(100), 10);
    EXPECT_EQ(map.Value(0), 1);  // q = 0 gives 0, clamped up to the low end
}

TEST(AxisMap, ZeroRangeMapsToPixelZeroBeforeTheFlip)
{
    EXPECT_EQ(MapOf(5, 5, 100, posunder, false).Pixel(7), 0);
    EXPECT_EQ(MapOf(5, 5, 100, posleft, false).Pixel(7), 99);
    EXPECT_EQ(MapOf(5, 5, 100, posleft, false).Value(40), 5);
}

TEST(AxisMap, FailuresFallBackInsteadOfThrowing)
{
    // Log of a non-positive range or value.
    EXPECT_EQ(MapOf(-1, 10, 100, posunder, false, true).Pixel(5), 0);
    EXPECT_EQ(MapOf(1, 10, 100, posunder, false, true).Pixel(-3), 0);
    // A pixel far outside 32 bits.
    EXPECT_EQ(MapOf(0, 1e-300, 100, posunder, false).UnclampedPixel(1), 0);
    // A span that overflows to infinity.
    const TAxisScaleMap wide = MapOf(-1e308, 1e308, 100, posunder, false);
    EXPECT_EQ(wide.Value(50), 0);
    EXPECT_EQ(wide.Pixel(0), 0);
}

TEST(AxisMap, AxesWithoutPixelsStayInRange)
{
    for (const int32_t length : {0, 1}) {
        const TAxisScaleMap map = MapOf(0, 10, length, posleft, false);
        EXPECT_EQ(map.Pixel(5), 0);
        EXPECT_EQ(map.Pixel(-5), 0);
        EXPECT_EQ(map.Pixel(50), 0);
        const double value = map.Value(0);
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 10);
    }
}
