#include "analysis/SpectrumStore.h"

#include "analysis/SpectrumStoreFill.h"
#include "platform/Errors.h"
#include "platform/SystemMemory.h"
#include "viewer/io/Sequence.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <unistd.h>

namespace {

size_t PlaneBytes(size_t values) { return (values * sizeof(float) + 63) / 64 * 64; }

// One row's spectra of one kind: `values` floats, 64-byte aligned (the sweep streams whole cache
// lines into them), zeroed when asked, or null when the memory is not there.
float* AllocatePlane(size_t values, bool zeroed)
{
    const size_t bytes = PlaneBytes(values);
    void* p = std::aligned_alloc(64, bytes == 0 ? 64 : bytes);
    if (p && zeroed)
        std::memset(p, 0, bytes);
    return static_cast<float*>(p);
}

}  // namespace

// The rows of a sweep and who computes them. Only the calling thread sets SpectrumValid and
// reports rows; workers write the cubes of the rows they take and mark them ready.
struct TSpectrumStore::TSweepState {
    std::atomic<int32_t> nextRow{0};
    std::atomic<bool> stop{false};
    bool cancelled = false;  // calling thread only
    std::unique_ptr<std::atomic<uint8_t>[]> ready;
    std::vector<QFuture<void>> workers;
    std::mutex mutex;
    std::condition_variable rowFinished;
    std::exception_ptr workerError;
    int launched = 0;
    int exited = 0;  // helpers whose last touch of the state is done (under the mutex)

    void StopWorkers()
    {
        stop = true;
        for (QFuture<void>& worker : workers)
            worker.waitForFinished();  // a helper that never started is taken back and ends at once
        // Also through our own mutex, so that the state's end is ordered after every helper's
        // last use of it for tools that cannot see inside the thread pool.
        std::unique_lock<std::mutex> lock(mutex);
        rowFinished.wait(lock, [this] { return exited == launched; });
        workers.clear();
    }
};

void TSpectrumStore::TFree::operator()(void* p) const { std::free(p); }

TSpectrumStore::TSpectrumStore(const TSequence& sequence, QObject* parent)
    : QObject(parent), sequence_(sequence), sweepPool_(std::make_unique<QThreadPool>())
{
    fft_.SetWindowSize(length_);
    fft_.SetFFTSize(length_);
    fftLength_ = fft_.FFTSize();
    series_.assign(size_t(length_), 0.0);
    Reshape();
    connect(&sequence, &TSequence::blockChanging, this, &TSpectrumStore::OnBlockChanging);
    connect(&sequence, &TSequence::imageWidthChanged, this, &TSpectrumStore::OnImageSizeChanged);
    connect(&sequence, &TSequence::imageHeightChanged, this, &TSpectrumStore::OnImageSizeChanged);
    connect(&sequence, &TSequence::cacheSizeChanging, this, [this] { StopFill(); });
    connect(&sequence, &TSequence::cacheSizeChanged, this, &TSpectrumStore::OnCacheSizeChanged);
}

TSpectrumStore::~TSpectrumStore()
{
    StopSweep();
    StopFill();
}

int64_t TSpectrumStore::BytesForFrame(int64_t width, int64_t height) const
{
    // SpectrumValid, the row spectra and a null pointer per row for each kind of spectrum.
    return CheckedSum(CheckedSum(CheckedProduct(width, height), CheckedProduct(length_, height, sizeof(float))),
                      CheckedProduct(2 * height, sizeof(void*)));
}

int64_t TSpectrumStore::SpectraBytes(int64_t width, int64_t height) const
{
    return CheckedProduct(CheckedProduct(2, bins_, sizeof(float)), width, height);
}

void TSpectrumStore::Reshape()
{
    StopFill();
    rowFill_.reset();
    rowBin_.clear();
    power_.clear();
    phase_.clear();
    rowsHeld_ = 0;
    std::vector<float>().swap(rowSpectra_);
    // A real series' spectrum: bins above N/2 mirror those below and no display reads them.
    firstBin_ = onlyBin_ < 0 ? 0 : onlyBin_;
    bins_ = onlyBin_ < 0 ? HeldBinsFor(selectedBin_) : 1;
    const int32_t height = sequence_.Height();
    const int32_t width = sequence_.Width();
    try {
        valid_.assign(size_t(height) * size_t(width), 0);
        power_.resize(size_t(height));
        phase_.resize(size_t(height));
        rowFill_ = std::make_unique<std::atomic<uint8_t>[]>(size_t(height));  // every row whole
        rowBin_.assign(size_t(height), -1);
        width_ = width;
        height_ = height;
        allocationError_.clear();
    } catch (const std::bad_alloc&) {
        // The sequence has its new frame already; a store that cannot follow is empty and says
        // why at the next computation.
        std::vector<uint8_t>().swap(valid_);
        power_.clear();
        phase_.clear();
        rowFill_.reset();
        rowBin_.clear();
        width_ = height_ = 0;
        allocationError_ = QStringLiteral("Out of memory (the spectra of %1 x %2 pixels)").arg(width).arg(height);
    }
}

