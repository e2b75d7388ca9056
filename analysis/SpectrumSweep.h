#pragma once
// The colorizing sweep's arithmetic: the spectra of many pixels at once, each pixel computed with
// exactly the operations of TFFT (mean removal, window, bit reversal, butterflies, division by
// the window length), 8 pixels side by side in vector lanes. Every stored value equals what
// TFFT hands out for that pixel, rounded to single precision.

#include <cstddef>
#include <cstdint>
#include <memory>

class TFFT;
class TFrameCache;

// Which instruction set runs the lanes; `automatic` takes the widest the processor has.
enum class TSweepKernel { automatic, baseline, avx2, avx512 };

bool SweepKernelAvailable(TSweepKernel kernel);
// The kernel `automatic` stands for on this processor.
TSweepKernel BestSweepKernel();
const char* SweepKernelName(TSweepKernel kernel);

// One image row's job: the series come from slots 0 … length − 1 of the cache.
struct TSweepRow {
    const TFrameCache* cache = nullptr;
    int32_t row = 0;
    int32_t length = 0;  // S
    const uint8_t* validRow = nullptr;  // pixels whose spectra are current are left alone
    float* power = nullptr;             // the power spectra, [bin][row][column] with this stride
    float* phase = nullptr;             // the phase spectra, alike
    size_t planeStride = 0;             // floats from one bin plane to the next
    size_t rowOffset = 0;               // floats from a plane's start to the row's first pixel
    int32_t firstBin = 0;               // the bins kept: firstBin … firstBin + bins − 1, the first
    int32_t bins = -1;                  // one at power and phase; -1: all S
    uint8_t* doneRow = nullptr;         // set to 1 for each pixel whose spectra were written
};

// The engine's tables and switches as one transform would use them.
struct TSweepEngine {
    const double* cosTable = nullptr;
    const double* sinTable = nullptr;
    const uint32_t* reversal = nullptr;
    const double* window = nullptr;
    int32_t fftSize = 0;     // N
    int32_t windowSize = 0;  // W, the divisor
    bool subtractMean = true;
};

// Working memory of one thread: allocated once per sweep, never per pixel. Besides the lanes'
// transforms it holds the row's series side by side and a block of results on their way to
// the cubes.
class TSweepScratch {
public:
    TSweepScratch(int32_t fftSize, int32_t length, int32_t width);

private:
    friend void SweepRow(TSweepKernel, const TSweepEngine&, const TSweepRow&, TSweepScratch&);
    struct TFree {
        void operator()(void* p) const;
    };
    template <typename T>
    using TBuffer = std::unique_ptr<T[], TFree>;
    TBuffer<double> re_, im_, series_;
    TBuffer<long long> masks_;
    TBuffer<float> power_, phase_;
    TBuffer<unsigned char> source_;
    size_t sourceStride_;
    int32_t width_;
    int32_t length_;
};

// Describes `fft` after SetData with a series of the sweep's length: builds its tables, or
// throws the EFFTError its transform would raise.
TSweepEngine DescribeSweepEngine(TFFT& fft);

// Computes and stores the spectra of one row. Pixels whose series is constant get no spectra.
void SweepRow(TSweepKernel kernel, const TSweepEngine& engine, const TSweepRow& job, TSweepScratch& scratch);

// The single-precision values the sweep stores for one bin, decided from (re, im) exactly as
// float(TFFT::PowerDB(re, im)) and float(TFFT::Phase(re, im)). Exposed for tests.
void SweepBinValues(TSweepKernel kernel, const double* re, const double* im, size_t count, float* power, float* phase);
