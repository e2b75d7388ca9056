#include "plot/widgets/saxes.h"

#include "platform/Conversions.h"
#include "plot/widgets/AccessibleText.h"
#include "plot/AxisPainter.h"
#include "plot/LabelMetrics.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

namespace {

// Sets a flag for the life of a scope and puts back what it was, exceptions included.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = old_; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace

TAxis::TAxis(QWidget* parent) : QWidget(parent)
{
    backgroundColor_ = palette().color(QPalette::Button);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // the drag cursors follow the pointer without a button
    resize(200, 200);
    InstallPaintedAccessibility();
}

// ----- range

void TAxis::TicksChanged()
{
    ticks_.MarkDirty();
    update();
}

void TAxis::ReportScaleChanged(bool changed)
{
    if (changed)
        AccessibleDescriptionChanged(*this);
    if (changed && !inEvent_ && IsConnected(&TAxis::OnScaleChanged))
        Raise(&TAxis::OnScaleChanged);
}

void TAxis::SetLoValue(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetLoValue(value));
}

void TAxis::SetHiValue(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetHiValue(value));
}

void TAxis::SetRange(double lo, double hi)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetRange(lo, hi));
}

void TAxis::SetMinLoValue(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetMinLoValue(value));
}

void TAxis::SetMaxLoValue(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetMaxLoValue(value));
}

void TAxis::SetMinHiValue(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetMinHiValue(value));
}

void TAxis::SetMaxHiValue(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetMaxHiValue(value));
}

void TAxis::SetMinValueDifference(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetMinValueDifference(value));
}

void TAxis::SetMaxValueDifference(double value)
{
    TicksChanged();
    ReportScaleChanged(scale_.SetMaxValueDifference(value));
}

void TAxis::SetIsInteger(bool value)
{
    scale_.SetIsInteger(value);
    TicksChanged();
}

void TAxis::SetLogarithmic(bool value)
{
    scale_.SetLogarithmic(value);
    TicksChanged();
}

void TAxis::SetMusicScale(bool value)
{
    musicScale_ = value;
    TicksChanged();
}

// ----- placement and mapping

void TAxis::SetPosition(tposition value)
{
    if (inEvent_)
        return;
    position_ = value;
    TicksChanged();  // the length and the label extent change with the side
}

void TAxis::SetPixelCells(bool value)
{
    pixelCells_ = value;
    TicksChanged();
}

void TAxis::SetReverse(bool value)
{
    reverse_ = value;
    TicksChanged();
}

TAxisScaleMap TAxis::Map() const
{
    TAxisScaleMap map;
    map.lo = scale_.LoValue();
    map.hi = scale_.HiValue();
    map.length = Length();
    map.logarithmic = scale_.Logarithmic();
    map.flipped = AxisFlips(position_, reverse_);
    map.cells = pixelCells_;
    return map;
}

// ----- ticks

void TAxis::RecalcTicksIfDirty()
{
    // A hidden widget gets its resize event only when shown; the length must not wait for it.
    if (ticksLength_ != Length())
        ticks_.MarkDirty();
    if (!ticks_.Dirty())
        return;
    ticksLength_ = Length();
    const TFontLabelMetrics metrics(font());
    TAxisTickInput input;
    input.map = Map();
    input.rawSpan = scale_.RawHiValue() - scale_.RawLoValue();
    input.tickSpaceAim = tickSpaceAim_;
    input.vertical = IsVerticalPosition(position_);
    input.decimalSeparator = UserDecimalSeparator(locale());
    input.metrics = &metrics;
    ticks_.Recalc(ChooseTickKind(scale_.Logarithmic(), musicScale_, input.map.lo, input.map.hi), input);
    const int32_t room = AxisLabelRoom(position_, font(), tickMarkSize_, ticks_.Ticks(), axisText_);
    if (room != labelRoom_) {
        labelRoom_ = room;
        updateGeometry();
    }
}

int32_t TAxis::LabelRoom()
{
    RecalcTicksIfDirty();
    return labelRoom_;
}

const TAxisTickList& TAxis::Ticks()
{
    RecalcTicksIfDirty();
    return ticks_.Ticks();
}

int32_t TAxis::TickCount() { return int32_t(Ticks().size()); }

QString TAxis::TickLabel(int32_t index)
{
    RecalcTicksIfDirty();
    return ticks_.Label(index);
}

void TAxis::SetTickMarkSize(int32_t value)
{
    tickMarkSize_ = value;
    ApplyAutosize();
    update();
}

void TAxis::SetTickSpaceAim(int32_t value)
{
    tickSpaceAim_ = value;
    TicksChanged();
}

void TAxis::SetShowTickmarks(bool value)
{
    showTickmarks_ = value;
    ApplyAutosize();
    update();
}

// ----- look

void TAxis::SetAxisText(const QString& value)
{
    axisText_ = value;
    TicksChanged();
}

void TAxis::SetBackgroundColor(const QColor& value)
{
    backgroundColor_ = value;
    update();
}

void TAxis::SetAutosize(bool value)
{
    autosize_ = value;
    ApplyAutosize();
    update();
}

