// A store of many bins colorized for the selected bin first: whatever is read afterwards, while
// the other bins are filled in the background or after the sweep was cancelled, is bit for bit
// what the pixel-by-pixel path computes; never a zero, never a value of an older block.
#include "analysis/SpectrumStore.h"

#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Noise, tones at many bins (a different one per column), constant pixels and a two-frame
// flicker; frames 0 … 255 and 100 … 355 differ everywhere but in the constant pixels.
uint8_t Pixel(int32_t f, int32_t y, int32_t x)
{
    const uint32_t h = (uint32_t(f) * 2654435761u) ^ (uint32_t(y * 131 + x) * 40503u);
    switch ((x + 2 * y) % 5) {
    case 0:
        return uint8_t(60 + (h >> 9) % 71);
    case 1:
        return uint8_t(std::lround(128 + 80 * std::sin(2 * kPi * (5 + x % 90) * f / 256.0 + y)));
    case 2:
        return 42;
    case 3:
        return f % 2 ? 190 : 35;
    default:
        return uint8_t(std::lround(110 + 60 * std::cos(2 * kPi * (1 + y % 40) * f / 200.0) + (h >> 13) % 7));
    }
}

std::unique_ptr<TSequence> Open(const TScratch& scratch, int32_t width, int32_t height)
{
    const QString bld = WriteFrames(scratch, QStringLiteral("f.bld"), width, height, 600, Pixel);
    scratch.WriteText(QStringLiteral("f.par"),
                      QStringLiteral("RESOLUTION: %1x%2\nFRAMES/S: 4000\nFRAMES: 600\n").arg(width).arg(height));
    auto sequence = std::make_unique<TSequence>();
    sequence->SetFileName(bld);
    sequence->ReadSequenceFiles();
    return sequence;
}

// The pixel path: one TFFT transform per pixel, every bin the store holds.
std::unique_ptr<TSpectrumStore> PixelByPixel(const TSequence& sequence, int32_t selectedBin)
{
    auto store = std::make_unique<TSpectrumStore>(sequence);
    store->SetSelectedBin(selectedBin);
    for (int32_t y = 0; y < sequence.Height(); ++y)
        for (int32_t x = 0; x < sequence.Width(); ++x)
            store->ComputePixelSpectrum(x, y);
    return store;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Row y of `store` read bin by bin, every pixel, against the pixel path.
void ExpectRow(const TSpectrumStore& expected, const TSpectrumStore& store, int32_t y, const std::string& what)
{
    for (int32_t x = 0; x < store.Width(); ++x) {
        ASSERT_EQ(expected.SpectrumValid(y, x), store.SpectrumValid(y, x)) << what << " at " << x << "," << y;
        for (int32_t k = 0; k < store.SpectrumLength(); ++k) {
            ASSERT_TRUE(SameBits(expected.Power(k, y, x), store.Power(k, y, x)))
                << what << " power " << expected.Power(k, y, x) << " vs " << store.Power(k, y, x) << " bin " << k
                << " at " << x << "," << y;
            ASSERT_TRUE(SameBits(expected.Phase(k, y, x), store.Phase(k, y, x)))
                << what << " phase, bin " << k << " at " << x << "," << y;
        }
    }
}

}  // namespace

TEST(SpectrumFill, SelectedBinFirstThenEveryBinAsThePixelPath)
{
    // 37 columns: whole blocks of 16, a partial one and a partial lane group. Bin 0, an inner
    // bin and N/2 (the last held).
    TScratch scratch;
    auto sequence = Open(scratch, 37, 12);
    for (const int32_t bin : {0, 16, 128}) {
        const auto expected = PixelByPixel(*sequence, bin);
        for (int threads : {1, 2}) {
            const std::string what = "bin " + std::to_string(bin) + ", " + std::to_string(threads) + " thread(s)";
            TSpectrumStore store(*sequence);
            store.SetSelectedBin(bin);
            ASSERT_EQ(store.Bins(), 129);
            std::vector<int32_t> pendingWhenReported;
            store.ColorizeSweep([&](int32_t) { pendingWhenReported.push_back(store.RowsToFill()); }, threads);
            // Each row reported holds its selected bin only, so far: nothing was filled while
            // the sweep ran.
            ASSERT_EQ(pendingWhenReported.size(), 12u);
            for (int32_t y = 0; y < 12; ++y)
                EXPECT_EQ(pendingWhenReported[size_t(y)], y + 1) << what;
            // The selected bin reads at once; then every bin, rows from the bottom up (against
            // the fill, which goes down), part of them through the row pointers.
            for (int32_t y = 0; y < 12; ++y)
                for (int32_t x = 0; x < 37; ++x)
                    ASSERT_TRUE(SameBits(expected->Power(bin, y, x), store.Power(bin, y, x))) << what;
            for (int32_t y = 11; y >= 0; --y) {
                if (y % 3 == 0) {
                    const float* power = store.PowerRow(y);
                    const float* phase = store.PhaseRow(y);
                    for (int32_t k = 0; k < store.Bins(); ++k)
                        for (int32_t x = 0; x < 37; ++x)
                            if (expected->SpectrumValid(y, x)) {
                                ASSERT_TRUE(SameBits(expected->Power(k, y, x), power[k * 37 + x])) << what;
                                ASSERT_TRUE(SameBits(expected->Phase(k, y, x), phase[k * 37 + x])) << what;
                            }
                }
                ExpectRow(*expected, store, y, what);
            }
            store.WaitForFill();
            EXPECT_EQ(store.RowsToFill(), 0);
        }
    }
}

