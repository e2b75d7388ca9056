// TFFT against a direct DFT and closed forms worked out here, not against its own formulas.
#include "analysis/CFFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Hamming as the textbook writes it: 0.54 − 0.46·cos(2πn/(W − 1)).
long double Hamming(int n, int w) { return 0.54L - 0.46L * std::cos(2 * 3.14159265358979323846264L * n / (w - 1)); }

// Σ (x[n] − mean)·w[n]·e^{+j2πnk/N} / W in long double.
std::complex<long double> DirectBin(const tdoublearr& x, int n, int k)
{
    long double mean = 0;
    for (double v : x)
        mean += v;
    mean /= x.size();
    std::complex<long double> sum = 0;
    const int w = int(x.size());
    for (int i = 0; i < w; ++i) {
        const long double angle = 2 * 3.14159265358979323846264L * i * k / n;
        sum += (x[size_t(i)] - mean) * Hamming(i, w) * std::complex<long double>(std::cos(angle), std::sin(angle));
    }
    return sum / (long double)w;
}

tdoublearr Cosine(int length, double cycles, double amplitude, double phase = 0)
{
    tdoublearr x(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i)
        x[size_t(i)] = amplitude * std::cos(2 * kPi * cycles * i / length + phase);
    return x;
}

}  // namespace

TEST(FftEngine, StartsWithTheDocumentedDefaults)
{
    TFFT fft;
    EXPECT_EQ(fft.LogFFTSize(), 8);
    EXPECT_EQ(fft.FFTSize(), 256);
    EXPECT_EQ(fft.WindowSize(), 256);
    EXPECT_EQ(fft.Window(), TFFTWindow::Hamming);
    EXPECT_EQ(fft.windowleftskew(), 0.5);
    EXPECT_EQ(fft.windowrightskew(), 0.5);
    EXPECT_TRUE(fft.SubtractMean());
    EXPECT_TRUE(fft.RealInput());
}

TEST(FftEngine, SizesRoundUpToPowersOfTwoAndRefuseOutOfRange)
{
    TFFT fft;
    fft.SetFFTSize(2);
    EXPECT_EQ(fft.FFTSize(), 2);
    EXPECT_EQ(fft.LogFFTSize(), 1);
    fft.SetFFTSize(257);
    EXPECT_EQ(fft.FFTSize(), 512);
    fft.SetFFTSize(256);
    EXPECT_EQ(fft.FFTSize(), 256);
    fft.SetFFTSize(1048576);
    EXPECT_EQ(fft.FFTSize(), 1048576);
    fft.SetFFTSize(256);

    try {
        fft.SetFFTSize(1);
        FAIL() << "no error";
    } catch (const EFFTError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("FFT size out of range (1)"));
    }
    EXPECT_THROW(fft.SetFFTSize(1048577), EFFTError);
    EXPECT_EQ(fft.FFTSize(), 256);
    EXPECT_EQ(fft.WindowSize(), 256);

    try {
        fft.SetWindowSize(1);
        FAIL() << "no error";
    } catch (const EFFTError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Window size out of range"));
    }
    EXPECT_EQ(fft.WindowSize(), 256);

    // LogFFTSize outside 2 … 20 is ignored; inside it leaves the window size alone.
    fft.SetLogFFTSize(1);
    fft.SetLogFFTSize(21);
    EXPECT_EQ(fft.FFTSize(), 256);
    fft.SetLogFFTSize(10);
    EXPECT_EQ(fft.FFTSize(), 1024);
    EXPECT_EQ(fft.WindowSize(), 256);

    // A window longer than the FFT grows the FFT.
    fft.SetWindowSize(1500);
    EXPECT_EQ(fft.FFTSize(), 2048);
}

TEST(FftEngine, SeriesLengthSetsBothSizesAndZeroPads)
{
    TFFT fft;
    tdoublearr x = Cosine(257, 20, 1);
    fft.SetData(x);
    EXPECT_EQ(fft.WindowSize(), 257);
    EXPECT_EQ(fft.FFTSize(), 512);
    EXPECT_EQ(fft.GetPowerDB().size(), 512u);
    const tdoublearr& w = fft.WindowTable();
    ASSERT_EQ(w.size(), 512u);
    for (size_t i = 257; i < 512; ++i)
        ASSERT_EQ(w[i], 0.0) << i;
}