void TAxis::ApplyAutosize()
{
    ticks_.MarkDirty();
    if (!autosize_)
        return;
    const QFontMetrics metrics(font());
    if (IsVerticalPosition(position_))
        resize(metrics.horizontalAdvance(QStringLiteral("12345")) + tickMarkSize_, height());
    else if (IsHorizontalPosition(position_))
        resize(width(), metrics.height() * 4 / 3 + tickMarkSize_);
    updateGeometry();
}

QSize TAxis::sizeHint() const
{
    const QFontMetrics metrics(font());
    if (IsHorizontalPosition(position_))
        return QSize(200, metrics.height() * 4 / 3 + tickMarkSize_);
    return QSize(metrics.horizontalAdvance(QStringLiteral("12345")) + tickMarkSize_, 200);
}

// ----- marker

void TAxis::SetMarkerVisible(bool value)
{
    markerVisible_ = value;
    update();
}

void TAxis::SetMarkerValue(double value)
{
    if (inEvent_)
        return;
    const int32_t oldPixel = MarkerPixel();
    const double oldValue = MarkerValue();
    scale_.SetMarkerValue(value);
    if (MarkerValue() != oldValue)
        AccessibleDescriptionChanged(*this);
    if (!markerVisible_)
        return;
    // Repainting the old and the new line at once erases the one and inverts the other.
    const QRegion lines = QRegion(MarkerLineRect(position_, width(), height(), oldPixel)) +
                          QRegion(MarkerLineRect(position_, width(), height(), MarkerPixel()));
    if (isVisible())
        repaint(lines);
}

// ----- events

bool TAxis::IsConnected(void (TAxis::*signal)(TAxis*)) const
{
    return isSignalConnected(QMetaMethod::fromSignal(signal));
}

void TAxis::Raise(void (TAxis::*signal)(TAxis*))
{
    const TFlagScope scope(inEvent_);
    Q_EMIT(this->*signal)(this);
}

// ----- painting and geometry

void TAxis::paintEvent(QPaintEvent*)
{
    RecalcTicksIfDirty();
    QPainter painter(this);
    TAxisPaintInput input;
    input.position = position_;
    input.width = width();
    input.height = height();
    input.tickMarkSize = tickMarkSize_;
    input.axisText = axisText_;
    input.font = font();
    input.background = backgroundColor_;
    input.foreground = palette().color(QPalette::WindowText);
    input.ticks = &ticks_.Ticks();
    input.markerVisible = markerVisible_;
    input.markerPixel = MarkerPixel();
    PaintAxis(painter, input);
}

void TAxis::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        ApplyAutosize();
        update();
    } else if (event->type() == QEvent::LocaleChange) {
        TicksChanged();
    }
    QWidget::changeEvent(event);
}

// ----- mouse

int32_t TAxis::AlongAxis(QPoint position) const
{
    return IsVerticalPosition(position_) ? position.y() : position.x();
}

void TAxis::mousePressEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    TAxisDragFrame frame;
    frame.position = position_;
    frame.width = width();
    frame.height = height();
    frame.logarithmic = scale_.Logarithmic();
    drag_.Press(frame, switches_, AlongAxis(position), LoValue(), HiValue());
    Q_EMIT OnMouseDown(this, event->button(), event->modifiers(), position);
}

void TAxis::StoreDragged(bool (TAxisScale::*store)(double), double value)
{
    try {
        (scale_.*store)(value);
    } catch (const EAxisError&) {
        // A value the scale refuses leaves that end where it was.
    }
}

void TAxis::ApplyDrag(const TAxisDragResult& result)
{
    TicksChanged();
    if (result.hi)
        StoreDragged(&TAxisScale::StoreHi, *result.hi);
    if (result.lo)
        StoreDragged(&TAxisScale::StoreLo, *result.lo);
    AccessibleDescriptionChanged(*this);
}

void TAxis::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if ((event->buttons() & Qt::LeftButton) && drag_.Mode() != TAxisDragMode::none) {
        ApplyDrag(drag_.Move(AlongAxis(position)));
    } else {
        const int32_t extent = IsVerticalPosition(position_) ? height() : width();
        setCursor(cursors_.For(position_, AxisZone(position_, extent, AlongAxis(position), switches_)));
    }
    if (drag_.Mode() != TAxisDragMode::none && switches_.AnyEnd() && IsConnected(&TAxis::OnScaleChanging))
        Raise(&TAxis::OnScaleChanging);
    Q_EMIT OnMouseMove(this, event->buttons(), event->modifiers(), position);
}

void TAxis::mouseReleaseEvent(QMouseEvent* event)
{
    drag_.Reset();
    // Also after a click without movement: plots redraw on it.
    if (switches_.AnyEnd() && IsConnected(&TAxis::OnScaleChanged))
        Raise(&TAxis::OnScaleChanged);
    Q_EMIT OnMouseUp(this, event->button(), event->modifiers(), event->position().toPoint());
}

void TAxis::mouseDoubleClickEvent(QMouseEvent* event)
{
    QWidget::mouseDoubleClickEvent(event);  // the second press of the double click
    if (!allowDoubleClick_ || !limitPrompt_)
        return;
    drag_.Reset();
    double lo = LoValue();
    double hi = HiValue();
    if (limitPrompt_(lo, hi))
        SetRange(lo, hi);
    // After cancel too: the plot redraws either way.
    if (IsConnected(&TAxis::OnScaleChanged))
        Raise(&TAxis::OnScaleChanged);
    drag_.Reset();
}
