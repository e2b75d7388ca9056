// The store past bin N/2. A real series' bins above N/2 mirror those below only up to rounding, so
// a selected bin there is computed, never derived from its partner: the store then holds every
// bin, and the spectra it holds already get the new bins from their own series.
#include "analysis/SpectrumStore.h"

#include "platform/Errors.h"
#include "platform/SystemMemory.h"
#include "viewer/io/Sequence.h"

#include <QFuture>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>

int32_t TSpectrumStore::HeldBinsFor(int32_t selected) const
{
    const int32_t half = std::min(length_, fftLength_ / 2 + 1);
    return selected < half ? half : length_;
}

void TSpectrumStore::HoldSelectedBin()
{
    if (onlyBin_ >= 0 || HoldsBin(selectedBin_))
        return;
    const int32_t oldBins = bins_;
    const int32_t newBins = HeldBinsFor(selectedBin_);
    if (rowsHeld_ == 0) {
        bins_ = newBins;
        return;
    }
    CheckComputable();
    if (sweep_) {
        // Rows a running sweep has computed but not reported would become valid without the new
        // bins: the sweep ends at its next report, and a later one computes the rest.
        StopSweep();
        ++generation_;
    }
    // The old bins are copied below: every row's are computed first.
    FillAllRows();
    if (sliceOnly_) {
        // Rows the sweep computed for one bin and has not reported: zeroed whole, as the sweep
        // ends before reporting them.
        const size_t bytes = (size_t(oldBins) * size_t(width_) * sizeof(float) + 63) / 64 * 64;
        for (int32_t y = 0; y < height_; ++y)
            if ((*sliceOnly_)[size_t(y)]) {
                std::memset(power_[size_t(y)].get(), 0, bytes);
                std::memset(phase_[size_t(y)].get(), 0, bytes);
                (*sliceOnly_)[size_t(y)] = 0;
            }
    }
    if (freshPlanes_) {
        // Rows made for the sweep and not reached: zeroed now, as they are copied below.
        const size_t bytes = (size_t(oldBins) * size_t(width_) * sizeof(float) + 63) / 64 * 64;
        for (float*& plane : *freshPlanes_)
            if (plane) {
                std::memset(plane, 0, bytes);
                plane = nullptr;
            }
    }

    // Old and new planes live side by side until every row is done.
    const int64_t block = TFrameCache::BlockBytes(sequence_.CacheSize(), height_, width_);
    const int64_t held = CheckedProduct(CheckedProduct(2, oldBins, sizeof(float)), width_, rowsHeld_);
    const int64_t added = CheckedProduct(CheckedProduct(2, newBins, sizeof(float)), width_, rowsHeld_);
    TMemoryRoom room = sequence_.MemoryRoomNow();
    room.bytes = CheckedSum(room.bytes, CheckedSum(block, held));
    CheckMemoryRoom(CheckedSum(CheckedSum(block, held), added),
                    QStringLiteral("The frame block (%1) with the spectra of every bin of %2 rows (%3)")
                        .arg(ByteSizeText(block))
                        .arg(rowsHeld_)
                        .arg(ByteSizeText(added)),
                    room);
    const size_t values = size_t(newBins) * size_t(width_);
    const size_t bytes = (values * sizeof(float) + 63) / 64 * 64;
    std::vector<TPlane> power(static_cast<size_t>(height_)), phase(static_cast<size_t>(height_));
    for (int32_t y = 0; y < height_; ++y) {
        if (!power_[size_t(y)])
            continue;
        power[size_t(y)].reset(static_cast<float*>(std::aligned_alloc(64, bytes)));
        phase[size_t(y)].reset(static_cast<float*>(std::aligned_alloc(64, bytes)));
        if (!power[size_t(y)] || !phase[size_t(y)])
            throw EOutOfMemory(QStringLiteral("Out of memory (the spectra of every bin of row %1)").arg(y));
    }

    fft_.SetRealInput(true);
    fft_.SetData(series_);
    const TSweepEngine engine = DescribeSweepEngine(fft_);
    const TFrameCache& cache = sequence_.Cache();
    const size_t kept = size_t(oldBins) * size_t(width_);
    std::atomic<int32_t> nextRow{0};
    std::atomic<bool> failed{false};
    std::mutex errorMutex;
    std::exception_ptr error;
    auto work = [&] {
        try {
            TSweepScratch scratch(engine.fftSize, length_, width_);
            std::vector<uint8_t> skip(static_cast<size_t>(width_)), done(static_cast<size_t>(width_));
            for (int32_t y = nextRow++; y < height_ && !failed; y = nextRow++) {
                float* const to[2] = {power[size_t(y)].get(), phase[size_t(y)].get()};
                if (!to[0])
                    continue;
                const float* const from[2] = {power_[size_t(y)].get(), phase_[size_t(y)].get()};
                bool any = false;
                for (int32_t x = 0; x < width_; ++x) {
                    skip[size_t(x)] = valid_[Index(y, x)] ? 0 : 1;  // only the pixels held
                    any = any || !skip[size_t(x)];
                }
                for (int i = 0; i < 2; ++i) {
                    std::memcpy(to[i], from[i], kept * sizeof(float));
                    std::memset(to[i] + kept, 0, (values - kept) * sizeof(float));
                }
                if (!any)
                    continue;
                TSweepRow job;
                job.cache = &cache;
                job.row = y;
                job.length = length_;
                job.validRow = skip.data();
                job.power = to[0] + kept;
                job.phase = to[1] + kept;
                job.planeStride = size_t(width_);
                job.firstBin = oldBins;
                job.bins = newBins - oldBins;
                job.doneRow = done.data();
                SweepRow(TSweepKernel::automatic, engine, job, scratch);
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(errorMutex);
            if (!error)
                error = std::current_exception();
            failed = true;
        }
    };
    const int threads = std::clamp(QThread::idealThreadCount(), 1, std::max(1, height_));
    sweepPool_->setMaxThreadCount(std::max(1, threads - 1));
    std::vector<QFuture<void>> helpers;
    for (int i = 1; i < threads; ++i)
        helpers.push_back(QtConcurrent::run(sweepPool_.get(), work));
    work();
    for (QFuture<void>& helper : helpers)
        helper.waitForFinished();
    if (error)
        std::rethrow_exception(error);
    power_.swap(power);
    phase_.swap(phase);
    bins_ = newBins;
}
