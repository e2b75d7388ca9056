#pragma once
// Playback against the clock: the frame to show at a tick, from the anchor and the rate, with
// the loop over the kymogram's span.

#include <QElapsedTimer>
#include <cstdint>
#include <vector>

// The playback timer's interval.
constexpr int kPlaybackTickMs = 20;

// The time source of playback, in days; tests drive their own.
class TPlaybackClock {
public:
    virtual ~TPlaybackClock() = default;
    virtual double NowDays() const = 0;
};

// A steady clock: wall-clock adjustments (daylight saving, time sync) never make playback jump.
class TSteadyClock : public TPlaybackClock {
public:
    TSteadyClock() { timer_.start(); }
    double NowDays() const override { return double(timer_.nsecsElapsed()) / 86400e9; }

private:
    QElapsedTimer timer_;
};

struct TPlaybackSpan {
    double lo = 0;  // the kymogram's frame axis
    double hi = 100;
    int32_t frameCount = 128;
    int32_t firstCachedFrame = 0;
};

struct TPlaybackTick {
    int32_t frame = 0;
    bool anchorReset = false;  // the loop wrapped: anchor again at this frame, now
};

// The frame for a tick at `now` (days) with the anchor and rate (frames per second).
TPlaybackTick PlaybackFrame(double now, double anchorTime, int32_t anchorFrame, double rate,
                            const TPlaybackSpan& span);

// The ticks that would follow `now`, `tickDays` apart, each computed as a tick computes it (with
// the anchor reset at every wrap): what playback is about to show.
std::vector<TPlaybackTick> ComingTicks(double now, double tickDays, int count, double anchorTime, int32_t anchorFrame,
                                       double rate, const TPlaybackSpan& span);
