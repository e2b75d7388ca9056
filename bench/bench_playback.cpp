// Playback of a 512 x 512 sequence through the real main window: each timer tick computes the
// frame, refills the block when needed, renders and paints. 500 ticks at 200 frames/s, looping
// over the kymogram span, playing where the block must follow, and moving on steadily as the
// companion link moves the frame; each prints the median and the 99th-percentile tick with the
// refills (against the 5 ms limit), the late frames, and the refill ticks apart. Then 10,000
// ticks of playback across blocks, on a quiet machine and with every core kept busy by a load
// generator, each failing on a late frame or a 99th-percentile tick of 2 ms or more. Last, the
// time from opening a file to its first frame painted, warm and cold: a 1024 x 1024 sequence and
// a 4 GB camera file.
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/session/ViewerSession.h"
#include "viewer/io/formats/AllFormats.h"
#include "viewer/ui/stremax1.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSide = 512;
constexpr int kFrames = 2100;
constexpr int kTicks = 500;
constexpr int kLongTicks = 10000;
constexpr double kLongP99LimitMs = 2;

// Another program keeping every core busy: one busy loop a core at normal priority, until the
// generator goes.
class TLoadGenerator {
public:
    TLoadGenerator()
    {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i)
            threads_.emplace_back([this] {
                volatile uint64_t x = 1;
                while (!stop_.load(std::memory_order_relaxed))
                    for (int k = 0; k < 1000; ++k)
                        x = x * 6364136223846793005ull + 1442695040888963407ull;
            });
    }
    ~TLoadGenerator()
    {
        stop_ = true;
        for (std::thread& t : threads_)
            t.join();
    }
    size_t Threads() const { return threads_.size(); }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

class TBenchClock : public TPlaybackClock {
public:
    double NowDays() const override { return now; }
    double now = 1;
};

class TPrintErrors : public TErrorHandler {
public:
    void HandleError(const QString& message) override { std::fprintf(stderr, "error: %s\n", qPrintable(message)); }
};

QString WriteSequence(const QTemporaryDir& dir)
{
    const QString bld = dir.filePath(QStringLiteral("play.bld"));
    QFile file(bld);
    file.open(QIODevice::WriteOnly);
    std::vector<char> frame(size_t(kSide) * kSide);
    for (int f = 0; f < kFrames; ++f) {
        for (size_t i = 0; i < frame.size(); ++i)
            frame[i] = char((i * 7 + size_t(f) * 13) & 0xFF);
        file.write(frame.data(), qint64(frame.size()));
    }
    QFile par(dir.filePath(QStringLiteral("play.par")));
    par.open(QIODevice::WriteOnly);
    par.write(QStringLiteral("RESOLUTION: %1x%1\nFRAMES: %2\nFRAMES/S: 4000\n").arg(kSide).arg(kFrames).toLatin1());
    return bld;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}

struct TTicks {
    std::vector<double> plain;
    std::vector<double> refill;
    std::vector<double> All() const
    {
        std::vector<double> all = plain;
        all.insert(all.end(), refill.begin(), refill.end());
        return all;
    }
};

// One tick as the timer runs it: the frame moved, the image rendered and painted; then the rest
// of the timer's interval passes (the read-ahead works meanwhile).
template <typename Move>
void TimeTick(TForm1& form, TTicks& ticks, Move move)
{
    const int32_t firstBefore = form.Sequence().FirstCachedFrame();
    const auto start = std::chrono::steady_clock::now();
    move();
    form.ImageBox().repaint();
    const auto end = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(end - start).count();
    (form.Sequence().FirstCachedFrame() != firstBefore ? ticks.refill : ticks.plain).push_back(ms);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(TForm1::kPlaybackIntervalMs));
}

