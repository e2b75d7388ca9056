// The companion link's cost per frame shown with "&Link to Sonel" checked: reading h (a file-info
// query to the companion, then opening its sample file and reading the header) and broadcasting
// the cursor. The floor is one bare link message to the companion, measured in the same run; the
// budget is the playback tick (20 ms). The stand-in companion runs as a separate process, both on
// a private session bus (the program restarts itself under dbus-run-session).
#include "BenchRatio.h"
#include "export/io/sSMP.h"
#include "link/SonelSync.h"
#include "link/Sonellink.h"
#include "platform/bus/ApplicationWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kTickBudgetMs = 20.0;

class TBenchView : public TSyncView {
public:
    int32_t CurrentFrame() const override { return frame; }
    void SetCurrentFrame(int32_t value) override { frame = value; }
    void StopPlayback() override {}
    TSonelTimebase Timebase() const override { return {2048, 0, 0, 4000}; }
    int32_t frame = 0;
};

void Configure(benchmark::internal::Benchmark* b)
{
    b->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
}

// Re-runs this program under a private session bus; returns only when that cannot be done.
void RestartOnPrivateBus(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("TREMAX_BENCH_PRIVATE_BUS"))
        return;
    qputenv("TREMAX_BENCH_PRIVATE_BUS", "1");
    std::vector<char*> arguments{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    for (int i = 0; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    execvp("dbus-run-session", arguments.data());
    std::perror("dbus-run-session");
}

}  // namespace

int main(int argc, char** argv)
{
    RestartOnPrivateBus(argc, argv);
    QCoreApplication app(argc, argv);
    TApplicationWindow window;
    if (!window.Connect(QStringLiteral("TREMAX"))) {
        std::printf("bench_link: no session bus, nothing measured\n");
        return 0;
    }

    QTemporaryDir dir;
    const QString sampleFile = dir.filePath(QStringLiteral("sound.smp"));
    TSMPfile smp;
    smp.new_file(sampleFile);
    smp.insert_nonpresent_defaults();
    smp.set_item(QStringLiteral("hspsync"), QStringLiteral("2.048"));
    smp.save_file();
    smp.close_file();

    QProcess standin;
    standin.setStandardOutputFile(QProcess::nullDevice());
    standin.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    standin.start(QStringLiteral(TREMAX_STANDIN_PATH), {QStringLiteral("--file"), sampleFile});
    QElapsedTimer waited;
    waited.start();
    uint32_t sonel = 0;
    while ((sonel = window.FindWindow(QStringLiteral("SONEL32"))) == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (sonel == 0) {
        std::printf("bench_link: the stand-in companion did not start\n");
        return 1;
    }

    TSonellink link(window);
    link.SetDLLName(QStringLiteral(TREMAX_SONELLIB_PATH));
    link.Loaded();
    TBenchView view;
    TSonelSync sync(link, view);
    sync.Linktosonel1Click();
    if (sync.SyncTime() != 2.048) {
        std::printf("bench_link: the companion's file was not read\n");
        return 1;
    }

    const uint32_t unknownCommand = 0x77770000;
    Configure(benchmark::RegisterBenchmark("LinkMessageFloor", [&](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(window.SendMessage(sonel, link.LinkMessage(), window.Handle(), unknownCommand));
    }));
    Configure(benchmark::RegisterBenchmark("HeaderRead", [&](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(link.ReadHeaderValue(QStringLiteral("hspsync")));
    }));
    Configure(benchmark::RegisterBenchmark("SendCursor", [&](benchmark::State& state) {
        for (auto _ : state)
            link.SendCursor(1.0);
    }));
    int32_t frame = 0;
    Configure(benchmark::RegisterBenchmark("FrameWithLink", [&](benchmark::State& state) {
        for (auto _ : state) {
            frame = (frame + 1) % 2048;
            sync.FrameChanged(frame);
        }
    }));
    benchmark::Initialize(&argc, argv);
    TMedianRecorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    const auto median = [&](const char* name) {
        const auto it = recorder.medians.find(name);
        return it == recorder.medians.end() ? 0.0 : it->second;
    };
    std::printf("\n");
    const double floor = median("LinkMessageFloor");
    for (const char* name : {"HeaderRead", "SendCursor", "FrameWithLink"})
        if (floor > 0)
            std::printf("ratio %-14s / LinkMessageFloor = %6.2f\n", name, median(name) / floor);
    // The medians are in the benchmarks' unit (microseconds).
    const double frameMs = median("FrameWithLink") / 1000.0;
    std::printf("FrameWithLink: %.3f ms a frame = %.1f %% of the %.0f ms playback tick\n", frameMs,
                100.0 * frameMs / kTickBudgetMs, kTickBudgetMs);
    standin.closeWriteChannel();
    standin.waitForFinished(5000);
    return 0;
}
