#include "analysis/SpectrumSweep.h"

#include "analysis/CFFT.h"
#include "platform/CpuFeatures.h"
#include "viewer/io/FrameCache.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// What the lanes need of one row, as plain pointers.
struct TSweepLanesJob {
    const unsigned char* source;  // the row's bytes in frame 0 of the series
    size_t sourceStride;          // bytes from one frame's row to the next
    int32_t width;
    int32_t length;
    const uint8_t* validRow;
    uint8_t* doneRow;
    float* power;  // the cubes
    float* phase;
    size_t planeStride;
    size_t rowOffset;  // floats from a plane's start to the row
    int32_t firstBin;  // the bins kept, the first at the cubes' plane 0
    int32_t bins;
};

// Columns whose results are gathered before they go to the cubes: a cache line of floats.
constexpr int32_t kBlockColumns = 16;

}  // namespace

// The lanes' helpers pass whole vectors by value; they are always inlined, so the calling
// convention for wide vectors never comes into play (GCC reports at the end of the file, so the
// warning stays off to its end).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace sweep_baseline {
#define SWEEP_LANES 2
#include "analysis/SpectrumSweepKernel.inc"
}  // namespace sweep_baseline

#if TREMAX_X86_SIMD
#pragma GCC push_options
#pragma GCC target("avx2")
namespace sweep_avx2 {
#define SWEEP_LANES 4
#include "analysis/SpectrumSweepKernel.inc"
}  // namespace sweep_avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace sweep_avx512 {
#define SWEEP_LANES 8
#include "analysis/SpectrumSweepKernel.inc"
}  // namespace sweep_avx512
#pragma GCC pop_options
#endif


bool SweepKernelAvailable(TSweepKernel kernel)
{
    switch (kernel) {
    case TSweepKernel::automatic:
    case TSweepKernel::baseline:
        return true;
    case TSweepKernel::avx2:
        return CpuHas(TCpuFeature::avx2);
    case TSweepKernel::avx512:
        return CpuHas(TCpuFeature::avx512f);
    }
    return false;
}

TSweepKernel BestSweepKernel()
{
    static const TSweepKernel best = SweepKernelAvailable(TSweepKernel::avx512) ? TSweepKernel::avx512
                                     : SweepKernelAvailable(TSweepKernel::avx2) ? TSweepKernel::avx2
                                                                                 : TSweepKernel::baseline;
    return best;
}

const char* SweepKernelName(TSweepKernel kernel)
{
    switch (kernel) {
    case TSweepKernel::automatic:
        return "automatic";
    case TSweepKernel::baseline:
        return "baseline";
    case TSweepKernel::avx2:
        return "avx2";
    case TSweepKernel::avx512:
        return "avx512";
    }
    return "?";
}

namespace {

TSweepKernel Resolve(TSweepKernel kernel)
{
    if (kernel == TSweepKernel::automatic || !SweepKernelAvailable(kernel))
        return BestSweepKernel();
    return kernel;
}

template <typename T>
T* AllocateAligned(size_t count)
{
    // 64-byte aligned: one element of the lanes' arrays holds up to eight lanes of one sample.
    const size_t bytes = (count * sizeof(T) + 63) / 64 * 64;
    void* p = std::aligned_alloc(64, bytes == 0 ? 64 : bytes);
    if (!p)
        throw std::bad_alloc();
    return static_cast<T*>(p);
}

constexpr size_t kMaxLanes = 8;

// Bytes per frame row of the gathered series: an odd number of cache lines, so that walking down
// a column does not keep hitting the same cache sets.
size_t PaddedStride(size_t width, size_t elementBytes)
{
    const size_t lineElements = 64 / elementBytes;
    size_t lines = (width + lineElements - 1) / lineElements;
    if (lines % 2 == 0)
        ++lines;
    return lines * lineElements;
}

}  // namespace

void TSweepScratch::TFree::operator()(void* p) const { std::free(p); }

