#pragma once
// Value <-> pixel along an axis of `length` pixels, linear or logarithmic, pixel 0 at the top or
// left edge. Any arithmetic failure (zero span, NaN, overflow) maps to pixel 0 or value 0 before
// the direction and the clamping are applied, so a bad range never escapes as an exception.

#include <cstdint>

struct TAxisScaleMap {
    double lo = 0;
    double hi = 1;
    int32_t length = 0;
    bool logarithmic = false;
    bool flipped = false;  // pixels count from the far end (see AxisFlips)

    // Pixel of a value, outside [0, length - 1] for values beyond the range.
    int32_t UnclampedPixel(double value) const;
    // The same clamped to the axis; 0 on an axis without pixels.
    int32_t Pixel(double value) const;
    // Value at a pixel, clamped to [lo, hi].
    double Value(int32_t pixel) const;
};
