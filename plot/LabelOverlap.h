#pragma once
// Thinning of logarithmic tick labels: labels are placed pass by pass, most important first,
// and a label whose span along the axis is already taken is cleared (its tick mark stays).

#include "plot/AxisTick.h"

#include <cstdint>
#include <functional>
#include <vector>

// One cell per pixel of the axis; spans are clamped to the axis.
class TLabelOccupancy {
public:
    explicit TLabelOccupancy(int32_t length);
    bool AnyOccupied(int64_t first, int64_t last) const;
    void Occupy(int64_t first, int64_t last);

private:
    bool Clamp(int64_t& first, int64_t& last) const;
    std::vector<bool> cells_;
};

struct TLabelPassPolicy {
    std::vector<int> order;       // pass keys in visiting order
    int margin = 0;               // free cells wanted each side of a label
    size_t keptPasses = SIZE_MAX; // passes from this index on are always cleared
};

// Ticks whose key is not in the order are left alone.
void RemoveOverlappingLabels(TAxisTickList& ticks, int32_t length, bool vertical, const TLabelMetrics& metrics,
                             const TLabelPassPolicy& policy, const std::function<int(const TAxisTick&)>& keyOf);
