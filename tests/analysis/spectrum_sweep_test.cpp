// The colorizing sweep stores exactly what the pixel-by-pixel path stores, bit for bit, on every
// instruction set and with two threads; and it reports rows as the main window needs them.
#include "analysis/SpectrumStore.h"

#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

namespace {

constexpr double kPi = 3.14159265358979323846;

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x9E3779B1u ^ b * 0x85EBCA77u ^ c * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 13;
    return h;
}

// Pixels of every kind the sweep must get right: noise, sinusoids at many bins, constant
// pixels, periodic patterns whose spectra hold exact zeros (the −3250 floor) and bins with
// Re < 0, Im = 0 (phase −π), and full-scale jumps.
uint8_t Mixed(int32_t f, int32_t y, int32_t x)
{
    switch ((x + 3 * y) % 6) {
    case 0:
        return uint8_t(60 + Hash(f, y, x) % 41);
    case 1:
        return uint8_t(std::lround(120 + 70 * std::sin(2 * kPi * (3 + x % 50) * f / 256 + y) + Hash(f, y, x) % 5));
    case 2:
        return 77;
    case 3:
        return f % 2 ? 20 : 10;
    case 4:
        return f % 4 < 2 ? 10 : 20;
    default:
        return Hash(f, y, x) % 3 == 0 ? 255 : 0;
    }
}

std::unique_ptr<TSequence> OpenMixed(const TScratch& scratch, int32_t width, int32_t height)
{
    const QString bld = WriteFrames(scratch, QStringLiteral("m.bld"), width, height, 600, Mixed);
    scratch.WriteText(QStringLiteral("m.par"),
                      QStringLiteral("RESOLUTION: %1x%2\nFRAMES/S: 4000\nFRAMES: 600\n").arg(width).arg(height));
    auto sequence = std::make_unique<TSequence>();
    sequence->SetFileName(bld);
    sequence->ReadSequenceFiles();
    return sequence;
}

struct TEngineSetup {
    const char* name;
    int32_t length;
    TFFTWindow window;
    double left, right;
    bool subtractMean;
};

void Configure(TSpectrumStore& store, const TEngineSetup& setup)
{
    store.SetSpectrumLength(setup.length);
    store.Fft().SetWindow(setup.window);
    store.Fft().Setwindowleftskew(setup.left);
    store.Fft().Setwindowrightskew(setup.right);
    store.Fft().SetSubtractMean(setup.subtractMean);
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every pixel of `swept` holds what ComputePixelSpectrum put into `single`.
void ExpectSameStore(const TSpectrumStore& single, const TSpectrumStore& swept, const std::string& what)
{
    for (int32_t y = 0; y < single.Height(); ++y)
        for (int32_t x = 0; x < single.Width(); ++x) {
            ASSERT_EQ(single.SpectrumValid(y, x), swept.SpectrumValid(y, x)) << what << " at " << x << "," << y;
            if (!single.SpectrumValid(y, x))
                continue;
            for (int32_t k = 0; k < single.SpectrumLength(); ++k) {
                ASSERT_TRUE(SameBits(single.Power(k, y, x), swept.Power(k, y, x)))
                    << what << " power " << single.Power(k, y, x) << " vs " << swept.Power(k, y, x) << " bin " << k
                    << " at " << x << "," << y;
                ASSERT_TRUE(SameBits(single.Phase(k, y, x), swept.Phase(k, y, x)))
                    << what << " phase " << single.Phase(k, y, x) << " vs " << swept.Phase(k, y, x) << " bin "
                    << k << " at " << x << "," << y;
            }
        }
}

std::vector<TSweepKernel> Kernels()
{
    std::vector<TSweepKernel> kernels;
    for (TSweepKernel kernel : {TSweepKernel::baseline, TSweepKernel::avx2, TSweepKernel::avx512})
        if (SweepKernelAvailable(kernel))
            kernels.push_back(kernel);
    return kernels;
}

}  // namespace

TEST(SpectrumSweep, StoresExactlyWhatThePixelByPixelPathStores)
{
    TScratch scratch;
    // 37 columns: full blocks, a partial block and a partial lane group.
    auto sequence = OpenMixed(scratch, 37, 5);
    const TEngineSetup setups[] = {
        {"Hamming 256", 256, TFFTWindow::Hamming, 0.5, 0.5, true},
        {"Hamming 300 (zero padding, W not a power of two)", 300, TFFTWindow::Hamming, 0.5, 0.5, true},
        {"skewed Bartlett, no mean removal", 256, TFFTWindow::Bartlett, 0.3, 0.6, false},
        {"rectangle 64", 64, TFFTWindow::rectangle, 0.5, 0.5, true},
        {"Hanning 3 (N = 4)", 3, TFFTWindow::Hanning, 0.5, 0.5, true},
        {"Blackman 2", 2, TFFTWindow::Blackman, 0.5, 0.5, true},
    };
    for (const TEngineSetup& setup : setups) {
        TSpectrumStore single(*sequence);
        Configure(single, setup);
        for (int32_t y = 0; y < sequence->Height(); ++y)
            for (int32_t x = 0; x < sequence->Width(); ++x)
                single.ComputePixelSpectrum(x, y);
        for (TSweepKernel kernel : Kernels())
            for (int threads : {1, 2}) {
                TSpectrumStore swept(*sequence);
                Configure(swept, setup);
                swept.ColorizeSweep(nullptr, threads, kernel);
                ExpectSameStore(single, swept,
                                std::string(setup.name) + ", " + SweepKernelName(kernel) + ", " +
                                    std::to_string(threads) + " thread(s)");
            }
    }
}

