#pragma once
// The viewer session: the open sequence, what is shown of it and how (the view state, the
// kymogram's frame span), the spectrum store and playback. Every change goes through one setter
// that compares, stores and signals; windows, the command-line tool and the companion link
// follow the signals and change nothing except through the setters.
//
// Ownership: the session owns the sequence and the spectrum store; the clock and the format
// factory are the caller's and must outlive it. Threads: interface thread only.

#include "analysis/PixelSource.h"
#include "analysis/SpeckleSettings.h"
#include "analysis/SpeckleTrace.h"
#include "platform/ThreadPriority.h"
#include "plot/AxisScale.h"
#include "viewer/io/AnalysisSizes.h"
#include "viewer/session/DisplaySettingsTarget.h"
#include "viewer/io/FrameSource.h"
#include "viewer/session/Playback.h"
#include "viewer/session/StatusPanel.h"
#include "viewer/io/Sequence.h"
#include "viewer/session/ViewProviders.h"
#include "viewer/session/ViewState.h"

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QImage;
class TSMPfile;
class TSpectrumStore;

class TViewerSession : public QObject, public TDisplaySettingsTarget, public TAnalysisSizesTarget {
    Q_OBJECT
public:
    // The kymogram's frame span at start and after an open.
    static constexpr double kDefaultSpanLo = 0;
    static constexpr double kDefaultSpanHi = 100;
    // How much more memory the process may take (the system's figures unless replaced).
    void SetMemoryRoomQuery(TMemoryRoomQuery query) { sequence_.SetMemoryRoomQuery(std::move(query)); }

    // How long the block stays put, while stopped, before the frames Play would need are read.
    static constexpr int kReadAheadForPlayDelayMs = 200;
    // How many ticks ahead the read of the next block is asked for, when a read ahead takes
    // `readSeconds` (negative: not measured yet): four times that and two ticks, within these
    // bounds.
    static constexpr int kMinReadAheadTicks = 3;
    static constexpr int kMaxReadAheadTicks = 250;
    static int ReadAheadTicks(double readSeconds);
    // Nice steps the interface thread asks for while playing.
    static constexpr int kPlaybackNiceSteps = 10;

    explicit TViewerSession(TPlaybackClock& clock, const TFrameSourceFactory* formats = nullptr,
                            QObject* parent = nullptr);
    ~TViewerSession() override;

    // Read-only views: every change goes through the session's commands below, so that it is
    // checked, applied and signalled once.
    const TSequence& Sequence() const { return sequence_; }
    const TViewState& View() const { return view_; }
    const TSpectrumStore& Spectra() const { return *spectra_; }
    // The frames the kymogram shows (LoValue … HiValue, with the frame axis' range rules) and
    // its marker, the current frame.
    const TAxisScale& KymogramSpan() const { return span_; }

    // The speckle trace and the speckle window's settings.
    const TSpeckleTrace& SpeckleTrace() const { return speckleTrace_; }
    const TSpeckleSettings& SpeckleSettings() const { return speckleSettings_; }
    // The speckle window's settings; only the overlay changes, so the image is redrawn.
    void SetSpeckleSettings(const TSpeckleSettings& settings);
    // With SpeckleOn: the trace of the patch around `pixel` from the current frame on, its
    // progress shown step by step in status panel 1, then the image re-rendered. The same start
    // again costs nothing. Nothing happens while SpeckleOn is off.
    void TrackSpeckle(QPoint pixel);
    // The correlation sums of the last tracking step, as text (for the error log).
    QString SpeckleDebugText() const;

    // The session's side of opening a sequence, all or nothing: the header read and checked, the
    // memory of the block, the spectrum store's arrays and the bitmaps sized by the frame
    // checked together, the block made and read; only then is anything replaced. Afterwards the
    // middle row is selected, frame 0 made current and the kymogram span reset. A failure
    // throws (the message names the file, line and key, or the sizes) with nothing changed.
    void OpenSequence(const QString& fileName);
    // The sequence before any file is open: 64 x 64 pixels, 128 frames at 1904 frames/s, a
    // block of 512 frames.
    void SetStartSequence();
    // No file open any more (the frames stay as they are).
    void ForgetFileName();
    // The bytes of the bitmaps that follow the frame size: the frame, the kymogram after an
    // open, the row-spectrum image (24 bits, rows padded to 4 bytes); -1 beyond 64 bits.
    int64_t FrameBitmapsBytes(int64_t width, int64_t height) const;

