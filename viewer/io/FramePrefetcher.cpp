#include "viewer/io/FramePrefetcher.h"

#include "viewer/io/FrameCache.h"
#include "viewer/io/FrameSource.h"

#include <algorithm>
#include <chrono>

namespace {

// Frames per ReadFrames call: about 4 MB, so a cancel waits for one such run at most.
int32_t RunFrames(size_t frameBytes)
{
    return int32_t(std::max<size_t>(1, (size_t(4) << 20) / std::max<size_t>(1, frameBytes)));
}

// Spare buffers kept beside the block and the finished read: the next read goes into it.
constexpr size_t kSpares = 1;

// Nice steps the worker asks for: playback waits on its reads, other programs' work does not.
constexpr int kWorkerNiceSteps = 10;

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TFramePrefetcher::TFramePrefetcher() : worker_([this] { Work(); }) {}

TFramePrefetcher::~TFramePrefetcher()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        stopRead_ = true;
        quitting_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void TFramePrefetcher::Request(const TFrameSource* source, int32_t first, int32_t count, int32_t width,
                               int32_t height, bool prepareSpare)
{
    if (!source || count <= 0 || width <= 0 || height <= 0)
        return;
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto covers = [&](const std::optional<TRun>& run) {
        return run && run->Covers(source, first, count, width, height);
    };
    if (covers(ready_) || covers(reading_) || covers(wanted_))
        return;
    if (reading_ || warming_)
        stopRead_ = true;  // frames nobody wants any more give way
    if (ready_) {
        ready_.reset();
        spares_.push_back(std::move(readyFrames_));
        readyFrames_ = {};
    }
    wanted_ = TRun{source, first, count, width, height};
    if (prepareSpare)
        warmRun_ = wanted_;
    changed_.notify_all();
}

std::optional<int32_t> TFramePrefetcher::Take(const TFrameSource* source, int32_t first, int32_t count, int32_t width,
                                              int32_t height, TByteBuffer& frames)
{
    std::unique_lock<std::mutex> lock(mutex_);
    // A read of these frames asked for or under way is nearer its end than a read from the start.
    changed_.wait(lock, [&] {
        const auto covers = [&](const std::optional<TRun>& run) {
            return run && run->Covers(source, first, count, width, height);
        };
        return !covers(wanted_) && !covers(reading_);
    });
    if (!ready_ || !ready_->Covers(source, first, count, width, height))
        return std::nullopt;
    frames.swap(readyFrames_);
    if (readyFrames_.capacity() > 0)
        spares_.push_back(std::move(readyFrames_));  // what `frames` held: never freed on this thread
    readyFrames_ = {};
    const int32_t framesFirst = ready_->first;
    ready_.reset();
    ++taken_;
    changed_.notify_all();
    return framesFirst;
}

void TFramePrefetcher::Return(TByteBuffer& frames)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (frames.capacity() > 0)
        spares_.push_back(std::move(frames));
    frames = {};
    changed_.notify_all();
}

void TFramePrefetcher::FillBlock(const TFrameSource* source, TFrameCache& cache, std::shared_ptr<TBlockFill> fill)
{
    if (!fill)
        return;
    const std::lock_guard<std::mutex> lock(mutex_);
    fillJob_ = TFillJob{source, cache.FirstCachedFrame(), cache.Width(), cache.Height(), cache.FillTarget(0),
                        std::move(fill)};
    stopRead_ = true;  // the block's frames come first: a read ahead under way gives way
    changed_.notify_all();
}

void TFramePrefetcher::RunFill(const TFillJob& job)
{
    TBlockFill& fill = *job.fill;
    const size_t frameBytes = size_t(job.width) * size_t(job.height);
    const int32_t step = RunFrames(frameBytes);
    int32_t done = fill.Ready();
    const int32_t from = done;
    const auto start = std::chrono::steady_clock::now();
    try {
        while (done < fill.Slots() && !quitting_) {
            const int32_t count = std::min(step, fill.Slots() - done);
            job.source->ReadFrames(job.first + done, count, job.width, job.height,
                                   job.block + size_t(done) * frameBytes);
            done += count;
            fill.Advance(done);
        }
    } catch (...) {
        // The open has shown its first frame already; what cannot be read shows as missing.
    }
    // Into fresh memory, so slower than a read ahead into a spare: a safe figure until one is.
    if (done == fill.Slots() && done > from)
        NoteRead(size_t(done - from) * frameBytes, Since(start));
    if (done < fill.Slots()) {
        std::fill(job.block + size_t(done) * frameBytes, job.block + size_t(fill.Slots()) * frameBytes,
                  TFrameSource::kMissingFill);
        fill.Advance(fill.Slots());
    }
}

