#pragma once
// Where a video frame lies on the sound's time axis: t = (F0 + i - T) / r + h, the same rule as
// the companion link's, h being the sound's time of the trigger frame (the sample file's
// "hspsync", or what the user set). The way back is the exact inverse of that rule, so that a
// click on the sound lands on the frame whose band is drawn there.

#include "viewer/io/SequenceHeader.h"

#include <cstdint>

struct TSoundTimebase {
    int32_t FrameCount = 0;      // N
    int32_t FirstFrame = 0;      // F0
    int32_t Trigger = 0;         // T
    double FramesPerSecond = 0;  // r
};

// The timebase a sequence's header gives.
TSoundTimebase SoundTimebaseOf(const TSequenceHeader& header);

// Seconds on the sound's axis of the start of frame i (the integer sum formed first).
double FrameToSoundTime(const TSoundTimebase& base, double h, int32_t frame);
// The frame shown at sound time t: floor((t - h) * r) + T - F0, clamped to 0 ... N - 1 (0 when
// there are no frames or t is not a number).
int32_t SoundTimeToFrame(const TSoundTimebase& base, double h, double seconds);
// The h that puts `frame` at sound time `seconds` ("Sound time here is ...").
double SyncTimeAtFrame(const TSoundTimebase& base, int32_t frame, double seconds);
