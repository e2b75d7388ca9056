#include "analysis/PlotFit.h"

#include <algorithm>
#include <cmath>

TFitRange FitPowerRange(const float* powers, int32_t count, double maxSpan, double lowest, double highest)
{
    TFitRange range;
    double lo = 0;
    double hi = 0;
    for (int32_t i = 0; i < count; ++i) {
        const double p = powers[i];
        if (!std::isfinite(p))
            continue;
        if (!range.valid) {
            lo = hi = p;
            range.valid = true;
        }
        lo = std::min(lo, p);
        hi = std::max(hi, p);
    }
    if (!range.valid)
        return range;
    range.hi = std::clamp(std::ceil(hi), lowest, highest);
    range.lo = std::clamp(std::floor(lo), lowest, highest);
    if (range.hi - range.lo > maxSpan)
        range.lo = range.hi - maxSpan;
    if (range.hi - range.lo < 1) {
        if (range.hi + 1 <= highest)
            range.hi = range.lo + 1;
        else
            range.lo = range.hi - 1;
    }
    return range;
}

TFitRange FitGreyRange(const uint8_t* values, int32_t count, double minSpan)
{
    TFitRange range;
    if (count <= 0)
        return range;
    const auto [lo, hi] = std::minmax_element(values, values + count);
    range.lo = *lo;
    range.hi = *hi;
    if (range.hi - range.lo < minSpan) {
        range.hi = std::min(255.0, range.lo + minSpan);
        range.lo = range.hi - minSpan;
    }
    range.valid = true;
    return range;
}