TEST(SpectrumSweep, PeriodicPixelsAtLengthsThatAreNoPowerOfTwo)
{
    // Periods 2 … 7 at 100, 129 (N = 256) and 777 (N = 1024, a longer block than the default).
    TScratch scratch;
    const auto periodic = [](int32_t f, int32_t y, int32_t x) {
        const int32_t period = 2 + (x + y) % 6;
        return uint8_t(f % period * (30 + x) % 256);
    };
    const QString bld = WriteFrames(scratch, QStringLiteral("p.bld"), 19, 2, 800, periodic);
    scratch.WriteText(QStringLiteral("p.par"), QStringLiteral("RESOLUTION: 19x2\nFRAMES/S: 1000\nFRAMES: 800\n"));
    TSequence sequence;
    sequence.SetFileName(bld);
    sequence.ReadSequenceFiles();
    sequence.SetCacheSize(800);
    sequence.LoadFrames(0);
    for (const int32_t length : {100, 129, 777}) {
        const TEngineSetup setup{"periodic", length, TFFTWindow::Hamming, 0.5, 0.5, true};
        TSpectrumStore single(sequence);
        Configure(single, setup);
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 19; ++x)
                single.ComputePixelSpectrum(x, y);
        for (TSweepKernel kernel : Kernels())
            for (int threads : {1, 2}) {
                TSpectrumStore swept(sequence);
                Configure(swept, setup);
                swept.ColorizeSweep(nullptr, threads, kernel);
                ExpectSameStore(single, swept,
                                "length " + std::to_string(length) + ", " + SweepKernelName(kernel) + ", " +
                                    std::to_string(threads) + " thread(s)");
            }
    }
}

TEST(SpectrumSweep, CoversTheFloorAndTheMinusPiPhase)
{
    TScratch scratch;
    auto sequence = OpenMixed(scratch, 32, 3);  // whole blocks: the streaming stores
    TSpectrumStore single(*sequence);
    TSpectrumStore swept(*sequence);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 32; ++x)
            single.ComputePixelSpectrum(x, y);
    swept.ColorizeSweep(nullptr, 2);
    ExpectSameStore(single, swept, "whole blocks");
    int floors = 0, minusPi = 0;
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 32; ++x)
            for (int32_t k = 0; k < 256 && swept.SpectrumValid(y, x); ++k) {
                floors += swept.Power(k, y, x) == -3250.0f;
                minusPi += swept.Phase(k, y, x) == float(-kPi);
            }
    EXPECT_GT(floors, 0);
    EXPECT_GT(minusPi, 0);
}

TEST(SpectrumSweep, VectorDecisionsEqualLibmOnAnyBinValue)
{
    // The vector path decides a float only when it is certain; compare with the scalar rule over
    // values far outside what pixels produce, and the special cases.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponent(-330, 310), unit(-1, 1);
    std::vector<double> re, im;
    for (int i = 0; i < 200000; ++i) {
        const double scale = std::pow(10.0, exponent(random));
        re.push_back(unit(random) * scale);
        im.push_back(unit(random) * scale * (i % 5 == 0 ? std::pow(10.0, exponent(random) / 20) : 1));
    }
    const double specials[] = {0.0, -0.0, 1.0, -1.0, 5e-324, -5e-324, 1e-310, 1e300, -1e300,
                               std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                               0x1p-30, 0x1p30, 0.41421356237309503, 0.19891236737965800, 0.66817863791929891};
    for (double a : specials)
        for (double b : specials) {
            re.push_back(a);
            im.push_back(b);
        }
    for (TSweepKernel kernel : Kernels()) {
        std::vector<float> power(re.size()), phase(re.size());
        SweepBinValues(kernel, re.data(), im.data(), re.size(), power.data(), phase.data());
        for (size_t i = 0; i < re.size(); ++i) {
            ASSERT_TRUE(SameBits(power[i], float(TFFT::PowerDB(re[i], im[i]))))
                << SweepKernelName(kernel) << " power of " << re[i] << ", " << im[i];
            ASSERT_TRUE(SameBits(phase[i], float(TFFT::Phase(re[i], im[i]))))
                << SweepKernelName(kernel) << " phase of " << re[i] << ", " << im[i];
        }
    }
}

