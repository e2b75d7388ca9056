#pragma once
// What the header of the open sequence says. Width and Height change only through the
// re-dimensioning setters of TSequence, FramesPerSecond only through SetRecordingRate.

#include <QString>
#include <cstdint>

struct TSequenceHeader {
    QString FileName;  // full path of the open frame file; empty when none is open
    int32_t Width = 64;
    int32_t Height = 64;
    int32_t FrameCount = 128;
    int32_t FirstFrame = 0;  // recording frame number of frame 0
    int32_t Trigger = 0;     // recording frame number of the trigger
    double FramesPerSecond = 1904;
};
