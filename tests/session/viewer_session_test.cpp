// The viewer session without any window: the redraw chains of the frame, the row and the
// kymogram span, and a recording from an in-memory frame source through cache and spectra.
#include "analysis/SpectrumStore.h"
#include "support/TestDoubles.h"
#include "viewer/session/ViewerSession.h"

#include "platform/Errors.h"
#include "viewer/io/FramePrefetcher.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A session on an in-memory recording of 16 x 8 pixels at 1000 frames/s, opened as the program
// opens a file.
class TMemorySessionTest : public ::testing::Test {
protected:
    void Open(int32_t frames, const TMemoryFrameSource::Value& value)
    {
        formats.Register({QStringLiteral("mem")}, QStringLiteral("In memory"), [frames, value](const QString& path) {
            return std::make_unique<TMemoryFrameSource>(path, 16, 8, frames, 1000, value);
        });
        session = std::make_unique<TViewerSession>(clock, &formats);
        session->OpenSequence(QStringLiteral("clip.mem"));
    }

    TFakeClock clock;
    TFrameSourceFactory formats;
    std::unique_ptr<TViewerSession> session;
};

class ViewerSessionTest : public TMemorySessionTest {
protected:
    // 2000 frames; pixel (3, 2) swings at 125 Hz (bin 32 of 256).
    ViewerSessionTest()
    {
        Open(2000, [](int32_t f, int32_t r, int32_t c) {
            if (r == 2 && c == 3)
                return uint8_t(std::lround(128 + 100 * std::sin(2 * kPi * 125 * f / 1000.0)));
            return uint8_t((f + r + c) & 0x3F);
        });
    }
};

}  // namespace

TEST_F(ViewerSessionTest, AFrameLeavingTheSpanMovesSpanAndBlockAndInvalidatesTheSpectra)
{
    const TSpectrumStore& spectra = session->Spectra();
    session->ComputePointSpectrum(3, 2);
    ASSERT_TRUE(spectra.SpectrumValid(2, 3));
    QSignalSpy spans(session.get(), &TViewerSession::kymogramSpanChanged);
    QSignalSpy frames(session.get(), &TViewerSession::currentFrameChanged);

    session->SetCurrentFrame(50);  // inside 0 … 100: nothing moves
    EXPECT_EQ(spans.count(), 0);
    EXPECT_TRUE(spectra.SpectrumValid(2, 3));

    session->SetCurrentFrame(1000);  // 0 … 100 centred on 1000, width kept
    EXPECT_EQ(session->KymogramSpan().LoValue(), 950);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 1050);
    EXPECT_EQ(session->KymogramSpan().MarkerValue(), 1000);
    EXPECT_EQ(session->Sequence().FirstCachedFrame(), 950);  // the block starts at the span
    EXPECT_FALSE(spectra.SpectrumValid(2, 3));
    EXPECT_EQ(spans.count(), 1);
    EXPECT_EQ(frames.count(), 2);
    EXPECT_EQ(session->View().CurrentFrame, 1000);

    session->SetCurrentFrame(1000);  // the same frame: nothing at all
    EXPECT_EQ(frames.count(), 2);

    // Near the end the span is shifted inside the file, its width kept: 1940 … 2040 would
    // reach past frame 1999.
    session->SetCurrentFrame(1990);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 1999);
    EXPECT_EQ(session->KymogramSpan().LoValue(), 1899);
}

TEST_F(ViewerSessionTest, JumpsToTheEndsKeepTheSpanWidth)
{
    // End, Home, End, Home: each span is 101 frames, shifted inside 0 … 1999.
    const std::pair<int32_t, std::pair<double, double>> steps[] = {
        {1999, {1899, 1999}}, {0, {0, 100}}, {1999, {1899, 1999}}, {0, {0, 100}}};
    for (const auto& [frame, span] : steps) {
        session->SetCurrentFrame(frame);
        EXPECT_EQ(session->KymogramSpan().LoValue(), span.first) << frame;
        EXPECT_EQ(session->KymogramSpan().HiValue(), span.second) << frame;
        EXPECT_EQ(session->Sequence().FirstCachedFrame(), int32_t(span.first)) << frame;
    }
    // Far jumps as the companion link makes them: the span follows, never shorter.
    for (const int32_t frame : {1548, 1148, 1748, 1999, 3}) {
        session->SetCurrentFrame(frame);
        EXPECT_EQ(session->KymogramSpan().HiValue() - session->KymogramSpan().LoValue(), 100) << frame;
        EXPECT_LE(session->KymogramSpan().LoValue(), frame);
        EXPECT_GE(session->KymogramSpan().HiValue(), frame);
    }
}

