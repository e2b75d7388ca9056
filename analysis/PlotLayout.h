#pragma once
// The layout every analysis window shares: the value axis at the top left, the bottom axis from
// its right edge across the rest of the width, the picture above the bottom axis.

#include <QRect>
#include <QSize>
#include <algorithm>

struct TPlotLayout {
    QRect leftAxis;
    QRect bottomAxis;
    QRect picture;
};

// The designed strip sizes.
constexpr int kPlotLeftAxisWidth = 40;
constexpr int kPlotBottomAxisHeight = 30;

inline TPlotLayout LayoutPlot(QSize client, int leftAxisWidth = kPlotLeftAxisWidth,
                              int bottomAxisHeight = kPlotBottomAxisHeight)
{
    const int width = std::max(1, client.width() - leftAxisWidth);
    const int height = std::max(1, client.height() - bottomAxisHeight);
    return {QRect(0, 0, leftAxisWidth, height), QRect(leftAxisWidth, height, width, bottomAxisHeight),
            QRect(leftAxisWidth, 0, width, height)};
}