void Report(const char* what, const TTicks& ticks, int64_t readAhead, benchmark::State& state)
{
    const std::vector<double> all = ticks.All();
    const double p99 = Percentile(all, 0.99);
    const auto late = std::count_if(all.begin(), all.end(), [](double ms) { return ms > TForm1::kPlaybackIntervalMs; });
    state.counters["median_ms"] = Percentile(all, 0.5);
    state.counters["p99_ms"] = p99;
    state.counters["refills"] = double(ticks.refill.size());
    state.counters["late"] = double(late);
    std::printf("\n%s\nticks %zu: median %.3f ms, 99th percentile with refills %.3f ms (limit 5 ms: %s), "
                "late frames (tick over %d ms) %ld\n"
                "without refill %zu: median %.3f ms, 99th percentile %.3f ms\n"
                "refill ticks %zu (%lld from the read-ahead): median %.3f ms, max %.3f ms\n",
                what, all.size(), Percentile(all, 0.5), p99, p99 < 5 ? "ok" : "OVER", TForm1::kPlaybackIntervalMs,
                long(late), ticks.plain.size(), Percentile(ticks.plain, 0.5), Percentile(ticks.plain, 0.99),
                ticks.refill.size(), (long long)readAhead, Percentile(ticks.refill, 0.5),
                Percentile(ticks.refill, 1.0));
}

// Time passing between the user's actions: the event loop runs, as the program's would.
void WaitWithEvents(std::chrono::milliseconds wait)
{
    const auto until = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < until) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

struct TFixture {
    TFixture()
    {
        bld = WriteSequence(dir);
        // Read once, so that every run finds it in the page cache as a file played before would be.
        QFile warm(bld);
        warm.open(QIODevice::ReadOnly);
        while (!warm.read(1 << 24).isEmpty()) {
        }
        form.resize(700, 700);
        form.show();
        form.FirstActivation();
        form.OpenSequence(bld);
        form.Session().SetPlaybackRate(200);  // 4 frames a tick
        // The moment before Play is pressed: the read-ahead makes its memory meanwhile.
        WaitWithEvents(std::chrono::seconds(2));
    }
    QTemporaryDir dir;
    QString bld;
    TBenchClock clock;
    TPrintErrors errors;
    TForm1 form{errors, clock};

    // `count` timer ticks with the play button down, 20 ms of the clock apart; their sum in ms.
    double Play(TTicks& ticks, int count = kTicks)
    {
        form.SetPlayButton(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(TForm1::kPlaybackIntervalMs));  // the first tick
        double total = 0;
        for (int i = 0; i < count; ++i) {
            clock.now += 0.020 / 86400;
            TimeTick(form, ticks, [&] { form.Session().PlaybackTick(); });
            total += ticks.All().back();
        }
        form.ReleasePlayButton();
        return total;
    }
};

// Playback loops over the kymogram span, which the block holds: no refills.
void Playback(benchmark::State& state)
{
    TFixture fixture;
    TForm1& form = fixture.form;
    TTicks ticks;
    for (auto _ : state) {
        ticks = {};
        form.Session().SetCurrentFrame(1);
        form.Session().SetCurrentFrame(0);
        state.SetIterationTime(fixture.Play(ticks) / 1000);
    }
    Report("Playback over the kymogram span", ticks, form.Sequence().RefillsReadAhead(), state);
}

// Playback where the block does not hold the frames played (an export or a speckle trace moved
// it): the widest span from frame 1000, the block at the end of the file when Play is pressed.
// The block follows the frame until it holds the whole loop; each next block is read ahead.
void PlaybackAcrossBlocks(benchmark::State& state)
{
    TFixture fixture;
    TForm1& form = fixture.form;
    TViewerSession& session = form.Session();
    TTicks ticks;
    for (auto _ : state) {
        ticks = {};
        session.SetKymogramSpan(1000, 1511);
        session.HoldFrames(kFrames - 1, 1);  // as an export leaves it
        WaitWithEvents(std::chrono::milliseconds(500));  // the export ends, Play is pressed
        state.SetIterationTime(fixture.Play(ticks) / 1000);
    }
    Report("Playback where the block must follow the frame", ticks, form.Sequence().RefillsReadAhead(), state);
}