TEST(FftEngine, WindowShapes)
{
    TFFT fft;
    fft.BuildTables();
    const tdoublearr& w = fft.WindowTable();
    EXPECT_NEAR(w[0], 0.08, 1e-15);
    EXPECT_NEAR(w[255], 0.08, 1e-15);
    EXPECT_EQ(w[0], w[255]);
    EXPECT_NEAR(w[127], 0.54 + 0.46 * std::cos(kPi / 255), 1e-15);

    // Bartlett, even W: both middle samples (W − 2)/(W − 1), nothing above 1.
    fft.SetWindow(TFFTWindow::Bartlett);
    for (int size : {8, 256}) {
        fft.SetWindowSize(size);
        fft.SetFFTSize(size);
        fft.BuildTables();
        const tdoublearr& b = fft.WindowTable();
        const double middle = double(size - 2) / (size - 1);
        EXPECT_NEAR(b[size_t(size / 2 - 1)], middle, 1e-15);
        EXPECT_NEAR(b[size_t(size / 2)], middle, 1e-15);
        EXPECT_EQ(b[0], 0.0);
        for (int i = 0; i < size; ++i)
            ASSERT_LE(b[size_t(i)], 1.0);
    }
    // Odd W reaches 1 in the middle.
    fft.SetWindowSize(9);
    fft.SetFFTSize(16);
    fft.BuildTables();
    EXPECT_EQ(fft.WindowTable()[4], 1.0);

    fft.SetWindowSize(256);
    fft.SetFFTSize(256);
    fft.SetWindow(TFFTWindow::Hanning);
    EXPECT_NEAR(fft.WindowTable()[0], 0.0, 1e-15);
    EXPECT_NEAR(fft.WindowTable()[128], 0.5 * (1 - std::cos(2 * kPi * 128 / 255)), 1e-15);
    fft.SetWindow(TFFTWindow::Blackman);
    EXPECT_NEAR(fft.WindowTable()[0], 0.0, 1e-15);
    fft.SetWindow(TFFTWindow::rectangle);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(fft.WindowTable()[size_t(i)], 1.0);
}

TEST(FftEngine, SkewedWindowRisesToAFlatTopBetweenTheFractions)
{
    TFFT fft;
    fft.Setwindowleftskew(0.25);
    fft.Setwindowrightskew(0.75);
    const tdoublearr& w = fft.WindowTable();
    // Hamming of σ: the rising half squeezed into the first quarter, 1 on the flat top.
    EXPECT_NEAR(w[0], 0.08, 1e-15);
    EXPECT_EQ(w[255], w[0]);
    const double theta = 2 * kPi * 30 / 255;  // inside the first quarter: σ = θ·0.5/0.25
    EXPECT_NEAR(w[30], 0.54 - 0.46 * std::cos(2 * theta), 1e-14);
    for (int i = 64; i <= 191; ++i)
        ASSERT_NEAR(w[size_t(i)], 1.0, 1e-15) << i;
    // The rectangle ignores the skews.
    fft.SetWindow(TFFTWindow::rectangle);
    EXPECT_EQ(w[0], 1.0);
}

TEST(FftEngine, BinFrequencySinusoidPeaksWithTheCoherentGain)
{
    // A cosine of amplitude A at bin k0: X[k0] = (A/2)·Σw/W, Σw/W being Hamming's coherent gain
    // for W = 256, 0.54 − 0.46·(1/256) (the cosines over 0 … 255 sum to cos 2π = 1).
    TFFT fft;
    const double amplitude = 0.2;
    const int k0 = 40;
    tdoublearr x = Cosine(256, k0, amplitude);
    fft.SetData(x);
    const tdoublearr& power = fft.GetPowerDB();
    int peak = 1;
    for (int k = 1; k < 128; ++k)
        if (power[size_t(k)] > power[size_t(peak)])
            peak = k;
    EXPECT_EQ(peak, k0);
    const double gain = 0.54 - 0.46 / 256;
    EXPECT_NEAR(power[size_t(k0)], 20 * std::log10(amplitude / 2 * gain), 0.01);
    // The mirror bin carries the same power.
    EXPECT_NEAR(power[size_t(256 - k0)], power[size_t(k0)], 1e-9);

    // Every bin agrees with the direct DFT, power and phase.
    const tdoublearr& phase = fft.GetPhase();
    for (int k = 0; k < 256; ++k) {
        const std::complex<long double> direct = DirectBin(x, 256, k);
        const long double p = std::norm(direct);
        if (p < 1e-16L)
            continue;  // sidelobes deep enough for rounding noise to show
        ASSERT_NEAR(power[size_t(k)], double(10 * std::log10(p)), 1e-6) << k;
        if (p > 1e-12L) {
            ASSERT_NEAR(phase[size_t(k)], double(std::arg(direct)), 1e-6) << k;
        }
    }
}

TEST(FftEngine, PaddedSeriesWithAMeanMatchesTheDirectTransform)
{
    // 300 samples (N = 512, 212 zeros) around 100: the mean comes off over the 300 samples only,
    // the window spans 300 and the result is divided by 300, never by 512.
    tdoublearr x(300);
    for (int i = 0; i < 300; ++i)
        x[size_t(i)] = 100 + 7 * std::cos(2 * kPi * 37.3 * i / 512) + (i * 7919 % 13) * 0.25;
    TFFT fft;
    fft.SetData(x);
    ASSERT_EQ(fft.FFTSize(), 512);
    const tdoublearr power = fft.GetPowerDB();
    const tdoublearr& phase = fft.GetPhase();
    for (int k = 0; k < 512; ++k) {
        const std::complex<long double> direct = DirectBin(x, 512, k);
        const long double p = std::norm(direct);
        ASSERT_GT(p, 1e-12L) << k;
        ASSERT_NEAR(power[size_t(k)], double(10 * std::log10(p)), 1e-6) << k;
        ASSERT_NEAR(phase[size_t(k)], double(std::arg(direct)), 1e-6) << k;
    }
}

