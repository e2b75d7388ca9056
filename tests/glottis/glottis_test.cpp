// The glottis analysis on frames with a known glottis: the synthetic folds of the demo generator
// (glottis variant) and hand-made images and waveforms. Expected values come from the drawn
// geometry by literal formulas, or by hand.
#include "glottis/GlottisAnalysis.h"
#include "glottis/GlottisParameters.h"
#include "glottis/Phonovibrogram.h"
#include "tools/DemoSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The glottis demo's motion: 0.35 + sin φ + 0.3 sin 2φ at 230 Hz and 4000 frames/s, the same in
// every row (no lag); the gap half-width of a row is 10 · sin(π (row − 16) / 95) · max(0, motion) / 1.35.
double Motion(double frame)
{
    const double phi = 2 * kPi * 230 * frame / 4000;
    return 0.35 + std::sin(phi) + 0.3 * std::sin(2 * phi);
}
double HalfGap(int row, double frame)
{
    if (row < 16 || row > 111)
        return 0;
    return 10 * std::sin(kPi * (row - 16) / 95.0) * std::max(0.0, Motion(frame)) / 1.35;
}
// Left and right gaps are 1.1 and 0.9 of it, so the row's gap is 2 half-widths wide.
double TrueArea(double frame)
{
    double a = 0;
    for (int row = 16; row <= 111; ++row)
        a += 2 * HalfGap(row, frame);
    return a;
}

struct TDemoFrames {
    TDemoParameters p = GlottisDemoParameters();
    std::map<int32_t, std::vector<uint8_t>> frames;
    const uint8_t* operator()(int32_t f)
    {
        auto& frame = frames[f];
        if (frame.empty())
            DemoFrame(p, f, frame);
        return frame.data();
    }
};

TGlottisResult SegmentDemo(int32_t first, int32_t last, QPoint seed = {127, 63})
{
    auto demo = std::make_shared<TDemoFrames>();
    TGlottisSpan span;
    span.first = first;
    span.last = last;
    span.seed = seed;
    TGlottisAnalysis analysis([demo](int32_t f) { return (*demo)(f); }, demo->p.width, demo->p.height, span);
    while (!analysis.Step(7)) {
    }
    return analysis.TakeResult();
}

