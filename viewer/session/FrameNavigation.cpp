#include "viewer/session/FrameNavigation.h"

#include "analysis/Kymogram.h"
#include "viewer/session/ViewerSession.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int64_t kBigStep = 10;
}  // namespace

int32_t ClampToSequence(int64_t frame, int32_t frameCount)
{
    const int64_t last = std::max<int64_t>(0, int64_t(frameCount) - 1);
    return int32_t(std::clamp<int64_t>(frame, 0, last));
}

int32_t FrameStepTarget(TFrameStep step, int32_t current, int32_t frameCount, int32_t spanLength)
{
    const int64_t page = std::max(1, spanLength);
    int64_t target = current;
    switch (step) {
    case TFrameStep::previous: target -= 1; break;
    case TFrameStep::next: target += 1; break;
    case TFrameStep::back10: target -= kBigStep; break;
    case TFrameStep::forward10: target += kBigStep; break;
    case TFrameStep::first: target = 0; break;
    case TFrameStep::last: target = int64_t(frameCount) - 1; break;
    case TFrameStep::pageBack: target -= page; break;
    case TFrameStep::pageForward: target += page; break;
    }
    return ClampToSequence(target, frameCount);
}

void StepFrame(TViewerSession& session, TFrameStep step)
{
    const TAxisScale& span = session.KymogramSpan();
    const int32_t length = KymogramSpanOf(span.LoValue(), span.HiValue()).length;
    const int32_t target =
        FrameStepTarget(step, session.View().CurrentFrame, session.Sequence().Header().FrameCount, length);
    session.SetPlaying(false);
    session.SetCurrentFrame(target);
}

void GoToFrame(TViewerSession& session, int64_t frame)
{
    session.SetPlaying(false);
    session.SetCurrentFrame(ClampToSequence(frame, session.Sequence().Header().FrameCount));
}

QString GoToFrameNotice(int64_t frame, int32_t frameCount)
{
    const int32_t target = ClampToSequence(frame, frameCount);
    if (target == frame)
        return QString();
    if (frame < target)
        return QStringLiteral("Frame %1 is before the first frame: went to frame %2").arg(frame).arg(target);
    return QStringLiteral("Frame %1 is past the last frame: went to frame %2").arg(frame).arg(target);
}

QString FrameTimeText(int32_t frame, double framesPerSecond)
{
    if (!(framesPerSecond > 0) || !std::isfinite(framesPerSecond))
        return QString();
    return QStringLiteral("%1 ms").arg(double(frame) * 1000.0 / framesPerSecond, 0, 'f', 3);
}