void TSpectrumStore::HoldRows(int32_t first, int32_t last, std::vector<uint8_t>* fresh)
{
    if (fresh)
        fresh->assign(size_t(last - first + 1), 0);
    int32_t missing = 0;
    for (int32_t y = first; y <= last; ++y)
        missing += power_[size_t(y)] ? 0 : 1;
    if (missing == 0)
        return;
    // The block, the spectra held and those to come are counted together: what is held already
    // is part of what the process uses.
    const int64_t rowBytes = SpectraBytes(width_, 1);
    const int64_t block = TFrameCache::BlockBytes(sequence_.CacheSize(), height_, width_);
    const int64_t held = CheckedSum(block, CheckedProduct(rowsHeld_, rowBytes));
    const int64_t spectra = CheckedProduct(int64_t(rowsHeld_) + missing, rowBytes);
    TMemoryRoom room = sequence_.MemoryRoomNow();
    room.bytes = CheckedSum(room.bytes, held);
    const int32_t rowsAfter = rowsHeld_ + missing;
    const QString rows = rowsAfter == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(rowsAfter);
    CheckMemoryRoom(CheckedSum(block, spectra),
                    QStringLiteral("The frame block (%1) with the spectra of %2 of %3 pixels over %4 frames (%5)")
                        .arg(ByteSizeText(block), rows)
                        .arg(width_)
                        .arg(length_)
                        .arg(ByteSizeText(spectra)),
                    room);
    const size_t values = size_t(bins_) * size_t(width_);
    for (int32_t y = first; y <= last; ++y) {
        if (power_[size_t(y)])
            continue;
        TPlane power(AllocatePlane(values, !fresh));
        TPlane phase(AllocatePlane(values, !fresh));
        if (!power || !phase)
            throw EOutOfMemory(QStringLiteral("Out of memory (the spectra of row %1)").arg(y));
        power_[size_t(y)] = std::move(power);
        phase_[size_t(y)] = std::move(phase);
        ++rowsHeld_;
        if (fresh)
            (*fresh)[size_t(y - first)] = 1;
    }
}

void TSpectrumStore::StopSweep()
{
    if (sweep_)
        sweep_->StopWorkers();
}

void TSpectrumStore::CancelSweep()
{
    if (!sweep_)
        return;
    sweep_->cancelled = true;
    sweep_->StopWorkers();
}

void TSpectrumStore::Invalidate(bool releaseButton)
{
    StopSweep();
    DropPendingRows();
    ++generation_;
    std::fill(valid_.begin(), valid_.end(), uint8_t(0));
    if (releaseButton) {
        rowSpectraValid_ = false;
        Q_EMIT colorizeButtonReleased();
    }
}

void TSpectrumStore::OnBlockChanging() { Invalidate(true); }

void TSpectrumStore::OnCacheSizeChanged() { Invalidate(false); }

void TSpectrumStore::OnImageSizeChanged()
{
    Invalidate(true);
    Reshape();
}

void TSpectrumStore::SetSpectrumLength(int32_t length)
{
    // Everything is checked before anything changes: a length half applied would leave cubes
    // smaller than the series written into them.
    if (length < 2 || length > TFFT::kMaxSize)
        throw EFFTError(QStringLiteral("Window size out of range"));
    if (length > sequence_.CacheSize())
        throw EError(QStringLiteral("The analysis length (%1) must not exceed the cache size (%2)")
                         .arg(length)
                         .arg(sequence_.CacheSize()));

    length_ = length;
    onlyBin_ = -1;
    Invalidate(true);
    series_.assign(size_t(length), 0.0);
    fft_.SetWindowSize(length);
    fft_.SetFFTSize(length);
    fftLength_ = fft_.FFTSize();
    Reshape();
    // The same bin number stands for another frequency now: the frequency the user picked is
    // kept, at the nearest bin of the new length, so that the marker and every readout agree.
    const double rate = sequence_.Header().FramesPerSecond;
    const double nearest = std::nearbyint(selectedFrequency_ / rate * double(fftLength_));
    const int32_t bin = nearest >= 0 && nearest <= double(length_ - 1) ? int32_t(nearest)
                        : nearest > 0                                   ? length_ - 1
                                                                        : 0;
    selectedBin_ = bin;
    if (onlyBin_ < 0)
        bins_ = HeldBinsFor(bin);  // nothing is held yet
    selectedFrequency_ = BinFrequency(bin);
    Q_EMIT selectedBinChanged(bin);
    Q_EMIT selectedFrequencyChanged(selectedFrequency_);
    Q_EMIT spectrumLengthChanged(length_, fftLength_);
}

