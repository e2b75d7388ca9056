#include "viewer/ui/ColourLegendWindow.h"

#include "analysis/PixelColour.h"

#include <QCloseEvent>
#include <QPainter>
#include <algorithm>

TColourLegendWindow::TColourLegendWindow(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Color legend"));
    resize(160, 260);
    setMinimumSize(60, 80);
}

void TColourLegendWindow::SetLevels(double loSat, double hiSat, bool showPhase)
{
    legend_ = ColourLegend(loSat, hiSat, showPhase);
    showPhase_ = showPhase;
    // Room for the legend at its own size at least: scaled down, its labels run together.
    const int line = fontMetrics().height();
    const QSize wanted = legend_.size() + QSize(4, 2 * line + 4);
    if (!isVisible())
        resize(wanted);  // opened at the legend's own size
    else if (width() < wanted.width() || height() < wanted.height())
        resize(size().expandedTo(wanted));
    update();
}

QStringList TColourLegendWindow::UnitTexts() const
{
    QStringList units{QStringLiteral("[dB]")};
    if (showPhase_)
        units << QStringLiteral("[\u00B0]");
    return units;
}

void TColourLegendWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QStringList units = UnitTexts();
    const int line = fontMetrics().height();
    // The legend between the unit lines, as large as fits without distortion.
    const QRect room = rect().adjusted(2, line + 2, -2, -(units.size() > 1 ? line + 2 : 2));
    QRect target(room.topLeft(), QSize(0, 0));
    if (!legend_.isNull() && room.width() > 0 && room.height() > 0) {
        // Never enlarged: its labels would grow out of proportion with the window's texts.
        target.setSize(legend_.size().boundedTo(legend_.size().scaled(room.size(), Qt::KeepAspectRatio)));
        painter.drawImage(target, legend_);
    }
    // Each unit by its scale: dB over the level labels, degrees under the phase labels' end.
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(2, 0, width() - 4, line + 2), Qt::AlignLeft | Qt::AlignVCenter, units.front());
    if (units.size() > 1)
        painter.drawText(QRect(2, target.bottom() + 1, std::max(target.right() - 1, 1), line + 2),
                         Qt::AlignRight | Qt::AlignVCenter, units.back());
}

void TColourLegendWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    Q_EMIT closed();
}
