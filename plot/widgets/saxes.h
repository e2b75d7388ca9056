#pragma once
// TAxis: the scale strip beside or under a plot. It holds a value range read through limits,
// maps values to pixels and back, draws ticks with labels and an inverted marker line, and lets
// the user drag either end or the middle, or double-click to type the limits.
//
// Plots read LoValue/HiValue and ValueToPixel/PixelToValue to draw and to turn mouse positions
// into values, and listen to OnScaleChanging (while dragging) and OnScaleChanged (after a
// change). A new axis sits on the left of its plot, stores 0..1 but has all bounds at 0 (so it
// reads 0..0 until its window sets them, TAxisScale::kUnbounded for none), and has no mouse
// interaction and no marker until switched on.

#include "plot/AxisCursors.h"
#include "plot/AxisDrag.h"
#include "plot/AxisError.h"
#include "plot/AxisPosition.h"
#include "plot/AxisScale.h"
#include "plot/AxisScaleMap.h"
#include "plot/AxisTickTable.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class TAxis : public QWidget {
    Q_OBJECT
public:
    explicit TAxis(QWidget* parent = nullptr);

    // Range, read through the limits. Setting an end or the range raises OnScaleChanged when the
    // request differs from what was read before (not while an axis event is running).
    double LoValue() const { return scale_.LoValue(); }
    void SetLoValue(double value);
    double HiValue() const { return scale_.HiValue(); }
    void SetHiValue(double value);
    void SetRange(double lo, double hi);

    double MinLoValue() const { return scale_.MinLoValue(); }
    void SetMinLoValue(double value);
    double MaxLoValue() const { return scale_.MaxLoValue(); }
    void SetMaxLoValue(double value);
    double MinHiValue() const { return scale_.MinHiValue(); }
    void SetMinHiValue(double value);
    double MaxHiValue() const { return scale_.MaxHiValue(); }
    void SetMaxHiValue(double value);
    double MinValueDifference() const { return scale_.MinValueDifference(); }
    void SetMinValueDifference(double value);
    double MaxValueDifference() const { return scale_.MaxValueDifference(); }
    void SetMaxValueDifference(double value);
    bool IsInteger() const { return scale_.IsInteger(); }
    void SetIsInteger(bool value);

    // Throws EAxisError (and stays linear) when switched on with an end that is not > 0.
    bool Logarithmic() const { return scale_.Logarithmic(); }
    void SetLogarithmic(bool value);
    bool MusicScale() const { return musicScale_; }
    void SetMusicScale(bool value);

    // Placement: posleft/posright run values along the height, posover/posunder along the width.
    tposition Position() const { return position_; }
    void SetPosition(tposition value);
    bool Reverse() const { return reverse_; }
    void SetReverse(bool value);
    int32_t Length() const { return AxisLength(position_, width(), height()); }

    // Axes beside an image or a kymogram: the range ends are the centres of the first and last
    // of its Hi − Lo + 1 pixels (or frames) as the image box draws them, so ticks and markers
    // sit at pixel centres. Off by default.
    bool PixelCells() const { return pixelCells_; }
    void SetPixelCells(bool value);

    int32_t ValueToPixel(double value) const { return Map().Pixel(value); }
    double PixelToValue(int32_t pixel) const { return Map().Value(pixel); }
    // The whole value drawn at a pixel (the image column, row or frame under the mouse).
    double PixelToCell(int32_t pixel) const { return Map().Cell(pixel); }
    TAxisScaleMap Map() const;

    // The current ticks. TickLabel throws EAxisError "Tickmark index out of range:<index>".
    int32_t TickCount();
    QString TickLabel(int32_t index);
    const TAxisTickList& Ticks();

    int32_t TickMarkSize() const { return tickMarkSize_; }
    void SetTickMarkSize(int32_t value);
    int32_t TickSpaceAim() const { return tickSpaceAim_; }
    void SetTickSpaceAim(int32_t value);
    bool ShowTickmarks() const { return showTickmarks_; }
    void SetShowTickmarks(bool value);
    QString AxisText() const { return axisText_; }
    void SetAxisText(const QString& value);
    QColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(const QColor& value);
    QFont Font() const { return font(); }
    void SetFont(const QFont& value) { setFont(value); }
    // Sizes the thickness to the font: "12345" wide beside a plot, 4/3 of a line under it.
    bool Autosize() const { return autosize_; }
    void SetAutosize(bool value);

    // The marker line is shown (inverted) as soon as the value changes. Changes are ignored
    // while an axis event is running.
    bool MarkerVisible() const { return markerVisible_; }
    void SetMarkerVisible(bool value);
    double MarkerValue() const { return scale_.MarkerValue(); }
    void SetMarkerValue(double value);
    int32_t MarkerPixel() const { return ValueToPixel(MarkerValue()); }
    void SetMarkerPixel(int32_t pixel) { SetMarkerValue(PixelToValue(pixel)); }

    bool AllowLoScroll() const { return switches_.lo; }
    void SetAllowLoScroll(bool value) { switches_.lo = value; }
    bool AllowHiScroll() const { return switches_.hi; }
    void SetAllowHiScroll(bool value) { switches_.hi = value; }
    bool AllowMidScroll() const { return switches_.mid; }
    void SetAllowMidScroll(bool value) { switches_.mid = value; }
    bool AllowDoubleClick() const { return allowDoubleClick_; }
    void SetAllowDoubleClick(bool value) { allowDoubleClick_ = value; }

    // True while OnScaleChanging or OnScaleChanged is being raised.
    bool InEvent() const { return inEvent_; }
    TAxisDragMode DragMode() const { return drag_.Mode(); }
    // Asks the user for both ends on a double click (the window showing the axis gives the limits
    // dialog): `lo` and `hi` come in as the axis' ends; false when the user cancelled.
    using TLimitPrompt = std::function<bool(double& lo, double& hi)>;
    void SetLimitPrompt(TLimitPrompt prompt) { limitPrompt_ = std::move(prompt); }

    QSize sizeHint() const override;
    // The thickness across the axis that shows every current label and the caption whole (see
    // AxisLabelRoom). When it changes the axis asks its parent for a new layout (a LayoutRequest
    // event), so windows can give the strip the room.
    int32_t LabelRoom();

