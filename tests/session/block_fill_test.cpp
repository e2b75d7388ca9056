// An open shows its first frame at once and reads the rest of the block in the background: a
// frame not read yet is waited for by every reader, never seen as the fresh fill or zeros, and
// the read-ahead's timing follows the reads it measured.
#include "support/TestDoubles.h"
#include "viewer/io/FramePrefetcher.h"
#include "viewer/io/Sequence.h"
#include "viewer/session/ViewerSession.h"

#include "platform/ThreadPriority.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int32_t kWidth = 8;
constexpr int32_t kHeight = 4;
constexpr int32_t kFrames = 700;

uint8_t Expected(int32_t frame, int32_t row, int32_t column) { return uint8_t((frame * 7 + row * 3 + column) & 0xFF); }

// The gate of a slow recording: reads of frame 0 alone pass, every other read waits until the
// test opens it.
struct TGate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int waiting = 0;
    int reads = 0;
    void Open()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
    }
    // Waits until a read is held at the gate.
    bool WaitForHeldRead()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [this] { return waiting > 0; });
    }
    int Reads()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return reads;
    }
};

class TSlowSource : public TMemoryFrameSource {
public:
    TSlowSource(const QString& path, std::shared_ptr<TGate> gate)
        : TMemoryFrameSource(path, kWidth, kHeight, kFrames, 1000, Expected), gate_(std::move(gate))
    {
    }
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override
    {
        {
            std::unique_lock<std::mutex> lock(gate_->mutex);
            ++gate_->reads;
            if (!(first == 0 && count == 1)) {
                ++gate_->waiting;
                gate_->changed.notify_all();
                gate_->changed.wait(lock, [this] { return gate_->open; });
                --gate_->waiting;
            }
        }
        TMemoryFrameSource::ReadFrames(first, count, width, height, block);
    }

private:
    std::shared_ptr<TGate> gate_;
};

class BlockFill : public ::testing::Test {
protected:
    BlockFill()
    {
        formats.Register({QStringLiteral("slow")}, QStringLiteral("Slow"), [gate = gate](const QString& path) {
            return std::make_unique<TSlowSource>(path, gate);
        });
    }
    ~BlockFill() override { gate->Open(); }  // nothing stays held when a check failed

    std::shared_ptr<TGate> gate = std::make_shared<TGate>();
    TFrameSourceFactory formats;
};

