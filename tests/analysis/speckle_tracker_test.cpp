// Speckle tracking: textures moved by known amounts per frame, followed by the tracker; the sums
// and coefficients of a tiny sequence worked out by hand.
#include "analysis/PixelSource.h"
#include "analysis/SpeckleTrace.h"
#include "platform/Errors.h"
#include "support/MemoryPixels.h"
#include "support/TestSupport.h"
#include "tools/DemoSequence.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

// Rough texture: every pixel independent of its neighbours.
uint8_t Hash(int32_t x, int32_t y)
{
    uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return uint8_t(h >> 5);
}

// Hash values on a lattice `spacing` pixels apart, interpolated bilinearly in between.
double LatticeNoise(double x, double y, double spacing, int32_t seed)
{
    const double u = x / spacing;
    const double v = y / spacing;
    const double fu = std::floor(u);
    const double fv = std::floor(v);
    const int32_t i = int32_t(fu) + seed;
    const int32_t j = int32_t(fv);
    const double s = u - fu;
    const double t = v - fv;
    return (1 - t) * ((1 - s) * Hash(i, j) + s * Hash(i + 1, j)) + t * ((1 - s) * Hash(i, j + 1) + s * Hash(i + 1, j + 1));
}

// Smooth texture without a period that can be moved by fractions of a pixel.
uint8_t Smooth(double x, double y)
{
    return uint8_t(std::lround(0.6 * LatticeNoise(x, y, 4, 0) + 0.4 * LatticeNoise(x, y, 2, 1000)));
}

TSpecklePoints Track(TPixelSource& pixels, int32_t frame, QPoint start, const TSpeckleSettings& settings = {})
{
    TSpeckleTracker tracker;
    TSpecklePoints points;
    tracker.Track(pixels, frame, start, settings, {}, points);
    return points;
}

}  // namespace

TEST(SpeckleArithmetic, ParabolaVertexAndDebugText)
{
    // (0.5, 1, 0.25) peaks at −0.1, (0.5, 1, 1) at 0.5; a flat or upward parabola gives 0.
    EXPECT_DOUBLE_EQ(ParabolaVertex(0.5, 1, 0.25), -0.1);
    EXPECT_DOUBLE_EQ(ParabolaVertex(0.5, 1, 1), 0.5);
    EXPECT_EQ(ParabolaVertex(0.7, 0.7, 0.7), 0.0);
    EXPECT_EQ(ParabolaVertex(-0.1, -0.5, -0.8), 0.0);

    EXPECT_EQ(CorrelationDebugText({80, -66, 1479, 1906, 1190, 4}),
              QStringLiteral("sa:80; sb:-66; sab:1479; sa2:1906; sb2:1190; n:4"));
}

// 4 × 3 pixels, two frames, a 3 × 3 correlation area around (1, 1) and no scouting: reference
// row 0 and column 0 are left out, leaving the pairs at rows 1 … 2, columns 1 … 2.
TEST(SpeckleSums, LeaveReferenceRowAndColumnZeroOut)
{
    TMemoryPixels pixels(4, 3, 2, [](int32_t f, int32_t r, int32_t c) {
        return uint8_t(f == 0 ? 10 * r + c : 5 * r * r + 3 * c * c);
    });
    TSpeckleSettings settings{1, 1, 0, 0, false, false};
    std::vector<TCorrelationSums> reported;
    TSpeckleHooks hooks;
    hooks.sums = [&](const TCorrelationSums& s) { reported.push_back(s); };
    TSpeckleTracker tracker;
    TSpecklePoints points;

    tracker.Track(pixels, 0, QPoint(1, 1), settings, hooks, points);
    // b: 11 12 21 22; a: 8 17 23 32. Frame 2 does not exist: one step only.
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], (TCorrelationSums{80, 66, 1479, 1906, 1190, 4}));
    ASSERT_EQ(tracker.Coefficients().size(), 1u);
    EXPECT_DOUBLE_EQ(tracker.Coefficients()[0], 636 / std::sqrt(404.0 * 1224.0));

    // x-wise differences: b is 1 everywhere (no variance), a is 3 9 3 9 (test column 0 has no
    // left neighbour and is left out as well).
    reported.clear();
    settings.XDifferentiate = true;
    tracker.Track(pixels, 0, QPoint(1, 1), settings, hooks, points);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], (TCorrelationSums{24, 4, 24, 180, 4, 4}));
    EXPECT_EQ(tracker.Coefficients()[0], 0.0);

    // At (0, 0) only the pair at (1, 1) is left: no sums, coefficient 0, the point stays.
    reported.clear();
    settings.XDifferentiate = false;
    tracker.Track(pixels, 0, QPoint(0, 0), settings, hooks, points);
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(tracker.Coefficients()[0], 0.0);
    EXPECT_EQ(points[1], QPointF(0, 0));
}

