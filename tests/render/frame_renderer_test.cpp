// The grey-level curve and the rendered frame.
#include "viewer/render/FrameRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Renders a one-row frame of the given bytes and returns the blue bytes (all three are equal).
std::vector<int> Grays(const std::vector<uint8_t>& bytes, const TRenderSettings& settings, int32_t height = 1)
{
    TFrameRenderer renderer;
    QImage bitmap;
    const int32_t width = int32_t(bytes.size()) / height;
    renderer.Render(bytes.data(), width, height, settings, bitmap);
    std::vector<int> out;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uchar* p = bitmap.constScanLine(y) + 3 * x;
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
            out.push_back(p[0]);
        }
    return out;
}

TRenderSettings Levels(int32_t black, int32_t gray, int32_t white)
{
    TRenderSettings settings;
    settings.blackLevel = black;
    settings.grayLevel = gray;
    settings.whiteLevel = white;
    return settings;
}

}  // namespace

TEST(GrayCurve, PassesThroughTheThreeLevels)
{
    const TGrayCurve curve = FitGrayCurve(0, 64, 255);
    EXPECT_NEAR(curve(0), 0.0, 1e-12);
    EXPECT_NEAR(curve(64), 0.5, 1e-12);
    EXPECT_NEAR(curve(255), 1.0, 1e-12);
    const TGrayCurve straight = FitGrayCurve(0, 128, 255);
    EXPECT_NEAR(straight.c2, 0.0, 1e-6);
    const TGrayCurve inverted = FitGrayCurve(255, 64, 0);
    EXPECT_NEAR(inverted(0), 1.0, 1e-12);
    EXPECT_NEAR(inverted(255), 0.0, 1e-12);
}

TEST(GrayCurve, EqualLevelsFallBackToTheIdentity)
{
    for (auto levels : {std::array{0, 255, 255}, std::array{10, 10, 200}, std::array{7, 7, 7}, std::array{200, 5, 200}}) {
        const TGrayCurve curve = FitGrayCurve(levels[0], levels[1], levels[2]);
        EXPECT_EQ(curve.c2, 0.0);
        EXPECT_EQ(curve.c1, 1.0);
        EXPECT_EQ(curve.c0, 0.0);
    }
}

TEST(FrameRenderer, DefaultLevelsMapBlackWhiteAndMidGrey)
{
    const std::vector<int> grays = Grays({0, 64, 255}, Levels(0, 64, 255));
    EXPECT_EQ(grays[0], 0);
    EXPECT_TRUE(grays[1] == 127 || grays[1] == 128) << grays[1];
    EXPECT_EQ(grays[2], 255);
    // White below black inverts the picture.
    const std::vector<int> inverted = Grays({0, 255}, Levels(255, 64, 0));
    EXPECT_EQ(inverted[0], 255);
    EXPECT_EQ(inverted[1], 0);
    // Gray equal to white: f(g) = g, so every value from 1 up is white.
    const std::vector<int> identity = Grays({0, 1, 2, 200}, Levels(0, 255, 255));
    EXPECT_EQ(identity, (std::vector<int>{0, 255, 255, 255}));
}

// Byte 191 lies exactly on a rounding half (254.5 and 0.5) with exact arithmetic; the pivot rule
// (largest value, not magnitude) decides which side the solved curve lands on. Expected values
// from the same elimination done in Python.
TEST(FrameRenderer, ThePivotIsTheLargestValueOfTheColumn)
{
    EXPECT_EQ(Grays({191}, Levels(0, 64, 255)), std::vector<int>{255});
    EXPECT_EQ(Grays({191}, Levels(255, 64, 0)), std::vector<int>{1});
}

TEST(FrameRenderer, EveryPixelMatchesTheFormulaExactly)
{
    std::vector<uint8_t> all(256 * 2);
    for (int i = 0; i < 512; ++i)
        all[size_t(i)] = uint8_t(i * 37 % 256);
    for (const auto& levels : {std::array{0, 64, 255}, std::array{30, 90, 220}, std::array{250, 20, 3}}) {
        TRenderSettings settings = Levels(levels[0], levels[1], levels[2]);
        const TGrayCurve curve = FitGrayCurve(levels[0], levels[1], levels[2]);
        for (bool edge : {false, true}) {
            settings.edgeEnhance = edge;
            settings.markedRow = 1;
            const std::vector<int> grays = Grays(all, settings, 2);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 256; ++x) {
                    const double g = edge ? EdgeInput(all.data(), 256, 2, y, x) : all[size_t(y * 256 + x)];
                    double q = std::nearbyint(curve(g) * 255);
                    if (y == 1)
                        q = 255 - q;
                    q = std::clamp(q, 0.0, 255.0);
                    ASSERT_EQ(grays[size_t(y * 256 + x)], int(q)) << "edge " << edge << " at " << y << "," << x;
                }
        }
    }
}

TEST(FrameRenderer, EdgeEnhancementOfAUniformFrameIsFOfZeroEverywhere)
{
    TRenderSettings settings = Levels(0, 64, 255);
    settings.edgeEnhance = true;
    const std::vector<int> grays = Grays(std::vector<uint8_t>(12, 90), settings, 3);
    for (int q : grays)
        EXPECT_EQ(q, 0);
    // A step to the right shows on the column before it and nowhere on the last row or column.
    const std::vector<int> step = Grays({0, 0, 200, 0, 0, 200, 0, 0, 200}, settings, 3);
    EXPECT_EQ(step[1], 255);
    EXPECT_EQ(step[0], 0);
    EXPECT_EQ(step[2], 0);
    EXPECT_EQ(step[7], 0);
}

TEST(FrameRenderer, TheMarkedRowIsInvertedAndOnlyIt)
{
    TRenderSettings settings = Levels(0, 64, 255);
    settings.markedRow = 1;
    const std::vector<int> grays = Grays({0, 255, 0, 255, 0, 255}, settings, 3);
    EXPECT_EQ(grays, (std::vector<int>{0, 255, 255, 0, 0, 255}));
}

TEST(FrameRenderer, AFrameOutsideTheBlockShowsTheNearestEndSlot)
{
    TFrameCache cache;
    EXPECT_EQ(SlotShowing(cache, -4), 0);
    EXPECT_EQ(SlotShowing(cache, 700), 511);
    EXPECT_EQ(SlotShowing(cache, 3), 3);
}

TEST(FrameRenderer, TheBitmapIs24BitBlueGreenRed)
{
    TFrameRenderer renderer;
    QImage bitmap;
    const uint8_t frame[6] = {0, 255, 0, 255, 0, 255};
    renderer.Render(frame, 3, 2, TRenderSettings{}, bitmap);
    EXPECT_EQ(bitmap.format(), QImage::Format_BGR888);
    EXPECT_EQ(bitmap.width(), 3);
    EXPECT_EQ(bitmap.height(), 2);
    EXPECT_EQ(bitmap.pixelColor(1, 0), QColor(255, 255, 255));
}
