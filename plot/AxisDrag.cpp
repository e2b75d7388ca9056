#include "plot/AxisDrag.h"

#include <algorithm>
#include <cmath>

namespace {

std::optional<double> Finite(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

TAxisDragMode AxisZone(tposition position, int32_t extent, int32_t coordinate, const TAxisScrollSwitches& switches)
{
    if (!IsVerticalPosition(position) && !IsHorizontalPosition(position))
        return TAxisDragMode::none;
    if (!switches.lo && !switches.hi)
        return TAxisDragMode::none;
    if (!switches.lo)
        return TAxisDragMode::hi;
    if (!switches.hi)
        return TAxisDragMode::lo;
    // Both ends: the first zone along the coordinate is the high end on a vertical axis (top)
    // and the low end on a horizontal one (left).
    const TAxisDragMode nearZone = IsVerticalPosition(position) ? TAxisDragMode::hi : TAxisDragMode::lo;
    const TAxisDragMode farZone = IsVerticalPosition(position) ? TAxisDragMode::lo : TAxisDragMode::hi;
    if (!switches.mid)
        return coordinate < extent / 2 ? nearZone : farZone;
    if (coordinate < extent / 3)
        return nearZone;
    if (coordinate > (extent / 3) * 2)
        return farZone;
    return TAxisDragMode::pan;
}

int32_t DragAnchor(int32_t coordinate, int32_t length)
{
    int32_t anchor = std::max(coordinate, 11);
    const int64_t upper = int64_t(length) - 11;
    if (anchor > upper)
        anchor = int32_t(std::max<int64_t>(upper, INT32_MIN));
    return anchor;
}

void TAxisDrag::Press(const TAxisDragFrame& frame, const TAxisScrollSwitches& switches, int32_t coordinate,
                      double lo, double hi)
{
    frame_ = frame;
    const bool vertical = IsVerticalPosition(frame.position);
    anchor_ = DragAnchor(coordinate, AxisLength(frame.position, frame.width, frame.height));
    mode_ = AxisZone(frame.position, vertical ? frame.height : frame.width, anchor_, switches);
    lo0_ = lo;
    hi0_ = hi;
}

TAxisDragResult TAxisDrag::Move(int32_t coordinate) const
{
    if (mode_ == TAxisDragMode::none)
        return {};
    return IsVerticalPosition(frame_.position) ? MoveVertical(coordinate) : MoveHorizontal(coordinate);
}

double TAxisDrag::Interpolate(double from, double to, double fraction) const
{
    if (frame_.logarithmic)
        return from * std::pow(to / from, fraction);
    return from + fraction * (to - from);
}

TAxisDragResult TAxisDrag::MoveVertical(int32_t y) const
{
    const double d = anchor_;
    const double height = frame_.height;
    TAxisDragResult result;
    switch (mode_) {
    case TAxisDragMode::lo:
        result.lo = Finite(Interpolate(hi0_, lo0_, d / double(std::max(y, 10))));
        break;
    case TAxisDragMode::pan: {
        const double t = (double(y) - d) / height;
        if (frame_.logarithmic) {
            result.hi = Finite(hi0_ * std::pow(hi0_ / lo0_, t));
            result.lo = Finite(lo0_ * std::pow(hi0_ / lo0_, t));
        } else {
            result.hi = Finite(hi0_ + t * (hi0_ - lo0_));
            result.lo = Finite(lo0_ + t * (hi0_ - lo0_));
        }
        break;
    }
    case TAxisDragMode::hi: {
        const double pointer = std::min(double(y), height - 10);
        result.hi = Finite(Interpolate(lo0_, hi0_, (height - d) / (height - pointer)));
        break;
    }
    case TAxisDragMode::none:
        break;
    }
    return result;
}

TAxisDragResult TAxisDrag::MoveHorizontal(int32_t x) const
{
    const double d = anchor_;
    const double width = frame_.width;
    TAxisDragResult result;
    switch (mode_) {
    case TAxisDragMode::lo: {
        const double pointer = std::min(double(x), width - 10);
        result.lo = Finite(Interpolate(hi0_, lo0_, (width - d) / (width - pointer)));
        break;
    }
    case TAxisDragMode::pan: {
        const double t = (double(x) - d) / width;
        if (frame_.logarithmic) {
            result.hi = Finite(hi0_ * std::pow(hi0_ / lo0_, -t));
            result.lo = Finite(lo0_ * std::pow(hi0_ / lo0_, -t));
        } else {
            result.hi = Finite(hi0_ - t * (hi0_ - lo0_));
            result.lo = Finite(lo0_ - t * (hi0_ - lo0_));
        }
        break;
    }
    case TAxisDragMode::hi:
        result.hi = Finite(Interpolate(lo0_, hi0_, d / double(std::max(x, 10))));
        break;
    case TAxisDragMode::none:
        break;
    }
    return result;
}
