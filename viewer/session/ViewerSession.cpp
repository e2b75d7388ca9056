#include "viewer/session/ViewerSession.h"

#include "analysis/Kymogram.h"
#include "analysis/SpectrumStore.h"
#include "export/io/WaveformExport.h"
#include "platform/Conversions.h"
#include "platform/SystemMemory.h"
#include "platform/ThreadPriority.h"
#include "viewer/session/DisplayLevels.h"

#include <algorithm>
#include <climits>
#include <cmath>

TViewerSession::TViewerSession(TPlaybackClock& clock, const TFrameSourceFactory* formats, QObject* parent)
    : QObject(parent), clock_(clock), sequence_(nullptr, formats)
{
    spectra_ = std::make_unique<TSpectrumStore>(sequence_);
    // The frame axis' rules: whole frames, no bounds until a sequence is open, and never wider
    // than the block can hold.
    span_.SetMinLoValue(-TAxisScale::kUnbounded);
    span_.SetMaxLoValue(TAxisScale::kUnbounded);
    span_.SetMinHiValue(-TAxisScale::kUnbounded);
    span_.SetMaxHiValue(TAxisScale::kUnbounded);
    span_.SetMaxValueDifference(TSequence::kOpenCacheSize - 1);
    span_.SetIsInteger(true);
    span_.SetRange(kDefaultSpanLo, kDefaultSpanHi);

    // A smaller block narrows the span; a frame it leaves behind is taken to its nearer end.
    connect(&sequence_, &TSequence::cacheSizeChanged, this, [this](int32_t slots) {
        const double lo = span_.LoValue();
        const double hi = span_.HiValue();
        if (!span_.SetMaxValueDifference(slots - 1) && span_.LoValue() == lo && span_.HiValue() == hi)
            return;
        ApplySpanChange();
        const double inside = std::clamp(double(view_.CurrentFrame), span_.LoValue(), span_.HiValue());
        SetCurrentFrame(RoundToInt(inside));
    });
    connect(spectra_.get(), &TSpectrumStore::selectedBinChanged, this, [this] { Q_EMIT renderRequested(); });
    // A block moved by something else (an export, a trace): the next block playback needs may
    // be another one now. While stopped, Play is foreseen once the block has stayed put a
    // moment, so that pressing it shows the first frames on time.
    readAheadForPlay_.setSingleShot(true);
    readAheadForPlay_.setInterval(kReadAheadForPlayDelayMs);
    connect(&readAheadForPlay_, &QTimer::timeout, this, [this] {
        if (!playing_)
            ReadAheadForComingFrames(true);
    });
    connect(&sequence_, &TSequence::blockLoaded, this, [this] {
        if (followingFrame_)
            return;
        if (playing_)
            ReadAheadForComingFrames();
        else
            readAheadForPlay_.start();
    });
    // Other pixels: the next click tracks again even at the same place.
    const auto invalidateTrace = [this] { speckleTrace_.Invalidate(); };
    connect(&sequence_, &TSequence::imageWidthChanged, this, invalidateTrace);
    connect(&sequence_, &TSequence::imageHeightChanged, this, invalidateTrace);
    // Another file: the old trace goes, it marks nothing there.
    connect(&sequence_, &TSequence::fileNameChanged, this, [this] { speckleTrace_.Clear(); });
}

TViewerSession::~TViewerSession() { RestoreThreadPriority(playPriority_); }

namespace {

int64_t BitmapBytes(int64_t width, int64_t height)
{
    const int64_t row = CheckedProduct(width, 3);
    return CheckedProduct(row < 0 ? -1 : (row + 3) / 4 * 4, height);
}

}  // namespace

int64_t TViewerSession::FrameBitmapsBytes(int64_t width, int64_t height) const
{
    const int64_t span = int64_t(kDefaultSpanHi - kDefaultSpanLo) + 1;
    return CheckedSum(CheckedSum(BitmapBytes(width, height), BitmapBytes(span, width)),
                      BitmapBytes(spectra_->FFTLength() / 2, height));
}

