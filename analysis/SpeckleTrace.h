#pragma once
// The speckle trace the main window owns: the 100 points of the last run and what they were
// computed for, so that clicking the same pixel of the same frame again costs nothing.

#include "analysis/SpeckleTracker.h"

class TSpeckleTrace {
public:
    // 100 points at (0, 0), nothing tracked yet.
    TSpeckleTrace();

    const TSpecklePoints& Points() const { return points_; }
    // TraceStartFrame and the start pixel of the points.
    int32_t StartFrame() const { return startFrame_; }
    QPoint StartPixel() const { return start_; }

    // TrackSpeckle: the trace of the patch around `start` from frame `startFrame` on. Returns
    // false, doing nothing, when the points already are that trace: same start frame, start pixel
    // and settings, none of the pixels changed since (see Invalidate). Errors as
    // TSpeckleTracker::Track; a failed run is tracked again by the next call.
    bool TrackSpeckle(TPixelSource& pixels, int32_t startFrame, QPoint start, const TSpeckleSettings& settings,
                      const TSpeckleHooks& hooks = {});

    // The pixels have changed (another sequence, another frame size): the next TrackSpeckle
    // computes even for the same start. The points stay until then.
    void Invalidate() { current_ = false; }
    // Another sequence: its points mean nothing there, so they go (back to the start state).
    void Clear();
    // Whether the points are a trace (a run has written them since the start or the last Clear).
    bool Tracked() const { return tracked_; }

private:
    TSpeckleTracker tracker_;
    TSpecklePoints points_{};
    int32_t startFrame_ = 0;
    QPoint start_{0, 0};
    TSpeckleSettings settings_;
    bool current_ = false;
    bool tracked_ = false;
};
