// Frames on the sound's time axis and back.
#include "sound/SoundTime.h"

#include <gtest/gtest.h>
#include <limits>

TEST(SoundTime, FramesMapByTheSyncRuleAndBackToTheSameFrame)
{
    // 0 + 500 - 0 frames at 1000 frames/s: 0.5 s.
    const TSoundTimebase plain{2048, 0, 0, 1000};
    EXPECT_DOUBLE_EQ(FrameToSoundTime(plain, 0, 500), 0.5);
    // F0 = 100, T = 612, r = 4000, h = 2.048: frame 12 is at (100 + 12 - 612) / 4000 + 2.048 = 1.923.
    const TSoundTimebase triggered{2048, 100, 612, 4000};
    EXPECT_DOUBLE_EQ(FrameToSoundTime(triggered, 2.048, 12), 1.923);
    EXPECT_EQ(SoundTimeToFrame(triggered, 2.048, 1.923), 12);
    // Anywhere inside the frame's 1/4000 s is that frame; its end is the next one.
    EXPECT_EQ(SoundTimeToFrame(triggered, 2.048, 1.923 + 0.000249), 12);
    EXPECT_EQ(SoundTimeToFrame(triggered, 2.048, 1.923 + 0.00025), 13);
    for (int32_t frame : {0, 1, 511, 1024, 2047})
        EXPECT_EQ(SoundTimeToFrame(triggered, 2.048, FrameToSoundTime(triggered, 2.048, frame)), frame) << frame;
}

TEST(SoundTime, TimesOutsideTheVideoClampAndTheSyncTimeCanBeSetHere)
{
    const TSoundTimebase base{2048, 0, 0, 1000};
    EXPECT_EQ(SoundTimeToFrame(base, 0, 1e9), 2047);
    EXPECT_EQ(SoundTimeToFrame(base, 0, -1e9), 0);
    EXPECT_EQ(SoundTimeToFrame(base, 0, std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(SoundTimeToFrame(TSoundTimebase{0, 0, 0, 1000}, 0, 1), 0);
    // "Sound time here is 3.1" at frame 100: h = 3.1 - 0.1 = 3.0, after which frame 100 is at 3.1.
    EXPECT_DOUBLE_EQ(SyncTimeAtFrame(base, 100, 3.1), 3.0);
    EXPECT_DOUBLE_EQ(FrameToSoundTime(base, SyncTimeAtFrame(base, 100, 3.1), 100), 3.1);
}
