#pragma once
// Evenly spaced ticks on a nice 1-2-5 step, about `tickSpaceAim` pixels apart. The list always
// reaches past the high end; ticks beyond it sit clamped on the last pixel and lose their labels
// when painted.

#include "plot/AxisTick.h"

class TLinearTickStrategy final : public TAxisTickStrategy {
public:
    TAxisTickList Ticks(const TAxisTickInput& input) const override;
};

// First tick, step and count of a linear scale from lo to hi with about `wanted` intervals.
struct TLinearTickLayout {
    double first = 0;
    double step = 1;
    int64_t count = 3;
};
TLinearTickLayout LinearTickLayout(double lo, double hi, int64_t wanted);

// The number of intervals wanted on an axis of `length` pixels.
int64_t WantedTickIntervals(int32_t length, int32_t tickSpaceAim);

// The linear label: "0" for values that are zero relative to the span, else 8 digits.
QString LinearTickLabel(double value, double rawSpan, QChar decimalSeparator);
