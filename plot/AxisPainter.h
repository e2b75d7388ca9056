#pragma once
// Drawing of the axis strip onto any paint device: background, caption, tick marks, the labels
// that fit whole and clear of each other, and the inverted marker line, which passes behind the
// labels.

#include "plot/AxisPosition.h"
#include "plot/AxisTick.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;

struct TAxisPaintInput {
    tposition position = posleft;
    int32_t width = 0;
    int32_t height = 0;
    int32_t tickMarkSize = 5;
    QString axisText;
    QFont font;
    QColor background;
    QColor foreground;
    const TAxisTickList* ticks = nullptr;
    bool markerVisible = false;
    int32_t markerPixel = 0;
};

// The whole strip. A position that is none of the four sides gets its background only.
void PaintAxis(QPainter& painter, const TAxisPaintInput& input);

// The pixels the marker line covers at `pixel`: a row across a vertical axis, a column of a
// horizontal one; empty for other positions.
QRect MarkerLineRect(tposition position, int32_t width, int32_t height, int32_t pixel);

// Inverts the marker line's pixels outside the `labels` boxes; drawing it twice restores the strip.
void InvertMarkerLine(QPainter& painter, tposition position, int32_t width, int32_t height, int32_t pixel,
                      const std::vector<QRect>& labels = {});

// The thickness a strip needs across the axis to show every label of `ticks` and the caption
// whole: beside a plot the widest text, two tick lengths and a pixel to spare; under or over it
// a tick length, a line of text and a pixel.
int32_t AxisLabelRoom(tposition position, const QFont& font, int32_t tickMarkSize, const TAxisTickList& ticks,
                      const QString& axisText);
