#include "plot/AxisPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <algorithm>

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

// Labels placed so far: a label that would touch one of them is left out (its mark stays).
class TPlacedLabels {
public:
    TPlacedLabels(std::vector<QRect>& boxes, int gapX, int gapY) : boxes_(boxes), gapX_(gapX), gapY_(gapY) {}
    bool Free(const QRect& box) const
    {
        const QRect wanted = box.adjusted(-gapX_, -gapY_, gapX_, gapY_);
        for (const QRect& placed : boxes_)
            if (placed.intersects(wanted))
                return false;
        return true;
    }
    void Add(const QRect& box) { boxes_.push_back(box); }

private:
    std::vector<QRect>& boxes_;
    int gapX_;
    int gapY_;
};

struct TLabelBox {
    QRect box;
    QString text;
};

// The labels drawn at a regular stride: every one if they are apart, else every 2nd, 4th, 5th,
// 10th, ... from the first, the smallest stride that keeps them apart. Greedy thinning would
// keep a label between two dropped ones ("1000  1400  1800") and read as irregular steps.
std::vector<TLabelBox> EvenlyThinned(const std::vector<TLabelBox>& labels, const TPlacedLabels& fixed, int gapX,
                                     int gapY)
{
    std::vector<TLabelBox> free;
    for (const TLabelBox& label : labels)
        if (fixed.Free(label.box))
            free.push_back(label);
    for (const size_t stride : {1, 2, 4, 5, 10, 20, 25, 50, 100, 200, 500, 1000}) {
        std::vector<QRect> boxes;
        TPlacedLabels placed(boxes, gapX, gapY);
        std::vector<TLabelBox> kept;
        bool apart = true;
        for (size_t i = 0; i < free.size() && apart; i += stride) {
            apart = placed.Free(free[i].box);
            placed.Add(free[i].box);
            kept.push_back(free[i]);
        }
        if (apart)
            return kept;
    }
    return free.empty() ? free : std::vector<TLabelBox>{free.front()};
}

void PaintVertical(QPainter& painter, const QFontMetrics& metrics, const TAxisPaintInput& input,
                   const TAxisTickList& ticks, int32_t base, std::vector<QRect>& boxes)
{
    const int captionWidth = metrics.horizontalAdvance(input.axisText);
    const QRect strip(0, 0, input.width, input.height);
    TPlacedLabels placed(boxes, 0, 1);
    if (!input.axisText.isEmpty()) {
        const QRect caption(input.width - input.tickMarkSize - captionWidth, 0, captionWidth, metrics.height());
        if (strip.contains(caption)) {
            DrawTextAt(painter, metrics, caption.x(), caption.y(), input.axisText);
            placed.Add(caption);
        }
    }
    // Labels stay below the caption.
    const int labelLimit = TextHeight(metrics, input.axisText);
    for (const TAxisTick& tick : ticks)
        DrawMark(painter, base, tick.pixel, input.tickMarkSize, true);
    std::vector<TLabelBox> labels;
    for (const TAxisTick& tick : ticks) {
        if (tick.label.isEmpty())
            continue;
        const int labelHeight = metrics.height();
        const int top = tick.pixel - labelHeight / 2;
        if (top < labelLimit || tick.pixel + labelHeight / 2 >= input.height)
            continue;
        const int labelWidth = metrics.horizontalAdvance(tick.label);
        const int x = input.position == posright ? input.tickMarkSize + 1 : base - input.tickMarkSize - labelWidth;
        // Never cut off: a strip too narrow for the label leaves it out.
        const QRect box(x, top, labelWidth, labelHeight);
        if (x < 1 || box.right() >= input.width - (input.position == posright ? 1 : 0))
            continue;
        labels.push_back({box, tick.label});
    }
    for (const TLabelBox& label : EvenlyThinned(labels, placed, 0, 1)) {
        DrawTextAt(painter, metrics, label.box.x(), label.box.y(), label.text);
        placed.Add(label.box);
    }
}

void PaintHorizontal(QPainter& painter, const QFontMetrics& metrics, const TAxisPaintInput& input,
                     const TAxisTickList& ticks, int32_t base, std::vector<QRect>& boxes)
{
    const int captionWidth = metrics.horizontalAdvance(input.axisText);
    const int labelHeight = metrics.height();
    const int textY = input.position == posover ? base - labelHeight : base + input.tickMarkSize;
    const bool fitsAcross = textY >= 0 && textY + labelHeight <= input.height;
    TPlacedLabels placed(boxes, metrics.horizontalAdvance(QLatin1Char(' ')), 0);
    if (!input.axisText.isEmpty() && fitsAcross) {
        const QRect caption(input.width - captionWidth, textY, captionWidth, labelHeight);
        DrawTextAt(painter, metrics, caption.x(), caption.y(), input.axisText);
        placed.Add(caption);
    }
    // Labels stay left of the caption.
    const int labelLimit = input.width - captionWidth;
    for (const TAxisTick& tick : ticks)
        DrawMark(painter, tick.pixel, base, input.tickMarkSize, false);
    std::vector<TLabelBox> labels;
    for (const TAxisTick& tick : ticks) {
        if (tick.label.isEmpty() || !fitsAcross)
            continue;
        const int labelWidth = metrics.horizontalAdvance(tick.label);
        const int left = tick.pixel - labelWidth / 2;
        if (left < 0 || tick.pixel + labelWidth / 2 >= labelLimit)
            continue;
        const QRect box(left, textY, labelWidth, labelHeight);
        if (box.right() >= input.width)
            continue;
        labels.push_back({box, tick.label});
    }
    for (const TLabelBox& label : EvenlyThinned(labels, placed, metrics.horizontalAdvance(QLatin1Char(' ')), 0)) {
        DrawTextAt(painter, metrics, label.box.x(), label.box.y(), label.text);
        placed.Add(label.box);
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
        std::vector<QRect> boxes;
        if (vertical)
            PaintVertical(painter, metrics, input, ticks, TickBase(input), boxes);
        else
            PaintHorizontal(painter, metrics, input, ticks, TickBase(input), boxes);
        if (input.markerVisible)
            InvertMarkerLine(painter, input.position, input.width, input.height, input.markerPixel, boxes);
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

void InvertMarkerLine(QPainter& painter, tposition position, int32_t width, int32_t height, int32_t pixel,
                      const std::vector<QRect>& labels)
{
    const QRect line = MarkerLineRect(position, width, height, pixel);
    if (line.isEmpty())
        return;
    // The line passes behind the labels it crosses, so they stay readable.
    QRegion visible(line);
    for (const QRect& label : labels)
        visible -= label;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QRect& part : visible)
        painter.fillRect(part, Qt::black);  // the colour is ignored: every pixel is inverted
    painter.restore();
}

int32_t AxisLabelRoom(tposition position, const QFont& font, int32_t tickMarkSize, const TAxisTickList& ticks,
                      const QString& axisText)
{
    const QFontMetrics metrics(font);
    if (IsHorizontalPosition(position))
        return tickMarkSize + metrics.height() + 1;
    int widest = metrics.horizontalAdvance(axisText);
    for (const TAxisTick& tick : ticks)
        widest = std::max(widest, metrics.horizontalAdvance(tick.label));
    return widest + 2 * tickMarkSize + 1;
}