void TSpectrumStore::CheckComputable() const
{
    if (!allocationError_.isEmpty())
        throw EOutOfMemory(allocationError_);
    // The cache can shrink below the analysis length after the length was accepted.
    if (length_ > sequence_.CacheSize())
        throw EError(QStringLiteral("The analysis length (%1) exceeds the cache size (%2)")
                         .arg(length_)
                         .arg(sequence_.CacheSize()));
}

void TSpectrumStore::ComputePixelSpectrum(int32_t column, int32_t row)
{
    CheckComputable();
    if (row < 0 || row >= height_ || column < 0 || column >= width_)
        throw ERangeError();
    StopSweep();  // called from a sweep's row report: the rest of the sweep runs on this thread
    const size_t at = Index(row, column);
    if (valid_[at])
        return;
    StopFill();  // it reads the row's validity; started again below
    const TFrameCache& cache = sequence_.Cache();
    float sum = 0;
    uint8_t lowest = 255;
    uint8_t highest = 0;
    for (int32_t k = 0; k < length_; ++k) {
        const uint8_t p = cache.Row(k, row)[column];
        sum += p;
        lowest = std::min(lowest, p);
        highest = std::max(highest, p);
    }
    if (lowest == highest) {
        StartFill();
        return;  // a pixel that never changes has no spectrum
    }
    double mean = double(sum) / double(length_);
    if (!(mean > 0))
        mean = 1;
    for (int32_t k = 0; k < length_; ++k)
        series_[size_t(k)] = (double(cache.Row(k, row)[column]) - mean) / mean;
    fft_.SetRealInput(true);
    fft_.SetData(series_);
    const tdoublearr& power = fft_.GetPowerDB();
    const tdoublearr& phase = fft_.GetPhase();
    HoldRows(row, row);
    if (freshPlanes_) {
        // A row the sweep made but has not reached: zeroed here first (the sweep's helpers are
        // stopped, and the rest of it runs on this thread).
        const size_t bytes = PlaneBytes(size_t(bins_) * size_t(width_));
        for (size_t i = 2 * size_t(row); i < 2 * size_t(row) + 2; ++i)
            if ((*freshPlanes_)[i]) {
                std::memset((*freshPlanes_)[i], 0, bytes);
                (*freshPlanes_)[i] = nullptr;
            }
    }
    if (sliceOnly_ && (*sliceOnly_)[size_t(row)]) {
        // A row the sweep computed for its selected bin only and has not reported: the other
        // bins are zeroed, so that the row stays sound should the sweep end before reporting it.
        const size_t plane = size_t(width_);
        const size_t kept = size_t(sliceBin_ - firstBin_);
        for (float* p : {power_[size_t(row)].get(), phase_[size_t(row)].get()}) {
            std::memset(p, 0, kept * plane * sizeof(float));
            std::memset(p + (kept + 1) * plane, 0, (size_t(bins_) - kept - 1) * plane * sizeof(float));
        }
        (*sliceOnly_)[size_t(row)] = 0;
    }
    float* const powerRow = power_[size_t(row)].get() + column;
    float* const phaseRow = phase_[size_t(row)].get() + column;
    for (int32_t b = 0; b < bins_; ++b) {
        powerRow[size_t(b) * size_t(width_)] = float(power[size_t(firstBin_ + b)]);
        phaseRow[size_t(b) * size_t(width_)] = float(phase[size_t(firstBin_ + b)]);
    }
    valid_[at] = 1;
    StartFill();
}