// A frame of uniform tissue (grey 100 with ±2 of a fixed pattern) with dark boxes of grey 10.
std::vector<uint8_t> Tissue(int w, int h, const std::vector<QRect>& dark)
{
    std::vector<uint8_t> f(size_t(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f[size_t(y * w + x)] = uint8_t(100 + (x * 7 + y * 3) % 5 - 2);
    for (const QRect& r : dark)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                f[size_t(y * w + x)] = uint8_t(10 + (x + y) % 3);
    return f;
}

}  // namespace

TEST(GlottisSegmentation, WaveformFollowsTheKnownAreaUnderNoiseGradientAndAsymmetry)
{
    const TGlottisResult r = SegmentDemo(0, 511);
    ASSERT_EQ(r.area.size(), 512u);
    std::vector<double> truth(512);
    for (int f = 0; f < 512; ++f)
        truth[size_t(f)] = TrueArea(f);
    const double peak = *std::max_element(truth.begin(), truth.end());
    EXPECT_GT(peak, 1000);
    double maxError = 0, mx = 0, my = 0;
    for (int f = 0; f < 512; ++f) {
        maxError = std::max(maxError, std::abs(r.area[size_t(f)] - truth[size_t(f)]));
        mx += r.area[size_t(f)] / 512;
        my += truth[size_t(f)] / 512;
    }
    double sxy = 0, sxx = 0, syy = 0;
    for (int f = 0; f < 512; ++f) {
        const double dx = r.area[size_t(f)] - mx, dy = truth[size_t(f)] - my;
        sxy += dx * dy;
        sxx += dx * dx;
        syy += dy * dy;
    }
    const double correlation = sxy / std::sqrt(sxx * syy);
    RecordProperty("correlation", std::to_string(correlation));
    RecordProperty("max_error_percent_of_peak", std::to_string(100 * maxError / peak));
    std::printf("glottal area: correlation %.5f, largest error %.2f %% of the peak (%.0f px)\n", correlation,
                100 * maxError / peak, peak);
    EXPECT_GE(correlation, 0.99);
    EXPECT_LE(maxError, 0.05 * peak);
    // Closed frames give exactly nothing: where the truth is 0 the area is 0.
    for (int f = 0; f < 512; ++f) {
        if (truth[size_t(f)] == 0) {
            EXPECT_EQ(r.area[size_t(f)], 0) << "frame " << f;
        }
    }
}

TEST(GlottisSegmentation, FundamentalAndOpenQuotientMatchTheDrawnVibration)
{
    const TGlottisResult r = SegmentDemo(0, 1023);
    const TGlottisParameters p = GlottisParameters(r.area, 4000, r.first);
    // 1024 frames at 17.39 frames a cycle: 58 cycles, the first and last cut by the span.
    EXPECT_GE(p.cycles.size(), 55u);
    // The open quotient by its definition on the true waveform: the share of the cycle's phase in
    // which the area exceeds 5 % of its maximum (every row moves in phase, so the area is
    // proportional to max(0, motion)).
    double peakMotion = 0;
    for (int i = 0; i < 100000; ++i)
        peakMotion = std::max(peakMotion, Motion(i * (4000.0 / 230) / 100000));
    int open = 0;
    for (int i = 0; i < 100000; ++i)
        open += Motion(i * (4000.0 / 230) / 100000) > 0.05 * peakMotion;
    const double trueOq = open / 100000.0;
    std::printf("f0 %.3f Hz (true 230), open quotient %.4f (true %.4f)\n", p.f0.mean, p.openQuotient.mean, trueOq);
    EXPECT_NEAR(p.f0.mean, 230, 2.3);
    EXPECT_NEAR(p.openQuotient.mean, trueOq, 0.05);
    EXPECT_NEAR(p.gapIndex.mean, 0, 1e-12);  // it closes every cycle
    EXPECT_GT(p.speedQuotient.mean, 0);
}

TEST(GlottisSegmentation, RegionIsTheDarkPlaceHoldingTheSeedAndNothingWhenClosed)
{
    const int w = 80, h = 60;
    TThresholdSegmenter s;
    TGlottisRegion region;
    // Two dark boxes: only the one holding the seed counts, every pixel of it.
    const auto two = Tissue(w, h, {QRect(30, 10, 6, 30), QRect(60, 20, 5, 5)});
    s.Start({32, 25}, QRect(0, 0, w, h));
    s.Segment(two.data(), w, h, region);
    EXPECT_EQ(region.area, 6 * 30);
    ASSERT_FALSE(region.runs.empty());
    EXPECT_EQ(region.runs.front().y, 10);
    EXPECT_EQ(region.runs.back().y, 39);
    EXPECT_EQ(region.runs.front().x0, 30);
    EXPECT_EQ(region.runs.front().x1, 35);
    // The seed inside tissue, the dark box farther than the search: closed.
    s.Start({10, 50}, QRect(0, 0, w, h));
    s.Segment(two.data(), w, h, region);
    EXPECT_EQ(region.area, 0);
    // Tissue alone (a closed glottis) gives area 0, not a noise blob, though its histogram
    // still splits in two.
    const auto none = Tissue(w, h, {});
    s.Start({32, 25}, QRect(0, 0, w, h));
    s.Segment(none.data(), w, h, region);
    EXPECT_EQ(region.area, 0);
    // A dark place of two pixels is below the floor; of three it counts.
    const auto tiny = Tissue(w, h, {QRect(32, 25, 2, 1)});
    s.Segment(tiny.data(), w, h, region);
    EXPECT_EQ(region.area, 0);
    const auto small = Tissue(w, h, {QRect(32, 25, 3, 1)});
    s.Segment(small.data(), w, h, region);
    EXPECT_EQ(region.area, 3);
    // The region stops at the region of interest.
    s.Start({32, 25}, QRect(20, 20, 30, 10));
    s.Segment(two.data(), w, h, region);
    EXPECT_EQ(region.area, 6 * 10);
}

TEST(GlottisSegmentation, SeedFollowsASlowlyMovingGlottisThroughClosedFrames)
{
    const int w = 100, h = 60;
    TThresholdSegmenter s;
    TGlottisRegion region;
    s.Start({20, 30}, QRect(0, 0, w, h));
    // The glottis (5 × 21) drifts one pixel a frame to the right, 60 pixels in all, and closes
    // every fifth frame; the seed is not clicked again.
    for (int f = 0; f < 60; ++f) {
        const bool closed = f % 5 == 4;
        const auto frame = Tissue(w, h, closed ? std::vector<QRect>{} : std::vector<QRect>{QRect(18 + f, 20, 5, 21)});
        s.Segment(frame.data(), w, h, region);
        EXPECT_EQ(region.area, closed ? 0 : 5 * 21) << "frame " << f;
    }
}

TEST(GlottisParameters, ATriangularCycleByHand)
{
    // Ten frames a cycle at 1000 frames/s: closed 4 frames, opening 2, 4, 6, 8, closing 4, 0.
    const double shape[10] = {0, 0, 0, 0, 2, 4, 6, 8, 4, 0};
    std::vector<double> area;
    for (int c = 0; c < 6; ++c)
        area.insert(area.end(), shape, shape + 10);
    const TGlottisParameters p = GlottisParameters(area, 1000, 100);
    // Minima at the middle of the closed runs (frames 9 … 13 → 11, 21, ...): 4 whole cycles.
    ASSERT_EQ(p.cycles.size(), 4u);
    EXPECT_DOUBLE_EQ(p.cycles[0].start, 111);
    EXPECT_DOUBLE_EQ(p.cycles[0].end, 121);
    EXPECT_EQ(p.cycles[0].peak, 117);
    EXPECT_DOUBLE_EQ(p.f0.mean, 100);
    EXPECT_DOUBLE_EQ(p.f0.sd, 0);
    // Open from halfway before frame 14 to halfway after frame 18: 5 of 10 frames; opening 3.5
    // (13.5 → 17), closing 1.5 (17 → 18.5).
    EXPECT_DOUBLE_EQ(p.openQuotient.mean, 0.5);
    EXPECT_NEAR(p.speedQuotient.mean, 3.5 / 1.5, 1e-12);
    EXPECT_NEAR(p.closingQuotient.mean, 0.15, 1e-12);
    EXPECT_DOUBLE_EQ(p.gapIndex.mean, 0);
    EXPECT_DOUBLE_EQ(p.amplitude.mean, 8);
    EXPECT_DOUBLE_EQ(p.jitter, 0);
    EXPECT_DOUBLE_EQ(p.shimmer, 0);
    EXPECT_DOUBLE_EQ(p.timePeriodicity, 1);
    EXPECT_DOUBLE_EQ(p.amplitudePeriodicity, 1);
}

TEST(GlottisParameters, PerturbationAndPeriodicityOfAlternatingCycles)
{
    // Cycles of 4 frames (peak 10) and 6 frames (peak 12) in turn, one zero between them.
    const double shortCycle[4] = {0, 5, 10, 5};
    const double longCycle[6] = {0, 3, 6, 12, 6, 3};
    std::vector<double> area;
    for (int c = 0; c < 7; ++c) {
        if (c % 2 == 0)
            area.insert(area.end(), shortCycle, shortCycle + 4);
        else
            area.insert(area.end(), longCycle, longCycle + 6);
    }
    const TGlottisParameters p = GlottisParameters(area, 1000);
    // Bounds at the zeros between peaks (4, 10, 14, 20, 24, 30): periods 6, 4, 6, 4, 6 ms,
    // amplitudes 12, 10, 12, 10, 12.
    ASSERT_EQ(p.cycles.size(), 5u);
    EXPECT_NEAR(p.f0.mean, (3 * 1000.0 / 6 + 2 * 1000.0 / 4) / 5, 1e-9);
    EXPECT_NEAR(p.jitter, 100 * 2 / 5.2, 1e-9);      // mean |ΔT| 2 ms over mean T 5.2 ms
    EXPECT_NEAR(p.shimmer, 100 * 2 / 11.2, 1e-9);    // mean |ΔA| 2 over mean A 11.2
    EXPECT_NEAR(p.timePeriodicity, 4.0 / 6, 1e-12);
    EXPECT_NEAR(p.amplitudePeriodicity, 10.0 / 12, 1e-12);
    EXPECT_NEAR(p.gapIndex.mean, 0, 1e-12);
}

TEST(GlottisParameters, NoCyclesGiveEmptyValuesNotNumbers)
{
    for (const std::vector<double>& area : {std::vector<double>{}, std::vector<double>(50, 0.0),
                                            std::vector<double>(50, 7.0), std::vector<double>{0, 5, 0}}) {
        const TGlottisParameters p = GlottisParameters(area, 4000);
        EXPECT_TRUE(p.cycles.empty());
        const QString csv = GlottisParameterCsv(p);
        EXPECT_TRUE(csv.startsWith(QStringLiteral("name,value,unit\ncycles,0,\nf0_mean,,Hz\n"))) << csv.toStdString();
        EXPECT_FALSE(csv.contains(QStringLiteral("nan")));
    }
    EXPECT_EQ(GlottisWaveformCsv({0, 12.5, 3}, 40), QStringLiteral("frame,area\n40,0\n41,12.5\n42,3\n"));
}

TEST(Phonovibrogram, EdgesLieWithinAPixelOfTheDrawnEdges)
{
    const TGlottisResult r = SegmentDemo(0, 140);
    const TPhonovibrogram pvg = Phonovibrogram(r);
    ASSERT_TRUE(pvg.axis.valid);
    // The folds meet on the image's middle line x = 127.5, rows 16 … 111: the axis runs down it.
    EXPECT_NEAR(pvg.axis.direction.x(), 0, 0.02);
    EXPECT_GT(pvg.axis.direction.y(), 0.99);
    EXPECT_GT(pvg.positions, 80);
    EXPECT_EQ(pvg.frames, 141);
    double worst = 0;
    int compared = 0;
    for (int32_t f = 0; f < pvg.frames; ++f)
        for (int32_t k = 0; k < pvg.positions; ++k) {
            const QPointF c = pvg.AxisPoint(k);
            const int row = int(std::lround(c.y()));
            const double g = HalfGap(row, f);
            if (pvg.Left(f, k) == 0 && pvg.Right(f, k) == 0) {
                // Shown closed: the drawn gap is narrower than a pixel.
                EXPECT_LT(g, 1) << "frame " << f << " row " << row;
                continue;
            }
            const double leftEdge = c.x() - pvg.Left(f, k) * pvg.axis.normal.x();
            const double rightEdge = c.x() + pvg.Right(f, k) * pvg.axis.normal.x();
            worst = std::max({worst, std::abs(leftEdge - (127.5 - 1.1 * g)), std::abs(rightEdge - (127.5 + 0.9 * g))});
            ++compared;
        }
    std::printf("phonovibrogram: %d edge pairs compared, largest edge error %.3f px\n", compared, worst);
    EXPECT_GT(compared, 5000);
    EXPECT_LE(worst, 1.0);

    // The picture: frames across, the left fold above the grey axis line, the right one below.
    const QImage image = PhonovibrogramImage(pvg);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), pvg.frames);
    EXPECT_GE(image.height(), 2 * pvg.positions + 1);
    EXPECT_EQ(image.pixel(0, pvg.positions), qRgb(128, 128, 128));
    EXPECT_EQ(PhonovibrogramColour(0), qRgb(0, 0, 0));
    EXPECT_EQ(PhonovibrogramColour(1), qRgb(255, 255, 255));
}

TEST(Phonovibrogram, NoGlottisNoPicture)
{
    TGlottisResult r;
    r.regions.resize(10);
    r.area.assign(10, 0);
    const TPhonovibrogram pvg = Phonovibrogram(r);
    EXPECT_FALSE(pvg.axis.valid);
    EXPECT_EQ(pvg.positions, 0);
    EXPECT_TRUE(PhonovibrogramImage(pvg).isNull());
}