TEST(FftEngine, ShiftedSinusoidShiftsThePhaseByTheShift)
{
    // With the e^{+j} kernel, cos(ωn − θ) puts +θ into bin ω: the DC-like term of the product is
    // e^{+jθ}·Σw/2.
    TFFT fft;
    tdoublearr a = Cosine(256, 24, 1);
    fft.SetData(a);
    const double phase0 = fft.GetPhase()[24];
    for (double shift : {0.5, 1.2, -2.0}) {
        tdoublearr b = Cosine(256, 24, 1, -shift);
        fft.SetData(b);
        EXPECT_NEAR(fft.GetPhase()[24] - phase0, shift, 2e-3) << shift;
    }
}

TEST(FftEngine, EqualSamplesHaveNoPowerInAnyBin)
{
    TFFT fft;
    tdoublearr x(256, 5.0);
    fft.SetData(x);
    for (double p : fft.GetPowerDB())
        ASSERT_EQ(p, -3250.0);
    for (double f : fft.GetPhase())
        ASSERT_EQ(f, 0.0);
}

TEST(FftEngine, PhaseRules)
{
    EXPECT_EQ(TFFT::Phase(-1, 0.0), -kPi);
    EXPECT_EQ(TFFT::Phase(-1, -0.0), -kPi);
    EXPECT_EQ(TFFT::Phase(2, 0), 0.0);
    EXPECT_EQ(TFFT::Phase(0, 3), kPi / 2);
    EXPECT_EQ(TFFT::Phase(0, -3), -kPi / 2);
    EXPECT_EQ(TFFT::Phase(0, 0), 0.0);
    EXPECT_NEAR(TFFT::Phase(-1, 1), 3 * kPi / 4, 1e-15);
    EXPECT_NEAR(TFFT::Phase(-1, -1), -3 * kPi / 4, 1e-15);
    EXPECT_NEAR(TFFT::Phase(1, -1), -kPi / 4, 1e-15);

    // Through a transform: a lone negative first sample, no mean removal, rectangle window,
    // gives Re = −1/W and Im = 0 in every bin.
    TFFT fft;
    fft.SetSubtractMean(false);
    fft.SetWindow(TFFTWindow::rectangle);
    tdoublearr x(8, 0.0);
    x[0] = -1;
    fft.SetData(x);
    for (double f : fft.GetPhase())
        ASSERT_EQ(f, -kPi);
    for (double p : fft.GetPowerDB())
        ASSERT_NEAR(p, 20 * std::log10(1.0 / 8), 1e-12);
}

TEST(FftEngine, PowerFloorAndFaults)
{
    EXPECT_EQ(TFFT::PowerDB(0, 0), -3250.0);
    EXPECT_EQ(TFFT::PowerDB(1e200, 0), 0.0);  // overflow: the faulting bin reads 0
    EXPECT_EQ(TFFT::PowerDB(NAN, 0), 0.0);
    EXPECT_NEAR(TFFT::PowerDB(0.1, 0), -20, 1e-12);
}

TEST(FftEngine, RecomputesOnlyAfterNewData)
{
    TFFT fft;
    tdoublearr x = Cosine(256, 10, 1);
    fft.SetData(x);
    const tdoublearr& power = fft.GetPowerDB();
    const double before = power[10];
    const double* storage = power.data();

    // The series is shared: changing it alone changes nothing until SetData.
    x = Cosine(256, 10, 0.01);
    EXPECT_EQ(fft.GetPowerDB()[10], before);
    // Size and window writes alone do not recompute either.
    fft.SetWindow(TFFTWindow::Hanning);
    fft.SetFFTSize(512);
    EXPECT_EQ(fft.GetPowerDB().size(), 256u);
    EXPECT_EQ(fft.GetPowerDB()[10], before);
    fft.SetFFTSize(256);
    fft.SetWindow(TFFTWindow::Hamming);

    fft.SetData(x);
    EXPECT_NEAR(fft.GetPowerDB()[10], before - 40, 1e-9);
    // Same sizes: the same arrays, no new allocation.
    EXPECT_EQ(fft.GetPowerDB().data(), storage);
}

TEST(FftEngine, RefusesATransformWhileTheFftIsShorterThanTheWindow)
{
    TFFT fft;
    tdoublearr x = Cosine(256, 10, 1);
    fft.SetData(x);
    fft.SetLogFFTSize(7);
    fft.SetData(x);
    EXPECT_THROW(fft.GetPowerDB(), EFFTError);
    EXPECT_THROW(fft.GetPhase(), EFFTError);
    EXPECT_FALSE(fft.TablesReady());
    fft.SetLogFFTSize(8);
    EXPECT_NO_THROW(fft.GetPowerDB());
}
