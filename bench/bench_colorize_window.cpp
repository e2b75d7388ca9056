// Colorizing in the main window, from the click on "Spectral colorizing" until the last row is
// painted (offscreen), against the sweep `tremax-cli colorize` runs on the same data: the
// demo's folds on 256 x 256 pixels, S = 256. Every run starts with no spectrum computed.
#include "analysis/SpectrumStore.h"
#include "tools/DemoSequence.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/io/Sequence.h"
#include "viewer/session/ViewerSession.h"
#include "viewer/ui/stremax1.h"

#include "BenchRatio.h"

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

constexpr int32_t kSize = 256;
constexpr int kRepetitions = 5;

class TBenchClock : public TPlaybackClock {
public:
    double NowDays() const override { return 1; }
};

class TPrintErrors : public TErrorHandler {
public:
    void HandleError(const QString& message) override { std::fprintf(stderr, "error: %s\n", qPrintable(message)); }
};

QTemporaryDir* dir = nullptr;
QString bld;

int Threads() { return int(std::max(1u, std::thread::hardware_concurrency())); }

// As the command runs it: one bin kept, rows on every core.
void CliSweep(benchmark::State& state)
{
    TSequence sequence;
    sequence.SetFileName(bld);
    sequence.ReadSequenceFiles();
    TSpectrumStore store(sequence);
    for (auto _ : state) {
        store.SetSpectrumLength(TSpectrumStore::kDefaultSpectrumLength);  // every spectrum let go of
        store.SetSelectedFrequency(250);
        store.HoldOnlyBin(store.SelectedBin());
        store.ColorizeSweep(nullptr, Threads());
        benchmark::DoNotOptimize(store.PowerRow(kSize - 1));
    }
}

// The button pressed with the frequency picked: the sweep, the progress painted, the last row
// shown.
void WindowClickToLastRow(benchmark::State& state)
{
    TBenchClock clock;
    TPrintErrors errors;
    TForm1 form{errors, clock};
    form.resize(700, 700);
    form.show();
    form.FirstActivation();
    form.OpenSequence(bld);
    form.Session().SetSelectedFrequency(250);
    for (auto _ : state) {
        state.PauseTiming();
        form.Colorize(false);
        form.Session().SetSpectrumLength(TSpectrumStore::kDefaultSpectrumLength);  // every spectrum let go of
        QApplication::processEvents();
        state.ResumeTiming();
        form.Colorize(true);
        form.ImageBox().repaint();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    dir = &scratch;
    TDemoParameters demo;
    demo.height = kSize;
    demo.frames = 512;
    bld = scratch.filePath(QStringLiteral("demo.bld"));
    WriteDemoSequence(bld, demo);
    for (auto* b : {benchmark::RegisterBenchmark("cli_sweep", CliSweep),
                    benchmark::RegisterBenchmark("window_click_to_last_row", WindowClickToLastRow)})
        b->Iterations(3)->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->UseRealTime()->Unit(
            benchmark::kMillisecond);
    return RunWithRatios(argc, argv, {{"window_click_to_last_row", "cli_sweep", 1.5}});
}
