#pragma once
// "Kymo": the selected row followed over a span of frames, and the time navigator. Its frame
// axis sets the span (and with it the frame block); a click picks a frame and a column.

#include "analysis/Kymogram.h"

#include <QImage>
#include <QWidget>

class TAxis;
class TErrorHandler;
class TViewerSession;
class TImageBoxWidget;

class TForm4 : public QWidget {
    Q_OBJECT
public:
    // The session and the error handler must outlive the window.
    TForm4(TViewerSession& session, TErrorHandler& errors, QWidget* parent = nullptr);

    TAxis& TimeAxis() { return *timeAxis_; }
    TAxis& ColumnAxis() { return *columnAxis_; }
    void BuildKymogram();
    void ShowKymogram();

    const QImage& Bitmap() const { return bitmap_; }
    const TKymogramBuilder& Builder() const { return builder_; }
    TImageBoxWidget& Picture() { return *picture_; }
    // The kymogram shown as the CSV table tremax-cli's kymogram command writes with -o FILE.csv.
    QByteArray DataTable();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The frame axis shows the session's span with its limits.
    void MirrorSpan();
    void PickAt(QPoint position, bool releasePlay);
    void FollowImageWidth(int32_t width);
    void ShowReadout(QPoint position);

    TViewerSession& session_;
    TErrorHandler& errors_;
    TAxis* timeAxis_;
    TAxis* columnAxis_;
    TImageBoxWidget* picture_;
    QImage bitmap_;
    TKymogramBuilder builder_;
    bool mirroring_ = false;
};
