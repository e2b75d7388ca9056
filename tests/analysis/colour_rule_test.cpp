// The colour rule of spectral colorizing and the two legend bitmaps.
#include "analysis/PixelColour.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct TBgr {
    int b, g, r;
    bool operator==(const TBgr&) const = default;
};

TBgr Colour(double h, double s, double v, bool marked = false)
{
    uint8_t bgr[3];
    ColourRule(h, s, v, marked, bgr);
    return {bgr[0], bgr[1], bgr[2]};
}

TBgr At(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {qBlue(p), qGreen(p), qRed(p)};
}

}  // namespace

TEST(ColourRule, SaturationFollowsTheLevels)
{
    EXPECT_EQ(ColourSaturation(-40, -50, -30), 0.5);
    EXPECT_EQ(ColourSaturation(-20, -50, -30), 1.5);  // clamped to 1 by the rule
    EXPECT_EQ(ColourSaturation(-60, -50, -30), -0.5);  // clamped to 0: pure grey
    EXPECT_EQ(ColourSaturation(-60, -40, -40), 0.5);  // equal levels
    EXPECT_EQ(Colour(0, 1.5, 1), Colour(0, 1, 1));
    EXPECT_EQ(Colour(0, -0.5, 0.5), (TBgr{128, 128, 128}));
}

TEST(ColourRule, HueAndSaturationMixWithTheGreyValue)
{
    // s = 0: the plain grey v·255 (127.5 to even).
    EXPECT_EQ(Colour(0.4, 0, 0.5), (TBgr{128, 128, 128}));
    // s = 1, h = 0: red with green and blue at a quarter (63.75).
    EXPECT_EQ(Colour(0, 1, 1), (TBgr{64, 64, 255}));
    // h = 1/3 green-dominant, h = 2/3 blue-dominant.
    const TBgr third = Colour(1.0 / 3, 1, 1);
    EXPECT_GT(third.g, third.r);
    EXPECT_GT(third.g, third.b);
    const TBgr twoThirds = Colour(2.0 / 3, 1, 1);
    EXPECT_GT(twoThirds.b, twoThirds.r);
    EXPECT_GT(twoThirds.b, twoThirds.g);
    // 0° and 360° are the same hue; above 1 the fractional part, below 0 nothing.
    EXPECT_EQ(Colour(1, 1, 0.8), Colour(0, 1, 0.8));
    EXPECT_EQ(Colour(1.25, 0.7, 0.8), Colour(0.25, 0.7, 0.8));
    EXPECT_EQ(Colour(-0.3, 0.7, 0.8), Colour(0, 0.7, 0.8));
    // Half saturation halfway between grey and the hue.
    EXPECT_EQ(Colour(0, 0.5, 1), (TBgr{159, 159, 255}));
}

TEST(ColourRule, MarkedRowInvertsTheClampedValue)
{
    EXPECT_EQ(Colour(0, 0, 0.2, true), (TBgr{204, 204, 204}));
    EXPECT_EQ(Colour(0, 0, 1.7, true), (TBgr{0, 0, 0}));
    EXPECT_EQ(Colour(0, 1, 0.0, true), (TBgr{64, 64, 255}));
}

TEST(ColourRule, HueOfPhaseDifferences)
{
    EXPECT_EQ(ColourHue(0.75, 0.75), 1.0);  // exactly: no fractional part is taken
    EXPECT_EQ(ColourHue(-2.5, -2.5), 1.0);
    EXPECT_NEAR(ColourHue(float(-kPi), float(kPi)), 0.0, 1e-6);  // red family
    EXPECT_NEAR(ColourHue(kPi / 2, 0), 1.25, 1e-15);
    EXPECT_EQ(Colour(ColourHue(0.75, 0.75), 1, 1), Colour(0, 1, 1));
}

