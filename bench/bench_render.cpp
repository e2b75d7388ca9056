// Rendering a 1024 x 1024 frame against a plain table look-up that writes the same bytes.
#include "BenchRatio.h"
#include "viewer/render/FrameRenderer.h"

#include <QImage>
#include <random>
#include <vector>

namespace {

constexpr int kSide = 1024;

const std::vector<uint8_t>& Frame()
{
    static const std::vector<uint8_t> frame = [] {
        std::vector<uint8_t> f(size_t(kSide) * kSide);
        std::mt19937 random(7);
        for (auto& b : f)
            b = uint8_t(random());
        return f;
    }();
    return frame;
}

// The floor: one 256-entry table look-up per pixel, three bytes written.
void TableLookupFloor(benchmark::State& state)
{
    uint8_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = uint8_t(255 - i);
    QImage bitmap(kSide, kSide, QImage::Format_BGR888);
    const uint8_t* frame = Frame().data();
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y) {
            const uint8_t* src = frame + size_t(y) * kSide;
            uchar* dst = bitmap.scanLine(y);
            for (int x = 0; x < kSide; ++x) {
                const uint8_t q = table[src[x]];
                dst[3 * x] = q;
                dst[3 * x + 1] = q;
                dst[3 * x + 2] = q;
            }
        }
        benchmark::DoNotOptimize(bitmap.constBits());
        benchmark::ClobberMemory();
    }
}

void Render(benchmark::State& state, bool edge, int32_t markedRow)
{
    TFrameRenderer renderer;
    QImage bitmap;
    TRenderSettings settings;
    settings.edgeEnhance = edge;
    settings.markedRow = markedRow;
    for (auto _ : state) {
        renderer.Render(Frame().data(), kSide, kSide, settings, bitmap);
        benchmark::DoNotOptimize(bitmap.constBits());
        benchmark::ClobberMemory();
    }
}

void RenderPlain(benchmark::State& state) { Render(state, false, -1); }
void RenderMarkedRow(benchmark::State& state) { Render(state, false, kSide / 2); }
void RenderEdge(benchmark::State& state) { Render(state, true, -1); }
void RenderEdgeMarkedRow(benchmark::State& state) { Render(state, true, kSide / 2); }

}  // namespace

int main(int argc, char** argv)
{
    for (auto [name, fn] : {std::pair{"TableLookupFloor", &TableLookupFloor}, std::pair{"RenderPlain", &RenderPlain},
                            std::pair{"RenderMarkedRow", &RenderMarkedRow}, std::pair{"RenderEdge", &RenderEdge},
                            std::pair{"RenderEdgeMarkedRow", &RenderEdgeMarkedRow}})
        benchmark::RegisterBenchmark(name, fn)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    return RunWithRatios(argc, argv,
                         {{"RenderPlain", "TableLookupFloor", 1.5},
                          {"RenderMarkedRow", "TableLookupFloor", 1.5},
                          {"RenderEdge", "TableLookupFloor", 4.0},
                          {"RenderEdgeMarkedRow", "TableLookupFloor", 4.0}});
}
