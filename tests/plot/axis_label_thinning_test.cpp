// Crowded axis labels are thinned evenly: every 2nd (4th, 5th, ...) label from the first, never a
// label kept between two dropped ones, which would read as uneven steps.
#include "plot/AxisPainter.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace {

// Columns (or rows) of the strip that hold ink beyond the tick marks, grouped into labels.
std::vector<int> LabelCentres(const QImage& image, bool vertical, int skipAcross)
{
    std::vector<std::pair<int, int>> runs;
    const int lines = vertical ? image.height() : image.width();
    const int across = vertical ? image.width() : image.height();
    for (int i = 0; i < lines; ++i) {
        bool ink = false;
        for (int j = 0; j < across && !ink; ++j) {
            if (vertical ? j >= across - skipAcross : j < skipAcross)
                continue;
            ink = (image.pixel(vertical ? QPoint(j, i) : QPoint(i, j)) & 0xFFFFFF) != 0xFFFFFF;
        }
        if (!ink)
            continue;
        if (!runs.empty() && i - runs.back().second <= 3)
            runs.back().second = i;
        else
            runs.push_back({i, i});
    }
    std::vector<int> centres;
    for (const auto& [first, last] : runs)
        centres.push_back((first + last) / 2);
    return centres;
}

}  // namespace

TEST(AxisLabelThinning, CrowdedLabelsAreKeptAtAnEvenStride)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    // 0 … 2000 in steps of 200, spaced so that three-digit labels fit and four-digit ones touch.
    const int spacing = metrics.horizontalAdvance(QStringLiteral("1000")) + metrics.horizontalAdvance(QLatin1Char(' ')) / 2;
    ASSERT_LT(metrics.horizontalAdvance(QStringLiteral("800")) + 2 * metrics.horizontalAdvance(QLatin1Char(' ')), spacing);
    TAxisTickList ticks;
    for (int k = 0; k <= 10; ++k)
        ticks.push_back({200.0 * k, 30 + k * spacing, QString::number(200 * k)});
    TAxisPaintInput input;
    input.position = posunder;
    input.width = 60 + 10 * spacing;
    input.height = 30;
    input.font = font;
    input.background = Qt::white;
    input.foreground = Qt::black;
    input.ticks = &ticks;
    QImage image(input.width, input.height, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintAxis(painter, input);
    painter.end();

    // Every other label: 0, 400, 800, 1200, 1600, 2000 at even distances.
    const std::vector<int> centres = LabelCentres(image, false, input.tickMarkSize);
    ASSERT_EQ(centres.size(), 6u);
    for (size_t i = 0; i < centres.size(); ++i)
        EXPECT_NEAR(centres[i], ticks[2 * i].pixel, spacing / 2) << i;
}