// 10,000 ticks of playback across blocks: rounds of PlaybackAcrossBlocks, the block sent to the
// end of the file before each, so that every round refills several times. With `loaded`, a load
// generator keeps every core busy meanwhile. Fails on a late frame or p99 >= 2 ms.
void LongPlaybackAcrossBlocks(benchmark::State& state, bool loaded)
{
    TFixture fixture;
    TForm1& form = fixture.form;
    TViewerSession& session = form.Session();
    TTicks ticks;
    const int64_t readAheadBefore = form.Sequence().RefillsReadAhead();
    for (auto _ : state) {
        ticks = {};
        std::optional<TLoadGenerator> load;
        if (loaded)
            load.emplace();
        double total = 0;
        for (int done = 0; done < kLongTicks; done += kTicks) {
            session.SetKymogramSpan(1000, 1511);
            session.HoldFrames(kFrames - 1, 1);
            WaitWithEvents(std::chrono::milliseconds(500));
            total += fixture.Play(ticks, std::min(kTicks, kLongTicks - done));
        }
        state.SetIterationTime(total / 1000);
    }
    const std::vector<double> all = ticks.All();
    const double p99 = Percentile(all, 0.99);
    const auto late = std::count_if(all.begin(), all.end(), [](double ms) { return ms > TForm1::kPlaybackIntervalMs; });
    Report(loaded ? "10,000 ticks across blocks, every core busy with a load generator"
                  : "10,000 ticks across blocks, no other load",
           ticks, form.Sequence().RefillsReadAhead() - readAheadBefore, state);
    std::printf("against the limits (no late frame, p99 under %.0f ms): %s\n", kLongP99LimitMs,
                late == 0 && p99 < kLongP99LimitMs ? "ok" : "OVER");
    if (late > 0 || p99 >= kLongP99LimitMs)
        state.SkipWithError(
            QStringLiteral("%1 late frames, p99 %2 ms").arg(late).arg(p99, 0, 'f', 3).toStdString().c_str());
}

// The frame moved on 4 frames a tick through the file, as the companion link moves it while
// Sonel plays: the kymogram span (and the block with it) follows every 50 frames or so.
void SteadyStepAcrossBlocks(benchmark::State& state)
{
    TFixture fixture;
    TForm1& form = fixture.form;
    TTicks ticks;
    for (auto _ : state) {
        ticks = {};
        form.Session().SetCurrentFrame(0);
        double total = 0;
        for (int i = 1; i <= kTicks; ++i) {
            TimeTick(form, ticks, [&] { form.Session().SetCurrentFrame(4 * i); });
            total += ticks.All().back();
        }
        state.SetIterationTime(total / 1000);
    }
    Report("Frame moved 4 a tick through the file", ticks, form.Sequence().RefillsReadAhead(), state);
}

// Opening a file until its first frame is painted, warm (in the page cache, as a file opened
// before) and cold (dropped from it first): a 1024 x 1024 sequence of 600 frames (goal 0.2 s
// warm) and a 4 GB camera file, 4096 frames of 1024 x 1024 (goal 0.3 s warm).
constexpr int kLargeSide = 1024;

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// `frames` frames of kLargeSide squared, frame f all f's low byte.
void WriteLargeFrames(const QString& path, int frames)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    std::vector<char> frame(size_t(kLargeSide) * kLargeSide);
    for (int f = 0; f < frames; ++f) {
        std::fill(frame.begin(), frame.end(), char(f));
        file.write(frame.data(), qint64(frame.size()));
    }
}

struct TLargeFiles {
    TLargeFiles()
    {
        constexpr int kBldFrames = 600;
        bld = dir.filePath(QStringLiteral("large.bld"));
        WriteLargeFrames(bld, kBldFrames);
        WriteFile(dir.filePath(QStringLiteral("large.par")),
                  QStringLiteral("RESOLUTION: %1x%1\nFRAMES: %2\n").arg(kLargeSide).arg(kBldFrames).toLatin1());
        // A camera's 8-bit recording of 4 GiB: its header and its raw frames.
        constexpr int kCameraFrames = 4096;
        mraw = dir.filePath(QStringLiteral("camera.mraw"));
        WriteLargeFrames(mraw, kCameraFrames);
        WriteFile(dir.filePath(QStringLiteral("camera.cih")),
                  QStringLiteral("#Camera Information Header\nRecord Rate(fps) : 4000\nTotal Frame : %1\n"
                                 "Image Width : %2\nImage Height : %2\nColor Type : Mono\nColor Bit : 8\n"
                                 "File Format : MRaw\n")
                      .arg(kCameraFrames)
                      .arg(kLargeSide)
                      .toLatin1());
    }
    QTemporaryDir dir{QStringLiteral("/tmp/tremax-bench-XXXXXX")};  // a real disk, for the cold figures
    QString bld;
    QString mraw;
};

