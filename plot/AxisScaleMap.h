#pragma once
// Value <-> pixel along an axis of `length` pixels, linear or logarithmic, pixel 0 at the top or
// left edge. Any arithmetic failure (zero span, NaN, overflow) maps to pixel 0 or value 0 before
// the direction and the clamping are applied, so a bad range never escapes as an exception.

#include <cstdint>

// The cell of `cells` equal cells stretched over `length` pixels that is drawn at `pixel`: the one
// holding the pixel's centre, floor((2·pixel + 1)·cells / (2·length)), in whole numbers. Pixels
// outside the axis give cells outside 0 … cells − 1. The image boxes draw with it, and the
// image axes pick with it, so a click takes the pixel drawn under the cursor.
int64_t CellAtPixel(int64_t pixel, int64_t cells, int64_t length);

struct TAxisScaleMap {
    double lo = 0;
    double hi = 1;
    int32_t length = 0;
    bool logarithmic = false;
    bool flipped = false;  // pixels count from the far end (see AxisFlips)
    // Linear axes of image pixels or frames: lo and hi are the centres of the first and last of
    // hi − lo + 1 equal cells that fill the axis, so each value sits at the centre of its cell.
    bool cells = false;

    // Pixel of a value, outside [0, length - 1] for values beyond the range.
    int32_t UnclampedPixel(double value) const;
    // The same clamped to the axis; 0 on an axis without pixels.
    int32_t Pixel(double value) const;
    // Value at a pixel, clamped to [lo, hi].
    double Value(int32_t pixel) const;
    // The whole value drawn at a pixel, clamped to [lo, hi]: with cells the cell holding the
    // pixel's centre, otherwise Value rounded to the nearest (halves to even).
    double Cell(int32_t pixel) const;

private:
    bool UsesCells() const;
    // Finite and clamped to [lo, hi] (the lower bound first); a failure reads as 0 first.
    double InRange(double value) const;
    double CellCount() const { return hi - lo + 1; }
};
