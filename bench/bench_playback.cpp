// Playback of a 512 x 512 sequence through the real main window: each timer tick computes the
// frame, refills the block when needed, renders and paints. 500 ticks at 200 frames/s; the
// median and 99th-percentile tick cost are printed, with the refill ticks apart.
#include "viewer/ErrorHandler.h"
#include "viewer/ImageBoxWidget.h"
#include "viewer/stremax1.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSide = 512;
constexpr int kFrames = 2100;
constexpr int kTicks = 500;

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

void Playback(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString bld = WriteSequence(dir);
    TBenchClock clock;
    TPrintErrors errors;
    TForm1 form(errors, clock);
    form.resize(700, 700);
    form.show();
    form.FirstActivation();
    form.OpenSequence(bld);
    form.SetPlaybackRate(200);  // 4 frames a tick: a refill every 64 ticks or so
    QApplication::processEvents();

    std::vector<double> plain, refill;
    for (auto _ : state) {
        plain.clear();
        refill.clear();
        form.SetCurrentFrame(1);
        form.SetCurrentFrame(0);
        form.SetPlayButton(true);
        double total = 0;
        for (int i = 0; i < kTicks; ++i) {
            clock.now += 0.020 / 86400;
            const int32_t firstBefore = form.Sequence().FirstCachedFrame();
            const auto start = std::chrono::steady_clock::now();
            form.PlaybackTick();
            form.ImageBox().repaint();
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            total += ms;
            (form.Sequence().FirstCachedFrame() != firstBefore ? refill : plain).push_back(ms);
        }
        form.ReleasePlayButton();
        state.SetIterationTime(total / 1000);
    }
    std::vector<double> all = plain;
    all.insert(all.end(), refill.begin(), refill.end());
    state.counters["median_ms"] = Percentile(all, 0.5);
    state.counters["p99_ms"] = Percentile(all, 0.99);
    state.counters["refills"] = double(refill.size());
    std::printf("\nticks %zu: median %.3f ms, 99th percentile %.3f ms (limit: median under 10 ms)\n"
                "without refill %zu: median %.3f ms, 99th percentile %.3f ms\n"
                "refill ticks %zu: median %.3f ms, max %.3f ms\n",
                all.size(), Percentile(all, 0.5), Percentile(all, 0.99), plain.size(), Percentile(plain, 0.5),
                Percentile(plain, 0.99), refill.size(), Percentile(refill, 0.5), Percentile(refill, 1.0));
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::RegisterBenchmark("Playback500Ticks", Playback)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
