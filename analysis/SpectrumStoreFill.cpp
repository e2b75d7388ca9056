// The other bins of rows a sweep computed for the selected bin only. They are filled row by row,
// in the background on the store's pool or by the first read that needs them, with the sweep's
// own engine tables: the values are those a full sweep stores, bit for bit. A row's selected bin
// is never written again, so that bin reads without waiting while the rest is filled.
#include "analysis/SpectrumStoreFill.h"

#include "platform/Errors.h"
#include "viewer/io/Sequence.h"

#include <QFuture>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cstring>
#include <new>

TSpectrumStore::TFill::TFill(TFFT& fft, TSweepKernel sweepKernel)
    : cosTable(fft.CosTable()),
      sinTable(fft.SinTable()),
      window(fft.WindowTable()),
      reversal(fft.BitReversal()),
      kernel(sweepKernel)
{
    engine = DescribeSweepEngine(fft);
    engine.cosTable = cosTable.data();
    engine.sinTable = sinTable.data();
    engine.window = window.data();
    engine.reversal = reversal.data();
}

bool TSpectrumStore::TFill::SameAs(TFFT& fft) const
{
    const TSweepEngine now = DescribeSweepEngine(fft);
    return now.fftSize == engine.fftSize && now.windowSize == engine.windowSize &&
           now.subtractMean == engine.subtractMean && fft.CosTable() == cosTable && fft.SinTable() == sinTable &&
           fft.WindowTable() == window && fft.BitReversal() == reversal;
}

namespace {

// One filling thread's memory: the transform's scratch and a row of every bin.
struct TFillScratch {
    TFillScratch(const TSweepEngine& engine, int32_t length, int32_t width, int32_t bins)
        : sweep(engine.fftSize, length, width),
          power(size_t(bins) * size_t(width)),
          phase(size_t(bins) * size_t(width)),
          skip(size_t(width)),
          done(size_t(width))
    {
    }
    TSweepScratch sweep;
    std::vector<float> power, phase;
    std::vector<uint8_t> skip, done;
};

}  // namespace

int32_t TSpectrumStore::RowsToFill() const
{
    int32_t rows = 0;
    for (int32_t y = 0; rowFill_ && y < height_; ++y)
        rows += rowFill_[size_t(y)].load(std::memory_order_acquire) != kRowWhole ? 1 : 0;
    return rows;
}

void TSpectrumStore::WaitForFill() const
{
    for (int32_t y = 0; rowFill_ && y < height_; ++y)
        WholeRow(y);
}

// The pixels valid now are computed again with every held bin into the scratch row, and every bin
// but the row's own goes to the store (zeros where no pixel is valid: those bins were never
// written). Only the thread holding the row as kRowFilling calls this.
static void FillOneRow(const TSweepEngine& engine, TSweepKernel kernel, const TFrameCache& cache, int32_t row,
                       int32_t length, const uint8_t* valid, int32_t width, int32_t firstBin, int32_t bins,
                       int32_t keptBin, float* power, float* phase, TFillScratch& scratch)
{
    bool any = false;
    for (int32_t x = 0; x < width; ++x) {
        scratch.skip[size_t(x)] = valid[x] ? 0 : 1;
        any = any || valid[x];
    }
    std::fill(scratch.power.begin(), scratch.power.end(), 0.0f);
    std::fill(scratch.phase.begin(), scratch.phase.end(), 0.0f);
    if (any) {
        TSweepRow job;
        job.cache = &cache;
        job.row = row;
        job.length = length;
        job.validRow = scratch.skip.data();
        job.power = scratch.power.data();
        job.phase = scratch.phase.data();
        job.planeStride = size_t(width);
        job.rowOffset = 0;
        job.firstBin = firstBin;
        job.bins = bins;
        job.doneRow = scratch.done.data();
        SweepRow(kernel, engine, job, scratch.sweep);
    }
    const size_t plane = size_t(width);
    for (int32_t b = 0; b < bins; ++b) {
        if (firstBin + b == keptBin)
            continue;
        std::memcpy(power + size_t(b) * plane, scratch.power.data() + size_t(b) * plane, plane * sizeof(float));
        std::memcpy(phase + size_t(b) * plane, scratch.phase.data() + size_t(b) * plane, plane * sizeof(float));
    }
}

