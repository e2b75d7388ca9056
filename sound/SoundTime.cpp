#include "sound/SoundTime.h"

#include <cmath>

TSoundTimebase SoundTimebaseOf(const TSequenceHeader& header)
{
    return {header.FrameCount, header.FirstFrame, header.Trigger, header.FramesPerSecond};
}

double FrameToSoundTime(const TSoundTimebase& base, double h, int32_t frame)
{
    const int64_t number = int64_t(base.FirstFrame) + frame - base.Trigger;
    return double(number) / base.FramesPerSecond + h;
}

int32_t SoundTimeToFrame(const TSoundTimebase& base, double h, double seconds)
{
    if (base.FrameCount <= 0 || !std::isfinite(seconds) || !(base.FramesPerSecond > 0))
        return 0;
    // A frame lasts from its start to the next one's; a tiny allowance keeps a time computed from
    // a frame's start on that frame despite rounding.
    const double v = std::floor((seconds - h) * base.FramesPerSecond + 1e-9) + base.Trigger - base.FirstFrame;
    if (v >= double(base.FrameCount - 1))
        return base.FrameCount - 1;
    if (v <= 0)
        return 0;
    return int32_t(v);
}

double SyncTimeAtFrame(const TSoundTimebase& base, int32_t frame, double seconds)
{
    return seconds - FrameToSoundTime(base, 0, frame);
}
