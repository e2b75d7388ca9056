// A selected bin above N/2 is coloured and exported from its own transform, bit for bit as the
// one-bin store of the command line keeps it, however the spectra came into the store.
#include "analysis/DataTables.h"
#include "analysis/SpectrumStore.h"

#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Noise, tones near and above the half rate, a constant pixel and a two-frame flicker.
uint8_t Pixel(int32_t f, int32_t y, int32_t x)
{
    const uint32_t h = uint32_t(f) * 2654435761u ^ uint32_t(y * 97 + x) * 40503u;
    switch ((x + y) % 5) {
    case 0:
        return uint8_t(70 + (h >> 7) % 61);
    case 1:
        return uint8_t(std::lround(128 + 90 * std::sin(2 * kPi * (100 + 7 * x) * f / 256.0 + y)));
    case 2:
        return 42;
    case 3:
        return f % 2 ? 200 : 30;
    default:
        return uint8_t(std::lround(100 + 50 * std::cos(2 * kPi * (3 + x) * f / 300.0) + (h >> 11) % 9));
    }
}

std::unique_ptr<TSequence> Open(const TScratch& scratch)
{
    const QString bld = WriteFrames(scratch, QStringLiteral("h.bld"), 23, 4, 320, Pixel);
    scratch.WriteText(QStringLiteral("h.par"), QStringLiteral("RESOLUTION: 23x4\nFRAMES/S: 2000\nFRAMES: 320\n"));
    auto sequence = std::make_unique<TSequence>();
    sequence->SetFileName(bld);
    sequence->ReadSequenceFiles();
    return sequence;
}

// The command line's store: that one bin, swept.
QByteArray OneBinTable(const TSequence& sequence, int32_t length, int32_t bin)
{
    TSpectrumStore store(sequence);
    store.SetSpectrumLength(length);
    store.SetSelectedBin(bin);
    store.HoldOnlyBin(bin);
    store.ColorizeSweep(nullptr, 2);
    return ColorizeTable(store);
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(SpectrumHighBin, ColoursAndExportsABinAboveHalfAsTheOneBinStore)
{
    TScratch scratch;
    auto sequence = Open(scratch);
    // S = 256 (N = 256, half 128) and S = 300 (N = 512, half 256: bins 257 … 299 above it).
    for (const auto& [length, bin] : {std::pair{256, 129}, std::pair{256, 200}, std::pair{256, 255},
                                     std::pair{300, 257}, std::pair{300, 299}}) {
        const QByteArray expected = OneBinTable(*sequence, length, bin);
        const std::string what = "S " + std::to_string(length) + ", bin " + std::to_string(bin);

        // The bin picked first, then colorized.
        TSpectrumStore first(*sequence);
        first.SetSpectrumLength(length);
        first.SetSelectedBin(bin);
        ASSERT_TRUE(first.HoldsBin(bin)) << what;
        first.ColorizeSweep(nullptr, 2);
        EXPECT_EQ(ColorizeTable(first), expected) << what;

        // Colorized at a low bin, then the bin picked: the spectra held get the new bins.
        TSpectrumStore later(*sequence);
        later.SetSpectrumLength(length);
        later.SetSelectedBin(3);
        EXPECT_EQ(later.Bins(), std::min(length, (length == 256 ? 256 : 512) / 2 + 1)) << what;
        later.ColorizeSweep(nullptr, 2);
        const QByteArray low = ColorizeTable(later);
        later.SetSelectedBin(bin);
        ASSERT_TRUE(later.HoldsBin(bin)) << what;
        EXPECT_EQ(ColorizeTable(later), expected) << what;
        // The bins held before are the same values.
        later.SetSelectedBin(3);
        EXPECT_EQ(ColorizeTable(later), low) << what;

        // One point spectrum, the bin picked, then the rest colorized.
        TSpectrumStore point(*sequence);
        point.SetSpectrumLength(length);
        point.ComputePixelSpectrum(1, 0);
        point.SetSelectedBin(bin);
        point.ColorizeSweep(nullptr, 1);
        EXPECT_EQ(ColorizeTable(point), expected) << what;
    }
}

TEST(SpectrumHighBin, TheWidenedStoreHoldsEachBinOfItsOwnTransform)
{
    // Against the engine run by hand on each pixel's series: mean of the first S frames, the
    // relative deviation, then the engine's power and phase at every bin.
    TScratch scratch;
    auto sequence = Open(scratch);
    const int32_t length = 256;
    TSpectrumStore store(*sequence);
    store.SetSpectrumLength(length);
    store.ColorizeSweep(nullptr, 2);
    store.SetSelectedBin(length - 1);
    ASSERT_EQ(store.Bins(), length);
    TFFT fft;
    fft.SetWindowSize(length);
    fft.SetFFTSize(length);
    fft.SetRealInput(true);
    tdoublearr series(static_cast<size_t>(length));
    int checked = 0;
    for (int32_t y = 0; y < sequence->Height(); ++y)
        for (int32_t x = 0; x < sequence->Width(); ++x) {
            if ((x + y) % 5 == 2) {
                EXPECT_FALSE(store.SpectrumValid(y, x));  // constant: no spectrum
                continue;
            }
            ASSERT_TRUE(store.SpectrumValid(y, x));
            float sum = 0;
            for (int32_t f = 0; f < length; ++f)
                sum += Pixel(f, y, x);
            const double mean = double(sum) / length;
            for (int32_t f = 0; f < length; ++f)
                series[size_t(f)] = (Pixel(f, y, x) - mean) / mean;
            fft.SetData(series);
            const tdoublearr& power = fft.GetPowerDB();
            const tdoublearr& phase = fft.GetPhase();
            for (int32_t k = 0; k < length; ++k) {
                ASSERT_TRUE(SameBits(store.Power(k, y, x), float(power[size_t(k)]))) << k << " at " << x << "," << y;
                ASSERT_TRUE(SameBits(store.Phase(k, y, x), float(phase[size_t(k)]))) << k << " at " << x << "," << y;
            }
            ++checked;
        }
    EXPECT_EQ(checked, 23 * 4 - 19);
    // A new length holds bins 0 … N/2 again while the selected bin lies below.
    store.SetSelectedBin(10);
    EXPECT_EQ(store.Bins(), length);  // nothing lost until the spectra go
    store.SetSpectrumLength(128);
    EXPECT_EQ(store.Bins(), 65);
}