    // Set once the windows have built the initial state; drawing waits for it.
    bool Activated() const { return activated_; }
    void SetActivated() { activated_ = true; }

    // The current frame. Equal: nothing at all. Otherwise the block follows the frame, the
    // kymogram span moves to centre a frame that left it (keeping its width), and
    // currentFrameChanged follows. Then the refill that the coming frames will cause (those
    // playback is about to show, or those a steady step from elsewhere leads to) is read ahead.
    void SetCurrentFrame(int32_t frame);
    // The starts of the blocks SetCurrentFrame(frame) would load, from the state now, in order.
    std::vector<int32_t> RefillStarts(int32_t frame) const;
    // Equal: nothing; otherwise selectedRowChanged (the kymogram is rebuilt; the image is
    // re-rendered by the callers).
    void SetSelectedRow(int32_t row);
    // Always carried out, also for an unchanged point: the point plots are drawn for it.
    void SetSelectedPoint(int32_t column, int32_t row);
    // The point spectrum and the waveform of a pixel, without selecting it (the kymogram's clicks).
    void ShowPointPlots(int32_t column, int32_t row);
    void SetPhaseReference(int32_t column, int32_t row);
    // Each report stores the value and re-renders.
    void SetKymogramShown(bool shown);
    void SetColorizeOn(bool on);
    // Stores, signals speckleOnChanged and re-renders (the trace replaces the marked row).
    void SetSpeckleOn(bool on);
    // The column marked on the image's horizontal axis by a pick in the kymogram, and on the
    // kymogram's column axis by a pick in the image.
    void MarkImageColumn(double column) { Q_EMIT imageColumnMarked(column); }
    void MarkKymogramColumn(double column) { Q_EMIT kymogramColumnMarked(column); }
    // Asks for the image to be drawn again (a window that changes what the image shows).
    void RequestRender() { Q_EMIT renderRequested(); }
    void RequestKymogramRebuild() { Q_EMIT kymogramRebuildRequested(); }
    // A short notice for the status bar's panel.
    void ShowStatus(TStatusPanel panel, const QString& text) { Q_EMIT statusTextChanged(panel, text); }
    // What lies under the mouse in a window (empty when it left); selects nothing.
    void ShowReadout(const QString& text) { Q_EMIT readoutChanged(text); }

    // The kymogram's frame span as the frame axis asks for it: stops playback, keeps whole
    // frames (hi = lo + L − 1), loads the block at the span's first frame, then moves the
    // current frame to the marker pulled into the span. A request that changes nothing is ignored.
    void SetKymogramSpan(double lo, double hi);
    // After an open: 0 … 100 within 0 … frameCount − 1.
    void ResetKymogramSpan(int32_t frameCount);
    // Makes the block hold frames first … first + count − 1 (as many as it has room for) for
    // a reader of the block, an export say: nothing is read when it holds them already,
    // otherwise the block is read from `first` on (the spectra then start there).
    void HoldFrames(int32_t first, int32_t count);
    // HoldFrames for the kymogram span, before the kymogram is built from the block.
    void HoldKymogramSpan();

    // The analysis sizes (the options dialog): frames per analysed series and frames in the
    // block. Each is refused (EError, EFFTError, EOutOfMemory), changing nothing, when it does
    // not fit the other or memory; a new length keeps the selected frequency at its nearest bin.
    int32_t SpectrumLength() const override;
    int32_t CacheSize() const override;
    void SetSpectrumLength(int32_t frames) override;
    void SetCacheSize(int32_t frames) override;

    // The analysis frequency shared by the spectra and colorizing (see TSpectrumStore).
    void SetSelectedFrequency(double hz);
    void SetSelectedBin(int32_t bin);
    // One pixel's spectra (the point spectrum); outside the image: ERangeError.
    void ComputePointSpectrum(int32_t column, int32_t row);
    // The row-spectrum image at the session's spectrum levels, the row spectra computed first;
    // returns the status text of a pixel that could not be set.
    QString DrawRowSpectrum(QImage& bitmap);
    // Every pixel's spectra over the block, as colorizing and its table need them, on `threads`
    // threads. `rowDone`(row) runs on this thread after each row, in order; when it returns
    // false the sweep ends after that row (the rows done keep their spectra). Returns whether
    // every row has its spectra.
    bool ComputeAllSpectra(const std::function<bool(int32_t row)>& rowDone, int threads);
    // The sample file of `pixel` over every frame (see ExportWaveform). The export reads the
    // frames through the block and then puts it back where it started (the spectra of the
    // block are computed anew).
    // `progress` as there: returning false stops the export, leaving any old file as it was;
    // returns whether the file was written.
    bool ExportWaveform(TSMPfile& smp, QPoint pixel, const QString& fileName,
                        const std::function<bool(int64_t done, int64_t total)>& progress = {});

