#pragma once
// Read-ahead of the frame block: the frames the next refill will need are read on a worker
// thread, so that the refill on the interface thread only swaps buffers. What it hands over is
// what TFrameSource::ReadFrames gave for those frames, read in runs of a few frames so that a
// cancel never waits long.
//
// Ownership: the sequence owns one; the sources it is given must outlive the read (the
// sequence cancels before it replaces its source). Threads: every call on the interface
// thread; the worker only reads the source and fills its own buffer.

#include "platform/SystemMemory.h"
#include "platform/ThreadPriority.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class TBlockFill;
class TFrameCache;
class TFrameSource;

class TFramePrefetcher {
public:
    TFramePrefetcher();
    ~TFramePrefetcher();  // cancels and joins the worker
    TFramePrefetcher(const TFramePrefetcher&) = delete;
    TFramePrefetcher& operator=(const TFramePrefetcher&) = delete;

    // Frames [first, first + count) of `source` at width × height. Ignored when the read under
    // way or finished already covers them; otherwise it replaces that read. With `prepareSpare`
    // a second buffer of that size is filled too, afterwards: reads ahead of that size then never
    // wait for fresh memory, which is slow to fill the first time.
    void Request(const TFrameSource* source, int32_t first, int32_t count, int32_t width, int32_t height,
                 bool prepareSpare = false);
    // When a read of `source` at that size covers [first, first + count) (a read still under
    // way is waited for), swaps its frames into `frames` and returns the frame `frames` now
    // starts with; the buffer handed in is kept for the next read. Otherwise nothing, and
    // `frames` is untouched.
    std::optional<int32_t> Take(const TFrameSource* source, int32_t first, int32_t count, int32_t width,
                                int32_t height, TByteBuffer& frames);
    // Memory for later reads: the block that a Take replaced.
    void Return(TByteBuffer& frames);
    // Reads the slots of `cache` that its `fill` has not reached (frames from the block's first
    // on, at the block's size) into the block itself, before any read ahead. `source` and the
    // block stay as they are until the fill ends; Cancel waits for that.
    void FillBlock(const TFrameSource* source, TFrameCache& cache, std::shared_ptr<TBlockFill> fill);
    // Stops and forgets any read ahead and waits for a block's fill to end; returns when the
    // worker no longer reads.
    void Cancel();

    // Reads handed over by Take so far.
    int64_t Taken() const { return taken_; }

    // A read of `bytes` done now would take about this long, in seconds: the slowest rate of
    // the last few reads (the worker's and those noted), so that a busy spell counts. Negative
    // until a read was measured.
    double ReadSeconds(size_t bytes) const;
    // A read made elsewhere (the refill's own) counts towards ReadSeconds.
    void NoteRead(size_t bytes, double seconds);
    // What came of raising the worker's priority; empty until the worker has tried.
    TThreadPriorityResult WorkerPriority() const;

private:
    struct TRun {
        const TFrameSource* source = nullptr;
        int32_t first = 0;
        int32_t count = 0;
        int32_t width = 0;
        int32_t height = 0;
        bool Covers(const TFrameSource* s, int32_t f, int32_t c, int32_t w, int32_t h) const
        {
            return source && source == s && width == w && height == h && f >= first &&
                   int64_t(f) + c <= int64_t(first) + count;
        }
    };

    struct TFillJob {
        const TFrameSource* source = nullptr;
        int32_t first = 0;  // the block's first frame
        int32_t width = 0;
        int32_t height = 0;
        uint8_t* block = nullptr;  // slot 0
        std::shared_ptr<TBlockFill> fill;
    };

    void Work();
    void RunFill(const TFillJob& job);
    TByteBuffer TakeSpare(size_t bytes);
    // Reads `run` into `frames`; false when stopped or failed.
    bool ReadRun(const TRun& run, TByteBuffer& frames);
    void NoteReadLocked(size_t bytes, double seconds);

    static constexpr size_t kRatesKept = 4;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<TRun> wanted_;   // a read not yet started
    std::optional<TRun> reading_;  // the read under way
    std::optional<TRun> ready_;    // the finished read, in readyFrames_
    std::optional<TRun> warmRun_;  // to read into a new spare when nothing else waits
    bool warming_ = false;         // reading into a new spare
    std::optional<TFillJob> fillJob_;  // a block's fill, not yet started or under way
    std::atomic<bool> quitting_{false};
    TByteBuffer readyFrames_;
    std::vector<TByteBuffer> spares_;  // memory for reads; freed by the worker only
    std::atomic<bool> stopRead_{false};
    bool quit_ = false;
    int64_t taken_ = 0;
    double rates_[kRatesKept] = {};  // seconds per byte of recent reads, 0 for none
    size_t nextRate_ = 0;
    TThreadPriorityResult priority_;
    std::thread worker_;  // last: started when everything above exists
};
