#pragma once
// Places an analysis window's value axis, bottom axis and picture by the shared plot layout.

#include "analysis/PlotLayout.h"

#include <QWidget>

inline void PlacePlot(QSize client, QWidget& leftAxis, QWidget& bottomAxis, QWidget& picture)
{
    const TPlotLayout layout = LayoutPlot(client);
    leftAxis.setGeometry(layout.leftAxis);
    bottomAxis.setGeometry(layout.bottomAxis);
    picture.setGeometry(layout.picture);
}
