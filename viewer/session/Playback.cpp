#include "viewer/session/Playback.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Rounding for frame numbers that cannot fail: a runaway clock or rate saturates.
int32_t SaturatingRound(double value)
{
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded))
        return 0;
    if (rounded <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (rounded >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return int32_t(rounded);
}

int32_t SaturatingTrunc(double value) { return SaturatingRound(std::trunc(value)); }

}  // namespace

TPlaybackTick PlaybackFrame(double now, double anchorTime, int32_t anchorFrame, double rate, const TPlaybackSpan& span)
{
    TPlaybackTick tick;
    int32_t n = SaturatingRound((now - anchorTime) * rate * 24 * 60 * 60 + anchorFrame);
    if (n > span.hi) {
        n = SaturatingTrunc(span.lo + 1);
        tick.anchorReset = true;
    }
    if (n < span.lo) {
        n = SaturatingTrunc(span.hi);
        tick.anchorReset = true;
    }
    if (n > span.frameCount - 1) {
        n = span.firstCachedFrame < 0 ? 0 : span.firstCachedFrame;
        tick.anchorReset = true;
    }
    if (n < 0) {
        n = span.frameCount - 1;
        tick.anchorReset = true;
    }
    tick.frame = n;
    return tick;
}

std::vector<TPlaybackTick> ComingTicks(double now, double tickDays, int count, double anchorTime, int32_t anchorFrame,
                                       double rate, const TPlaybackSpan& span)
{
    std::vector<TPlaybackTick> ticks;
    ticks.reserve(size_t(std::max(count, 0)));
    for (int k = 1; k <= count; ++k) {
        const double at = now + k * tickDays;
        const TPlaybackTick tick = PlaybackFrame(at, anchorTime, anchorFrame, rate, span);
        if (tick.anchorReset) {
            anchorTime = at;
            anchorFrame = tick.frame;
        }
        ticks.push_back(tick);
    }
    return ticks;
}
