#pragma once
// The main window's image box: stretches the frame bitmap over itself through a back buffer
// (no flicker during playback) and reports the mouse in box pixels. Each box pixel shows the
// picture pixel that holds its centre (CellAtPixel), the rule the image axes pick by.

#include <QImage>
#include <QWidget>
#include <functional>
#include <vector>

class TImageBoxWidget : public QWidget {
    Q_OBJECT
public:
    explicit TImageBoxWidget(QWidget* parent = nullptr);

    // The picture to show; owned by the caller, read at every paint.
    void SetPicture(const QImage* picture) { picture_ = picture; }
    // Drawn over the stretched picture, in box pixels (the speckle trace).
    void SetOverlay(std::function<void(QPainter&)> overlay) { overlay_ = std::move(overlay); }
    const QImage& BackBuffer() const { return backBuffer_; }
    // A text shown instead of the picture (what to do while nothing is open); empty: the picture.
    void SetInvitation(const QString& text);
    const QString& Invitation() const { return invitation_; }
    // Calls `pick` on a left-button press and on every move while the left button is held.
    void OnLeftButtonPicks(const QObject* context, const std::function<void(QPoint)>& pick);

Q_SIGNALS:
    void mousePressed(QPoint position, Qt::MouseButton button);
    void mouseMoved(QPoint position, Qt::MouseButtons buttons);
    void mouseReleased(QPoint position, Qt::MouseButton button);
    // The pointer left the box (readouts clear).
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void StretchPicture();

    const QImage* picture_ = nullptr;
    std::vector<int32_t> sourceColumns_;  // per box column, kept between paints
    QImage backBuffer_;
    std::function<void(QPainter&)> overlay_;
    QString invitation_;
};
