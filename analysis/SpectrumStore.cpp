#include "analysis/SpectrumStore.h"

#include "platform/Errors.h"
#include "platform/SystemMemory.h"
#include "viewer/Sequence.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <unistd.h>

namespace {

// 64-byte aligned and zeroed: the sweep streams whole cache lines into it.
float* AllocateCube(size_t values)
{
    const size_t bytes = (values * sizeof(float) + 63) / 64 * 64;
    void* p = std::aligned_alloc(64, bytes == 0 ? 64 : bytes);
    if (!p)
        throw EOutOfMemory(QStringLiteral("Not enough memory for the spectra"));
    std::fill_n(static_cast<float*>(p), bytes / sizeof(float), 0.0f);
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

    void StopWorkers()
    {
        stop = true;
        for (QFuture<void>& worker : workers)
            worker.waitForFinished();  // a helper that never started is taken back and ends at once
        workers.clear();
    }
};

void TSpectrumStore::TFree::operator()(void* p) const { std::free(p); }

TSpectrumStore::TSpectrumStore(TSequence& sequence, QObject* parent)
    : QObject(parent), sequence_(sequence), sweepPool_(std::make_unique<QThreadPool>())
{
    fft_.SetWindowSize(length_);
    fft_.SetFFTSize(length_);
    fftLength_ = fft_.FFTSize();
    series_.assign(size_t(length_), 0.0);
    Allocate(length_, sequence.Height(), sequence.Width());
    connect(&sequence, &TSequence::blockChanging, this, &TSpectrumStore::OnBlockChanging);
    connect(&sequence, &TSequence::imageWidthChanged, this, &TSpectrumStore::OnImageSizeChanged);
    connect(&sequence, &TSequence::imageHeightChanged, this, &TSpectrumStore::OnImageSizeChanged);
    connect(&sequence, &TSequence::cacheSizeChanged, this, &TSpectrumStore::OnCacheSizeChanged);
}

TSpectrumStore::~TSpectrumStore() { StopSweep(); }

void TSpectrumStore::CheckFits(int64_t bins, int64_t height, int64_t width)
{
    // Two cubes of floats plus the small arrays; half the machine's memory at most, as the block.
    const int64_t limit = PhysicalMemoryBytes() / 2;
    const int64_t pixels = height * width;
    const int64_t perPixel = 2 * bins * int64_t(sizeof(float)) + 1;
    if (bins < 1 || pixels < 1 || pixels > limit / perPixel)
        throw EOutOfMemory(QStringLiteral("The spectra of %1 frames of %2 x %3 pixels do not fit in memory")
                               .arg(bins)
                               .arg(width)
                               .arg(height));
}

void TSpectrumStore::Allocate(int32_t bins, int32_t height, int32_t width)
{
    CheckFits(bins, height, width);
    if (bins != bins_ || height != height_ || width != width_ || !power_) {
        power_.reset();  // the old cubes go before the new ones are made
        phase_.reset();
        bins_ = 0;
        const size_t values = size_t(bins) * size_t(height) * size_t(width);
        power_.reset(AllocateCube(values));
        phase_.reset(AllocateCube(values));
        rowSpectra_.assign(size_t(bins) * size_t(height), 0.0f);
        bins_ = bins;
        height_ = height;
        width_ = width;
    }
    valid_.assign(size_t(height) * size_t(width), 0);
    allocationError_.clear();
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
    // The sequence has changed its frame already; a store that cannot follow stays empty and says
    // why at the next computation.
    try {
        Allocate(length_, sequence_.Height(), sequence_.Width());
    } catch (const EError& e) {
        power_.reset();
        phase_.reset();
        rowSpectra_.clear();
        valid_.assign(size_t(sequence_.Height()) * size_t(sequence_.Width()), 0);
        bins_ = 0;
        height_ = sequence_.Height();
        width_ = sequence_.Width();
        allocationError_ = e.Message();
    }
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
    CheckFits(length, sequence_.Height(), sequence_.Width());

    length_ = length;
    Invalidate(true);
    series_.assign(size_t(length), 0.0);
    fft_.SetWindowSize(length);
    fft_.SetFFTSize(length);
    fftLength_ = fft_.FFTSize();
    Allocate(length, sequence_.Height(), sequence_.Width());
    if (selectedBin_ >= length)
        SetSelectedBin(length - 1);
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
    if (row < 0 || row >= height_ || column < 0 || column >= width_)
        throw ERangeError();
    CheckComputable();
    StopSweep();  // called from a sweep's row report: the rest of the sweep runs on this thread
    const size_t at = Index(row, column);
    if (valid_[at])
        return;
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
    if (lowest == highest)
        return;  // a pixel that never changes has no spectrum
    double mean = double(sum) / double(length_);
    if (!(mean > 0))
        mean = 1;
    for (int32_t k = 0; k < length_; ++k)
        series_[size_t(k)] = (double(cache.Row(k, row)[column]) - mean) / mean;
    fft_.SetRealInput(true);
    fft_.SetData(series_);
    const tdoublearr& power = fft_.GetPowerDB();
    const tdoublearr& phase = fft_.GetPhase();
    for (int32_t k = 0; k < length_; ++k) {
        power_[Index(k, row, column)] = float(power[size_t(k)]);
        phase_[Index(k, row, column)] = float(phase[size_t(k)]);
    }
    valid_[at] = 1;
}

void TSpectrumStore::ComputeRowSpectra()
{
    if (rowSpectraValid_)
        return;
    CheckComputable();
    StopSweep();
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
    // The engine as one pixel's transform would leave it.
    fft_.SetRealInput(true);
    fft_.SetData(series_);
    const TSweepEngine engine = DescribeSweepEngine(fft_);
    const TFrameCache& cache = sequence_.Cache();
    const int32_t height = height_;
    const int32_t width = width_;
    const uint64_t generation = generation_;
    threads = std::clamp(threads, 1, std::max(1, height));

    TSweepState state;
    state.ready = std::make_unique<std::atomic<uint8_t>[]>(size_t(height));
    std::vector<uint8_t> done(size_t(height) * size_t(width), 0);
    const size_t planeStride = size_t(height) * size_t(width);

    auto computeRow = [&](int32_t y, TSweepScratch& scratch) {
        TSweepRow job;
        job.cache = &cache;
        job.row = y;
        job.length = length_;
        job.validRow = valid_.data() + size_t(y) * size_t(width);
        job.power = power_.get();
        job.phase = phase_.get();
        job.planeStride = planeStride;
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
    };

    sweep_ = &state;
    struct TDetach {
        TSpectrumStore* store;
        TSweepState* state;
        ~TDetach()
        {
            state->StopWorkers();
            store->sweep_ = nullptr;
        }
    } detach{this, &state};

    TSweepScratch scratch(engine.fftSize, length_, width);
    sweepPool_->setMaxThreadCount(std::max(1, threads - 1));
    for (int i = 1; i < threads; ++i)
        state.workers.push_back(QtConcurrent::run(sweepPool_.get(), worker));

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
            for (size_t i = from; i < from + size_t(width); ++i)
                valid_[i] |= done[i];
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