void TSpectrumStore::ComputeRowSpectra()
{
    if (rowSpectraValid_)
        return;
    CheckComputable();
    StopSweep();
    rowSpectra_.resize(size_t(length_) * size_t(height_));
    const TFrameCache& cache = sequence_.Cache();
    for (int32_t y = 0; y < height_; ++y) {
        float total = 0;
        for (int32_t k = 0; k < length_; ++k) {
            const uint8_t* line = cache.Row(k, y);
            for (int32_t x = 0; x < width_; ++x)
                total += line[x];
        }
        double mean = double(total) / double(length_) / double(width_);
        if (!(mean > 0))
            mean = 1;
        for (int32_t k = 0; k < length_; ++k) {
            const uint8_t* line = cache.Row(k, y);
            int64_t sum = 0;
            for (int32_t x = 0; x < width_; ++x)
                sum += line[x];
            const double m = double(sum) / double(width_);
            series_[size_t(k)] = (m - mean) / mean;
        }
        fft_.SetRealInput(true);
        fft_.SetData(series_);
        const tdoublearr& power = fft_.GetPowerDB();
        for (int32_t k = 0; k < length_; ++k)
            rowSpectra_[size_t(k) * size_t(height_) + size_t(y)] = float(power[size_t(k)]);
    }
    rowSpectraValid_ = true;
}

