#pragma once
// Which side of its plot an axis sits on, and what that means for its length and direction.

#include <cstdint>

// Stored as one byte; a value outside the four sides gives a 10-pixel axis that draws nothing.
enum tposition : uint8_t { posleft = 0, posright = 1, posover = 2, posunder = 3 };

inline bool IsVerticalPosition(tposition position) { return position == posleft || position == posright; }
inline bool IsHorizontalPosition(tposition position) { return position == posover || position == posunder; }

// Pixels along the axis: the height of a vertical axis, the width of a horizontal one.
inline int32_t AxisLength(tposition position, int32_t width, int32_t height)
{
    if (IsVerticalPosition(position))
        return height;
    if (IsHorizontalPosition(position))
        return width;
    return 10;
}

// Pixel 0 is the top or the left edge. A plain vertical axis puts its low values at the bottom,
// so it counts pixels backwards; a reversed horizontal axis does the same from the right.
inline bool AxisFlips(tposition position, bool reverse)
{
    return IsVerticalPosition(position) ? !reverse : reverse;
}