Q_SIGNALS:
    void OnScaleChanging(TAxis* sender);
    void OnScaleChanged(TAxis* sender);
    // The mouse, passed on after the axis has handled it.
    void OnMouseDown(TAxis* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void OnMouseMove(TAxis* sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint position);
    void OnMouseUp(TAxis* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Every change that can move ticks goes through here before it happens.
    void TicksChanged();
    void RecalcTicksIfDirty();
    void ApplyAutosize();

    bool IsConnected(void (TAxis::*signal)(TAxis*)) const;
    // Raises the signal with the in-event flag set; restores the flag even when a handler throws.
    void Raise(void (TAxis::*signal)(TAxis*));
    // The setters' OnScaleChanged: not while an event is running.
    void ReportScaleChanged(bool changed);

    int32_t AlongAxis(QPoint position) const;
    void ApplyDrag(const TAxisDragResult& result);
    void StoreDragged(bool (TAxisScale::*store)(double), double value);

    TAxisScale scale_;
    TAxisTickTable ticks_;
    TAxisDrag drag_;
    TAxisScrollSwitches switches_;
    TAxisCursors cursors_;
    TLimitPrompt limitPrompt_;

    tposition position_ = posleft;
    bool reverse_ = false;
    bool pixelCells_ = false;
    bool musicScale_ = false;
    int32_t tickMarkSize_ = 5;
    int32_t tickSpaceAim_ = 40;
    bool showTickmarks_ = false;
    QString axisText_;
    QColor backgroundColor_;
    bool autosize_ = false;
    bool markerVisible_ = false;
    bool allowDoubleClick_ = false;
    bool inEvent_ = false;
    int32_t ticksLength_ = -1;  // the length the ticks were laid out for
    int32_t labelRoom_ = -1;    // what LabelRoom said last
};