TEST_F(BlockFill, TheOpenReturnsWithTheFirstFrameAndAFrameNotReadYetIsWaitedFor)
{
    TSequence sequence(nullptr, &formats);
    sequence.ApplyOpen(sequence.PlanOpen(QStringLiteral("clip.slow")));
    // The open came back while the rest of the block is still held at the gate.
    ASSERT_TRUE(gate->WaitForHeldRead());
    EXPECT_TRUE(sequence.Cache().Filling());
    EXPECT_EQ(sequence.Cache().Row(0, 2)[5], Expected(0, 2, 5));

    // A reader of frame 300 (as an analysis would, on another thread) waits for its read.
    auto late = std::async(std::launch::async, [&sequence] { return sequence.Cache().Row(300, 1)[6]; });
    EXPECT_EQ(late.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    gate->Open();
    EXPECT_EQ(late.get(), Expected(300, 1, 6));

    // Every slot then holds its own frame: no fresh fill (64), no zeros.
    for (int32_t slot = 0; slot < sequence.CacheSize(); ++slot)
        for (int32_t row = 0; row < kHeight; ++row)
            for (int32_t column = 0; column < kWidth; ++column)
                ASSERT_EQ(sequence.Cache().Row(slot, row)[column], Expected(slot, row, column)) << "slot " << slot;
}

TEST_F(BlockFill, TheSessionsOpenShowsFrameZeroWithoutReadingTheBlockTwiceAndARefreshLaterReadsAgain)
{
    TFakeClock clock;
    TViewerSession session(clock, &formats);
    session.OpenSequence(QStringLiteral("clip.slow"));
    ASSERT_TRUE(gate->WaitForHeldRead());
    EXPECT_EQ(session.Sequence().Cache().Row(0, 0)[0], Expected(0, 0, 0));
    // The open's own reads: frame 0, then the block's others in the background (held).
    EXPECT_EQ(gate->Reads(), 2);
    gate->Open();

    // The pixel of a frame deep in the block, read through the session's sequence.
    TSequence& sequence = const_cast<TSequence&>(session.Sequence());
    EXPECT_EQ(sequence.GetPixel(511, 3, 7), Expected(511, 3, 7));
    // After the open, frame 0 is the refresh from the file again.
    const int readsBefore = gate->Reads();
    sequence.LoadFrames(0);
    EXPECT_GT(gate->Reads(), readsBefore);
    EXPECT_EQ(sequence.Cache().Row(100, 2)[1], Expected(100, 2, 1));
}

TEST_F(BlockFill, ChangesOfTheBlockDuringTheFillWaitForIt)
{
    TSequence sequence(nullptr, &formats);
    sequence.ApplyOpen(sequence.PlanOpen(QStringLiteral("clip.slow")));
    ASSERT_TRUE(gate->WaitForHeldRead());
    // Growing the block keeps the slots it had: they must be the frames, not what was there.
    auto grow = std::async(std::launch::async, [&sequence] { sequence.SetCacheSize(600); });
    EXPECT_EQ(grow.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    gate->Open();
    grow.get();
    EXPECT_EQ(sequence.Cache().Row(511, 0)[2], Expected(511, 0, 2));
    EXPECT_EQ(sequence.Cache().Row(512, 0)[2], 64);  // a new slot: the fresh fill, as before
}

TEST(ReadAheadTiming, TheSlowestOfTheLastFourReadsGivesTheTimeOfTheNext)
{
    TFramePrefetcher prefetcher;
    EXPECT_LT(prefetcher.ReadSeconds(1000), 0);  // nothing measured
    prefetcher.NoteRead(1000, 0.5);               // 0.5 ms a kB
    EXPECT_DOUBLE_EQ(prefetcher.ReadSeconds(2000), 1.0);
    for (int i = 0; i < 3; ++i)
        prefetcher.NoteRead(1000, 0.1);
    EXPECT_DOUBLE_EQ(prefetcher.ReadSeconds(2000), 1.0);  // the slow read is one of the last four
    prefetcher.NoteRead(1000, 0.1);
    EXPECT_DOUBLE_EQ(prefetcher.ReadSeconds(2000), 0.2);  // now it is not
    prefetcher.NoteRead(0, 5);  // nothing read: no rate
    EXPECT_DOUBLE_EQ(prefetcher.ReadSeconds(2000), 0.2);
}

TEST(ReadAheadTiming, TicksAheadAreFourTimesTheReadAndTwoTicksWithinTheirBounds)
{
    // 20 ms ticks: 0.125 s read -> 4 x 125 / 20 + 2 = 27.
    EXPECT_EQ(TViewerSession::ReadAheadTicks(0.125), 27);
    EXPECT_EQ(TViewerSession::ReadAheadTicks(0.126), 28);  // a part of a tick counts whole
    EXPECT_EQ(TViewerSession::ReadAheadTicks(0), 3);       // the least
    EXPECT_EQ(TViewerSession::ReadAheadTicks(1.25), 250);  // 252, held to the most
    EXPECT_EQ(TViewerSession::ReadAheadTicks(60), 250);    // the most
    EXPECT_EQ(TViewerSession::ReadAheadTicks(-1), 50);     // not measured: a second
}

TEST(ThreadPriority, RaisingChangesTheCallingThreadAloneOrNothing)
{
    const auto niceOf = [](pid_t tid) { return getpriority(PRIO_PROCESS, id_t(tid)); };
    const pid_t mainTid = pid_t(syscall(SYS_gettid));
    const int mainBefore = niceOf(mainTid);
    TThreadPriorityResult result;
    int before = 0;
    int after = 0;
    std::thread([&] {
        const pid_t tid = pid_t(syscall(SYS_gettid));
        before = niceOf(tid);
        result = RaiseThreadPriority(3);
        after = niceOf(tid);
    }).join();
    EXPECT_EQ(niceOf(mainTid), mainBefore);
    EXPECT_EQ(result.nice, after);
    if (result.raised)
        EXPECT_LT(after, before);
    else
        EXPECT_EQ(after, before);
    EXPECT_FALSE(result.how.isEmpty());
    EXPECT_FALSE(RaiseThreadPriority(0).raised);
}

}  // namespace

namespace {

TEST(ThreadPriority, PlayingRaisesTheInterfaceThreadWhereAllowedAndStoppingPutsItBack)
{
    std::thread([] {
        const auto nice = [] { return getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid))); };
        const int before = nice();
        // Whether this process may raise a thread at all (root, or RLIMIT_NICE).
        const TThreadPriorityResult probe = RaiseThreadPriority(1);
        RestoreThreadPriority(probe);
        ASSERT_EQ(nice(), before);

        TFakeClock clock;
        {
            TViewerSession session(clock);
            session.SetPlaying(true);
            if (probe.raised)
                EXPECT_LT(nice(), before);
            else
                EXPECT_EQ(nice(), before);
            session.SetPlaying(false);
            EXPECT_EQ(nice(), before);
            session.SetPlaying(true);
        }
        EXPECT_EQ(nice(), before);  // a session that goes while playing puts it back too
    }).join();
}

}  // namespace
