#pragma once
// Stepping through the frames from the keyboard: one frame, ten, to the ends, a kymogram span at
// a time, or straight to a frame. Every move goes through the session's frame setter, so the
// block, the kymogram span, the spectra and the companion link follow as for any other change.

#include <QString>
#include <cstdint>

class TViewerSession;

enum class TFrameStep { previous, next, back10, forward10, first, last, pageBack, pageForward };

// The frame a step leads to from `current`: inside 0 … frameCount − 1 (0 for an empty sequence).
// A page is `spanLength` frames, the kymogram's span.
int32_t FrameStepTarget(TFrameStep step, int32_t current, int32_t frameCount, int32_t spanLength);

// A frame asked for by number, taken into 0 … frameCount − 1.
int32_t ClampToSequence(int64_t frame, int32_t frameCount);

// The step on the session. Playback stops first, as for a click in the kymogram: a running
// clock would take the frame straight back.
void StepFrame(TViewerSession& session, TFrameStep step);
void GoToFrame(TViewerSession& session, int64_t frame);
// What GoToFrame did with a frame outside the sequence ("Frame 99999 is past the last frame,
// 299: went there"); empty for a frame inside it.
QString GoToFrameNotice(int64_t frame, int32_t frameCount);

// The time of a frame from the start of the file, in milliseconds with three decimals
// ("12.605 ms"); empty for a rate that is not positive.
QString FrameTimeText(int32_t frame, double framesPerSecond);
