// The two conversions between frames and Sonel's time axis, and reading "hspsync".
#include "link/SonelSync.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(SonelConversion, FrameToTime)
{
    // h = 0, F0 = 0, T = 0, r = 1000: frame 500 -> 0.5 s.
    EXPECT_EQ(FrameToSonelTime({2048, 0, 0, 1000}, 0, 500), 0.5);
    // The integer sum first, then the division: (100 + 7 - 150) / 3 + 0.1 (value from python3).
    EXPECT_EQ(FrameToSonelTime({300, 100, 150, 3}, 0.1, 7), -14.233333333333334);
    // Sums beyond 32 bits do not wrap.
    EXPECT_EQ(FrameToSonelTime({10, 2147483647, -2147483647 - 1, 1}, 0, 9), 4294967304.0);
}

TEST(SonelConversion, TimeToFrameClampsAndRoundsHalvesToEven)
{
    const TSonelTimebase base{2048, 0, 0, 1000};
    EXPECT_EQ(SonelTimeToFrame(base, 2.048, 2.048), 2047);  // 2048 clamped to N - 1
    EXPECT_EQ(SonelTimeToFrame(base, 2.048, 0), 0);
    EXPECT_EQ(SonelTimeToFrame(base, 2.048, 1e300), 2047);  // far beyond the end
    EXPECT_EQ(SonelTimeToFrame(base, 2.048, -1e300), 0);    // far before the start
    EXPECT_EQ(SonelTimeToFrame(base, 2.048, std::numeric_limits<double>::quiet_NaN()), 0);

    // v = 100 + 4x, exact in binary: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 98.5 -> 98, 99.5 -> 99.
    const TSonelTimebase quarter{100, 0, 0, 4};
    EXPECT_EQ(SonelTimeToFrame(quarter, 0, -24.875), 0);
    EXPECT_EQ(SonelTimeToFrame(quarter, 0, -24.625), 2);
    EXPECT_EQ(SonelTimeToFrame(quarter, 0, -24.375), 2);
    EXPECT_EQ(SonelTimeToFrame(quarter, 0, -0.375), 98);
    EXPECT_EQ(SonelTimeToFrame(quarter, 0, -0.125), 99);
    // No frames at all: frame 0.
    EXPECT_EQ(SonelTimeToFrame({0, 0, 0, 1000}, 0, 5), 0);
}

TEST(SonelConversion, InverseOnlyWithFirstFrameZeroAndTriggerAtTheEnd)
{
    const TSonelTimebase inverse{2048, 0, 2048, 1000};
    for (int32_t frame : {0, 1, 1023, 2047})
        EXPECT_EQ(SonelTimeToFrame(inverse, 1.5, FrameToSonelTime(inverse, 1.5, frame)), frame);
    // F0 = 10, T = 5, N = 100, r = 1: frame 0 is at 5 s, and 5 s is 110 - (0 - 5) = 115 -> 99.
    const TSonelTimebase other{100, 10, 5, 1};
    EXPECT_EQ(FrameToSonelTime(other, 0, 0), 5.0);
    EXPECT_EQ(SonelTimeToFrame(other, 0, 5.0), 99);
}

TEST(SonelConversion, SyncTimeText)
{
    EXPECT_EQ(SyncTimeFromText(QStringLiteral("2.048")), 2.048);
    EXPECT_EQ(SyncTimeFromText(QStringLiteral(" -1e-3 ")), -0.001);
    EXPECT_EQ(SyncTimeFromText(QStringLiteral("2,048")), 0);  // a comma is not a number here
    EXPECT_EQ(SyncTimeFromText(QString()), 0);
    EXPECT_EQ(SyncTimeFromText(QStringLiteral("inf")), 0);
    EXPECT_EQ(SyncTimeFromText(QStringLiteral("2.048s")), 0);
}

}  // namespace