TEST_F(ViewerSessionTest, AnOddSpanWidthIsKeptWhenTheFrameLeavesTheSpan)
{
    // Found by the property test: 35 … 66 and frame 16 gave 0 … 32 (16 ± 15.5, halves to even),
    // and frame 17 would give 2 … 32.
    session->SetKymogramSpan(35, 66);
    session->SetCurrentFrame(16);
    EXPECT_EQ(session->KymogramSpan().LoValue(), 1);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 32);
    session->SetCurrentFrame(33);
    EXPECT_EQ(session->KymogramSpan().LoValue(), 18);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 49);
}

TEST_F(ViewerSessionTest, ASpanAskedWhollyOutsideTheFileIsTakenInside)
{
    // Found by the property test: -204.8 … -204.8 left the span at 0 … -204, the frame after it.
    session->SetKymogramSpan(-204.8, -204.8);
    EXPECT_EQ(session->KymogramSpan().LoValue(), 0);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 0);
    EXPECT_EQ(session->View().CurrentFrame, 0);
    session->SetKymogramSpan(2100, 2300);
    EXPECT_EQ(session->KymogramSpan().LoValue(), 1999);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 1999);
    EXPECT_EQ(session->View().CurrentFrame, 1999);
}

TEST_F(ViewerSessionTest, ASmallerBlockTakesTheFrameIntoTheNarrowerSpan)
{
    // Found by the property test: frame 2 in 0 … 100, then a block of 2 frames (0 … 1).
    session->SetCurrentFrame(2);
    ApplyAnalysisSizes(*session, QStringLiteral("2"), QStringLiteral("2"));
    EXPECT_EQ(session->KymogramSpan().LoValue(), 0);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 1);
    EXPECT_EQ(session->View().CurrentFrame, 1);
}

TEST_F(ViewerSessionTest, TheSpanNeverHoldsMoreFramesThanTheBlock)
{
    // Found by the property test: 0 … 512 is 513 frames, one more than the 512 slots.
    session->SetKymogramSpan(0, 512);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 511);
}

TEST_F(ViewerSessionTest, ALongerAnalysisLengthStillOpensEveryFileAndKeepsTheFrequency)
{
    // 250 Hz at 1000 frames/s is bin 64 of 256 …
    session->SetSelectedFrequency(250);
    ASSERT_EQ(session->Spectra().SelectedBin(), 64);
    QSignalSpy frequencies(&session->Spectra(), &TSpectrumStore::selectedFrequencyChanged);
    session->SetCacheSize(2048);
    session->SetSpectrumLength(1024);
    // … and bin 256 of 1024, not bin 64 (62.5 Hz).
    EXPECT_EQ(session->Spectra().SelectedBin(), 256);
    EXPECT_EQ(session->Spectra().SelectedFrequency(), 250.0);
    ASSERT_FALSE(frequencies.isEmpty());
    EXPECT_EQ(frequencies.last().at(0).toDouble(), 250.0);

    // An open starts with a block of 512 frames, but never fewer than the analysis length.
    session->OpenSequence(QStringLiteral("again.mem"));
    EXPECT_EQ(session->Sequence().Header().FileName, QStringLiteral("again.mem"));
    EXPECT_EQ(session->CacheSize(), 1024);
    EXPECT_EQ(session->SpectrumLength(), 1024);
    session->ComputePointSpectrum(3, 2);
    ASSERT_TRUE(session->Spectra().SpectrumValid(2, 3));
    int32_t loudest = 1;
    for (int32_t bin = 1; bin < session->Spectra().FFTLength() / 2; ++bin)
        if (session->Spectra().Power(bin, 2, 3) > session->Spectra().Power(loudest, 2, 3))
            loudest = bin;
    EXPECT_EQ(loudest, 128);  // 125 Hz · 1024 / 1000 frames/s

    // The block never shrinks below the length.
    EXPECT_THROW(session->SetCacheSize(1000), EError);
    EXPECT_EQ(session->CacheSize(), 1024);
}

TEST_F(ViewerSessionTest, ARowIsRebuiltOnceAndAnAskedSpanStopsPlaybackAndKeepsWholeFrames)
{
    QSignalSpy rows(session.get(), &TViewerSession::selectedRowChanged);
    session->SetSelectedRow(5);
    session->SetSelectedRow(5);
    EXPECT_EQ(rows.count(), 1);

    session->SetCurrentFrame(40);
    session->SetPlaying(true);
    session->SetKymogramSpan(100.4, 199.2);
    EXPECT_FALSE(session->Playing());
    // Whole frames: the frame axis reads 100 … 199.
    EXPECT_EQ(session->KymogramSpan().LoValue(), 100);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 199);
    EXPECT_EQ(session->Sequence().FirstCachedFrame(), 100);
    EXPECT_EQ(session->View().CurrentFrame, 100);  // the marker pulled into the span, rounded
}

