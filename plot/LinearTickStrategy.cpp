#include "plot/LinearTickStrategy.h"

#include "plot/AxisNumberText.h"
#include "plot/NiceStep.h"

#include <algorithm>
#include <cmath>

namespace {

// More ticks than this cannot be told apart on the axis; the normal layout never gets here, only
// the fallback step of 1 on a wide range would (and would not fit in memory for 0..1E12).
int64_t MaxTickCount(int32_t length) { return 4 * int64_t(std::max(length, 1)) + 8; }

}  // namespace

int64_t WantedTickIntervals(int32_t length, int32_t tickSpaceAim)
{
    if (tickSpaceAim == 0)
        return 3;
    const std::optional<double> span = NiceStep(double(length) - 1);
    if (!span)
        return 3;
    return int64_t(std::nearbyint(*span)) / tickSpaceAim;
}

TLinearTickLayout LinearTickLayout(double lo, double hi, int64_t wanted)
{
    TLinearTickLayout layout;
    layout.step = 1.0;
    if (wanted != 0)
        layout.step = NiceStep((hi - lo) / double(wanted)).value_or(1.0);
    if (layout.step == 0) {
        layout.first = 0;
        layout.count = 3;
        return layout;
    }
    layout.first = std::trunc(lo / layout.step) * layout.step;
    if (!std::isfinite(layout.first))
        layout.first = 0;
    if (lo > layout.first)
        layout.first += layout.step;
    const double intervals = std::trunc((hi - lo) / layout.step);
    layout.count = std::fabs(intervals) < 9e15 ? int64_t(intervals) + 2 : 3;
    return layout;
}

QString LinearTickLabel(double value, double rawSpan, QChar decimalSeparator)
{
    if (rawSpan == 0 || std::fabs(value / rawSpan) < 1e-5)
        return QStringLiteral("0");
    return FormatSignificant(value, 8, decimalSeparator);
}

TAxisTickList TLinearTickStrategy::Ticks(const TAxisTickInput& input) const
{
    const double lo = input.map.lo;
    const double hi = input.map.hi;
    TLinearTickLayout layout = LinearTickLayout(lo, hi, WantedTickIntervals(input.map.length, input.tickSpaceAim));
    if (layout.count > MaxTickCount(input.map.length))
        layout = LinearTickLayout(lo, hi, 1);
    if (layout.count > MaxTickCount(input.map.length))
        layout.count = 3;

    TAxisTickList ticks;
    for (int64_t i = 0; i < layout.count; ++i) {
        TAxisTick tick;
        tick.value = layout.first + double(i) * layout.step;
        tick.pixel = input.map.Pixel(tick.value);
        tick.label = LinearTickLabel(tick.value, input.rawSpan, input.decimalSeparator);
        ticks.push_back(std::move(tick));
    }
    return ticks;
}