void TViewerSession::OpenSequence(const QString& fileName)
{
    // The block must hold the analysis length, also when the options made it longer than the
    // block an open starts with.
    TOpenPlan plan = sequence_.PlanOpen(fileName, spectra_->SpectrumLength());
    const int32_t width = plan.header.Width;
    const int32_t height = plan.header.Height;
    sequence_.CheckOpenFits(plan, CheckedSum(spectra_->BytesForFrame(width, height), FrameBitmapsBytes(width, height)));
    sequence_.ApplyOpen(std::move(plan));
    SetSelectedRow(height / 2);
    SetCurrentFrame(0);
    ResetKymogramSpan(sequence_.Header().FrameCount);
    sequence_.EndOpen();
}

void TViewerSession::SetCurrentFrame(int32_t frame)
{
    if (frame == view_.CurrentFrame)
        return;
    const int64_t step = int64_t(frame) - view_.CurrentFrame;
    stepRepeats_ = step == lastStep_ ? stepRepeats_ + 1 : 0;
    lastStep_ = int32_t(std::clamp<int64_t>(step, INT32_MIN, INT32_MAX));
    view_.CurrentFrame = frame;
    {
        struct TFollowing {
            bool& flag;
            ~TFollowing() { flag = false; }
        } following{followingFrame_ = true};
        sequence_.FollowFrame(frame);
        double lo = span_.LoValue();
        double hi = span_.HiValue();
        const bool spanMoves = KymogramRangeFollows(lo, hi, frame, span_.MinLoValue(), span_.MaxHiValue());
        span_.SetMarkerValue(frame);
        if (spanMoves) {
            span_.SetRange(lo, hi);
            span_.SetMarkerValue(frame);
            ApplySpanChange();
        }
    }
    Q_EMIT currentFrameChanged(frame);
    ReadAheadForComingFrames();
}

std::vector<int32_t> TViewerSession::RefillStarts(int32_t frame) const
{
    // SetCurrentFrame's two loads: the block following the frame, then the span moving to it.
    std::vector<int32_t> starts;
    int32_t first = sequence_.FirstCachedFrame();
    const int32_t slots = sequence_.CacheSize();
    if (!(frame >= first && int64_t(frame) <= int64_t(first) + slots - 1)) {
        first = std::max(frame - slots / 2, 0);
        starts.push_back(first);
    }
    double lo = span_.LoValue();
    double hi = span_.HiValue();
    if (KymogramRangeFollows(lo, hi, frame, span_.MinLoValue(), span_.MaxHiValue())) {
        TAxisScale span = span_;
        span.SetRange(lo, hi);
        const TKymogramAxisChange change = KymogramAxisChange(span.LoValue(), span.HiValue(), frame);
        if (!(change.span.first == first && change.span.first > 0))
            starts.push_back(std::max(change.span.first, 0));
    }
    return starts;
}

int TViewerSession::ReadAheadTicks(double readSeconds)
{
    // Until a read was measured: a second, which held on a quiet machine.
    if (!(readSeconds >= 0))
        return 1000 / kPlaybackTickMs;
    // Four times the measured time, for a read that a busy spell slows (asking early costs
    // nothing: the read goes into memory of its own), and a tick either side for the timer.
    const double ticks = std::ceil(4 * readSeconds * 1000 / kPlaybackTickMs) + 2;
    return int(std::clamp(ticks, double(kMinReadAheadTicks), double(kMaxReadAheadTicks)));
}