TEST_F(ViewerSessionTest, AnInMemoryRecordingGivesItsHeaderBlockAndSpectrum)
{
    const TSequence& sequence = session->Sequence();
    EXPECT_EQ(sequence.Width(), 16);
    EXPECT_EQ(sequence.Height(), 8);
    EXPECT_EQ(sequence.Header().FrameCount, 2000);
    EXPECT_EQ(sequence.Source()->FormatName(), QStringLiteral("In memory"));
    EXPECT_EQ(sequence.Cache().Row(7, 1)[4], uint8_t(7 + 1 + 4));
    // Past the end the block holds the missing fill.
    session->HoldFrames(1900, 1);
    EXPECT_EQ(sequence.Cache().Row(100, 0)[0], TFrameSource::kMissingFill);
    session->HoldFrames(0, 1);

    const TSpectrumStore& spectra = session->Spectra();
    session->ComputePointSpectrum(3, 2);
    ASSERT_TRUE(spectra.SpectrumValid(2, 3));
    int32_t loudest = 1;
    for (int32_t bin = 1; bin < spectra.FFTLength() / 2; ++bin)
        if (spectra.Power(bin, 2, 3) > spectra.Power(loudest, 2, 3))
            loudest = bin;
    EXPECT_EQ(loudest, 32);  // 125 Hz · 256 / 1000 frames/s
}

namespace {

// Every byte of every slot is the source's byte of frame FirstCachedFrame + slot.
void ExpectBlockHoldsItsFrames(const TSequence& sequence, const TMemoryFrameSource::Value& value)
{
    const TFrameCache& cache = sequence.Cache();
    for (int32_t slot = 0; slot < cache.CacheSize(); ++slot)
        for (int32_t row = 0; row < cache.Height(); ++row)
            for (int32_t column = 0; column < cache.Width(); ++column)
                ASSERT_EQ(cache.Row(slot, row)[column], value(cache.FirstCachedFrame() + slot, row, column))
                    << "slot " << slot << " of the block at " << cache.FirstCachedFrame();
}

uint8_t Pattern(int32_t f, int32_t r, int32_t c) { return uint8_t((f * 7 + r * 3 + c) & 0xFF); }

class PlaybackReadAheadTest : public TMemorySessionTest {
protected:
    PlaybackReadAheadTest() { Open(3000, Pattern); }
};

}  // namespace

TEST_F(PlaybackReadAheadTest, PlaybackTakesTheBlockReadAheadAtTheSpecifiedPlace)
{
    const TSequence& sequence = session->Sequence();
    session->SetKymogramSpan(1000, 1511);  // the widest span the block holds
    session->HoldFrames(2500, 1);          // the block moved away, as an export leaves it
    session->SetPlaybackRate(200);
    session->SetPlaying(true);
    // The frame leaves the block every 256 frames or so; each refill starts 256 before it.
    int32_t expectedFirst = sequence.FirstCachedFrame();
    for (int tick = 0; tick < 120; ++tick) {
        clock.now += 0.020 / 86400;
        const int32_t before = session->View().CurrentFrame;
        session->PlaybackTick();
        const int32_t frame = session->View().CurrentFrame;
        if (frame < expectedFirst || frame > expectedFirst + 511)
            expectedFirst = std::max(frame - 256, 0);
        ASSERT_EQ(sequence.FirstCachedFrame(), expectedFirst) << "tick " << tick << " from " << before;
    }
    EXPECT_GE(sequence.RefillsReadAhead(), 1);
    ExpectBlockHoldsItsFrames(sequence, Pattern);
}

TEST_F(PlaybackReadAheadTest, ASteadyStepBeyondTheSpanReadsAheadToo)
{
    // As the companion link moves the frame: 4 frames a step, the span (0 … 100) following.
    const TSequence& sequence = session->Sequence();
    double lo = 0, hi = 100;
    for (int32_t frame = 4; frame <= 1600; frame += 4) {
        session->SetCurrentFrame(frame);
        if (frame > hi) {
            lo = frame - 50.0;
            hi = frame + 50.0;
        }
        ASSERT_EQ(sequence.FirstCachedFrame(), int32_t(lo)) << frame;
    }
    EXPECT_GT(sequence.RefillsReadAhead(), 20);  // of about 30 span moves
    ExpectBlockHoldsItsFrames(sequence, Pattern);
}

