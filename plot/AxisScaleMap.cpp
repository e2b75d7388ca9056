#include "plot/AxisScaleMap.h"

#include "plot/AxisArithmetic.h"

#include <cmath>

namespace {

int32_t Flip(int32_t pixel, int32_t length)
{
    return SaturateToInt32(int64_t(length) - 1 - int64_t(pixel));
}

}  // namespace

int32_t TAxisScaleMap::UnclampedPixel(double value) const
{
    double exact = 0;
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
    if (length != 1) {
        if (!logarithmic) {
            if (lo != hi)
                value = lo + q * (hi - lo) / (double(length) - 1);
        } else if (lo > 0 && hi > 0 && q > 0) {
            value = lo * std::pow(10.0, std::log10(hi / lo) * q / (double(length) - 1));
        }
    }
    if (!std::isfinite(value))
        value = 0;
    if (value < lo)
        value = lo;
    if (value > hi)
        value = hi;
    return value;
}
