#include "glottis/Phonovibrogram.h"

#include "platform/Errors.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cmath>

TGlottalAxis FitGlottalAxis(const TGlottisResult& result)
{
    TGlottalAxis axis;
    double n = 0, sx = 0, sy = 0;
    for (const auto& runs : result.regions)
        for (const TGlottisRun& r : runs) {
            const double k = r.x1 - r.x0 + 1;
            n += k;
            sx += k * (r.x0 + r.x1) / 2.0;
            sy += k * r.y;
        }
    if (n < 2)
        return axis;
    const double cx = sx / n, cy = sy / n;
    double xx = 0, xy = 0, yy = 0;
    for (const auto& runs : result.regions)
        for (const TGlottisRun& r : runs)
            for (int32_t x = r.x0; x <= r.x1; ++x) {
                xx += (x - cx) * (x - cx);
                xy += (x - cx) * (r.y - cy);
                yy += (r.y - cy) * (r.y - cy);
            }
    // The principal direction of the pixels' scatter.
    const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
    QPointF u(std::cos(angle), std::sin(angle));
    if (std::abs(u.y()) > std::abs(u.x()) ? u.y() < 0 : u.x() < 0)
        u = -u;  // anterior (top, or left) to posterior
    double lo = 1e300, hi = -1e300;
    for (const auto& runs : result.regions)
        for (const TGlottisRun& r : runs)
            for (const int32_t x : {r.x0, r.x1}) {
                const double s = (x - cx) * u.x() + (r.y - cy) * u.y();
                lo = std::min(lo, s);
                hi = std::max(hi, s);
            }
    // Interior pixels of a run project between its ends, so the ends bound every pixel.
    axis.valid = true;
    axis.direction = u;
    axis.normal = QPointF(-u.y(), u.x());
    if (axis.normal.x() < 0 || (axis.normal.x() == 0 && axis.normal.y() < 0))
        axis.normal = -axis.normal;
    axis.anterior = QPointF(cx, cy) + std::floor(lo) * u;
    axis.posterior = QPointF(cx, cy) + std::ceil(hi) * u;
    return axis;
}

TPhonovibrogram Phonovibrogram(const TGlottisResult& result)
{
    TPhonovibrogram pvg;
    pvg.firstFrame = result.first;
    pvg.frames = int32_t(result.regions.size());
    pvg.axis = FitGlottalAxis(result);
    if (!pvg.axis.valid)
        return pvg;
    const QPointF a = pvg.axis.anterior, u = pvg.axis.direction, nrm = pvg.axis.normal;
    pvg.positions = int32_t(std::lround(QPointF::dotProduct(pvg.axis.posterior - a, u))) + 1;
    const size_t cells = size_t(pvg.frames) * size_t(pvg.positions);
    constexpr float kNone = -1e30f;
    pvg.left.assign(cells, kNone);
    pvg.right.assign(cells, kNone);
    for (int32_t f = 0; f < pvg.frames; ++f) {
        float* left = pvg.left.data() + size_t(f) * size_t(pvg.positions);
        float* right = pvg.right.data() + size_t(f) * size_t(pvg.positions);
        for (const TGlottisRun& r : result.regions[size_t(f)])
            for (int32_t x = r.x0; x <= r.x1; ++x) {
                const QPointF d(x - a.x(), r.y - a.y());
                const int32_t k = int32_t(std::lround(QPointF::dotProduct(d, u)));
                if (k < 0 || k >= pvg.positions)
                    continue;
                // A pixel reaches half a pixel beyond its centre.
                const float across = float(QPointF::dotProduct(d, nrm));
                left[k] = std::max(left[k], 0.5f - across);
                right[k] = std::max(right[k], across + 0.5f);
            }
        for (int32_t k = 0; k < pvg.positions; ++k) {
            if (left[k] == kNone)
                left[k] = right[k] = 0;
            pvg.maxDistance = std::max({pvg.maxDistance, left[k], right[k]});
        }
    }
    return pvg;
}

QRgb PhonovibrogramColour(double fraction)
{
    const double t = std::clamp(fraction, 0.0, 1.0);
    auto ramp = [&](double from, double to) { return int(std::lround(255 * std::clamp((t - from) / (to - from), 0.0, 1.0))); };
    return qRgb(ramp(0.0, 0.4), ramp(0.35, 0.75), ramp(0.7, 1.0));
}

QImage PhonovibrogramImage(const TPhonovibrogram& pvg)
{
    if (pvg.frames <= 0 || pvg.positions <= 0)
        return {};
    const int32_t l = pvg.positions, plotHeight = 2 * l + 1;
    constexpr int32_t kLegendWidth = 64;
    const int32_t legendHeight = std::max(plotHeight, 48);
    QImage image(pvg.frames + kLegendWidth, legendHeight, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    const double scale = pvg.maxDistance > 0 ? 1.0 / pvg.maxDistance : 0;
    for (int32_t f = 0; f < pvg.frames; ++f) {
        for (int32_t k = 0; k < l; ++k) {
            image.setPixel(f, k, PhonovibrogramColour(pvg.Left(f, k) * scale));
            image.setPixel(f, 2 * l - k, PhonovibrogramColour(pvg.Right(f, k) * scale));
        }
        image.setPixel(f, l, qRgb(128, 128, 128));  // the axis line
    }
    // The legend: a bar from 0 (bottom) to the largest distance (top), labelled in pixels.
    QPainter painter(&image);
    const int32_t barX = pvg.frames + 6, barTop = 6, barBottom = legendHeight - 7;
    for (int32_t y = barTop; y <= barBottom; ++y) {
        const double fraction = barBottom > barTop ? double(barBottom - y) / (barBottom - barTop) : 0;
        painter.setPen(QColor(PhonovibrogramColour(fraction)));
        painter.drawLine(barX, y, barX + 10, y);
    }
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(barX + 13, barTop - 4, kLegendWidth - 19, 12), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 px").arg(double(pvg.maxDistance), 0, 'f', 1));
    painter.drawText(QRect(barX + 13, barBottom - 7, kLegendWidth - 19, 12), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("0 px"));
    return image;
}

TPhonovibrogram FoundPhonovibrogram(const TSequence& sequence, const TGlottisSpan& span)
{
    TPhonovibrogram pvg = Phonovibrogram(SegmentGlottis(sequence, span));
    if (pvg.positions <= 0)
        throw EError(QStringLiteral("No glottis found at %1,%2 in frames %3 to %4")
                         .arg(span.seed.x()).arg(span.seed.y()).arg(span.first).arg(span.last));
    return pvg;
}
