#include "plot/LabelOverlap.h"

#include <algorithm>

TLabelOccupancy::TLabelOccupancy(int32_t length) : cells_(size_t(std::max(length, 0)), false) {}

bool TLabelOccupancy::Clamp(int64_t& first, int64_t& last) const
{
    if (cells_.empty())
        return false;
    const int64_t end = int64_t(cells_.size()) - 1;
    first = std::clamp<int64_t>(first, 0, end);
    last = std::clamp<int64_t>(last, 0, end);
    return first <= last;
}

bool TLabelOccupancy::AnyOccupied(int64_t first, int64_t last) const
{
    if (!Clamp(first, last))
        return false;
    for (int64_t cell = first; cell <= last; ++cell)
        if (cells_[size_t(cell)])
            return true;
    return false;
}

void TLabelOccupancy::Occupy(int64_t first, int64_t last)
{
    if (!Clamp(first, last))
        return;
    for (int64_t cell = first; cell <= last; ++cell)
        cells_[size_t(cell)] = true;
}

void RemoveOverlappingLabels(TAxisTickList& ticks, int32_t length, bool vertical, const TLabelMetrics& metrics,
                             const TLabelPassPolicy& policy, const std::function<int(const TAxisTick&)>& keyOf)
{
    TLabelOccupancy occupancy(length);
    std::vector<int> keys;
    keys.reserve(ticks.size());
    for (const TAxisTick& tick : ticks)
        keys.push_back(keyOf(tick));

    for (size_t pass = 0; pass < policy.order.size(); ++pass) {
        for (size_t i = 0; i < ticks.size(); ++i) {
            TAxisTick& tick = ticks[i];
            if (keys[i] != policy.order[pass] || tick.label.isEmpty())
                continue;
            const int64_t pixel = tick.pixel;
            const int64_t halfExtent = (vertical ? metrics.Height(tick.label) : metrics.Width(tick.label)) / 2;
            if (pass >= policy.keptPasses ||
                occupancy.AnyOccupied(pixel - halfExtent - policy.margin, pixel + halfExtent + policy.margin))
                tick.label.clear();
            const int64_t halfWidth = metrics.Width(tick.label) / 2;
            occupancy.Occupy(pixel - halfWidth, pixel + halfWidth);
        }
    }
}
