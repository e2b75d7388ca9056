#pragma once
// Dragging an axis range with the mouse: which zone a press lands in, and the range that keeps
// the grabbed value under the pointer. A small state machine: none -> (press in a zone) low end,
// pan or high end -> (release or double click) none.
//
// Zones and formulas use the unreversed directions (high end at the top of a vertical axis, at
// the right of a horizontal one) whatever Reverse says.

#include "plot/AxisPosition.h"

#include <cstdint>
#include <optional>

enum class TAxisDragMode { none, lo, pan, hi };

struct TAxisScrollSwitches {
    bool lo = false;
    bool hi = false;
    bool mid = false;
    bool AnyEnd() const { return lo || hi; }
};

// The zone at `coordinate` (y on a vertical axis, x on a horizontal one) of a strip `extent`
// pixels long: thirds with the middle scroll, halves without, the whole strip for a lone end.
TAxisDragMode AxisZone(tposition position, int32_t extent, int32_t coordinate, const TAxisScrollSwitches& switches);

// The press coordinate kept 11 pixels away from both ends, so a drag never divides by almost
// nothing (lower limit first: on axes shorter than 22 pixels the upper one wins).
int32_t DragAnchor(int32_t coordinate, int32_t length);

struct TAxisDragFrame {
    tposition position = posleft;
    int32_t width = 0;
    int32_t height = 0;
    bool logarithmic = false;
};

// New ends for the current pointer; an end that could not be computed is left out.
// A pan gives both, to be stored high end first.
struct TAxisDragResult {
    std::optional<double> lo;
    std::optional<double> hi;
};

class TAxisDrag {
public:
    TAxisDragMode Mode() const { return mode_; }
    int32_t Anchor() const { return anchor_; }

    void Press(const TAxisDragFrame& frame, const TAxisScrollSwitches& switches, int32_t coordinate, double lo,
               double hi);
    TAxisDragResult Move(int32_t coordinate) const;
    void Reset() { mode_ = TAxisDragMode::none; }

private:
    TAxisDragResult MoveVertical(int32_t y) const;
    TAxisDragResult MoveHorizontal(int32_t x) const;
    // Linear: from + fraction * (to - from); logarithmic: from * (to / from)^fraction.
    double Interpolate(double from, double to, double fraction) const;

    TAxisDragMode mode_ = TAxisDragMode::none;
    TAxisDragFrame frame_;
    int32_t anchor_ = 0;
    double lo0_ = 0;
    double hi0_ = 1;
};
