#pragma once
// Positions asked of a sequence by a script (tremax-cli, the Python module): refused with a clear
// message (EError) when they lie outside the image or the recording.

#include "viewer/io/Sequence.h"

#include <QPoint>
#include <cstdint>

void CheckRow(const TSequence& sequence, int32_t row);
void CheckColumn(const TSequence& sequence, int32_t column);
void CheckPixel(const TSequence& sequence, QPoint pixel);
// Refuses a frame option outside the sequence: "--frame 4 is outside the sequence (frames 0
// to 3)".
void CheckFrameOption(const TSequence& sequence, const char* option, int32_t frame);
