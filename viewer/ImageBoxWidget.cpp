#include "viewer/ImageBoxWidget.h"

#include <QMouseEvent>
#include <QPainter>

TImageBoxWidget::TImageBoxWidget(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted each time: never erase the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TImageBoxWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (width() > 0 && height() > 0)
        backBuffer_ = QImage(size(), QImage::Format_RGB32);
}

void TImageBoxWidget::paintEvent(QPaintEvent*)
{
    if (backBuffer_.size() != size())
        backBuffer_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    {
        QPainter buffer(&backBuffer_);
        if (picture_ && !picture_->isNull())
            buffer.drawImage(backBuffer_.rect(), *picture_);  // each axis scaled on its own, no smoothing
        else
            buffer.fillRect(backBuffer_.rect(), Qt::black);
        if (overlay_)
            overlay_(buffer);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, backBuffer_);
}

void TImageBoxWidget::OnLeftButtonPicks(const QObject* context, const std::function<void(QPoint)>& pick)
{
    connect(this, &TImageBoxWidget::mousePressed, context, [pick](QPoint position, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            pick(position);
    });
    connect(this, &TImageBoxWidget::mouseMoved, context, [pick](QPoint position, Qt::MouseButtons buttons) {
        if (buttons & Qt::LeftButton)
            pick(position);
    });
}

void TImageBoxWidget::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT mousePressed(event->position().toPoint(), event->button());
}

void TImageBoxWidget::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved(event->position().toPoint(), event->buttons());
}

void TImageBoxWidget::mouseReleaseEvent(QMouseEvent* event)
{
    Q_EMIT mouseReleased(event->position().toPoint(), event->button());
}
