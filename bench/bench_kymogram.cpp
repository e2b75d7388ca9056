// A kymogram of 512 frames x 512 columns against copying the same bytes out of the frame block.
#include "BenchRatio.h"
#include "analysis/Kymogram.h"
#include "tools/DemoSequence.h"
#include "viewer/io/Sequence.h"

#include <QImage>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int32_t kFrames = 512;
constexpr int32_t kColumns = 512;
constexpr int32_t kRow = 64;  // inside the folds

// The demo sequence at 512 x 128, its block holding frames 0 … 511.
TSequence& Sequence()
{
    static QTemporaryDir dir;
    static const std::unique_ptr<TSequence> sequence = [] {
        TDemoParameters p;
        p.width = kColumns;
        p.frames = kFrames;
        const QString path = dir.filePath(QStringLiteral("bench.bld"));
        WriteDemoSequence(path, p);
        auto s = std::make_unique<TSequence>();
        s->SetFileName(path);
        s->ReadSequenceFiles();
        return s;
    }();
    return *sequence;
}

TKymogramSettings Settings(bool edge)
{
    TKymogramSettings settings;
    settings.row = kRow;
    settings.span = {0, kFrames};
    settings.edgeEnhance = edge;
    return settings;
}

// The floor: the selected row of every slot copied out, one memcpy each.
void CopyRowsFloor(benchmark::State& state)
{
    const TFrameCache& cache = Sequence().Cache();
    std::vector<uint8_t> out(size_t(kFrames) * kColumns);
    for (auto _ : state) {
        for (int32_t s = 0; s < kFrames; ++s)
            std::memcpy(out.data() + size_t(s) * kColumns, cache.Row(s, kRow), kColumns);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

// For comparison, not a limit: the memory traffic of a build with no work at all, the rows copied
// out and the 24-bit bitmap (three times as many bytes) written.
void CopyRowsAndFillBitmap(benchmark::State& state)
{
    const TFrameCache& cache = Sequence().Cache();
    std::vector<uint8_t> out(size_t(kFrames) * kColumns);
    QImage bitmap(kFrames, kColumns, QImage::Format_BGR888);
    for (auto _ : state) {
        for (int32_t s = 0; s < kFrames; ++s)
            std::memcpy(out.data() + size_t(s) * kColumns, cache.Row(s, kRow), kColumns);
        std::memset(bitmap.bits(), out[size_t(state.iterations()) % out.size()], size_t(bitmap.sizeInBytes()));
        benchmark::DoNotOptimize(out.data());
        benchmark::DoNotOptimize(bitmap.constBits());
        benchmark::ClobberMemory();
    }
}

void Build(benchmark::State& state, bool vectorised, bool edge)
{
    TSequence& sequence = Sequence();
    TKymogramBuilder builder(vectorised);
    QImage bitmap;
    const TKymogramSettings settings = Settings(edge);
    for (auto _ : state) {
        builder.Build(sequence, settings, bitmap);
        benchmark::DoNotOptimize(bitmap.constBits());
        benchmark::ClobberMemory();
    }
    state.SetLabel(builder.Vectorised() ? "vectorised" : "portable");
}

void Kymogram(benchmark::State& state) { Build(state, true, false); }
void KymogramPortable(benchmark::State& state) { Build(state, false, false); }
void KymogramEdge(benchmark::State& state) { Build(state, true, true); }

}  // namespace

int main(int argc, char** argv)
{
    for (auto [name, fn] : {std::pair{"CopyRowsFloor", &CopyRowsFloor},
                            std::pair{"CopyRowsAndFillBitmap", &CopyRowsAndFillBitmap}, std::pair{"Kymogram", &Kymogram},
                            std::pair{"KymogramPortable", &KymogramPortable},
                            std::pair{"KymogramEdge", &KymogramEdge}})
        benchmark::RegisterBenchmark(name, fn)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
    return RunWithRatios(argc, argv,
                         {{"Kymogram", "CopyRowsFloor", 2.0},
                          {"Kymogram", "CopyRowsAndFillBitmap", 0},
                          {"KymogramPortable", "CopyRowsFloor", 0},
                          {"KymogramEdge", "CopyRowsFloor", 0}});
}
