// The start-up layout as arithmetic over rectangles: screens of common sizes at 1x and at 1.5x
// (where the same windows have fewer logical pixels to share and the fonts make the fixed
// windows larger), each checked for frames inside the screen and apart, and a whole zoom.
#include "app/ui/WindowPlacement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// The tools in the order the program gives them: Controls (fixed), Kymo, point spectrum,
// waveform (shown at start), row spectrum and speckle properties (shown later).
TPlacementInput Desktop(QRect screen, double scale, QSize image)
{
    TPlacementInput input;
    input.screen = screen;
    input.frame = QMargins(1, int(std::lround(24 * scale)), 1, 1);
    input.image = image;
    input.mainChrome = QSize(int(std::lround(44 * scale)), int(std::lround(120 * scale)));
    const QSize controls(int(std::lround(406 * scale)), int(std::lround(399 * scale)));
    const QSize speckle(int(std::lround(216 * scale)), int(std::lround(380 * scale)));
    input.tools = {
        {controls, controls, true, QRect()},
        {QSize(420, 300), QSize(200, 100), true, QRect()},
        {QSize(420, 260), QSize(200, 100), true, QRect()},
        {QSize(420, 240), QSize(200, 100), true, QRect()},
        {QSize(420, 260), QSize(200, 100), false, QRect()},
        {speckle, speckle, false, QRect()},
    };
    return input;
}

QRect FrameOf(const QRect& client, const QMargins& frame) { return client.marginsAdded(frame); }

void ExpectSound(const TPlacementInput& input, const TPlacement& placement, const std::string& what)
{
    ASSERT_EQ(placement.tools.size(), input.tools.size()) << what;
    std::vector<QRect> shown{FrameOf(placement.main, input.frame)};
    for (size_t i = 0; i < input.tools.size(); ++i) {
        const QRect& client = placement.tools[i];
        EXPECT_GE(client.width(), input.tools[i].minimum.width()) << what << " tool " << i;
        EXPECT_GE(client.height(), input.tools[i].minimum.height()) << what << " tool " << i;
        EXPECT_LE(client.width(), input.tools[i].size.width()) << what << " tool " << i;
        if (input.tools[i].shownAtStart)
            shown.push_back(FrameOf(client, input.frame));
        EXPECT_TRUE(input.screen.contains(FrameOf(client, input.frame))) << what << " tool " << i;
    }
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(input.screen.contains(shown[i])) << what << ": window " << i << " leaves the screen";
        for (size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i].intersects(shown[j])) << what << ": windows " << i << " and " << j << " overlap";
    }
}

}  // namespace

TEST(WindowPlacement, CommonScreensAtBothScales)
{
    struct TCase {
        QRect screen;
        double scale;
    };
    const TCase cases[] = {
        {QRect(0, 0, 1600, 1000), 1.0}, {QRect(0, 27, 1920, 1053), 1.0}, {QRect(0, 0, 1366, 740), 1.0},
        {QRect(0, 0, 1280, 800), 1.0},   {QRect(0, 0, 1067, 667), 1.5},   {QRect(0, 0, 1280, 720), 1.5},
        {QRect(0, 18, 1707, 942), 1.5},  {QRect(1600, 0, 1920, 1080), 1.5},
    };
    for (const TCase& c : cases)
        for (const QSize image : {QSize(256, 128), QSize(64, 64), QSize(512, 512), QSize(1024, 64)}) {
            const TPlacementInput input = Desktop(c.screen, c.scale, image);
            const TPlacement placement = PlaceStartupWindows(input);
            const std::string what = std::to_string(c.screen.width()) + "x" + std::to_string(c.screen.height()) +
                                     " at " + std::to_string(c.scale) + ", image " + std::to_string(image.width()) +
                                     "x" + std::to_string(image.height());
            ExpectSound(input, placement, what);
            // A whole zoom shows the image in the box exactly that many times its size (a very
            // flat image leaves the box the main window's least height).
            if (placement.zoom >= 1) {
                EXPECT_EQ(placement.zoom, std::floor(placement.zoom)) << what;
                EXPECT_EQ(placement.main.size(),
                          (image * int(placement.zoom) + input.mainChrome).expandedTo(input.mainMinimum))
                    << what;
            }
        }
}

