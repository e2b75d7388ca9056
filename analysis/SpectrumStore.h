#pragma once
// The spectrum store of the main window: the power and phase spectra of every pixel of the frame
// block (filled on demand), the spectra of every image row, and the one analysis frequency that
// the point spectrum, the row spectrum and colorizing share. It follows the open sequence: a new
// block, frame size or cache size invalidates what it holds.

#include "analysis/CFFT.h"
#include "analysis/SpectrumSweep.h"
#include "platform/Conversions.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QThreadPool;
class TSequence;

class TSpectrumStore : public QObject {
    Q_OBJECT
public:
    static constexpr int32_t kDefaultSpectrumLength = 256;

    // Follows the sequence's frame and the default analysis length. The spectra themselves are
    // made on first use, one image row at a time: a point spectrum takes one row, colorizing
    // all of them.
    explicit TSpectrumStore(const TSequence& sequence, QObject* parent = nullptr);
    ~TSpectrumStore() override;

    // The main window's FFT engine; every spectrum goes through it.
    TFFT& Fft() { return fft_; }
    const TSequence& Sequence() const { return sequence_; }

    // S, the frames per analysed series, and N, the FFT length it gives.
    int32_t SpectrumLength() const { return length_; }
    int32_t FFTLength() const { return fftLength_; }
    // Refused, changing nothing, when the engine rejects S (EFFTError) or when S exceeds the
    // cache size (EError). Invalidates every spectrum, lets go of the stored ones and releases
    // the colorizing button.
    void SetSpectrumLength(int32_t length);

    // The store's shape: bins × rows × columns from FirstBin(): bins 0 … N/2 (those a real
    // series' spectrum holds, at most S), every bin once one above N/2 is selected, or the one
    // bin of HoldOnlyBin.
    int32_t Bins() const { return bins_; }
    int32_t FirstBin() const { return firstBin_; }
    bool HoldsBin(int32_t bin) const { return bin >= firstBin_ && bin - firstBin_ < bins_; }
    // Keeps the spectra of that one bin only (a consumer that needs no other, such as a colorizing
    // without a window): every spectrum is invalidated and let go of. A new analysis length
    // holds bins 0 … N/2 again. Bins outside 0 … S − 1 are taken to the nearest end.
    void HoldOnlyBin(int32_t bin);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // The bytes the store takes for a frame of that size before any spectrum is computed, and
    // the bytes the spectra of every pixel take (-1 beyond 64 bits).
    int64_t BytesForFrame(int64_t width, int64_t height) const;
    int64_t SpectraBytes(int64_t width, int64_t height) const;
    // The rows whose spectra have memory now.
    int32_t RowsHeld() const { return rowsHeld_; }

    bool SpectrumValid(int32_t row, int32_t column) const { return valid_[Index(row, column)] != 0; }
    // [bin][row][column]; meaningful where SpectrumValid is set (0 in a row never computed, and
    // for a bin not held). A bin the row's fill has not reached yet is computed first (or waited
    // for while a fill thread has it), so every value read is final.
    // Callers pass positions inside.
    float Power(int32_t bin, int32_t row, int32_t column) const { return At(power_, bin, row, column); }
    float Phase(int32_t bin, int32_t row, int32_t column) const { return At(phase_, bin, row, column); }
    // One row's spectra, [bin − FirstBin()][column]; null while the row has none. Every bin of
    // the row is filled first.
    const float* PowerRow(int32_t row) const
    {
        WholeRow(row);
        return power_[size_t(row)].get();
    }
    const float* PhaseRow(int32_t row) const
    {
        WholeRow(row);
        return phase_[size_t(row)].get();
    }
    // Rows whose other bins are still to be filled after a sweep that computed the selected bin
    // first, and a wait until the background fill has done them all (for tests and exports that
    // want every bin at hand; reading fills on demand anyway).
    int32_t RowsToFill() const;
    void WaitForFill() const;
    // [bin][row]
    float RowSpectrum(int32_t bin, int32_t row) const { return rowSpectra_[size_t(bin) * size_t(height_) + size_t(row)]; }
    bool RowSpectraValid() const { return rowSpectraValid_; }

