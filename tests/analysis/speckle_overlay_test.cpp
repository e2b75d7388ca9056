// The speckle overlay drawn on a white picture: which mark is where, and in which frames.
#include "analysis/SpeckleOverlay.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace {

// Point n at (20 + n, 30); box pixels 3 per image pixel, rows upwards from y = 180 (an axis
// drawn in reverse, as the image's row axis): point n lands on (60 + 3n, 90).
QImage Draw(int32_t currentFrame, bool toFirst)
{
    TSpecklePoints points;
    for (int32_t n = 0; n < kSpecklePoints; ++n)
        points[size_t(n)] = QPointF(20 + n, 30);
    TSpeckleSettings settings{5, 4, 2, 1, toFirst, false};
    QImage picture(400, 200, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setBrush(Qt::yellow);
    DrawSpeckleOverlay(painter, points, 10, currentFrame, settings, [](double v) { return 3 * v; },
                       [](double v) { return 180 - 3 * v; });
    return picture;
}

QRgb At(const QImage& picture, int x, int y) { return picture.pixel(x, y) & 0xFFFFFF; }
constexpr QRgb kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00, kWhite = 0xFFFFFF;

}  // namespace

TEST(SpeckleOverlay, MarksTheCurrentStep)
{
    // Frame 12: k = 2, point (22, 30) at (66, 90).
    const QImage previous = Draw(12, false);
    EXPECT_EQ(At(previous, 200, 90), kRed);     // the trace
    EXPECT_EQ(At(previous, 66, 90), kYellow);   // the circle's inside, over the trace
    EXPECT_EQ(At(previous, 60, 87), kGreen);    // scouting (20 … 24, 29 … 31): x 60 … 72, y 87 … 93
    EXPECT_EQ(At(previous, 72, 93), kGreen);
    EXPECT_EQ(At(previous, 51, 78), kBlue);     // correlation around point 2: x 51 … 81, y 78 … 102
    EXPECT_EQ(At(previous, 48, 85), kBlue);     // … and around point 1, the reference: x 48 … 78
    EXPECT_EQ(At(previous, 45, 85), kWhite);

    // Against the first image, scouting and reference areas are around point 0: x 54 … 66, 45 … 75.
    const QImage first = Draw(12, true);
    EXPECT_EQ(At(first, 54, 87), kGreen);
    EXPECT_EQ(At(first, 72, 93), kWhite);
    EXPECT_EQ(At(first, 45, 85), kBlue);
    EXPECT_EQ(At(first, 48, 85), kWhite);
}

TEST(SpeckleOverlay, StepMarksOnlyForTraceFrames0To97)
{
    const auto count = [](const QImage& picture, QRgb colour) {
        int n = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                n += At(picture, x, y) == colour;
        return n;
    };
    // Frame 10 is k = 0: no reference area yet; k = 97 the last with marks.
    const QImage start = Draw(10, false);
    EXPECT_EQ(At(start, 60, 90), kYellow);
    EXPECT_EQ(At(start, 42, 85), kWhite);  // the reference area would reach x = 3 · (19 − 5)
    EXPECT_EQ(At(Draw(107, false), 60 + 3 * 97, 90), kYellow);
    for (int32_t frame : {9, 108, 109}) {
        const QImage picture = Draw(frame, false);
        EXPECT_EQ(count(picture, kYellow), 0) << "frame " << frame;
        EXPECT_EQ(count(picture, kGreen) + count(picture, kBlue), 0) << "frame " << frame;
        EXPECT_EQ(At(picture, 200, 90), kRed) << "frame " << frame;
    }
}
