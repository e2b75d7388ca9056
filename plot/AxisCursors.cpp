#include "plot/AxisCursors.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kSize = 32;
constexpr int kCentre = 16;

enum class TGrip { upper, lower, middle };

// A double arrow along y with a bar where the grip is: at the top for the upper end, at the
// bottom for the lower end, across the middle for a pan. Horizontal cursors are the same shapes
// turned a quarter clockwise, which brings the upper end to the right as on the axis.
void DrawShape(QPainter& painter, TGrip grip)
{
    const int top = grip == TGrip::upper ? 8 : 3;
    const int bottom = grip == TGrip::lower ? 23 : 28;
    painter.drawLine(kCentre, top, kCentre, bottom);
    painter.drawLine(kCentre, top, kCentre - 4, top + 4);
    painter.drawLine(kCentre, top, kCentre + 4, top + 4);
    painter.drawLine(kCentre, bottom, kCentre - 4, bottom - 4);
    painter.drawLine(kCentre, bottom, kCentre + 4, bottom - 4);
    const int bar = grip == TGrip::upper ? 4 : grip == TGrip::lower ? 27 : kCentre;
    painter.drawLine(kCentre - 7, bar, kCentre + 7, bar);
}

QCursor MakeCursor(TGrip grip, bool horizontal)
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        if (horizontal) {
            painter.translate(kCentre, kCentre);
            painter.rotate(90);
            painter.translate(-kCentre, -kCentre);
        }
        // A white halo keeps the black shape visible on dark plots.
        painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap));
        DrawShape(painter, grip);
        painter.setPen(QPen(Qt::black, 1));
        DrawShape(painter, grip);
    }
    return QCursor(QPixmap::fromImage(image), kCentre, kCentre);
}

}  // namespace

TAxisCursors::TAxisCursors()
    : verticalUpper_(MakeCursor(TGrip::upper, false)), verticalLower_(MakeCursor(TGrip::lower, false)),
      verticalMiddle_(MakeCursor(TGrip::middle, false)), horizontalUpper_(MakeCursor(TGrip::upper, true)),
      horizontalLower_(MakeCursor(TGrip::lower, true)), horizontalMiddle_(MakeCursor(TGrip::middle, true))
{
}

const QCursor& TAxisCursors::For(tposition position, TAxisDragMode zone) const
{
    const bool vertical = IsVerticalPosition(position);
    switch (zone) {
    case TAxisDragMode::hi:
        return vertical ? verticalUpper_ : horizontalUpper_;
    case TAxisDragMode::lo:
        return vertical ? verticalLower_ : horizontalLower_;
    case TAxisDragMode::pan:
        return vertical ? verticalMiddle_ : horizontalMiddle_;
    case TAxisDragMode::none:
        break;
    }
    return arrow_;
}
