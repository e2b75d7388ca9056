#include "analysis/SpeckleTrace.h"

TSpeckleTrace::TSpeckleTrace() { points_.fill(QPointF(0, 0)); }

bool TSpeckleTrace::TrackSpeckle(TPixelSource& pixels, int32_t startFrame, QPoint start,
                                 const TSpeckleSettings& settings, const TSpeckleHooks& hooks)
{
    // Options count as well as the start: a trace computed with other sizes is not this trace.
    if (current_ && startFrame == startFrame_ && start == start_ && settings == settings_)
        return false;
    current_ = false;
    startFrame_ = startFrame;
    start_ = start;
    settings_ = settings;
    tracked_ = true;
    tracker_.Track(pixels, startFrame, start, settings, hooks, points_);
    current_ = true;
    return true;
}

void TSpeckleTrace::Clear()
{
    points_.fill(QPointF(0, 0));
    current_ = false;
    tracked_ = false;
}