TLargeFiles& LargeFiles()
{
    static TLargeFiles files;
    return files;
}

// Whether the page cache was dropped as a whole; otherwise the files alone are dropped from it.
bool DropFromPageCache(const QStringList& paths)
{
    ::sync();
    {
        QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
        if (drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2 && drop.flush())
            return true;
    }
    for (const QString& path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
    return false;
}

void Warm(const QString& path)
{
    QFile warm(path);
    warm.open(QIODevice::ReadOnly);
    while (!warm.read(1 << 24).isEmpty()) {
    }
}

void OpenUntilFirstFrame(benchmark::State& state, bool camera, bool cold)
{
    const TLargeFiles& files = LargeFiles();
    const QString path = camera ? files.mraw : files.bld;
    const QStringList all = camera ? QStringList{files.mraw, files.dir.filePath(QStringLiteral("camera.cih"))}
                                   : QStringList{files.bld, files.dir.filePath(QStringLiteral("large.par"))};
    TFrameSourceFactory formats;
    RegisterOptionalFormats(formats);
    TBenchClock clock;
    TPrintErrors errors;
    std::vector<double> times;
    bool droppedAll = false;
    if (!cold)
        Warm(path);  // the first block at least is in the page cache from then on
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            droppedAll = DropFromPageCache(all);
            state.ResumeTiming();
        }
        TForm1 form{errors, clock, nullptr, &formats};
        form.resize(700, 700);
        form.show();
        form.FirstActivation();
        const auto start = std::chrono::steady_clock::now();
        form.OpenSequence(path);
        form.ImageBox().repaint();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        times.push_back(s);
        state.SetIterationTime(s);
    }
    const double goal = camera ? 0.3 : 0.2;
    const double median = Percentile(times, 0.5);
    state.counters["median_s"] = median;
    state.counters["worst_s"] = Percentile(times, 1.0);
    std::printf("\nOpening %s (%s%s) until the first frame is painted: median of %zu %.3f s, worst %.3f s%s\n",
                camera ? "a 4 GB camera file of 1024 x 1024" : "a 1024 x 1024 sequence", cold ? "cold" : "warm",
                cold ? (droppedAll ? ", page cache dropped" : ", the files dropped from the page cache") : "",
                times.size(), median, Percentile(times, 1.0),
                cold ? "" : (median < goal ? QStringLiteral(" (goal %1 s: ok)") : QStringLiteral(" (goal %1 s: OVER)"))
                                .arg(goal)
                                .toLatin1()
                                .constData());
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("Playback500Ticks", Playback)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlaybackAcrossBlocks500Ticks", PlaybackAcrossBlocks)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SteadyStepAcrossBlocks500Ticks", SteadyStepAcrossBlocks)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlaybackAcrossBlocks10000Ticks", LongPlaybackAcrossBlocks, false)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlaybackAcrossBlocksLoaded10000Ticks", LongPlaybackAcrossBlocks, true)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    for (const bool camera : {false, true})
        for (const bool cold : {false, true})
            benchmark::RegisterBenchmark(camera ? (cold ? "OpenCameraFile4GBCold" : "OpenCameraFile4GBWarm")
                                                : (cold ? "OpenLargeSequenceCold" : "OpenLargeSequenceWarm"),
                                         OpenUntilFirstFrame, camera, cold)
                ->UseManualTime()
                ->Iterations(3)
                ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The large files go with their folder when the program ends.
    return 0;
}