TEST(SpectrumSweep, ReportsEveryRowInOrderOnTheCallingThread)
{
    TScratch scratch;
    auto sequence = OpenMixed(scratch, 24, 9);
    TSpectrumStore store(*sequence);
    store.ComputePixelSpectrum(0, 4);  // already valid: left as it is
    const float before = store.Power(5, 4, 0);
    std::vector<int32_t> rows;
    const std::thread::id caller = std::this_thread::get_id();
    bool elsewhere = false;
    store.ColorizeSweep(
        [&](int32_t y) {
            rows.push_back(y);
            elsewhere |= std::this_thread::get_id() != caller;
            // The row is in the store when it is reported.
            for (int32_t x = 0; x < 24; ++x) {
                if (Mixed(0, y, x) != 77) {
                    ASSERT_TRUE(store.SpectrumValid(y, x)) << x << "," << y;
                }
            }
        },
        2);
    EXPECT_FALSE(elsewhere);
    ASSERT_EQ(rows.size(), 9u);
    for (int32_t y = 0; y < 9; ++y)
        EXPECT_EQ(rows[size_t(y)], y);
    EXPECT_EQ(store.Power(5, 4, 0), before);
    EXPECT_FALSE(store.SpectrumValid(0, 2));  // constant
}

TEST(SpectrumSweep, EndsWhenTheBlockChangesUnderIt)
{
    TScratch scratch;
    auto sequence = OpenMixed(scratch, 24, 9);
    TSpectrumStore store(*sequence);
    int reports = 0;
    store.ColorizeSweep(
        [&](int32_t y) {
            ++reports;
            if (y == 2)
                sequence->LoadFrames(100);
        },
        2);
    EXPECT_EQ(reports, 3);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 24; ++x)
            ASSERT_FALSE(store.SpectrumValid(y, x));
}

TEST(SpectrumSweep, GoesOnAloneWhenARowReportComputesASpectrum)
{
    // The point spectrum may be drawn while the image re-renders after a row.
    TScratch scratch;
    auto sequence = OpenMixed(scratch, 24, 9);
    TSpectrumStore single(*sequence);
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 24; ++x)
            single.ComputePixelSpectrum(x, y);
    TSpectrumStore swept(*sequence);
    int reports = 0;
    swept.ColorizeSweep(
        [&](int32_t y) {
            ++reports;
            if (y == 1)
                swept.ComputePixelSpectrum(7, 6);
        },
        2);
    EXPECT_EQ(reports, 9);
    ExpectSameStore(single, swept, "interrupted");
}

TEST(SpectrumSweep, KeepsOneBinExactlyAsThePixelPathComputesIt)
{
    // The bins at the ends of the spectrum, beside N/2 and mirrored ones (S = 300, N = 512: bins
    // 257 … 299 come from their partners), on every instruction set, against the pixel path
    // keeping the same bin.
    TScratch scratch;
    auto sequence = OpenMixed(scratch, 37, 3);
    const TEngineSetup setup{"Hamming 300", 300, TFFTWindow::Hamming, 0.5, 0.5, true};
    for (const int32_t bin : {0, 1, 255, 256, 257, 299}) {
        TSpectrumStore pixels(*sequence);
        Configure(pixels, setup);
        pixels.HoldOnlyBin(bin);
        ASSERT_EQ(pixels.Bins(), 1);
        ASSERT_TRUE(pixels.HoldsBin(bin));
        ASSERT_FALSE(pixels.HoldsBin(bin == 0 ? 1 : bin - 1));
        for (int32_t y = 0; y < sequence->Height(); ++y)
            for (int32_t x = 0; x < sequence->Width(); ++x)
                pixels.ComputePixelSpectrum(x, y);
        EXPECT_EQ(pixels.Power(bin == 0 ? 1 : 0, 2, 1), 0.0f);  // other bins are not held
        for (TSweepKernel kernel : Kernels()) {
            TSpectrumStore one(*sequence);
            Configure(one, setup);
            one.HoldOnlyBin(bin);
            one.ColorizeSweep(nullptr, 2, kernel);
            for (int32_t y = 0; y < sequence->Height(); ++y)
                for (int32_t x = 0; x < sequence->Width(); ++x) {
                    ASSERT_EQ(pixels.SpectrumValid(y, x), one.SpectrumValid(y, x));
                    ASSERT_TRUE(SameBits(pixels.Power(bin, y, x), one.Power(bin, y, x)))
                        << SweepKernelName(kernel) << " bin " << bin << " at " << x << "," << y;
                    ASSERT_TRUE(SameBits(pixels.Phase(bin, y, x), one.Phase(bin, y, x)))
                        << SweepKernelName(kernel) << " bin " << bin << " at " << x << "," << y;
                }
        }
        // A new length holds bins 0 … N/2 again.
        pixels.SetSpectrumLength(200);
        EXPECT_EQ(pixels.FirstBin(), 0);
        EXPECT_EQ(pixels.Bins(), 129);
    }
}