TEST(WindowPlacement, ZoomIsAsLargeAsTheRoomAllows)
{
    // A small image on a large screen: the largest zoom offered. Main 8·64 + 44 = 556 wide.
    TPlacementInput small = Desktop(QRect(0, 0, 2560, 1440), 1.0, QSize(64, 64));
    EXPECT_EQ(PlaceStartupWindows(small).zoom, 8);
    // Alone on the screen: 1000 − 2·6 − 25 − 120 = 843 rows for the box, 843 / 256 = 3.29.
    TPlacementInput alone = Desktop(QRect(0, 0, 1600, 1000), 1.0, QSize(256, 256));
    alone.tools.clear();
    EXPECT_EQ(PlaceStartupWindows(alone).zoom, 3);
    // Larger than the screen: a fraction, everything still apart and inside.
    const TPlacementInput large = Desktop(QRect(0, 0, 1280, 800), 1.0, QSize(2000, 1500));
    const TPlacement placement = PlaceStartupWindows(large);
    EXPECT_LT(placement.zoom, 1);
    EXPECT_GT(placement.zoom, 0);
    ExpectSound(large, placement, "large image");
}

// A saved layout gave the main window and the kymogram their frames: they stay exactly, and
// the windows it said nothing of are placed on the screen clear of them and of each other.
TEST(WindowPlacement, SavedFramesStayAndTheRestGoAroundThem)
{
    TPlacementInput input = Desktop(QRect(0, 0, 1920, 1040), 1, QSize(256, 128));
    input.keptMain = QRect(700, 400, 600, 500);
    const QRect kymogram(1350, 20, 422, 325);
    input.tools[1].kept = kymogram;
    const TPlacement placement = PlaceStartupWindows(input);
    EXPECT_EQ(FrameOf(placement.main, input.frame), input.keptMain);
    EXPECT_EQ(FrameOf(placement.tools[1], input.frame), kymogram);
    std::vector<QRect> shown{input.keptMain, kymogram};
    for (size_t i : {size_t(0), size_t(2), size_t(3)})
        shown.push_back(FrameOf(placement.tools[i], input.frame));
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(input.screen.contains(shown[i])) << "window " << i;
        for (size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i].intersects(shown[j])) << "windows " << i << " and " << j << " overlap";
    }
}

TEST(WindowPlacement, AWindowOpenedLaterGoesWhereItCoversNothingNearestWhereItWouldOpen)
{
    const QRect screen(0, 0, 1000, 800);
    const QRect main(6, 6, 600, 500);
    const QRect kymogram(612, 6, 380, 300);
    // Wanted over the kymogram: the free place nearest to that is the one below it.
    const std::optional<QPoint> below = FreePlace(screen, {main, kymogram}, QSize(300, 200), QPoint(620, 20));
    ASSERT_TRUE(below);
    const QRect placed(*below, QSize(300, 200));
    EXPECT_TRUE(screen.contains(placed));
    EXPECT_FALSE(placed.intersects(main));
    EXPECT_FALSE(placed.intersects(kymogram));
    EXPECT_EQ(placed.left(), kymogram.left());
    EXPECT_GT(placed.top(), kymogram.bottom());

    // A full screen: it covers as little of the others as it can, and stays on the screen.
    const QRect wide(6, 6, 988, 494);
    const QRect lower(6, 506, 494, 288);
    const std::optional<QPoint> least = FreePlace(screen, {wide, lower}, QSize(400, 300), QPoint(0, 0));
    ASSERT_TRUE(least);
    const QRect squeezed(*least, QSize(400, 300));
    EXPECT_TRUE(screen.contains(squeezed));
    EXPECT_FALSE(squeezed.intersects(lower));
    const QRect over = squeezed.intersected(wide);
    EXPECT_LE(over.width() * over.height(), 400 * 12);
    // Larger than the screen: nowhere.
    EXPECT_FALSE(FreePlace(screen, {}, QSize(1200, 300), QPoint(0, 0)));
}