    // One pixel's spectra from block frames 0 … S − 1. A pixel constant over them gets none and
    // stays invalid. Positions outside the image: ERangeError. The first spectrum of a row
    // gives the row its memory; EOutOfMemory, naming the sizes, when the block and the spectra
    // would not fit together.
    void ComputePixelSpectrum(int32_t column, int32_t row);
    // The spectra of every row's mean intensity, when not valid.
    void ComputeRowSpectra();

    // The colorizing sweep: the spectra of every pixel not yet valid, row by row (every row gets
    // its memory first, or EOutOfMemory before anything is computed), with
    // `rowDone`(y) called on the calling thread after row y is in the store (rows are reported
    // in order). With threads > 1 the calling thread is joined by threads − 1 helpers from the
    // store's own thread pool; results are the same. Not re-entrant: a sweep started while one
    // runs (from `rowDone`, say) throws EError; call it from one thread at a time. When `rowDone` changes the store (a new block, say) the sweep ends there; when
    // it computes spectra itself, the helper threads stop and the calling thread goes on alone.
    // `rowDone` must not change the FFT engine's settings.
    // A store of many bins computes the selected bin first, as a one-bin store would, so that
    // the rows are reported at that speed; the other bins of those rows are filled afterwards on
    // the store's threads, or by the first read that needs them.
    using TRowDone = std::function<void(int32_t row)>;
    void ColorizeSweep(const TRowDone& rowDone, int threads = 1, TSweepKernel kernel = TSweepKernel::automatic);
    // From a row report: the sweep ends after that row; the rows reported keep their spectra, so
    // a later sweep computes only the rest. Nothing happens while no sweep runs.
    void CancelSweep();
    bool Sweeping() const { return sweep_ != nullptr; }

    // The analysis frequency. SetSelectedFrequency keeps f unless it falls into another bin, in
    // which case it snaps to that bin's frequency; bins outside 0 … S − 1 are taken to the
    // nearest end.
    int32_t SelectedBin() const { return selectedBin_; }
    double SelectedFrequency() const { return selectedFrequency_; }
    void SetSelectedFrequency(double hz);
    void SetSelectedBin(int32_t bin);
    // k · rate / N.
    double BinFrequency(int32_t bin) const;

    // The row-spectrum image: N/2 × Height, Format_BGR888, power at or above `black` dB black, at
    // or below `white` dB white. Computes the row spectra first. Returns the status text for a
    // pixel that could not be set ("i1=… y=…"), empty when every pixel was set.
    QString DrawRowSpectrum(double black, double white, QImage& bitmap);

Q_SIGNALS:
    // The "Spectral colorizing" button is to be drawn up without running its action.
    void colorizeButtonReleased();
    // The selected frequency was stored: status panel ("f=…") and axis markers follow.
    void selectedFrequencyChanged(double hz);
    // The selected bin changed: the main image is to be re-rendered.
    void selectedBinChanged(int32_t bin);
    // S (and with it N) changed: the waveform axis and the row-spectrum bitmap follow.
    void spectrumLengthChanged(int32_t length, int32_t fftLength);

private:
    struct TSweepState;
    struct TFree {
        void operator()(void* p) const;
    };
    using TPlane = std::unique_ptr<float[], TFree>;

    size_t Index(int32_t row, int32_t column) const { return size_t(row) * size_t(width_) + size_t(column); }
    float At(const std::vector<TPlane>& planes, int32_t bin, int32_t row, int32_t column) const
    {
        const float* plane = planes[size_t(row)].get();
        if (!plane || !HoldsBin(bin))
            return 0.0f;
        if (rowFill_[size_t(row)].load(std::memory_order_acquire) != kRowWhole && bin != rowBin_[size_t(row)])
            FillRowNow(row);
        return plane[size_t(bin - firstBin_) * size_t(width_) + size_t(column)];
    }