TEST(ColourLegend, PhaseFormPutsHueAcrossSaturationDownAndTheLevelsAtTheEdges)
{
    const QImage legend = ColourLegend(-50, -30, true);
    ASSERT_EQ(legend.format(), QImage::Format_BGR888);
    const int tw = (legend.width() - 276) / 2;
    const int th = (legend.height() - 256) / 2;
    ASSERT_EQ(legend.width(), 2 * tw + 276);
    ASSERT_GT(tw, 20);
    const int d = tw + 10;
    EXPECT_EQ(At(legend, d + 1, th), Colour(1 / 255.0, 1, 1));             // h ≈ 0, s = 1
    EXPECT_EQ(At(legend, d + 255, th + 255), (TBgr{255, 255, 255}));       // s = 0, v = 1
    EXPECT_EQ(At(legend, d + 128, th + 1), Colour(128 / 255.0, 1 - 1 / 255.0, 1));
    // The axis: down the left edge and along the bottom.
    EXPECT_EQ(At(legend, d, th + 100), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, d + 200, th + 256), (TBgr{0, 0, 0}));
    // −30 dB at the top edge, −50 at the bottom edge, −40 halfway: their ticks.
    EXPECT_EQ(At(legend, tw + 5, th), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, tw + 5, th + 256), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, tw + 5, th + 128), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, tw + 5, th + 64), (TBgr{255, 255, 255}));
    // Phase ticks under the field at 0, 90, … 360 degrees.
    EXPECT_EQ(At(legend, d + 64, th + 260), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, d + 63, th + 260), (TBgr{255, 255, 255}));
}

TEST(ColourLegend, PlainFormIsARedBar)
{
    const QImage legend = ColourLegend(-50, -30, false);
    const int tw = (legend.width() - 40) / 2;
    const int th = (legend.height() - 256) / 2;
    const int d = tw + 10;
    EXPECT_EQ(At(legend, d + 10, th), (TBgr{64, 64, 255}));
    EXPECT_EQ(At(legend, d + 10, th + 255), (TBgr{255, 255, 255}));
    EXPECT_EQ(At(legend, d + 19, th + 100), At(legend, d + 1, th + 100));
    EXPECT_EQ(At(legend, d + 20, th + 100), (TBgr{255, 255, 255}));
}

TEST(GrayscaleLegend, BlackLevelAtTheTopWhiteAtTheBottom)
{
    const QImage legend = GrayscaleLegend(-50, -90);
    ASSERT_EQ(legend.format(), QImage::Format_BGR888);
    const int e = (legend.width() - 20) / 2;
    const int th = (legend.height() - 256) / 2;
    EXPECT_EQ(At(legend, e + 5, th), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, e + 5, th + 100), (TBgr{100, 100, 100}));
    EXPECT_EQ(At(legend, e + 5, th + 255), (TBgr{255, 255, 255}));
    // Ticks left of the bar: −50 at the top, −90 at the bottom, −70 halfway.
    EXPECT_EQ(At(legend, e - 5, th), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, e - 5, th + 256), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, e - 5, th + 128), (TBgr{0, 0, 0}));
    EXPECT_EQ(At(legend, e - 5, th + 100), (TBgr{255, 255, 255}));
}

TEST(ColourRule, HueZeroIsTheLiteralRuleOnEveryLevel)
{
    // Colorizing without phase: every pixel has hue 0 (also -0, below 0 and whole turns), against
    // the rule written out here with libm's cosines (volatile: computed at run time, as libm does).
    volatile double zero = 0;
    const double a = zero;
    const double cosines[3] = {std::cos(a), std::cos(a - kPi / 3), std::cos(a - 2 * kPi / 3)};
    auto byte = [](double c, double s, double v) {
        const double q = std::nearbyint((c * c * s + (1 - s)) * v * 255);
        return int(q < 0 ? 0 : q > 255 ? 255 : q);
    };
    for (const double h : {0.0, -0.0, -0.3, 1.0, 2.0})
        for (int i = 0; i <= 40; ++i)
            for (int j = 0; j <= 40; ++j) {
                const double s = i / 40.0;
                const double v = j / 40.0 + 1.0 / 1024;  // off the grid of halves
                const TBgr expected{byte(cosines[2], s, v > 1 ? 1 : v), byte(cosines[1], s, v > 1 ? 1 : v),
                                    byte(cosines[0], s, v > 1 ? 1 : v)};
                ASSERT_EQ(Colour(h, s, v), expected) << "h " << h << " s " << s << " v " << v;
            }
}