    // TDisplaySettingsTarget: store when different (and signal the value), then redraw always
    // (the rate and the two switches only when changed).
    void SetBlackLevel(int32_t level) override;
    void SetGrayLevel(int32_t level) override;
    void SetWhiteLevel(int32_t level) override;
    void SetLoSat(double dB) override;
    void SetHiSat(double dB) override;
    void SetSpectrumBlack(double dB) override;
    void SetSpectrumWhite(double dB) override;
    void SetPlaybackRate(double framesPerSecond) override;
    void SetShowPhase(bool on) override;
    void SetEdgeEnhance(bool on) override;

    // Playback. Starting anchors at the frame shown, now; a tick while stopped does nothing.
    bool Playing() const { return playing_; }
    void SetPlaying(bool on);
    void ResetPlayAnchor();
    void PlaybackTick();

    // The views that can write their data as a table, or copy their picture, register here; the
    // main window's "Export data..." and copy commands ask them.
    TDataTableProviders& DataTables() { return dataTables_; }
    const TDataTableProviders& DataTables() const { return dataTables_; }
    TPictureProviders& Pictures() { return pictures_; }
    const TPictureProviders& Pictures() const { return pictures_; }

Q_SIGNALS:
    void currentFrameChanged(int32_t frame);
    void selectedRowChanged(int32_t row);
    void pointPlotsRequested(int32_t column, int32_t row);
    void imageColumnMarked(double column);
    void kymogramColumnMarked(double column);
    // The kymogram span moved: the frame axis mirrors it and the kymogram is rebuilt.
    void kymogramSpanChanged(double lo, double hi);
    void playingChanged(bool on);
    void speckleOnChanged(bool on);
    void statusTextChanged(TStatusPanel panel, const QString& text);
    // The correlation sums of the latest tracking step as text: the error log's DebugString.
    void speckleDebugTextChanged(const QString& text);
    void readoutChanged(const QString& text);

    // Mirrors of the display values, for the controls.
    void blackLevelChanged(int32_t level);
    void grayLevelChanged(int32_t level);
    void whiteLevelChanged(int32_t level);
    void loSatChanged(double dB);
    void hiSatChanged(double dB);
    void spectrumBlackChanged(double dB);
    void spectrumWhiteChanged(double dB);
    void playbackRateChanged(double framesPerSecond);
    void showPhaseChanged(bool on);
    void edgeEnhanceChanged(bool on);

    // Redraw requests: the main image, the kymogram (a grey level or edge enhancement changed),
    // the row-spectrum image (a spectrum level changed).
    void renderRequested();
    void kymogramRebuildRequested();
    void rowSpectrumRedrawRequested();

private:
    // Stores a display value that differs and signals it to the controls.
    template <typename T>
    void StoreAndShow(T& field, T value, void (TViewerSession::*changed)(T))
    {
        if (value != field) {
            field = value;
            Q_EMIT(this->*changed)(value);
        }
    }
    void ApplySpanChange();
    void AfterGreyLevel();
    // The block the coming frames will need, read ahead: playback's next ticks (or, with
    // `asIfPlayedNow`, those Play would show if pressed now), or a steady step continued.
    void ReadAheadForComingFrames(bool asIfPlayedNow = false);

    TPlaybackClock& clock_;
    TDataTableProviders dataTables_;
    TPictureProviders pictures_;
    TSequence sequence_;
    std::unique_ptr<TSpectrumStore> spectra_;
    TViewState view_;
    TAxisScale span_;
    TSequencePixels specklePixels_{sequence_};
    TSpeckleTrace speckleTrace_;
    TSpeckleSettings speckleSettings_;
    TCorrelationSums speckleSums_{};
    bool activated_ = false;
    bool playing_ = false;
    int32_t lastStep_ = 0;    // the last change of the current frame
    int32_t stepRepeats_ = 0;  // how often in a row it was the same
    bool followingFrame_ = false;  // SetCurrentFrame is moving the block
    QTimer readAheadForPlay_;  // once the block has stopped moving while stopped
    TThreadPriorityResult playPriority_;  // the interface thread's, raised while playing
};
