#pragma once
// Places an analysis window's value axis, bottom axis and picture by the shared plot layout, now
// and whenever the window resizes or an axis' labels need other room.

#include "analysis/PlotLayout.h"
#include "plot/widgets/saxes.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <functional>

// The strips are as thick as the layout designs them, thicker when their labels need it.
inline void PlacePlot(QSize client, TAxis& leftAxis, TAxis& bottomAxis, QWidget& picture)
{
    const int bottomHeight = std::max(kPlotBottomAxisHeight, int(bottomAxis.LabelRoom()));
    leftAxis.resize(leftAxis.width(), std::max(1, client.height() - bottomHeight));  // its labels follow the height
    const int leftWidth = std::max(kPlotLeftAxisWidth, int(leftAxis.LabelRoom()));
    const TPlotLayout layout = LayoutPlot(client, leftWidth, bottomHeight);
    leftAxis.setGeometry(layout.leftAxis);
    bottomAxis.setGeometry(layout.bottomAxis);
    picture.setGeometry(layout.picture);
}

// Owned by the window it places (a child QObject); the axes and the picture are the window's.
class TPlotPlacer : public QObject {
public:
    // `placed` runs after every placing (plots drawn to the picture's size).
    TPlotPlacer(QWidget& window, TAxis& leftAxis, TAxis& bottomAxis, QWidget& picture,
                std::function<void()> placed = {})
        : QObject(&window), window_(window), leftAxis_(leftAxis), bottomAxis_(bottomAxis), picture_(picture),
          placed_(std::move(placed))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &window_ && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)) {
            PlacePlot(window_.size(), leftAxis_, bottomAxis_, picture_);
            if (placed_)
                placed_();
        }
        return false;
    }

private:
    QWidget& window_;
    TAxis& leftAxis_;
    TAxis& bottomAxis_;
    QWidget& picture_;
    std::function<void()> placed_;
};