// A rough texture moving (+2, 0) per frame: every step is 2 columns, refined by almost nothing.
TEST(SpeckleTracking, FollowsWholePixelTranslation)
{
    TMemoryPixels pixels(320, 48, 100, [](int32_t f, int32_t r, int32_t c) { return Hash(c - 2 * f, r); });
    const TSpecklePoints points = Track(pixels, 0, QPoint(60, 24));
    EXPECT_EQ(points[0], QPointF(60, 24));
    for (int32_t n = 1; n < kSpecklePoints; ++n) {
        EXPECT_NEAR(points[size_t(n)].x() - points[size_t(n - 1)].x(), 2.0, 0.05) << "step " << n;
        EXPECT_NEAR(points[size_t(n)].y() - points[size_t(n - 1)].y(), 0.0, 0.05) << "step " << n;
    }
    EXPECT_NEAR(points[99].x(), 60 + 2 * 99, 0.5);
    EXPECT_NEAR(points[99].y(), 24, 0.5);
}

// A smooth texture moving 0.5 pixel per frame, compared with the first frame: every point within
// 0.15 pixel of the truth while the shift stays inside the scouting area (8: up to 7 pixels,
// 14 frames). The sequence ends there; the trace keeps its last point.
TEST(SpeckleTracking, FollowsHalfPixelsAgainstTheFirstImage)
{
    TMemoryPixels pixels(120, 48, 15, [](int32_t f, int32_t r, int32_t c) { return Smooth(c - 0.5 * f, r); });
    TSpeckleSettings settings;
    settings.CorrelateToFirst = true;
    const TSpecklePoints points = Track(pixels, 0, QPoint(50, 24), settings);
    for (int32_t n = 0; n <= 14; ++n) {
        EXPECT_NEAR(points[size_t(n)].x(), 50 + 0.5 * n, 0.15) << "point " << n;
        EXPECT_NEAR(points[size_t(n)].y(), 24, 0.15) << "point " << n;
    }
    for (int32_t n = 15; n < kSpecklePoints; ++n)
        EXPECT_EQ(points[size_t(n)], points[14]) << "point " << n;
}

// The reference point of a step is the last point rounded to the nearest pixel: after a first
// step of 0.75 pixel from column 50 the second step centres on column 51, and with the default
// areas (24 + 8 columns either side of it) it reads columns 19 … 83, not 18 … 82.
TEST(SpeckleTracking, TheStepsReferencePointIsRoundedToTheNearestPixel)
{
    class TRecordingPixels : public TMemoryPixels {
    public:
        using TMemoryPixels::TMemoryPixels;
        uint8_t GetPixel(int32_t frame, int32_t row, int32_t column) override
        {
            if (step == 2) {
                first = std::min(first, column);
                last = std::max(last, column);
            }
            return TMemoryPixels::GetPixel(frame, row, column);
        }
        int32_t step = 0;
        int32_t first = 1 << 30;
        int32_t last = -1;
    };
    TRecordingPixels pixels(120, 48, 3, [](int32_t f, int32_t r, int32_t c) { return Smooth(c - 0.75 * f, r); });
    TSpeckleTracker tracker;
    TSpecklePoints points;
    TSpeckleHooks hooks;
    hooks.stepStarted = [&](int32_t step) { pixels.step = step; };
    tracker.Track(pixels, 0, QPoint(50, 24), {}, hooks, points);
    ASSERT_NEAR(points[1].x(), 50.75, 0.2);
    EXPECT_EQ(pixels.first, 51 - 24 - 8);
    EXPECT_EQ(pixels.last, 51 + 24 + 8);
}

// ScoutHalfX = 0 tries dx = 0 only: a patch moving sideways is not followed, and without a
// neighbour in x nothing is refined, in y neither.
TEST(SpeckleTracking, NoSideScoutingStaysInItsColumn)
{
    TMemoryPixels pixels(120, 48, 10, [](int32_t f, int32_t r, int32_t c) { return Hash(c - 2 * f, r); });
    TSpeckleSettings settings;
    settings.ScoutHalfX = 0;
    TSpeckleTracker tracker;
    TSpecklePoints points;
    tracker.Track(pixels, 0, QPoint(50, 24), settings, {}, points);
    EXPECT_EQ(tracker.Coefficients().size(), 5u);  // dy = −2 … 2
    for (const QPointF& p : points) {
        EXPECT_EQ(p.x(), 50.0);
        EXPECT_EQ(p.y(), std::round(p.y()));
    }
}

// A maximum on the scouting border (8 columns a frame, half a row as well): whole steps in x and
// y, no refinement.
TEST(SpeckleTracking, BorderMaximumStepsWholePixels)
{
    TMemoryPixels pixels(160, 48, 6, [](int32_t f, int32_t r, int32_t c) { return Smooth(c - 8 * f, r - 0.5 * f); });
    const TSpecklePoints points = Track(pixels, 0, QPoint(40, 24));
    for (int32_t n = 0; n < kSpecklePoints; ++n) {
        const QPointF& p = points[size_t(std::min(n, 5))];
        EXPECT_EQ(points[size_t(n)], p);
        EXPECT_EQ(p.x(), 40.0 + 8 * std::min(n, 5)) << "point " << n;
        EXPECT_EQ(p.y(), std::round(p.y())) << "point " << n;
    }
}

