#include "plot/AxisScaleMap.h"

#include "plot/AxisArithmetic.h"

#include <cmath>
#include <limits>

namespace {

__extension__ typedef __int128 TWide;  // (2·pixel + 1)·cells needs more than 64 bits for huge ranges

int32_t Flip(int32_t pixel, int32_t length)
{
    return SaturateToInt32(int64_t(length) - 1 - int64_t(pixel));
}

}  // namespace

int64_t CellAtPixel(int64_t pixel, int64_t cells, int64_t length)
{
    if (cells <= 0 || length <= 0)
        return 0;
    // Whole numbers: a pixel centre on a cell border belongs to the cell after it, as drawn.
    const TWide numerator = (2 * TWide(pixel) + 1) * cells;
    const TWide denominator = 2 * TWide(length);
    TWide cell = numerator / denominator;
    if (numerator % denominator != 0 && numerator < 0)
        --cell;  // floor, not truncation, left of the axis
    return int64_t(cell);
}

bool TAxisScaleMap::UsesCells() const { return cells && !logarithmic && length > 0 && CellCount() > 0; }

int32_t TAxisScaleMap::UnclampedPixel(double value) const
{
    double exact = 0;
    if (UsesCells()) {
        // The pixel that holds the centre of the value's cell.
        const double centre = (value - lo + 0.5) * double(length) / CellCount();
        const int32_t pixel = std::isfinite(centre) ? TryRoundToInt32(std::floor(centre)).value_or(0) : 0;
        return flipped ? Flip(pixel, length) : pixel;
    }
    if (!logarithmic) {
        if (lo != hi)
            exact = (double(length) - 1) * (value - lo) / (hi - lo);
    } else if (lo > 0 && value > 0 && hi > 0) {
        exact = std::log10(value / lo) * (double(length) - 1) / std::log10(hi / lo);
    }
    const int32_t pixel = TryRoundToInt32(exact).value_or(0);
    return flipped ? Flip(pixel, length) : pixel;
}

int32_t TAxisScaleMap::Pixel(double value) const
{
    const int32_t pixel = UnclampedPixel(value);
    if (pixel < 0 || length <= 0)
        return 0;
    return pixel > length - 1 ? length - 1 : pixel;
}

double TAxisScaleMap::Value(int32_t pixel) const
{
    const double q = flipped ? double(length) - 1 - double(pixel) : double(pixel);
    double value = 0;
    if (UsesCells()) {
        value = lo + (q + 0.5) * CellCount() / double(length) - 0.5;
    } else if (length != 1) {
        if (!logarithmic) {
            if (lo != hi)
                value = lo + q * (hi - lo) / (double(length) - 1);
        } else if (lo > 0 && hi > 0 && q > 0) {
            value = lo * std::pow(10.0, std::log10(hi / lo) * q / (double(length) - 1));
        }
    }
    return InRange(value);
}

double TAxisScaleMap::InRange(double value) const
{
    if (!std::isfinite(value))
        value = 0;
    if (value < lo)
        value = lo;
    if (value > hi)
        value = hi;
    return value;
}

double TAxisScaleMap::Cell(int32_t pixel) const
{
    double value = 0;
    const int64_t q = flipped ? int64_t(length) - 1 - int64_t(pixel) : int64_t(pixel);
    const double whole = std::ldexp(1.0, 53);
    if (UsesCells() && lo == std::floor(lo) && std::fabs(lo) < whole && CellCount() < whole) {
        value = lo + double(CellAtPixel(q, int64_t(CellCount()), length));
    } else {
        value = std::nearbyint(Value(pixel));
    }
    return InRange(value);
}
