// Playback: the Play button and the 20 ms timer that moves the frame by the clock.
#include "viewer/stremax1.h"

#include "plot/saxes.h"
#include "viewer/MainWindowPeers.h"

#include <QAction>

bool TForm1::PlayButtonDown() const { return playAction_->isChecked(); }

void TForm1::SetPlayButton(bool down)
{
    if (playAction_->isChecked() != down) {
        playAction_->setChecked(down);  // comes back here through the button's toggled signal
        return;
    }
    if (down) {
        ResetPlayAnchor();
        playTimer_.start();
    } else {
        playTimer_.stop();
    }
}

void TForm1::ResetPlayAnchor()
{
    view_.PlayAnchorTime = clock_.NowDays();
    view_.PlayAnchorFrame = view_.CurrentFrame;
}

void TForm1::PlaybackTick()
{
    if (!PlayButtonDown())
        return;
    TPlaybackSpan span;
    if (kymogram_) {
        span.lo = kymogram_->TimeAxis().LoValue();
        span.hi = kymogram_->TimeAxis().HiValue();
    } else {
        span.lo = 0;
        span.hi = sequence_.Header().FrameCount - 1;
    }
    span.frameCount = sequence_.Header().FrameCount;
    span.firstCachedFrame = sequence_.FirstCachedFrame();
    const double now = clock_.NowDays();
    const TPlaybackTick tick = PlaybackFrame(now, view_.PlayAnchorTime, view_.PlayAnchorFrame, view_.PlaybackRate, span);
    if (tick.anchorReset) {
        view_.PlayAnchorTime = now;
        view_.PlayAnchorFrame = tick.frame;
    }
    SetCurrentFrame(tick.frame);
}
