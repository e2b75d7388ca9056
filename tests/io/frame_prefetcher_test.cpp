// The read-ahead's cancel: it returns only when the worker no longer reads, and a read it
// stopped (in its last step too) is never handed over.
#include "viewer/io/FramePrefetcher.h"
#include "viewer/io/FrameSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// Frames of one value whose reads wait at a gate the test opens.
class TGatedSource : public TFrameSource {
public:
    QString FileName() const override { return QStringLiteral("gated"); }
    QString FormatName() const override { return QStringLiteral("test"); }
    void ReadHeader(THeaderTarget&) override {}
    void ReadFrames(int32_t, int32_t count, int32_t width, int32_t height, uint8_t* block) const override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ++entered_;
        reading_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        std::memset(block, 9, size_t(count) * size_t(width) * size_t(height));
        reading_ = false;
    }
    // Waits until `n` reads have begun.
    bool WaitForRead(int n) const
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return entered_ >= n; });
    }
    void Open()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool Reading() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return reading_;
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable int entered_ = 0;
    mutable bool reading_ = false;
    bool open_ = false;
};

}  // namespace

TEST(FramePrefetcher, CancelWaitsForTheReadAndAStoppedLastStepIsNeverHandedOver)
{
    TGatedSource source;
    TFramePrefetcher prefetcher;
    // Four small frames: one read step, which is the last one.
    prefetcher.Request(&source, 0, 4, 8, 2);
    ASSERT_TRUE(source.WaitForRead(1));

    std::atomic<bool> cancelled{false};
    std::thread canceller([&] {
        prefetcher.Cancel();
        cancelled = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(cancelled) << "Cancel returned while the worker still read";
    source.Open();
    canceller.join();
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(source.Reading());

    // The stopped read covered these frames, and finished its step: nothing is handed over.
    TByteBuffer frames = TByteBuffer::TryMake(64);
    std::memset(frames.data(), 1, frames.size());
    EXPECT_FALSE(prefetcher.Take(&source, 0, 4, 8, 2, frames).has_value());
    EXPECT_EQ(frames.size(), 64u);
    EXPECT_EQ(frames.data()[0], 1);
    EXPECT_EQ(prefetcher.Taken(), 0);
}
