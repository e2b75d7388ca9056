// What an axis looks like: grabbed offscreen to PNG, then checked where it matters: tick marks
// on the tick pixels, nothing in between, labels dropped at the crowded end, and the marker line
// inverting exactly its own row or column.

#include "axis_test_support.h"

#include "support/TestSupport.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

const QRgb kBackground = qRgb(255, 255, 255);
const QRgb kInk = qRgb(0, 0, 0);

void Dress(TAxis& axis)
{
    axis.SetBackgroundColor(QColor::fromRgb(kBackground));
    QPalette palette = axis.palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(kInk));
    axis.setPalette(palette);
    axis.setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    axis.SetMarkerValue(120);
}

// The axis grabbed, written as PNG and read back. TREMAX_KEEP_PICTURES names a folder that gets
// a copy to look at.
QImage Picture(TAxis& axis, const TScratch& scratch, const QString& name)
{
    const QString path = scratch.Path(name);
    const QPixmap grabbed = axis.grab();
    EXPECT_TRUE(grabbed.save(path, "PNG"));
    const QString keep = qEnvironmentVariable("TREMAX_KEEP_PICTURES");
    if (!keep.isEmpty())
        grabbed.save(keep + QLatin1Char('/') + name, "PNG");
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

bool AnyInk(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != kBackground)
                return true;
    return false;
}

// Every pixel of `line` in `marked` is the inverse of the same pixel in `plain`, and every other
// pixel is the same.
void ExpectOnlyLineInverted(const QImage& plain, const QImage& marked, const QRect& line)
{
    ASSERT_EQ(plain.size(), marked.size());
    int wrong = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const QRgb expected = line.contains(x, y) ? (~plain.pixel(x, y) | 0xff000000u) : plain.pixel(x, y);
            wrong += marked.pixel(x, y) == expected ? 0 : 1;
        }
    EXPECT_EQ(wrong, 0);
}

}  // namespace

TEST(AxisPicture, HorizontalAxisUnderAPlot)
{
    TScratch scratch;
    TAxis axis;
    SetUpAxis(axis, posunder, 237, 30, 0, 255);
    Dress(axis);
    const QImage plain = Picture(axis, scratch, QStringLiteral("horizontal.png"));
    axis.SetMarkerVisible(true);
    const QImage marked = Picture(axis, scratch, QStringLiteral("horizontal-marker.png"));
    ASSERT_EQ(plain.size(), QSize(237, 30));

    // Ticks 0, 50, ..., 300 at these columns; marks hang 5 pixels down from the plot edge.
    const QList<int> tickColumns{0, 46, 93, 139, 185, 231, 236};
    for (int x = 0; x < 237; ++x)
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(plain.pixel(x, y), tickColumns.contains(x) ? kInk : kBackground) << x << "," << y;
    EXPECT_EQ(plain.pixel(46, 5), kBackground);  // a mark is exactly 5 long

    EXPECT_TRUE(AnyInk(plain, QRect(36, 5, 20, 25)));    // "50" under its tick
    EXPECT_FALSE(AnyInk(plain, QRect(222, 5, 15, 25)));  // "250" and "300" would cross the end

    ASSERT_EQ(axis.MarkerPixel(), 111);
    ExpectOnlyLineInverted(plain, marked, QRect(111, 0, 1, 30));
}

TEST(AxisPicture, ReversedVerticalAxisBesideAPlot)
{
    TScratch scratch;
    TAxis axis;
    SetUpAxis(axis, posleft, 40, 237, 0, 255);
    axis.SetReverse(true);  // 0 at the top, as beside the image
    Dress(axis);
    const QImage plain = Picture(axis, scratch, QStringLiteral("vertical.png"));
    axis.SetMarkerVisible(true);
    const QImage marked = Picture(axis, scratch, QStringLiteral("vertical-marker.png"));
    ASSERT_EQ(plain.size(), QSize(40, 237));

    // Marks run from x = 35 to the plot edge at 39; labels sit left of them.
    const QList<int> tickRows{0, 46, 93, 139, 185, 231, 236};
    for (int y = 0; y < 237; ++y)
        for (int x = 35; x < 40; ++x)
            EXPECT_EQ(plain.pixel(x, y), tickRows.contains(y) ? kInk : kBackground) << x << "," << y;
    EXPECT_FALSE(AnyInk(plain, QRect(30, 0, 5, 237)));  // one tick length of room before the labels
    EXPECT_TRUE(AnyInk(plain, QRect(0, 40, 30, 12)));    // "50"
    EXPECT_FALSE(AnyInk(plain, QRect(0, 0, 30, 4)));     // "0" would stick out at the top

    ASSERT_EQ(axis.MarkerPixel(), 111);
    ExpectOnlyLineInverted(plain, marked, QRect(0, 111, 40, 1));
}

TEST(AxisPicture, CaptionKeepsLabelsAway)
{
    TScratch scratch;
    TAxis axis;
    SetUpAxis(axis, posunder, 237, 30, 0, 255);
    Dress(axis);
    axis.SetAxisText(QStringLiteral("[frames]"));
    const QImage picture = Picture(axis, scratch, QStringLiteral("caption.png"));
    const int captionWidth = QFontMetrics(axis.font()).horizontalAdvance(QStringLiteral("[frames]"));
    EXPECT_TRUE(AnyInk(picture, QRect(237 - captionWidth, 5, captionWidth, 25)));
    // "200" at column 185 would reach into the caption, so only the caption is there.
    EXPECT_FALSE(AnyInk(picture, QRect(170, 5, 237 - captionWidth - 170, 25)));
}
