#include "viewer/ui/SessionLink.h"

#include "viewer/session/ErrorHandler.h"
#include "viewer/session/ViewerSession.h"

TSessionLink::TSessionLink(TApplicationWindow& window, TViewerSession& session, TErrorHandler& errors)
    : link_(window), view_(session), sync_(Loaded(link_), view_)
{
    connect(&session, &TViewerSession::currentFrameChanged, this,
            [this, &errors](int32_t frame) { errors.Guarded([this, frame] { sync_.FrameChanged(frame); }); });
}

TSonellink& TSessionLink::Loaded(TSonellink& link)
{
    link.SetDLLName(QStringLiteral("sonellib32.dll"));
    link.Loaded();
    return link;
}

int32_t TSessionLink::TView::CurrentFrame() const { return session_.View().CurrentFrame; }

void TSessionLink::TView::SetCurrentFrame(int32_t frame) { session_.SetCurrentFrame(frame); }

void TSessionLink::TView::StopPlayback() { session_.SetPlaying(false); }

TSonelTimebase TSessionLink::TView::Timebase() const
{
    const TSequenceHeader& header = session_.Sequence().Header();
    return {header.FrameCount, header.FirstFrame, header.Trigger, header.FramesPerSecond};
}
