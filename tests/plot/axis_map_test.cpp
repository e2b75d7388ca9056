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

TEST(AxisMap, PixelCellsPutEachValueAtTheCentreOfItsCell)
{
    // Four cells over ten pixels: 2.5 pixels each, centres at 1.25, 3.75, 6.25, 8.75.
    TAxisScaleMap map = MapOf(0, 3, 10, posunder, false);
    map.cells = true;
    EXPECT_EQ(map.Pixel(0), 1);
    EXPECT_EQ(map.Pixel(1), 3);
    EXPECT_EQ(map.Pixel(2), 6);
    EXPECT_EQ(map.Pixel(3), 8);
    // The cell holding each pixel's centre: 0.5·4/10 = 0.2, 2.5·0.4 = 1.0 (a border: the cell after it).
    const double cells[10] = {0, 0, 1, 1, 1, 2, 2, 3, 3, 3};
    for (int32_t p = 0; p < 10; ++p)
        EXPECT_EQ(map.Cell(p), cells[p]) << p;
    EXPECT_EQ(map.Cell(-4), 0);  // outside: the nearest end
    EXPECT_EQ(map.Cell(12), 3);
    EXPECT_DOUBLE_EQ(map.Value(5), 1.7);  // 5.5·0.4 − 0.5
    EXPECT_EQ(map.Value(0), 0);          // −0.3, clamped to the range
    // Reversed vertical (row 0 at the top) and frames 100 … 103.
    TAxisScaleMap rows = MapOf(100, 103, 10, posleft, true);
    rows.cells = true;
    EXPECT_EQ(rows.Pixel(100), 1);
    EXPECT_EQ(rows.Cell(9), 103);
    TAxisScaleMap up = MapOf(100, 103, 10, posleft, false);
    up.cells = true;
    EXPECT_EQ(up.Pixel(100), 8);  // low values at the bottom
    EXPECT_EQ(up.Cell(9), 100);
}

TEST(AxisMap, MoreCellsThanPixelsPickTheCellDrawn)
{
    // Four cells over two pixels: pixel centres at 1.0 and 3.0 cells, both borders.
    EXPECT_EQ(CellAtPixel(0, 4, 2), 1);
    EXPECT_EQ(CellAtPixel(1, 4, 2), 3);
    EXPECT_EQ(CellAtPixel(-1, 4, 2), -1);
    // 512 frames over 100 pixels: (2·37 + 1)·512 / 200 = 192.
    EXPECT_EQ(CellAtPixel(37, 512, 100), 192);
    EXPECT_EQ(CellAtPixel(3, 5000000000, 7), 2500000000);  // (7·5e9)/14, past 32 bits
}