void TViewerSession::ReadAheadForComingFrames(bool asIfPlayedNow)
{
    // The frames about to be shown, as far ahead as a read asked for now needs to be done in
    // time: playback's coming ticks, or a steady step continued.
    const int kLookAhead = ReadAheadTicks(sequence_.ReadAheadSeconds());
    std::vector<int32_t> coming;
    int32_t step = 0;
    if (playing_ || asIfPlayedNow) {
        TPlaybackSpan span;
        span.lo = span_.LoValue();
        span.hi = span_.HiValue();
        span.frameCount = sequence_.Header().FrameCount;
        span.firstCachedFrame = sequence_.FirstCachedFrame();
        const double tickDays = kPlaybackTickMs / 86400e3;
        const double now = clock_.NowDays();
        const double anchorTime = playing_ ? view_.PlayAnchorTime : now;
        const int32_t anchorFrame = playing_ ? view_.PlayAnchorFrame : view_.CurrentFrame;
        for (const TPlaybackTick& tick :
             ComingTicks(now, tickDays, kLookAhead, anchorTime, anchorFrame, view_.PlaybackRate, span))
            coming.push_back(tick.frame);
        step = int32_t(std::min(std::ceil(std::fabs(view_.PlaybackRate) * kPlaybackTickMs / 1000), 1e6)) + 1;
    } else if (stepRepeats_ >= 2 && lastStep_ != 0 && std::abs(int64_t(lastStep_)) <= sequence_.CacheSize() / 4) {
        for (int k = 1; k <= kLookAhead; ++k)
            coming.push_back(int32_t(std::clamp<int64_t>(view_.CurrentFrame + int64_t(k) * lastStep_, 0, INT32_MAX)));
        step = std::abs(lastStep_);
    }
    // The first coming frame that refills, give or take a tick of timing: the block any of
    // those frames would load.
    int32_t previous = view_.CurrentFrame;
    for (const int32_t frame : coming) {
        const bool steady = std::abs(int64_t(frame) - previous) <= 2 * int64_t(step);
        std::vector<int32_t> starts;
        const int64_t from = steady ? std::min<int64_t>(previous, frame) - step : frame;
        const int64_t to = steady ? std::max<int64_t>(previous, frame) + step : frame;
        for (int64_t f = std::max<int64_t>(from, 0); f <= to; ++f)
            for (const int32_t start : RefillStarts(int32_t(f)))
                if (!sequence_.BlockReadHolds(start))  // moves within what it holds, no read
                    starts.push_back(start);
        previous = frame;
        if (starts.empty())
            continue;
        // Some frames to spare each side, so that the next ticks' guesses fall inside this read.
        const auto [lo, hi] = std::minmax_element(starts.begin(), starts.end());
        const int32_t spare = std::min(2 * step, sequence_.CacheSize() / 16);
        if (*hi - *lo <= sequence_.CacheSize() / 8)
            sequence_.ReadAhead(*lo - spare, *hi + spare);
        return;
    }
}

void TViewerSession::ApplySpanChange()
{
    const TKymogramAxisChange change = KymogramAxisChange(span_.LoValue(), span_.HiValue(), span_.MarkerValue());
    span_.SetHiValue(change.hiValue);
    // The spectra then start at the kymogram's first frame.
    sequence_.LoadFrames(change.span.first);
    Q_EMIT kymogramSpanChanged(span_.LoValue(), span_.HiValue());
}

void TViewerSession::SetKymogramSpan(double lo, double hi)
{
    // Taken inside the file first: the axis counts its largest width from the low value as
    // asked, so a span asked for wholly before frame 0 would end before it.
    lo = std::clamp(lo, span_.MinLoValue(), std::max(span_.MinLoValue(), span_.MaxLoValue()));
    hi = std::clamp(hi, span_.MinHiValue(), std::max(span_.MinHiValue(), span_.MaxHiValue()));
    if (!span_.SetRange(lo, hi))
        return;
    SetPlaying(false);
    ApplySpanChange();
    SetCurrentFrame(RoundToInt(span_.MarkerValue()));
}

void TViewerSession::ResetKymogramSpan(int32_t frameCount)
{
    bool changed = span_.SetLoValue(kDefaultSpanLo);
    changed = span_.SetHiValue(kDefaultSpanHi) || changed;
    // Both ends inside the file: a span asked for wholly before or after it is taken inside.
    changed = span_.SetMinLoValue(0) || changed;
    changed = span_.SetMaxLoValue(frameCount - 1) || changed;
    changed = span_.SetMinHiValue(0) || changed;
    changed = span_.SetMaxHiValue(frameCount - 1) || changed;
    if (!changed)
        return;
    SetPlaying(false);
    ApplySpanChange();
    SetCurrentFrame(RoundToInt(span_.MarkerValue()));
}

void TViewerSession::SetSelectedRow(int32_t row)
{
    if (row == view_.SelectedRow)
        return;
    view_.SelectedRow = row;
    Q_EMIT selectedRowChanged(row);
}

