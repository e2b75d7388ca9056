// A speckle tracking run with the default sizes against the bare correlation sums it needs:
// 99 steps × 85 displacements × 49 × 21 pixel pairs, summed in doubles straight from the frame
// block.
#include "BenchRatio.h"
#include "analysis/PixelSource.h"
#include "analysis/SpeckleTracker.h"
#include "tools/DemoSequence.h"
#include "viewer/io/Sequence.h"

#include <QTemporaryDir>
#include <cmath>
#include <memory>

namespace {

constexpr int32_t kColumn = 128;  // inside the folds, all areas inside the image
constexpr int32_t kRow = 64;

// The demo sequence at 256 x 128, 200 frames, all in the block.
TSequence& Sequence()
{
    static QTemporaryDir dir;
    static const std::unique_ptr<TSequence> sequence = [] {
        TDemoParameters p;
        p.frames = 200;
        const QString path = dir.filePath(QStringLiteral("bench.bld"));
        WriteDemoSequence(path, p);
        auto s = std::make_unique<TSequence>();
        s->SetFileName(path);
        s->ReadSequenceFiles();
        return s;
    }();
    return *sequence;
}

// The floor: for every step and displacement the five sums and the coefficient, the reference
// frame the previous one, around a fixed pixel; no bounds, no search, no refinement.
void CorrelationSumsFloor(benchmark::State& state)
{
    const TFrameCache& cache = Sequence().Cache();
    const TSpeckleSettings s;
    for (auto _ : state) {
        double total = 0;
        for (int32_t n = 1; n < kSpecklePoints; ++n) {
            for (int32_t dy = -s.ScoutHalfY; dy <= s.ScoutHalfY; ++dy) {
                for (int32_t dx = -s.ScoutHalfX; dx <= s.ScoutHalfX; ++dx) {
                    double sa = 0, sb = 0, sab = 0, sa2 = 0, sb2 = 0;
                    for (int32_t j = -s.CorrHalfY; j <= s.CorrHalfY; ++j) {
                        const uint8_t* test = cache.Row(n, kRow + dy + j) + kColumn + dx;
                        const uint8_t* reference = cache.Row(n - 1, kRow + j) + kColumn;
                        for (int32_t i = -s.CorrHalfX; i <= s.CorrHalfX; ++i) {
                            const double a = test[i];
                            const double b = reference[i];
                            sa += a;
                            sb += b;
                            sab += a * b;
                            sa2 += a * a;
                            sb2 += b * b;
                        }
                    }
                    const double np = double((2 * s.CorrHalfX + 1) * (2 * s.CorrHalfY + 1));
                    total += (np * sab - sa * sb) / std::sqrt((np * sb2 - sb * sb) * (np * sa2 - sa * sa));
                }
            }
        }
        benchmark::DoNotOptimize(total);
    }
}

void TrackSpeckle(benchmark::State& state)
{
    TSequencePixels pixels(Sequence());
    TSpeckleTracker tracker;
    TSpecklePoints points;
    int32_t steps = 0;
    TSpeckleHooks hooks;
    hooks.stepStarted = [&](int32_t) { ++steps; };
    hooks.sums = [&](const TCorrelationSums& sums) { benchmark::DoNotOptimize(sums); };
    for (auto _ : state) {
        tracker.Track(pixels, 0, QPoint(kColumn, kRow), TSpeckleSettings(), hooks, points);
        benchmark::DoNotOptimize(points.data());
    }
    benchmark::DoNotOptimize(steps);
}

}  // namespace

int main(int argc, char** argv)
{
    Sequence();
    for (auto [name, fn] :
         {std::pair{"CorrelationSumsFloor", &CorrelationSumsFloor}, std::pair{"TrackSpeckle", &TrackSpeckle}})
        benchmark::RegisterBenchmark(name, fn)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    return RunWithRatios(argc, argv, {{"TrackSpeckle", "CorrelationSumsFloor", 1.5}});
}