namespace {

// The pattern recording, counting its reads.
class TCountingSource : public TMemoryFrameSource {
public:
    TCountingSource(const QString& path, std::atomic<int>& reads)
        : TMemoryFrameSource(path, 16, 8, 3000, 1000, Pattern), reads_(reads)
    {
    }
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override
    {
        reads_.fetch_add(1);
        TMemoryFrameSource::ReadFrames(first, count, width, height, block);
    }

private:
    std::atomic<int>& reads_;
};

}  // namespace

TEST(PlaybackReadAheadWhileStopped, TheBlockPlayWillNeedIsReadOnceTheMovedBlockStaysPut)
{
    std::atomic<int> reads{0};
    TFakeClock clock;
    TFrameSourceFactory formats;
    formats.Register({QStringLiteral("mem")}, QStringLiteral("In memory"), [&reads](const QString& path) {
        return std::make_unique<TCountingSource>(path, reads);
    });
    TViewerSession session(clock, &formats);
    session.OpenSequence(QStringLiteral("clip.mem"));
    session.SetKymogramSpan(1000, 1511);
    session.SetPlaybackRate(200);
    QTest::qWait(TViewerSession::kReadAheadForPlayDelayMs + 100);
    QElapsedTimer sinceMove;
    session.HoldFrames(2500, 1);  // an export leaves the block far from the span
    sinceMove.start();
    const int afterMove = reads.load();
    QCoreApplication::processEvents();
    if (sinceMove.elapsed() < TViewerSession::kReadAheadForPlayDelayMs) {  // unless the machine stalled
        EXPECT_EQ(reads.load(), afterMove);  // it may move on at once: nothing read yet
    }
    QTest::qWait(TViewerSession::kReadAheadForPlayDelayMs + 100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return reads.load() > afterMove; }, 2000));

    const int64_t taken = session.Sequence().RefillsReadAhead();
    session.SetPlaying(true);
    clock.now += 0.020 / 86400;
    session.PlaybackTick();
    // The span pulled the frame to 1000; 200 frames/s for 20 ms; the block centred on it.
    EXPECT_EQ(session.View().CurrentFrame, 1004);
    EXPECT_EQ(session.Sequence().FirstCachedFrame(), 1004 - 256);
    EXPECT_EQ(session.Sequence().RefillsReadAhead(), taken + 1);
    ExpectBlockHoldsItsFrames(session.Sequence(), Pattern);
}

namespace {

// Counts its reads, can be slowed down or made to fail.
class TSlowSource : public TMemoryFrameSource {
public:
    TSlowSource() : TMemoryFrameSource(QStringLiteral("slow"), 1024, 1024, 100, 1000, Pattern) {}
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override
    {
        calls.fetch_add(1);
        if (fail)
            throw std::runtime_error("unreadable");
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        TMemoryFrameSource::ReadFrames(first, count, width, height, block);
    }
    mutable std::atomic<int> calls{0};
    std::atomic<bool> fail{false};
    int delayMs = 0;
};

}  // namespace

TEST(PlaybackReadAhead, HandsOverExactlyWhatWasAskedAndStopsWhenCancelled)
{
    TSlowSource source;
    TFramePrefetcher prefetcher;
    TByteBuffer frames;
    prefetcher.Request(&source, 10, 6, 1024, 1024);
    EXPECT_FALSE(prefetcher.Take(&source, 9, 6, 1024, 1024, frames));   // starts before the read
    EXPECT_FALSE(prefetcher.Take(&source, 10, 6, 512, 1024, frames));   // another frame size
    prefetcher.Request(&source, 10, 6, 1024, 1024);
    ASSERT_EQ(prefetcher.Take(&source, 12, 4, 1024, 1024, frames), 10);  // inside the read
    ASSERT_EQ(frames.size(), size_t(6) << 20);
    EXPECT_EQ(frames.data()[(size_t(5) << 20) + 1024 * 7 + 9], Pattern(15, 7, 9));
    EXPECT_FALSE(prefetcher.Take(&source, 12, 4, 1024, 1024, frames));  // handed over once

    // Four frames a run: a cancel waits for the run under way, then nothing more is read.
    source.delayMs = 20;
    prefetcher.Request(&source, 0, 80, 1024, 1024);
    while (source.calls.load() < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    prefetcher.Cancel();
    const int calls = source.calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(source.calls.load(), calls);
    EXPECT_LT(calls, 20);
    EXPECT_FALSE(prefetcher.Take(&source, 0, 80, 1024, 1024, frames));

    // A read that fails hands nothing over; the refill reads for itself.
    source.delayMs = 0;
    source.fail = true;
    prefetcher.Request(&source, 0, 4, 1024, 1024);
    EXPECT_FALSE(prefetcher.Take(&source, 0, 4, 1024, 1024, frames));
}
