// The spectral analysis on the synthetic vocal folds: edges moving at 250 Hz (bin 16 of 256 at
// 4000 frames/s) with a phase lag down the rows, over a still, slightly noisy background.
#include "analysis/PixelColour.h"
#include "analysis/SpectrumStore.h"

#include "support/TestSupport.h"
#include "tools/DemoSequence.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr double kPi = 3.14159265358979323846;

class DemoSpectra : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scratch_ = new TScratch;
        parameters_.width = 96;
        parameters_.frames = 300;
        const QString bld = scratch_->Path(QStringLiteral("demo.bld"));
        WriteDemoSequence(bld, parameters_);
        sequence_ = new TSequence;
        sequence_->SetFileName(bld);
        sequence_->ReadSequenceFiles();
        store_ = new TSpectrumStore(*sequence_);
        store_->ColorizeSweep(nullptr, 2);
    }
    static void TearDownTestSuite()
    {
        delete store_;
        delete sequence_;
        delete scratch_;
    }

    // The column of row y's left fold edge: the pixel that swings most at the fundamental.
    static int32_t LeftEdge(int32_t y)
    {
        int32_t best = 0;
        for (int32_t x = 0; x < parameters_.width / 2; ++x)
            if (store_->SpectrumValid(y, x) && store_->Power(kBin, y, x) > store_->Power(kBin, y, best))
                best = x;
        return best;
    }

    static constexpr int32_t kBin = 16;
    static inline TDemoParameters parameters_;
    static inline TScratch* scratch_ = nullptr;
    static inline TSequence* sequence_ = nullptr;
    static inline TSpectrumStore* store_ = nullptr;
};

}  // namespace

TEST_F(DemoSpectra, FoldEdgePixelPeaksAtTheFundamental)
{
    const TSpectrumStore& store = *store_;
    EXPECT_EQ(store.BinFrequency(kBin), 250.0);
    for (int32_t y : {30, 64, 100}) {
        const int32_t x = LeftEdge(y);
        int32_t peak = 1;
        for (int32_t k = 1; k < 128; ++k)
            if (store.Power(k, y, x) > store.Power(peak, y, x))
                peak = k;
        EXPECT_EQ(peak, kBin) << "row " << y << " column " << x;
        EXPECT_GT(store.Power(kBin, y, x), -25.0f);
    }
}

TEST_F(DemoSpectra, ColorizingAtTheFundamentalColoursTheEdgesOnly)
{
    store_->SetSelectedFrequency(250);
    ASSERT_EQ(store_->SelectedBin(), kBin);
    // The demo's noise puts the background at about −49 dB at the fundamental, right at the
    // default low level (−50); with the levels above the noise floor it must stay grey.
    TColourSettings levels;
    levels.loSat = -40;
    levels.hiSat = -20;
    const TPixelColour colour(*store_, levels);
    TRenderSettings settings;
    settings.colourer = &colour;
    TFrameRenderer renderer;
    QImage picture;
    RenderCachedFrame(renderer, sequence_->Cache(), 0, settings, picture);

    auto redExcess = [&](int32_t x, int32_t y) {
        const QRgb p = picture.pixel(x, y);
        return qRed(p) - qGreen(p);
    };
    for (int32_t y : {30, 64, 100})
        EXPECT_GT(redExcess(LeftEdge(y), y), 40) << "row " << y;
    // The still background above the folds: grey, but for the rounding of a hint of tint.
    for (int32_t y = 0; y < parameters_.foldTop - 2; ++y)
        for (int32_t x = 0; x < parameters_.width; ++x) {
            ASSERT_TRUE(store_->SpectrumValid(y, x));
            ASSERT_LE(std::abs(redExcess(x, y)), 2) << x << "," << y;
        }
}

TEST_F(DemoSpectra, PhaseAsHueShowsTheTravellingWave)
{
    // Down the left edge the phase at the fundamental follows the lag, π/96 per row.
    const int32_t top = 30;
    TColourSettings settings;
    settings.showPhase = true;
    settings.referenceRow = top;
    settings.referenceColumn = LeftEdge(top);
    const double reference = store_->Phase(kBin, top, settings.referenceColumn);
    double sumRow = 0, sumPhase = 0, sumRowRow = 0, sumRowPhase = 0;
    int count = 0;
    double unwrapped = 0, previous = reference;
    for (int32_t y = top; y <= 94; ++y) {
        double phase = store_->Phase(kBin, y, LeftEdge(y));
        double step = phase - previous;
        step -= 2 * kPi * std::round(step / (2 * kPi));
        unwrapped += step;
        previous = phase;
        const double r = y - top;
        sumRow += r;
        sumPhase += unwrapped;
        sumRowRow += r * r;
        sumRowPhase += r * unwrapped;
        ++count;
    }
    const double slope = (count * sumRowPhase - sumRow * sumPhase) / (count * sumRowRow - sumRow * sumRow);
    EXPECT_NEAR(std::fabs(slope), parameters_.phaseLagPerRow, 0.2 * parameters_.phaseLagPerRow);

    // And the hue the colour rule takes from it spreads along the rows.
    const double hueTop = ColourHue(store_->Phase(kBin, top, LeftEdge(top)), reference);
    const double hueLow = ColourHue(store_->Phase(kBin, 94, LeftEdge(94)), reference);
    const double spread = std::fabs(hueLow - hueTop);
    EXPECT_NEAR(std::min(spread, 1 - spread), 64 * parameters_.phaseLagPerRow / (2 * kPi), 0.05);
}