void TViewerSession::SetSelectedPoint(int32_t column, int32_t row)
{
    view_.SelectedPoint = QPoint(column, row);
    ShowPointPlots(column, row);
}

void TViewerSession::ShowPointPlots(int32_t column, int32_t row) { Q_EMIT pointPlotsRequested(column, row); }

void TViewerSession::SetPhaseReference(int32_t column, int32_t row)
{
    view_.PhaseReference = QPoint(column, row);
    Q_EMIT renderRequested();
}

void TViewerSession::SetKymogramShown(bool shown)
{
    view_.KymogramShown = shown;
    Q_EMIT renderRequested();
}

void TViewerSession::SetColorizeOn(bool on)
{
    if (on == view_.ColorizeOn)
        return;
    view_.ColorizeOn = on;
    Q_EMIT renderRequested();
}

void TViewerSession::SetSpeckleOn(bool on)
{
    if (on == view_.SpeckleOn)
        return;
    view_.SpeckleOn = on;
    Q_EMIT speckleOnChanged(on);
    Q_EMIT renderRequested();
}

void TViewerSession::TrackSpeckle(QPoint pixel)
{
    if (!view_.SpeckleOn)
        return;
    TSpeckleHooks hooks;
    hooks.stepStarted = [this](int32_t step) { ShowStatus(TStatusPanel::frequency, SpeckleStepText(step)); };
    hooks.finished = [this] { ShowStatus(TStatusPanel::frequency, QString()); };
    hooks.sums = [this](const TCorrelationSums& sums) {
        speckleSums_ = sums;
        Q_EMIT speckleDebugTextChanged(CorrelationDebugText(sums));
    };
    if (speckleTrace_.TrackSpeckle(specklePixels_, view_.CurrentFrame, pixel, speckleSettings_, hooks))
        Q_EMIT renderRequested();
}

QString TViewerSession::SpeckleDebugText() const { return CorrelationDebugText(speckleSums_); }

void TViewerSession::AfterGreyLevel()
{
    Q_EMIT renderRequested();
    Q_EMIT kymogramRebuildRequested();
}

void TViewerSession::SetBlackLevel(int32_t level)
{
    StoreAndShow(view_.BlackLevel, level, &TViewerSession::blackLevelChanged);
    AfterGreyLevel();
}

void TViewerSession::SetGrayLevel(int32_t level)
{
    StoreAndShow(view_.GrayLevel, level, &TViewerSession::grayLevelChanged);
    AfterGreyLevel();
}

void TViewerSession::SetWhiteLevel(int32_t level)
{
    StoreAndShow(view_.WhiteLevel, level, &TViewerSession::whiteLevelChanged);
    AfterGreyLevel();
}

void TViewerSession::SetLoSat(double dB)
{
    StoreAndShow(view_.LoSat, dB, &TViewerSession::loSatChanged);
    Q_EMIT renderRequested();
}

void TViewerSession::SetHiSat(double dB)
{
    StoreAndShow(view_.HiSat, dB, &TViewerSession::hiSatChanged);
    Q_EMIT renderRequested();
}

void TViewerSession::SetSpectrumBlack(double dB)
{
    StoreAndShow(view_.SpectrumBlack, dB, &TViewerSession::spectrumBlackChanged);
    Q_EMIT rowSpectrumRedrawRequested();
}

void TViewerSession::SetSpectrumWhite(double dB)
{
    StoreAndShow(view_.SpectrumWhite, dB, &TViewerSession::spectrumWhiteChanged);
    Q_EMIT rowSpectrumRedrawRequested();
}

void TViewerSession::SetPlaybackRate(double framesPerSecond)
{
    if (framesPerSecond == view_.PlaybackRate)
        return;
    view_.PlaybackRate = framesPerSecond;
    Q_EMIT playbackRateChanged(framesPerSecond);
    ResetPlayAnchor();  // a rate change never makes the picture jump
}

void TViewerSession::SetShowPhase(bool on)
{
    if (on == view_.ShowPhase)
        return;
    view_.ShowPhase = on;
    Q_EMIT showPhaseChanged(on);
    Q_EMIT renderRequested();
}

