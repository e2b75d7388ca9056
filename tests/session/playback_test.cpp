// The frame shown at a playback tick: the clock, the rate and the loop over the kymogram span.
#include "viewer/session/Playback.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kSecond = 1.0 / 86400;

TPlaybackSpan Span(double lo, double hi, int32_t frames = 2048)
{
    TPlaybackSpan span;
    span.lo = lo;
    span.hi = hi;
    span.frameCount = frames;
    return span;
}

}  // namespace

TEST(Playback, TheFrameFollowsTheClockAndTheRate)
{
    EXPECT_EQ(PlaybackFrame(1 * kSecond, 0, 0, 20, Span(0, 100)).frame, 20);
    EXPECT_EQ(PlaybackFrame(2 * kSecond, 0, 0, 20, Span(0, 100)).frame, 40);
    EXPECT_EQ(PlaybackFrame(10 + 0.5 * kSecond, 10, 30, 20, Span(0, 100)).frame, 40);
    // Halves go to the even frame: 0.125 s at 20 frames/s is 2.5 frames.
    EXPECT_EQ(PlaybackFrame(0.125 * kSecond, 0, 0, 20, Span(0, 100)).frame, 2);
    EXPECT_FALSE(PlaybackFrame(1 * kSecond, 0, 0, 20, Span(0, 100)).anchorReset);
}

TEST(Playback, ForwardPlayWrapsJustAfterTheLowEndAndBackwardPlayAtTheHighEnd)
{
    const TPlaybackTick forward = PlaybackFrame(6 * kSecond, 0, 0, 20, Span(0, 100));  // 120 > 100
    EXPECT_EQ(forward.frame, 1);
    EXPECT_TRUE(forward.anchorReset);
    const TPlaybackTick backward = PlaybackFrame(3 * kSecond, 0, 50, -20, Span(0, 100));  // 50 - 60 < 0
    EXPECT_EQ(backward.frame, 100);
    EXPECT_TRUE(backward.anchorReset);
    EXPECT_EQ(PlaybackFrame(2.5 * kSecond, 0, 50, -20, Span(0, 100)).frame, 0);
    // A span past the end of the sequence loops back to the block's first frame.
    TPlaybackSpan pastTheEnd = Span(0, 100, 30);
    pastTheEnd.firstCachedFrame = 5;
    EXPECT_EQ(PlaybackFrame(2 * kSecond, 0, 0, 20, pastTheEnd).frame, 5);
    // Fractional ends: the integer part of lo + 1 and of hi.
    EXPECT_EQ(PlaybackFrame(20 * kSecond, 0, 0, 20, Span(10.6, 50.7)).frame, 11);
    EXPECT_EQ(PlaybackFrame(1 * kSecond, 0, 15, -20, Span(10.6, 50.7)).frame, 50);
}

TEST(Playback, TheLastFrameIsFrameCountMinusOne)
{
    // 30 frames: frame 29 is shown, frame 30 does not exist and wraps to the block's start.
    TPlaybackSpan span = Span(0, 100, 30);
    span.firstCachedFrame = 3;
    EXPECT_EQ(PlaybackFrame(1.45 * kSecond, 0, 0, 20, span).frame, 29);
    const TPlaybackTick end = PlaybackFrame(1.5 * kSecond, 0, 0, 20, span);
    EXPECT_EQ(end.frame, 3);
    EXPECT_TRUE(end.anchorReset);
}

TEST(Playback, ARunawayClockOrRateNeverOverflows)
{
    const TPlaybackTick huge = PlaybackFrame(1e9, 0, 0, 1e12, Span(0, 100));
    EXPECT_EQ(huge.frame, 1);
    const TPlaybackTick nan = PlaybackFrame(1, 0, 0, std::numeric_limits<double>::quiet_NaN(), Span(0, 100));
    EXPECT_GE(nan.frame, 0);
    EXPECT_LE(nan.frame, 100);
}
