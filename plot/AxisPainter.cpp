#include "plot/AxisPainter.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// Where the tick marks start across the strip: against the plot's side.
int32_t TickBase(const TAxisPaintInput& input)
{
    switch (input.position) {
    case posleft:
        return input.width - input.tickMarkSize;
    case posover:
        return input.height - input.tickMarkSize;
    default:
        return 0;
    }
}

int TextHeight(const QFontMetrics& metrics, const QString& text) { return text.isEmpty() ? 0 : metrics.height(); }

// Text with its top-left corner at (x, y).
void DrawTextAt(QPainter& painter, const QFontMetrics& metrics, int x, int y, const QString& text)
{
    if (!text.isEmpty())
        painter.drawText(x, y + metrics.ascent(), text);
}

// A mark of `length` pixels starting at (x, y), along x or along y.
void DrawMark(QPainter& painter, int x, int y, int length, bool alongX)
{
    if (length <= 0)
        return;
    if (alongX)
        painter.drawLine(x, y, x + length - 1, y);
    else
        painter.drawLine(x, y, x, y + length - 1);
}

void PaintVertical(QPainter& painter, const QFontMetrics& metrics, const TAxisPaintInput& input,
                   const TAxisTickList& ticks, int32_t base)
{
    const int captionWidth = metrics.horizontalAdvance(input.axisText);
    DrawTextAt(painter, metrics, input.width - input.tickMarkSize - captionWidth, 0, input.axisText);
    // Labels stay below the caption.
    const int labelLimit = TextHeight(metrics, input.axisText);
    for (const TAxisTick& tick : ticks) {
        DrawMark(painter, base, tick.pixel, input.tickMarkSize, true);
        if (tick.label.isEmpty())
            continue;
        const int labelHeight = metrics.height();
        const int top = tick.pixel - labelHeight / 2;
        if (top < labelLimit || tick.pixel + labelHeight / 2 >= input.height)
            continue;
        const int x = input.position == posright ? input.tickMarkSize + 1
                                                 : base - input.tickMarkSize - metrics.horizontalAdvance(tick.label);
        DrawTextAt(painter, metrics, x, top, tick.label);
    }
}

void PaintHorizontal(QPainter& painter, const QFontMetrics& metrics, const TAxisPaintInput& input,
                     const TAxisTickList& ticks, int32_t base)
{
    const int captionWidth = metrics.horizontalAdvance(input.axisText);
    const int captionY = input.position == posover ? base - TextHeight(metrics, input.axisText) : base + input.tickMarkSize;
    DrawTextAt(painter, metrics, input.width - captionWidth, captionY, input.axisText);
    // Labels stay left of the caption.
    const int labelLimit = input.width - captionWidth;
    for (const TAxisTick& tick : ticks) {
        DrawMark(painter, tick.pixel, base, input.tickMarkSize, false);
        if (tick.label.isEmpty())
            continue;
        const int labelWidth = metrics.horizontalAdvance(tick.label);
        const int left = tick.pixel - labelWidth / 2;
        if (left < 0 || tick.pixel + labelWidth / 2 >= labelLimit)
            continue;
        const int y = input.position == posover ? base - metrics.height() : base + input.tickMarkSize;
        DrawTextAt(painter, metrics, left, y, tick.label);
    }
}

}  // namespace

void PaintAxis(QPainter& painter, const TAxisPaintInput& input)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(QRect(0, 0, input.width, input.height), input.background);
    const bool vertical = IsVerticalPosition(input.position);
    if (vertical || IsHorizontalPosition(input.position)) {
        painter.setFont(input.font);
        painter.setPen(QPen(input.foreground, 0));
        const QFontMetrics metrics = painter.fontMetrics();
        const TAxisTickList noTicks;
        const TAxisTickList& ticks = input.ticks ? *input.ticks : noTicks;
        if (vertical)
            PaintVertical(painter, metrics, input, ticks, TickBase(input));
        else
            PaintHorizontal(painter, metrics, input, ticks, TickBase(input));
        if (input.markerVisible)
            InvertMarkerLine(painter, input.position, input.width, input.height, input.markerPixel);
    }
    painter.restore();
}

QRect MarkerLineRect(tposition position, int32_t width, int32_t height, int32_t pixel)
{
    if (IsVerticalPosition(position))
        return QRect(0, pixel, width, 1);
    if (IsHorizontalPosition(position))
        return QRect(pixel, 0, 1, height);
    return QRect();
}

void InvertMarkerLine(QPainter& painter, tposition position, int32_t width, int32_t height, int32_t pixel)
{
    const QRect line = MarkerLineRect(position, width, height, pixel);
    if (line.isEmpty())
        return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.fillRect(line, Qt::black);  // the colour is ignored: every pixel is inverted
    painter.restore();
}
