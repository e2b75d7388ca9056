// Segmenting the glottis in 4000 frames of 256 x 256 against one read of the same frames from
// the frame file, the way the segmentation reads them (64 frames a read, outside the block).
#include "BenchRatio.h"
#include "export/io/MontageFrames.h"
#include "glottis/GlottisAnalysis.h"
#include "tools/DemoSequence.h"
#include "viewer/io/Sequence.h"

#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace {

constexpr int32_t kFrames = 4000;
constexpr int32_t kSize = 256;

TSequence& Sequence()
{
    static QTemporaryDir dir;
    static const std::unique_ptr<TSequence> sequence = [] {
        TDemoParameters p = GlottisDemoParameters();
        p.width = kSize;
        p.height = kSize;
        p.frames = kFrames;
        p.foldTop = 32;
        p.foldBottom = 223;
        p.maxAmplitude = 16;
        p.textureTop = 240;
        const QString path = dir.filePath(QStringLiteral("glottis.bld"));
        WriteDemoSequence(path, p);
        auto s = std::make_unique<TSequence>();
        s->SetFileName(path);
        s->ReadSequenceFiles();
        return s;
    }();
    return *sequence;
}

// The floor: every frame of the span read once, as the analysis reads them.
void ReadFramesFloor(benchmark::State& state)
{
    TSequence& sequence = Sequence();
    for (auto _ : state) {
        TMontageFrames frames(sequence, kGlottisChunkFrames);
        uint64_t sum = 0;
        for (int32_t f = 0; f < kFrames; ++f)
            sum += frames.Frame(f)[size_t(kSize) * 128 + 128];
        benchmark::DoNotOptimize(sum);
    }
}

void SegmentSpan(benchmark::State& state)
{
    TSequence& sequence = Sequence();
    TGlottisSpan span;
    span.first = 0;
    span.last = kFrames - 1;
    span.seed = QPoint(127, 127);
    for (auto _ : state) {
        const TGlottisResult result = SegmentGlottis(sequence, span);
        benchmark::DoNotOptimize(result.area.data());
    }
}

BENCHMARK(ReadFramesFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(SegmentSpan)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    Sequence();
    return RunWithRatios(argc, argv, {{"SegmentSpan", "ReadFramesFloor", 3.0}});
}