TSweepScratch::TSweepScratch(int32_t fftSize, int32_t length, int32_t width)
    : re_(AllocateAligned<double>(size_t(fftSize) * kMaxLanes)),
      im_(AllocateAligned<double>(size_t(fftSize) * kMaxLanes)),
      series_(AllocateAligned<double>(size_t(length) * kMaxLanes)),
      masks_(AllocateAligned<long long>(size_t(fftSize) * kMaxLanes)),
      sourceStride_(PaddedStride(size_t(width), 1)),
      width_(width),
      length_(length)
{
    power_.reset(AllocateAligned<float>(2 * size_t(kBlockColumns) * size_t(length)));
    phase_.reset(AllocateAligned<float>(2 * size_t(kBlockColumns) * size_t(length)));
    source_.reset(AllocateAligned<unsigned char>(sourceStride_ * size_t(length)));
}

TSweepEngine DescribeSweepEngine(TFFT& fft)
{
    fft.CheckTransformable();
    fft.BuildTables();
    TSweepEngine engine;
    engine.cosTable = fft.CosTable().data();
    engine.sinTable = fft.SinTable().data();
    engine.reversal = fft.BitReversal().data();
    engine.window = fft.WindowTable().data();
    engine.fftSize = fft.FFTSize();
    engine.windowSize = fft.WindowSize();
    engine.subtractMean = fft.SubtractMean();
    return engine;
}

void SweepRow(TSweepKernel kernel, const TSweepEngine& engine, const TSweepRow& job, TSweepScratch& scratch)
{
    const TFrameCache& cache = *job.cache;
    const int32_t width = cache.Width();
    if (width != scratch.width_ || job.length > scratch.length_)
        throw std::logic_error("sweep scratch of the wrong shape");
    const int32_t bins = job.bins < 0 ? job.length : job.bins;
    if (job.firstBin < 0 || bins < 1 || job.firstBin > job.length - bins)
        throw std::logic_error("sweep bins outside the spectrum");
    std::fill(job.doneRow, job.doneRow + width, uint8_t(0));
    // The row of every frame side by side: frames lie a whole image apart in the block.
    for (int32_t k = 0; k < job.length; ++k)
        std::memcpy(scratch.source_.get() + size_t(k) * scratch.sourceStride_, cache.Row(k, job.row), size_t(width));
    const TSweepLanesJob lanes{scratch.source_.get(),
                               scratch.sourceStride_,
                               width,
                               job.length,
                               job.validRow,
                               job.doneRow,
                               job.power,
                               job.phase,
                               job.planeStride,
                               job.rowOffset,
                               job.firstBin,
                               bins};
    double* const re = scratch.re_.get();
    double* const im = scratch.im_.get();
    double* const series = scratch.series_.get();
    long long* const masks = scratch.masks_.get();
    float* const power = scratch.power_.get();
    float* const phase = scratch.phase_.get();
    switch (Resolve(kernel)) {
#if TREMAX_X86_SIMD
    case TSweepKernel::avx512:
        sweep_avx512::SweepRowLanes(engine, lanes, re, im, series, masks, power, phase);
        break;
    case TSweepKernel::avx2:
        sweep_avx2::SweepRowLanes(engine, lanes, re, im, series, masks, power, phase);
        break;
#endif
    default:
        sweep_baseline::SweepRowLanes(engine, lanes, re, im, series, masks, power, phase);
        break;
    }
}

void SweepBinValues(TSweepKernel kernel, const double* re, const double* im, size_t count, float* power, float* phase)
{
    switch (Resolve(kernel)) {
#if TREMAX_X86_SIMD
    case TSweepKernel::avx512:
        sweep_avx512::BinValues(re, im, count, power, phase);
        break;
    case TSweepKernel::avx2:
        sweep_avx2::BinValues(re, im, count, power, phase);
        break;
#endif
    default:
        sweep_baseline::BinValues(re, im, count, power, phase);
        break;
    }
}