// A patch that leaves the image at the right: no pixel outside the image is read (the source
// would throw), and the trace goes no further than the reference area can overlap the image.
TEST(SpeckleTracking, TraceLeavingTheImageStaysDefined)
{
    TMemoryPixels pixels(80, 48, 100, [](int32_t f, int32_t r, int32_t c) { return Hash(c - 2 * f, r); });
    const TSpecklePoints points = Track(pixels, 0, QPoint(70, 24));
    for (const QPointF& p : points) {
        EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
        EXPECT_LE(p.x(), 80 + 24 + 8);  // reference area past the last column: nothing to compare
    }
    EXPECT_NEAR(points[4].x(), 78, 0.5);  // followed while inside
}

// The trace holder: the same start pixel in the same frame with the same options is not
// tracked again; anything else is. Progress goes to the hooks, and is cleared after a failure.
TEST(SpeckleTrace, TracksOnlyWhatChanged)
{
    TMemoryPixels pixels(120, 48, 120, [](int32_t f, int32_t r, int32_t c) { return Hash(c - f, r); });
    TSpeckleTrace trace;
    EXPECT_EQ(trace.Points()[5], QPointF(0, 0));
    QStringList steps;
    int finished = 0;
    TSpeckleHooks hooks;
    hooks.stepStarted = [&](int32_t n) { steps << SpeckleStepText(n); };
    hooks.finished = [&] { ++finished; };
    TSpeckleSettings settings;

    EXPECT_TRUE(trace.TrackSpeckle(pixels, 3, QPoint(40, 20), settings, hooks));
    ASSERT_EQ(steps.size(), 99);
    EXPECT_EQ(steps.front(), QStringLiteral("Step:1"));
    EXPECT_EQ(steps.back(), QStringLiteral("Step:99"));
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(trace.StartFrame(), 3);
    EXPECT_EQ(trace.StartPixel(), QPoint(40, 20));
    const int64_t reads = pixels.reads;
    const TSpecklePoints first = trace.Points();

    EXPECT_FALSE(trace.TrackSpeckle(pixels, 3, QPoint(40, 20), settings, hooks));
    EXPECT_EQ(pixels.reads, reads);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(trace.Points(), first);

    EXPECT_TRUE(trace.TrackSpeckle(pixels, 4, QPoint(40, 20), settings, hooks));
    EXPECT_TRUE(trace.TrackSpeckle(pixels, 4, QPoint(41, 20), settings, hooks));
    settings.ScoutHalfY = 3;
    EXPECT_TRUE(trace.TrackSpeckle(pixels, 4, QPoint(41, 20), settings, hooks));
    trace.Invalidate();
    EXPECT_TRUE(trace.TrackSpeckle(pixels, 4, QPoint(41, 20), settings, hooks));
    EXPECT_EQ(finished, 5);

    // A frame that cannot be read: the error passes, the progress is cleared, and the same click
    // tracks again.
    pixels.failingFrame = 10;
    EXPECT_THROW(trace.TrackSpeckle(pixels, 0, QPoint(40, 20), settings, hooks), EInOutError);
    EXPECT_EQ(finished, 6);
    pixels.failingFrame = -1;
    EXPECT_TRUE(trace.TrackSpeckle(pixels, 0, QPoint(40, 20), settings, hooks));

    settings.CorrHalfX = 101;
    EXPECT_THROW(trace.TrackSpeckle(pixels, 0, QPoint(40, 20), settings, hooks), EError);
}

// The demo sequence through the open sequence: its textured band moves textureSpeed pixels a
// frame to the right. Against the first image, with the whole travel inside the scouting area,
// every point lies within 0.15 pixel of the truth; frame to frame the speed is kept as well. The
// correlation area stays inside the band.
TEST(SpeckleTracking, FollowsTheDemoBand)
{
    TScratch scratch;
    TDemoParameters p;
    p.frames = 110;
    const QString bld = scratch.Path(QStringLiteral("demo.bld"));
    WriteDemoSequence(bld, p);
    TSequence sequence;
    sequence.SetFileName(bld);
    sequence.ReadSequenceFiles();
    TSequencePixels pixels(sequence);

    const int32_t row = p.textureTop + 7;
    TSpeckleSettings settings;
    settings.CorrHalfY = 6;
    settings.ScoutHalfX = 30;
    settings.CorrelateToFirst = true;
    TSpecklePoints points = Track(pixels, 5, QPoint(100, row), settings);
    for (int32_t n = 0; n < kSpecklePoints; ++n) {
        EXPECT_NEAR(points[size_t(n)].x(), 100 + p.textureSpeed * n, 0.15) << "point " << n;
        EXPECT_NEAR(points[size_t(n)].y(), row, 0.15) << "point " << n;
    }

    settings.ScoutHalfX = 8;
    settings.CorrelateToFirst = false;
    points = Track(pixels, 5, QPoint(100, row), settings);
    EXPECT_NEAR((points[99].x() - points[0].x()) / 99, p.textureSpeed, 0.01);
}
