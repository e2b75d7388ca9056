// The colorizing sweep of a 256 × 256 image with S = 256 (65,536 spectra, power and phase of
// bins 0 … N/2 into the cubes) against the literal pixel-by-pixel path and against the same spectra computed with
// FFTW. Prints the medians and their ratios; first checks that the sweep stores exactly what the
// pixel-by-pixel path stores.
#include "analysis/SpectrumStore.h"
#include "tools/DemoSequence.h"
#include "viewer/io/Sequence.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#if TREMAX_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

constexpr int32_t kSize = 256;
constexpr int32_t kLength = 256;
constexpr int kRepetitions = 7;

struct TFixture {
    QTemporaryDir dir;
    TSequence sequence;
    std::unique_ptr<TSpectrumStore> store;
};
TFixture* fixture = nullptr;

void Invalidate(benchmark::State& state)
{
    state.PauseTiming();
    fixture->sequence.LoadFrames(0);  // a fresh block: every spectrum invalid
    state.ResumeTiming();
}

void LiteralPixelByPixel(benchmark::State& state)
{
    TSpectrumStore& store = *fixture->store;
    for (auto _ : state) {
        Invalidate(state);
        for (int32_t y = 0; y < kSize; ++y)
            for (int32_t x = 0; x < kSize; ++x)
                store.ComputePixelSpectrum(x, y);
        benchmark::DoNotOptimize(store.PowerRow(kSize - 1));
    }
}

void Sweep(benchmark::State& state)
{
    const auto kernel = TSweepKernel(state.range(0));
    const int threads = int(state.range(1));
    if (!SweepKernelAvailable(kernel)) {
        state.SkipWithError("instruction set not available");
        for (auto _ : state) {
        }
        return;
    }
    TSpectrumStore& store = *fixture->store;
    for (auto _ : state) {
        Invalidate(state);
        store.ColorizeSweep(nullptr, threads, kernel);
        benchmark::DoNotOptimize(store.PowerRow(kSize - 1));
    }
    state.SetLabel(std::string(SweepKernelName(kernel)) + ", " + std::to_string(threads) + " thread(s)");
}

#if TREMAX_HAVE_FFTW
// The same spectra with FFTW: the same series, mean removal and window, 256 real transforms of a
// row at once, each result divided by W, then 10·log10 and atan2 of bins 0 … N/2 (those the
// store holds) written plainly into the cubes (FFTW's kernel is e^{−j}, so Im changes sign).
void FftwReference(benchmark::State& state)
{
    const TFrameCache& cache = fixture->sequence.Cache();
    TFFT& fft = fixture->store->Fft();
    fft.BuildTables();  // one FFT engine, one window: the reference windows with the same table
    const tdoublearr& window = fft.WindowTable();
    const int32_t n = kLength;
    const int32_t half = n / 2 + 1;
    double* in = fftw_alloc_real(size_t(n) * kSize);
    fftw_complex* out = fftw_alloc_complex(size_t(half) * kSize);
    int sizes[] = {n};
    const fftw_plan plan =
        fftw_plan_many_dft_r2c(1, sizes, kSize, in, nullptr, 1, n, out, nullptr, 1, half, FFTW_MEASURE);
    const size_t plane = size_t(kSize) * kSize;
    std::vector<float> power(plane * size_t(half)), phase(plane * size_t(half));

    for (auto _ : state) {
        for (int32_t y = 0; y < kSize; ++y) {
            for (int32_t x = 0; x < kSize; ++x) {
                double* series = in + size_t(x) * n;
                float sum = 0;
                for (int32_t k = 0; k < kLength; ++k)
                    sum += cache.Row(k, y)[x];
                const double mean = double(sum) / kLength;
                double m = 0;
                for (int32_t k = 0; k < kLength; ++k) {
                    series[k] = (cache.Row(k, y)[x] - mean) / mean;
                    m += series[k];
                }
                m /= kLength;
                for (int32_t k = 0; k < kLength; ++k)
                    series[k] = (series[k] - m) * window[size_t(k)];
            }
            fftw_execute(plan);
            for (int32_t k = 0; k < half; ++k) {
                float* p = power.data() + size_t(k) * plane + size_t(y) * kSize;
                float* f = phase.data() + size_t(k) * plane + size_t(y) * kSize;
                for (int32_t x = 0; x < kSize; ++x) {
                    const fftw_complex& c = out[size_t(x) * half + size_t(k)];
                    const double re = c[0] / kLength;
                    const double im = -c[1] / kLength;
                    p[x] = float(10 * std::log10(re * re + im * im));
                    f[x] = float(std::atan2(im, re));
                }
            }
        }
        benchmark::DoNotOptimize(power.data());
        benchmark::DoNotOptimize(phase.data());
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
#endif

// Collects the median of each benchmark by name.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    TMedianReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}
    std::map<std::string, double> medians;  // ms
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] =
                    run.GetAdjustedRealTime();  // every benchmark here reports milliseconds
        ConsoleReporter::ReportRuns(runs);
    }
};