void TViewerSession::SetEdgeEnhance(bool on)
{
    if (on == view_.EdgeEnhance)
        return;
    view_.EdgeEnhance = on;
    Q_EMIT edgeEnhanceChanged(on);
    AfterGreyLevel();
}

void TViewerSession::SetPlaying(bool on)
{
    if (on == playing_)
        return;
    playing_ = on;
    // While playing, the interface thread's ticks come before other programs' work: a tick
    // delayed by a busy machine is a late frame.
    if (on) {
        playPriority_ = RaiseThreadPriority(kPlaybackNiceSteps);
    } else {
        RestoreThreadPriority(playPriority_);
        playPriority_ = {};
    }
    if (on)
        ResetPlayAnchor();
    Q_EMIT playingChanged(on);
    if (on)
        ReadAheadForComingFrames();
}

void TViewerSession::ResetPlayAnchor()
{
    view_.PlayAnchorTime = clock_.NowDays();
    view_.PlayAnchorFrame = view_.CurrentFrame;
}

void TViewerSession::PlaybackTick()
{
    if (!playing_)
        return;
    TPlaybackSpan span;
    span.lo = span_.LoValue();
    span.hi = span_.HiValue();
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

void TViewerSession::SetStartSequence()
{
    sequence_.SetImageHeight(64);
    sequence_.SetImageWidth(64);
    sequence_.SetFrameCount(128);
    sequence_.SetCacheSize(TSequence::kOpenCacheSize);
    sequence_.SetRecordingRate(1904);
}

void TViewerSession::ForgetFileName()
{
    if (!sequence_.Header().FileName.isEmpty())
        sequence_.SetFileName(QString());
}

void TViewerSession::HoldFrames(int32_t first, int32_t count)
{
    CoverKymogramSpan(sequence_, TKymogramSpan{first, std::max(count, 1)});
}

void TViewerSession::HoldKymogramSpan()
{
    const TKymogramSpan span = KymogramSpanOf(span_.LoValue(), span_.HiValue());
    HoldFrames(span.first, span.length);
}

int32_t TViewerSession::SpectrumLength() const { return spectra_->SpectrumLength(); }

int32_t TViewerSession::CacheSize() const { return sequence_.CacheSize(); }

void TViewerSession::SetSpectrumLength(int32_t frames) { spectra_->SetSpectrumLength(frames); }

void TViewerSession::SetCacheSize(int32_t frames)
{
    // The store refuses a length above the block; the block must not shrink below the length.
    if (frames < spectra_->SpectrumLength())
        throw EError(QStringLiteral("The cache size (%1) must not be less than the analysis length (%2)")
                         .arg(frames)
                         .arg(spectra_->SpectrumLength()));
    sequence_.SetCacheSize(frames);
}

void TViewerSession::SetSelectedFrequency(double hz) { spectra_->SetSelectedFrequency(hz); }

void TViewerSession::SetSelectedBin(int32_t bin) { spectra_->SetSelectedBin(bin); }

void TViewerSession::ComputePointSpectrum(int32_t column, int32_t row) { spectra_->ComputePixelSpectrum(column, row); }

QString TViewerSession::DrawRowSpectrum(QImage& bitmap)
{
    return spectra_->DrawRowSpectrum(view_.SpectrumBlack, view_.SpectrumWhite, bitmap);
}

bool TViewerSession::ComputeAllSpectra(const std::function<bool(int32_t row)>& rowDone, int threads)
{
    bool ended = false;
    int32_t rowsDone = 0;
    spectra_->ColorizeSweep(
        [&](int32_t row) {
            rowsDone = row + 1;
            if (!ended && rowDone && !rowDone(row)) {
                ended = true;
                spectra_->CancelSweep();
            }
        },
        threads);
    return !ended && rowsDone >= spectra_->Height();
}

bool TViewerSession::ExportWaveform(TSMPfile& smp, QPoint pixel, const QString& fileName,
                                    const std::function<bool(int64_t done, int64_t total)>& progress)
{
    return ::ExportWaveform(smp, sequence_, pixel, fileName, progress);
}

void TViewerSession::SetSpeckleSettings(const TSpeckleSettings& settings)
{
    speckleSettings_ = settings;
    Q_EMIT renderRequested();
}