void TFramePrefetcher::Cancel()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !fillJob_; });
    wanted_.reset();
    if (ready_) {
        ready_.reset();
        spares_.push_back(std::move(readyFrames_));
        readyFrames_ = {};
    }
    warmRun_.reset();
    if (reading_ || warming_) {
        stopRead_ = true;
        changed_.wait(lock, [this] { return !reading_ && !warming_; });
    }
}

double TFramePrefetcher::ReadSeconds(size_t bytes) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    const double slowest = *std::max_element(std::begin(rates_), std::end(rates_));
    return slowest > 0 ? slowest * double(bytes) : -1;
}

void TFramePrefetcher::NoteRead(size_t bytes, double seconds)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    NoteReadLocked(bytes, seconds);
}

void TFramePrefetcher::NoteReadLocked(size_t bytes, double seconds)
{
    if (bytes == 0 || !(seconds > 0))
        return;
    rates_[nextRate_] = seconds / double(bytes);
    nextRate_ = (nextRate_ + 1) % kRatesKept;
}

TThreadPriorityResult TFramePrefetcher::WorkerPriority() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return priority_;
}

TByteBuffer TFramePrefetcher::TakeSpare(size_t bytes)
{
    // A spare as large as the read needs is filled without making new pages.
    auto fitting = std::find_if(spares_.begin(), spares_.end(), [bytes](const auto& b) { return b.capacity() >= bytes; });
    if (fitting == spares_.end())
        return {};
    TByteBuffer buffer = std::move(*fitting);
    spares_.erase(fitting);
    return buffer;
}

bool TFramePrefetcher::ReadRun(const TRun& run, TByteBuffer& frames)
{
    try {
        const size_t frameBytes = size_t(run.width) * size_t(run.height);
        if (frames.capacity() < frameBytes * size_t(run.count))
            frames = {};  // never copy what an old read left in a buffer too small
        frames.Resize(frameBytes * size_t(run.count));
        const int32_t step = RunFrames(frameBytes);
        for (int32_t done = 0; done < run.count; done += step) {
            if (stopRead_)
                return false;
            run.source->ReadFrames(run.first + done, std::min(step, run.count - done), run.width, run.height,
                                   frames.data() + size_t(done) * frameBytes);
        }
        return !stopRead_;
    } catch (...) {
        return false;  // the refill then reads for itself and reports what went wrong
    }
}

void TFramePrefetcher::Work()
{
    const TThreadPriorityResult priority = RaiseThreadPriority(kWorkerNiceSteps);
    std::unique_lock<std::mutex> lock(mutex_);
    priority_ = priority;
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || fillJob_ || wanted_ || spares_.size() > kSpares || warmRun_; });
        if (quit_ && !fillJob_)
            return;
        if (fillJob_) {
            // Kept set while it runs: Cancel and the destructor's join wait for it.
            const TFillJob job = *fillJob_;
            lock.unlock();
            RunFill(job);
            lock.lock();
            fillJob_.reset();
        } else if (wanted_) {
            const TRun run = *wanted_;
            wanted_.reset();
            reading_ = run;
            stopRead_ = false;
            const size_t bytes = size_t(run.width) * size_t(run.height) * size_t(run.count);
            TByteBuffer frames = TakeSpare(bytes);
            // A read into fresh memory also makes its pages: only reads into a spare tell how
            // long the next read ahead takes.
            const bool timed = frames.capacity() >= bytes;
            lock.unlock();
            const auto start = std::chrono::steady_clock::now();
            const bool complete = ReadRun(run, frames);
            const double seconds = Since(start);
            lock.lock();
            reading_.reset();
            if (complete && timed)
                NoteReadLocked(bytes, seconds);
            if (complete) {
                readyFrames_.swap(frames);
                ready_ = run;
            }
            if (frames.capacity() > 0)
                spares_.push_back(std::move(frames));
        } else if (spares_.size() > kSpares) {
            // The smallest spare goes, freed here rather than on the interface thread.
            auto smallest = std::min_element(spares_.begin(), spares_.end(),
                                             [](const auto& a, const auto& b) { return a.capacity() < b.capacity(); });
            TByteBuffer surplus = std::move(*smallest);
            spares_.erase(smallest);
            lock.unlock();
            surplus = {};
            lock.lock();
        } else {
            // Fresh memory is slow to fill the first time: a spare of the reads' size is made by
            // reading into it now, so that the next read ahead finds memory that is quick to fill.
            const TRun run = *warmRun_;
            warmRun_.reset();
            warming_ = true;
            stopRead_ = false;
            lock.unlock();
            TByteBuffer frames;
            ReadRun(run, frames);
            lock.lock();
            warming_ = false;
            spares_.push_back(std::move(frames));
        }
        changed_.notify_all();
    }
}