// The sweep against the pixel path, every bin of every pixel, bit for bit.
bool SweepMatchesPixelPath()
{
    TSpectrumStore single(fixture->sequence);
    for (int32_t y = 0; y < kSize; ++y)
        for (int32_t x = 0; x < kSize; ++x)
            single.ComputePixelSpectrum(x, y);
    TSpectrumStore& swept = *fixture->store;
    fixture->sequence.LoadFrames(0);
    swept.ColorizeSweep(nullptr, 2);
    const size_t values = size_t(swept.Bins()) * kSize * kSize;
    const size_t rowBytes = size_t(swept.Bins()) * kSize * sizeof(float);
    bool same = true;
    for (int32_t y = 0; y < kSize; ++y)
        same = same && std::memcmp(single.PowerRow(y), swept.PowerRow(y), rowBytes) == 0 &&
               std::memcmp(single.PhaseRow(y), swept.PhaseRow(y), rowBytes) == 0;
    std::printf("sweep (%s, 2 threads) against the pixel path over %zu values: %s\n",
                SweepKernelName(BestSweepKernel()), 2 * values, same ? "bit-identical" : "DIFFERENT");
    return same;
}

void PrintRatio(const std::map<std::string, double>& medians, const std::string& what, const std::string& against,
                double limit)
{
    const auto a = medians.find(what);
    const auto b = medians.find(against);
    if (a == medians.end() || b == medians.end())
        return;
    const double ratio = a->second / b->second;
    std::printf("  %-34s %8.1f ms / %-24s %8.1f ms = %.3f (at most %.2f: %s)\n", what.c_str(), a->second,
                against.c_str(), b->second, ratio, limit, ratio <= limit ? "met" : "NOT MET");
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TFixture data;
    fixture = &data;
    TDemoParameters demo;
    demo.height = kSize;
    demo.frames = 512;
    const QString bld = data.dir.filePath(QStringLiteral("demo.bld"));
    WriteDemoSequence(bld, demo);
    data.sequence.SetFileName(bld);
    data.sequence.ReadSequenceFiles();
    data.store = std::make_unique<TSpectrumStore>(data.sequence);
    if (!SweepMatchesPixelPath())
        return 1;

    const auto literal = benchmark::RegisterBenchmark("literal_pixel_by_pixel", LiteralPixelByPixel);
    literal->Iterations(1);
    std::vector<benchmark::internal::Benchmark*> all{literal};
#if TREMAX_HAVE_FFTW
    all.push_back(benchmark::RegisterBenchmark("fftw_reference", FftwReference)->Iterations(1));
#endif
    const auto sweep = benchmark::RegisterBenchmark("sweep", Sweep);
    sweep->ArgNames({"kernel", "threads"})->Iterations(3);
    for (TSweepKernel kernel : {TSweepKernel::baseline, TSweepKernel::avx2, TSweepKernel::avx512})
        for (int threads : {1, 2})
            sweep->Args({int64_t(kernel), threads});
    all.push_back(sweep);
    for (auto* b : all)
        b->Repetitions(kRepetitions)->ReportAggregatesOnly(true)->UseRealTime()->Unit(benchmark::kMillisecond);

    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nmedians and ratios (sweep kernel chosen on this processor: %s)\n",
                SweepKernelName(BestSweepKernel()));
    const std::string best = "sweep/kernel:" + std::to_string(int(BestSweepKernel()));
    PrintRatio(reporter.medians, best + "/threads:1", "fftw_reference", 0.3);
    PrintRatio(reporter.medians, best + "/threads:1", "literal_pixel_by_pixel", 0.12);
    PrintRatio(reporter.medians, best + "/threads:2", "fftw_reference", 0.2);
    // The other kernels, the portable one (every processor without AVX2 or AVX-512) within a
    // quarter of the reference.
    for (int kernel = 1; kernel <= 3; ++kernel)
        if (kernel != int(BestSweepKernel()))
            PrintRatio(reporter.medians, "sweep/kernel:" + std::to_string(kernel) + "/threads:1", "fftw_reference",
                       kernel == int(TSweepKernel::baseline) ? 0.25 : 0.3);
    return 0;
}