TEST(SpectrumFill, ReadsDuringTheBackgroundFillSeeOnlyTheNewBlocksValues)
{
    // The store first holds every bin of block 0; the block moves, and the sweep of the new
    // block computes bin 20 first over memory that still holds the old spectra. Reads race the
    // fill on its threads, row by row from the bottom and the top alternately.
    TScratch scratch;
    auto sequence = Open(scratch, 96, 40);
    TSpectrumStore store(*sequence);
    store.SetSelectedBin(20);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 96; ++x)
            store.ComputePixelSpectrum(x, y);
    sequence->LoadFrames(100);
    ASSERT_FALSE(store.SpectrumValid(0, 0));
    const auto expected = PixelByPixel(*sequence, 20);
    store.ColorizeSweep(nullptr, 2);
    for (int32_t i = 0; i < 40; ++i) {
        const int32_t y = i % 2 ? i / 2 : 39 - i / 2;
        ExpectRow(*expected, store, y, "after the block moved");
    }
    EXPECT_EQ(store.RowsToFill(), 0);
}

TEST(SpectrumFill, ACancelledSweepLeavesEveryRowSound)
{
    // The sweep stops after row 3; a point spectrum is asked for in row 6 on the way (a row the
    // helper may have computed for its one bin already). Rows reported and that pixel hold every
    // bin; the rest is invalid. A second sweep at another bin completes the store.
    TScratch scratch;
    auto sequence = Open(scratch, 37, 12);
    const auto expected = PixelByPixel(*sequence, 16);
    for (int repeat = 0; repeat < 5; ++repeat) {
        TSpectrumStore store(*sequence);
        store.SetSelectedBin(16);
        store.ColorizeSweep(
            [&](int32_t y) {
                if (y == 1)
                    store.ComputePixelSpectrum(1, 6);
                if (y == 3)
                    store.CancelSweep();
            },
            2);
        for (int32_t y = 0; y < 12; ++y)
            for (int32_t x = 0; x < 37; ++x) {
                const bool kept = y <= 3 || (y == 6 && x == 1);
                ASSERT_EQ(store.SpectrumValid(y, x), kept && expected->SpectrumValid(y, x)) << x << "," << y;
                for (int32_t k = 0; k < store.Bins(); ++k) {
                    // A pixel not kept reads 0, or its own value where its row was computed but
                    // not reported; never memory that was not written.
                    const float power = store.Power(k, y, x);
                    const float phase = store.Phase(k, y, x);
                    const bool zero = !kept && SameBits(power, 0.0f) && SameBits(phase, 0.0f);
                    ASSERT_TRUE(zero || (SameBits(expected->Power(k, y, x), power) &&
                                         SameBits(expected->Phase(k, y, x), phase)))
                        << "bin " << k << " at " << x << "," << y;
                }
            }
        store.SetSelectedBin(40);
        store.ColorizeSweep(nullptr, 2);
        for (int32_t y = 11; y >= 0; --y)
            ExpectRow(*expected, store, y, "completed at another bin");
    }
}

TEST(SpectrumFill, WideningWhileRowsWaitKeepsEveryBin)
{
    // A bin above N/2 selected before the fill is done: the rows are completed, then widened.
    TScratch scratch;
    auto sequence = Open(scratch, 37, 12);
    const auto expected = PixelByPixel(*sequence, 200);
    ASSERT_EQ(expected->Bins(), 256);
    TSpectrumStore store(*sequence);
    store.SetSelectedBin(16);
    store.ColorizeSweep(nullptr, 2);
    store.SetSelectedBin(200);
    ASSERT_EQ(store.Bins(), 256);
    for (int32_t y = 0; y < 12; ++y)
        ExpectRow(*expected, store, y, "widened");
}