    // A row's fill state: every valid pixel holds every held bin, or only rowBin_ (pending), or
    // a thread is filling the rest.
    static constexpr uint8_t kRowWhole = 0;
    static constexpr uint8_t kRowPending = 1;
    static constexpr uint8_t kRowFilling = 2;
    struct TFill;
    void WholeRow(int32_t row) const
    {
        if (rowFill_ && power_[size_t(row)] && rowFill_[size_t(row)].load(std::memory_order_acquire) != kRowWhole)
            FillRowNow(row);
    }
    // Fills the row on this thread, or waits while another fills it (SpectrumStoreFill.cpp).
    void FillRowNow(int32_t row) const;
    void FillRowsLoop() const;
    void StartFill() const;
    void StopFill() const;
    // Every pending row filled before this returns, on every core.
    void FillAllRows();
    // Pending rows forgotten (their pixels are about to be invalid): their other bins were never
    // written, so they are zeroed.
    void DropPendingRows();

    void OnBlockChanging();
    void OnImageSizeChanged();
    void OnCacheSizeChanged();
    void Invalidate(bool releaseButton);
    // The frame-sized arrays for the sequence's frame; the spectra let go of.
    void Reshape();
    // Memory for the spectra of rows first … last that have none yet, zeroed; or, with `fresh`,
    // left for the caller to zero (the sweep zeroes each row on the thread that fills it), with
    // fresh[y - first] set for each row made.
    void HoldRows(int32_t first, int32_t last, std::vector<uint8_t>* fresh = nullptr);
    // Bins 0 … N/2, or all S when `selected` lies above.
    int32_t HeldBinsFor(int32_t selected) const;
    // Widens the store to every bin when the selected bin lies outside: the spectra held keep
    // their bins and get the new ones computed (SpectrumStoreWiden.cpp).
    void HoldSelectedBin();
    void CheckComputable() const;
    void StopSweep();

    const TSequence& sequence_;
    TFFT fft_;
    int32_t length_ = kDefaultSpectrumLength;
    int32_t fftLength_ = kDefaultSpectrumLength;
    int32_t bins_ = kDefaultSpectrumLength;
    int32_t firstBin_ = 0;
    int32_t onlyBin_ = -1;  // the one bin held, or -1 for all
    int32_t width_ = 0;
    int32_t height_ = 0;
    QString allocationError_;  // why the store is empty after a frame size it could not follow
    std::vector<TPlane> power_, phase_;  // per row: [bin][column], made on first use
    int32_t rowsHeld_ = 0;
    std::vector<uint8_t> valid_;
    std::vector<float> rowSpectra_;  // made by the first row spectra
    bool rowSpectraValid_ = false;
    tdoublearr series_;
    int32_t selectedBin_ = 0;
    double selectedFrequency_ = 0;
    uint64_t generation_ = 0;           // counts invalidations; a sweep ends when it moves
    TSweepState* sweep_ = nullptr;      // the sweep running, if any
    // The running sweep's rows not zeroed yet: power and phase plane of row y at 2y and 2y + 1.
    std::vector<float*>* freshPlanes_ = nullptr;
    // The sweep's rows holding only their selected bin so far: those of the running sweep whose
    // other bins are not zeroed yet (set by the thread computing the row).
    std::vector<uint8_t>* sliceOnly_ = nullptr;
    int32_t sliceBin_ = -1;
    std::unique_ptr<std::atomic<uint8_t>[]> rowFill_;  // per row, kRowWhole …
    std::vector<int32_t> rowBin_;                      // per row: the one bin a pending row holds
    std::unique_ptr<TFill> fill_;                      // the fill's engine and threads
    std::unique_ptr<QThreadPool> sweepPool_;  // the sweep's helpers
};

// The status panel's text for a frequency: "f=" and the value with one decimal (halves away from
// zero), in the user's decimal separator.
QString SelectedFrequencyText(double hz, QChar decimalSeparator = UserDecimalSeparator());

// The grey of the row-spectrum image for a power in dB; false when it cannot be computed.
bool RowSpectrumGrey(double power, double black, double white, uint8_t& grey);
