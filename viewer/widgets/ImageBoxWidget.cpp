#include "viewer/widgets/ImageBoxWidget.h"

#include "plot/AxisScaleMap.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

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

void TImageBoxWidget::SetInvitation(const QString& text)
{
    if (text == invitation_)
        return;
    invitation_ = text;
    update();
}

void TImageBoxWidget::paintEvent(QPaintEvent*)
{
    if (backBuffer_.size() != size())
        backBuffer_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    if (!invitation_.isEmpty()) {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Base));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, invitation_);
        return;
    }
    if (picture_ && !picture_->isNull())
        StretchPicture();  // each axis scaled on its own, no smoothing
    else
        backBuffer_.fill(Qt::black);
    if (overlay_) {
        QPainter buffer(&backBuffer_);
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

void TImageBoxWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    Q_EMIT mouseLeft();
}

void TImageBoxWidget::StretchPicture()
{
    const QImage& source = picture_->format() == QImage::Format_BGR888 || picture_->format() == QImage::Format_RGB32
                               ? *picture_
                               : picture_->convertToFormat(QImage::Format_RGB32);
    const int32_t width = backBuffer_.width();
    const int32_t height = backBuffer_.height();
    sourceColumns_.resize(size_t(width));
    for (int32_t x = 0; x < width; ++x)
        sourceColumns_[size_t(x)] = int32_t(CellAtPixel(x, source.width(), width));
    const bool bgr = source.format() == QImage::Format_BGR888;
    int32_t previousRow = -1;
    for (int32_t y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(backBuffer_.scanLine(y));
        const int32_t row = int32_t(CellAtPixel(y, source.height(), height));
        if (row == previousRow) {
            std::memcpy(out, backBuffer_.constScanLine(y - 1), size_t(width) * sizeof(QRgb));
            continue;
        }
        previousRow = row;
        const uchar* in = source.constScanLine(row);
        if (bgr) {
            for (int32_t x = 0; x < width; ++x) {
                const uchar* p = in + 3 * sourceColumns_[size_t(x)];
                out[x] = qRgb(p[2], p[1], p[0]);  // blue, green, red in memory
            }
        } else {
            const auto* pixels = reinterpret_cast<const QRgb*>(in);
            for (int32_t x = 0; x < width; ++x)
                out[x] = pixels[sourceColumns_[size_t(x)]] | 0xFF000000u;
        }
    }
}
