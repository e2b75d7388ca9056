#include "analysis/SpeckleOverlay.h"

#include <QPainter>
#include <QPolygonF>

void DrawSpeckleOverlay(QPainter& painter, const TSpecklePoints& points, int32_t traceStartFrame,
                        int32_t currentFrame, const TSpeckleSettings& settings, const TValueToPixel& x,
                        const TValueToPixel& y)
{
    const auto map = [&](const QPointF& p) { return QPointF(x(p.x()), y(p.y())); };
    // Corners mapped one by one: the row axis runs downwards, so the rectangle is normalised.
    const auto area = [&](const QPointF& c, int32_t halfX, int32_t halfY) {
        return QRectF(map(QPointF(c.x() - halfX, c.y() - halfY)), map(QPointF(c.x() + halfX, c.y() + halfY)))
            .normalized();
    };

    const QColor fill = painter.brush().color();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::red, 0));
    QPolygonF line;
    line.reserve(kSpecklePoints);
    for (const QPointF& p : points)
        line << map(p);
    painter.drawPolyline(line);

    // Only trace frames 0 … 97: 98 frames, not 100.
    const int64_t k = int64_t(currentFrame) - traceStartFrame;
    if (k >= 0 && k + 1 < kSpecklePoints - 1) {
        const QPointF& current = points[size_t(k)];
        painter.setBrush(QBrush(fill, Qt::SolidPattern));
        painter.drawEllipse(map(current), 3.0, 3.0);
        painter.setBrush(Qt::NoBrush);

        painter.setPen(QPen(Qt::green, 0));
        const QPointF& scouted = settings.CorrelateToFirst ? points[0] : current;
        painter.drawRect(area(scouted, settings.ScoutHalfX, settings.ScoutHalfY));

        painter.setPen(QPen(Qt::blue, 0));
        painter.drawRect(area(current, settings.CorrHalfX, settings.CorrHalfY));
        if (k > 0) {
            const QPointF& reference = settings.CorrelateToFirst ? points[0] : points[size_t(k - 1)];
            painter.drawRect(area(reference, settings.CorrHalfX, settings.CorrHalfY));
        }
    }
    painter.restore();
}