void TSpectrumStore::ColorizeSweep(const TRowDone& rowDone, int threads, TSweepKernel kernel)
{
    CheckComputable();
    if (sweep_)
        throw EError(QStringLiteral("A colorizing sweep is already running"));
    StopFill();
    // The engine as one pixel's transform would leave it.
    fft_.SetRealInput(true);
    fft_.SetData(series_);
    const TSweepEngine engine = DescribeSweepEngine(fft_);
    // The selected bin first, as a one-bin store computes it; the rest of each row reported is
    // filled afterwards with the same engine.
    const bool selectedFirst = onlyBin_ < 0 && bins_ > 1 && HoldsBin(selectedBin_);
    const int32_t sliceBin = selectedFirst ? selectedBin_ : -1;
    if (selectedFirst && (!fill_ || fill_->kernel != kernel || !fill_->SameAs(fft_))) {
        FillAllRows();  // rows left from an earlier sweep are filled with their own engine
        fill_ = std::make_unique<TFill>(fft_, kernel);
    }
    // Rows made now are zeroed by the threads that fill them: their pages are first touched
    // there, side by side, rather than all on this thread before the first row starts.
    std::vector<uint8_t> fresh;
    if (height_ > 0)
        HoldRows(0, height_ - 1, &fresh);
    const size_t planeBytes = PlaneBytes(size_t(bins_) * size_t(width_));
    std::vector<float*> freshPlanes(2 * size_t(height_), nullptr);
    for (int32_t y = 0; y < height_; ++y)
        if (fresh[size_t(y)]) {
            freshPlanes[2 * size_t(y)] = power_[size_t(y)].get();
            freshPlanes[2 * size_t(y) + 1] = phase_[size_t(y)].get();
        }
    // Rows made but never filled (the sweep ended early or failed) are zeroed here, once the
    // helpers are gone (the guard outlives them), unless the store let go of them meanwhile.
    struct TZeroRest {
        const TSpectrumStore* store;
        std::vector<float*>* planes;
        size_t bytes;
        ~TZeroRest()
        {
            for (size_t y = 0; y < store->power_.size() && 2 * y + 1 < planes->size(); ++y) {
                float* const power = (*planes)[2 * y];
                float* const phase = (*planes)[2 * y + 1];
                if (power && store->power_[y].get() == power && store->phase_[y].get() == phase) {
                    std::memset(power, 0, bytes);
                    std::memset(phase, 0, bytes);
                }
            }
        }
    } zeroRest{this, &freshPlanes, planeBytes};
    // Rows computed for the selected bin only and never reported are zeroed whole, as above.
    const std::vector<float*> madePlanes = freshPlanes;
    std::vector<uint8_t> sliceOnly(size_t(height_), 0);  // only the thread computing the row writes
    struct TZeroSliced {
        const TSpectrumStore* store;
        const std::vector<float*>* made;
        std::vector<uint8_t>* sliceOnly;
        size_t bytes;
        ~TZeroSliced()
        {
            for (size_t y = 0; y < store->power_.size() && y < sliceOnly->size(); ++y) {
                float* const power = (*made)[2 * y];
                float* const phase = (*made)[2 * y + 1];
                if ((*sliceOnly)[y] && store->power_[y].get() == power && store->phase_[y].get() == phase) {
                    std::memset(power, 0, bytes);
                    std::memset(phase, 0, bytes);
                }
            }
        }
    } zeroSliced{this, &madePlanes, &sliceOnly, planeBytes};
    const TFrameCache& cache = sequence_.Cache();
    const int32_t height = height_;
    const int32_t width = width_;
    const uint64_t generation = generation_;
    threads = std::clamp(threads, 1, std::max(1, height));

    TSweepState state;
    state.ready = std::make_unique<std::atomic<uint8_t>[]>(size_t(height));
    std::vector<uint8_t> done(size_t(height) * size_t(width), 0);

    // Only the thread computing row y touches its entries (or, with the helpers stopped, a point
    // spectrum computed from a row report).
    const size_t slice = selectedFirst ? size_t(sliceBin - firstBin_) * size_t(width) : 0;
    auto zeroRow = [&](int32_t y) {
        for (size_t i = 2 * size_t(y); i < 2 * size_t(y) + 2; ++i)
            if (freshPlanes[i]) {
                if (selectedFirst) {
                    // The other bins are written whole by the fill (or zeroed if the row is
                    // never reported): zeroing them now would cost the sweep their bandwidth.
                    std::memset(freshPlanes[i] + slice, 0, size_t(width) * sizeof(float));
                    sliceOnly[size_t(y)] = 1;
                } else {
                    std::memset(freshPlanes[i], 0, planeBytes);
                }
                freshPlanes[i] = nullptr;
            }
    };
    auto computeRow = [&](int32_t y, TSweepScratch& scratch) {
        zeroRow(y);
        TSweepRow job;
        job.cache = &cache;
        job.row = y;
        job.length = length_;
        job.validRow = valid_.data() + size_t(y) * size_t(width);
        job.power = power_[size_t(y)].get() + slice;
        job.phase = phase_[size_t(y)].get() + slice;
        job.planeStride = size_t(width);
        job.rowOffset = 0;
        job.firstBin = selectedFirst ? sliceBin : firstBin_;
        job.bins = selectedFirst ? 1 : bins_;
        job.doneRow = done.data() + size_t(y) * size_t(width);
        SweepRow(kernel, engine, job, scratch);
        state.ready[size_t(y)].store(1, std::memory_order_release);
    };
    auto worker = [&] {
        try {
            TSweepScratch scratch(engine.fftSize, length_, width);
            while (!state.stop) {
                const int32_t y = state.nextRow.fetch_add(1);
                if (y >= height)
                    break;
                computeRow(y, scratch);
                std::lock_guard<std::mutex> lock(state.mutex);
                state.rowFinished.notify_one();
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(state.mutex);
            if (!state.workerError)
                state.workerError = std::current_exception();
            state.rowFinished.notify_one();
        }
        std::lock_guard<std::mutex> lock(state.mutex);
        ++state.exited;
        state.rowFinished.notify_all();
    };

    // The rows reported get their other bins once the sweep is over, ended or cancelled; after a
    // failure they are filled when read.
    struct TFillAfter {
        const TSpectrumStore* store;
        int exceptions = std::uncaught_exceptions();
        ~TFillAfter()
        {
            if (std::uncaught_exceptions() != exceptions)
                return;
            try {
                store->StartFill();
            } catch (...) {
            }
        }
    } fillAfter{this};  // after the detach below
    sweep_ = &state;
    freshPlanes_ = &freshPlanes;
    sliceOnly_ = &sliceOnly;
    sliceBin_ = sliceBin;
    struct TDetach {
        TSpectrumStore* store;
        TSweepState* state;
        ~TDetach()
        {
            state->StopWorkers();
            store->sweep_ = nullptr;
            store->freshPlanes_ = nullptr;
            store->sliceOnly_ = nullptr;
            store->sliceBin_ = -1;
        }
    } detach{this, &state};


    TSweepScratch scratch(engine.fftSize, length_, width);
    sweepPool_->setMaxThreadCount(std::max(1, threads - 1));
    for (int i = 1; i < threads; ++i)
        state.workers.push_back(QtConcurrent::run(sweepPool_.get(), worker));
    state.launched = int(state.workers.size());

    // The calling thread computes rows too and reports every finished row in order. Once the
    // workers are stopped (see StopSweep) it computes the rest alone.
    int32_t reported = 0;
    while (reported < height) {
        const int32_t y = state.nextRow.fetch_add(1);
        if (y < height)
            computeRow(y, scratch);
        if (!state.ready[size_t(reported)].load(std::memory_order_acquire)) {
            if (y < height)
                continue;
            // Every row is taken: wait for the workers' rows.
            std::unique_lock<std::mutex> lock(state.mutex);
            state.rowFinished.wait(lock, [&] {
                return state.ready[size_t(reported)].load(std::memory_order_acquire) || state.workerError;
            });
            if (state.workerError)
                std::rethrow_exception(state.workerError);
        }
        while (reported < height && state.ready[size_t(reported)].load(std::memory_order_acquire)) {
            const size_t from = size_t(reported) * size_t(width);
            uint8_t computed = 0;
            for (size_t i = from; i < from + size_t(width); ++i) {
                valid_[i] |= done[i];
                computed |= done[i];
            }
            if (selectedFirst && (computed || sliceOnly[size_t(reported)])) {
                rowBin_[size_t(reported)] = sliceBin;
                rowFill_[size_t(reported)].store(kRowPending, std::memory_order_release);
                sliceOnly[size_t(reported)] = 0;  // the fill writes its other bins whole
            }
            if (rowDone)
                rowDone(reported);
            if (generation_ != generation)
                return;  // the store changed under the sweep: its results are void
            ++reported;
            if (state.cancelled)
                return;  // the rows reported so far keep their spectra
        }
    }
}

void TSpectrumStore::HoldOnlyBin(int32_t bin)
{
    // The row spectra do not depend on it; they are made again only because Reshape lets go.
    onlyBin_ = std::clamp(bin, 0, std::max(0, length_ - 1));
    Invalidate(false);
    rowSpectraValid_ = false;
    Reshape();
}

double TSpectrumStore::BinFrequency(int32_t bin) const
{
    return double(bin) / double(fftLength_) * sequence_.Header().FramesPerSecond;
}

void TSpectrumStore::SetSelectedFrequency(double hz)
{
    selectedFrequency_ = hz;
    const int32_t bin = std::clamp(RoundToInt(hz / sequence_.Header().FramesPerSecond * double(fftLength_)), 0,
                                   std::max(0, length_ - 1));
    if (bin != selectedBin_)
        SetSelectedBin(bin);
    Q_EMIT selectedFrequencyChanged(selectedFrequency_);
}

void TSpectrumStore::SetSelectedBin(int32_t bin)
{
    bin = std::clamp(bin, 0, std::max(0, length_ - 1));
    const bool changed = bin != selectedBin_;
    selectedBin_ = bin;
    HoldSelectedBin();
    SetSelectedFrequency(BinFrequency(bin));
    if (changed)
        Q_EMIT selectedBinChanged(bin);
}

QString SelectedFrequencyText(double hz, QChar decimalSeparator)
{
    // One decimal with halves away from zero: the exact ties (x.25, x.75) go up in magnitude.
    double magnitude = std::fabs(hz);
    const double quarters = magnitude * 4;
    if (quarters == std::floor(quarters) && std::fmod(quarters, 2) == 1)
        magnitude = std::nextafter(magnitude, INFINITY);
    QString text = QString::number(magnitude, 'f', 1);
    if (hz < 0 && text != QLatin1String("0.0"))
        text.prepend(QLatin1Char('-'));
    text.replace(QLatin1Char('.'), decimalSeparator);
    return QStringLiteral("f=") + text;
}

bool RowSpectrumGrey(double power, double black, double white, uint8_t& grey)
{
    const double g = std::nearbyint((1 - (power - white) / (black - white)) * 255);
    if (!(std::fabs(g) < 9.2e18))  // the rounding faults: no grey for this pixel
        return false;
    grey = uint8_t(std::clamp(g, 0.0, 255.0));
    return true;
}

QString TSpectrumStore::DrawRowSpectrum(double black, double white, QImage& bitmap)
{
    ComputeRowSpectra();
    const int32_t columns = fftLength_ / 2;
    if (bitmap.width() != columns || bitmap.height() != height_ || bitmap.format() != QImage::Format_BGR888) {
        bitmap = QImage(columns, height_, QImage::Format_BGR888);
        bitmap.fill(Qt::black);
    }
    QString status;
    for (int32_t y = 0; y < height_; ++y) {
        uchar* line = bitmap.scanLine(y);
        for (int32_t j = 0; j < columns; ++j) {
            uint8_t g = 0;
            if (!RowSpectrumGrey(RowSpectrum(j, y), black, white, g)) {
                status = QStringLiteral("i1=%1 y=%2").arg(j).arg(y);
                continue;
            }
            line[3 * j] = g;
            line[3 * j + 1] = g;
            line[3 * j + 2] = g;
        }
    }
    return status;
}
