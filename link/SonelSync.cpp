#include "link/SonelSync.h"

#include "link/Sonellink.h"
#include "platform/Conversions.h"

#include <cmath>

double FrameToSonelTime(const TSonelTimebase& base, double h, int32_t frame)
{
    const int64_t recording = int64_t(base.FirstFrame) + frame - base.Trigger;
    return double(recording) / base.FramesPerSecond + h;
}

int32_t SonelTimeToFrame(const TSonelTimebase& base, double h, double time)
{
    const double v = double(int64_t(base.FirstFrame) + base.FrameCount) - (h - time) * base.FramesPerSecond;
    const int32_t last = base.FrameCount - 1;
    int32_t frame;
    if (std::isnan(v))
        frame = 0;
    else if (v >= double(last))
        frame = last;  // rounding can only go further up
    else if (v <= 0)
        frame = 0;
    else
        frame = RoundToInt(v);
    if (frame > last)
        frame = last;
    if (frame < 0)
        frame = 0;
    return frame;
}

double SyncTimeFromText(const QString& text)
{
    double h = 0;
    return TryStrToFloat(text, h, QLatin1Char('.')) ? h : 0;
}

namespace {

// Sets a flag for a scope, also when it is left by an exception.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

TSonelSync::TSonelSync(TSonellink& link, TSyncView& view) : link_(link), view_(view)
{
    link_.OnLinkCursor = [this](TSonellink&, double caret) { Sonellink1LinkCursor(caret); };
}

TSonelSync::~TSonelSync()
{
    link_.OnLinkCursor = nullptr;
}

double TSonelSync::SyncTime()
{
    return SyncTimeFromText(link_.ReadHeaderValue(kSyncItem));
}

double TSonelSync::FrameToSonelTime(int32_t frame)
{
    const double h = SyncTime();
    return ::FrameToSonelTime(view_.Timebase(), h, frame);
}

int32_t TSonelSync::SonelTimeToFrame(double time)
{
    const double h = SyncTime();
    return ::SonelTimeToFrame(view_.Timebase(), h, time);
}

void TSonelSync::Linktosonel1Click()
{
    linkTo_ = !linkTo_;
    link_.SetEnabled(linkTo_ || linkFrom_);
}

void TSonelSync::LinkfromSonel1Click()
{
    linkFrom_ = !linkFrom_;
    link_.SetEnabled(linkTo_ || linkFrom_);
}

bool TSonelSync::SonelsyncEnabled() const
{
    return link_.IsLinked();
}

void TSonelSync::SonelsyncExecute()
{
    link_.SetHeaderItem(kSyncItem, FloatToStr(link_.CursorTime(), QLatin1Char('.')));
}

void TSonelSync::FrameChanged(int32_t frame)
{
    if (!linkTo_ || fromSonelCursor_)
        return;
    // A send serves other events while it waits; a frame change among them (a playback tick) is
    // sent once more afterwards rather than inside this send.
    if (sending_) {
        changedWhileSending_ = true;
        return;
    }
    TFlagScope sending(sending_);
    changedWhileSending_ = false;
    const double time = FrameToSonelTime(frame);
    if (std::isfinite(time))  // no frame rate: nothing sensible to send
        link_.SendCursor(time);
    if (changedWhileSending_) {
        const double latest = FrameToSonelTime(view_.CurrentFrame());
        if (std::isfinite(latest))
            link_.SendCursor(latest);
    }
}

void TSonelSync::Sonellink1LinkCursor(double caret)
{
    if (!linkFrom_)
        return;
    view_.StopPlayback();
    {
        TFlagScope guard(fromSonelCursor_);
        view_.SetCurrentFrame(SonelTimeToFrame(caret));
    }
    // The frame now is Sonel's: an outer send has nothing newer to pass on.
    changedWhileSending_ = false;
}