void TSpectrumStore::FillRowNow(int32_t row) const
{
    auto& state = rowFill_[size_t(row)];
    uint8_t expected = kRowPending;
    if (state.compare_exchange_strong(expected, kRowFilling, std::memory_order_acquire)) {
        try {
            TFillScratch scratch(fill_->engine, length_, width_, bins_);
            FillOneRow(fill_->engine, fill_->kernel, sequence_.Cache(), row, length_, valid_.data() + Index(row, 0),
                       width_, firstBin_, bins_, rowBin_[size_t(row)], power_[size_t(row)].get(),
                       phase_[size_t(row)].get(), scratch);
        } catch (const std::bad_alloc&) {
            state.store(kRowPending, std::memory_order_release);
            fill_->Notify();
            throw EOutOfMemory(QStringLiteral("Out of memory (the spectra of row %1)").arg(row));
        }
        state.store(kRowWhole, std::memory_order_release);
        fill_->Notify();
        return;
    }
    if (expected == kRowFilling) {
        std::unique_lock<std::mutex> lock(fill_->mutex);
        fill_->rowFinished.wait(lock, [&] { return state.load(std::memory_order_acquire) != kRowFilling; });
        if (state.load(std::memory_order_acquire) == kRowPending)
            FillRowNow(row);  // the filling thread gave up on it
    }
}

void TSpectrumStore::TFill::Notify()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
    }
    rowFinished.notify_all();
}

void TSpectrumStore::FillRowsLoop() const
{
    try {
        TFillScratch scratch(fill_->engine, length_, width_, bins_);
        const TFrameCache& cache = sequence_.Cache();
        while (!fill_->stop.load(std::memory_order_relaxed)) {
            const int32_t y = fill_->nextRow.fetch_add(1);
            if (y >= height_)
                break;
            auto& state = rowFill_[size_t(y)];
            uint8_t expected = kRowPending;
            if (!state.compare_exchange_strong(expected, kRowFilling, std::memory_order_acquire))
                continue;
            FillOneRow(fill_->engine, fill_->kernel, cache, y, length_, valid_.data() + Index(y, 0), width_,
                       firstBin_, bins_, rowBin_[size_t(y)], power_[size_t(y)].get(), phase_[size_t(y)].get(),
                       scratch);
            state.store(kRowWhole, std::memory_order_release);
            fill_->Notify();
        }
    } catch (...) {
        // No memory for the scratch: the rows left are filled when read, which reports it.
    }
    std::lock_guard<std::mutex> lock(fill_->mutex);
    ++fill_->exited;
    fill_->rowFinished.notify_all();
}

void TSpectrumStore::StartFill() const
{
    if (!fill_ || sweep_ || !fill_->workers.empty() || RowsToFill() == 0)
        return;  // a running sweep starts it when it ends
    // One core stays with the window: the fill is what nobody waits for yet.
    const int threads = std::max(1, QThread::idealThreadCount() - 1);
    fill_->stop = false;
    fill_->nextRow = 0;
    fill_->exited = 0;
    sweepPool_->setMaxThreadCount(std::max(sweepPool_->maxThreadCount(), threads));
    for (int i = 0; i < threads; ++i)
        fill_->workers.push_back(QtConcurrent::run(sweepPool_.get(), [this] { FillRowsLoop(); }));
    fill_->launched = int(fill_->workers.size());
}

void TSpectrumStore::StopFill() const
{
    if (!fill_ || fill_->workers.empty())
        return;
    fill_->stop = true;
    for (QFuture<void>& worker : fill_->workers)
        worker.waitForFinished();
    {
        // Ordered after every worker's last touch of the store, also for tools that cannot see
        // inside the thread pool.
        std::unique_lock<std::mutex> lock(fill_->mutex);
        fill_->rowFinished.wait(lock, [this] { return fill_->exited == fill_->launched; });
    }
    fill_->workers.clear();
    fill_->stop = false;
}

void TSpectrumStore::FillAllRows()
{
    if (RowsToFill() == 0)
        return;
    StopFill();
    StartFill();
    // This thread takes rows too; whatever the helpers leave is filled below.
    FillRowsLoop();
    {
        std::lock_guard<std::mutex> lock(fill_->mutex);
        --fill_->exited;  // the loop above counted this thread
    }
    StopFill();
    WaitForFill();
}

void TSpectrumStore::DropPendingRows()
{
    StopFill();
    if (!rowFill_)
        return;
    for (int32_t y = 0; y < height_; ++y) {
        if (rowFill_[size_t(y)].load(std::memory_order_relaxed) == kRowWhole)
            continue;
        const size_t bytes = (size_t(bins_) * size_t(width_) * sizeof(float) + 63) / 64 * 64;
        if (power_[size_t(y)])
            std::memset(power_[size_t(y)].get(), 0, bytes);
        if (phase_[size_t(y)])
            std::memset(phase_[size_t(y)].get(), 0, bytes);
        rowFill_[size_t(y)].store(kRowWhole, std::memory_order_relaxed);
    }
}
