#pragma once
// "Waveform": the grey value of one pixel over the frames of the block, the very samples whose
// spectrum the point spectrum shows. Curve and marker count absolute frame numbers.


#include <QImage>
#include <QPoint>
#include <QWidget>

class TAxis;
class TErrorHandler;
class TViewerSession;
class TImageBoxWidget;

class TForm7 : public QWidget {
    Q_OBJECT
public:
    // The session and the error handler must outlive the window.
    TForm7(TViewerSession& session, TErrorHandler& errors, QWidget* parent = nullptr);

    void DrawWaveform(int32_t column, int32_t row);
    void SetFrameMarker(int32_t frame);
    void ShowWaveform();

    TAxis& FrameAxis() { return *xAxis_; }
    TAxis& ValueAxis() { return *yAxis_; }
    const QImage& Plot() const { return plot_; }
    QPoint Pixel() const { return pixel_; }

    // Context menu: the grey axis fitted to the curve shown, or back to 0 … 255.
    void FitToData();
    void ResetRange();
    // The curve shown as the CSV table tremax-cli's waveform command writes.
    QByteArray DataTable() const;

protected:

private:
    void FollowBlock();
    void Redraw();

    TViewerSession& session_;
    TErrorHandler& errors_;
    TAxis* xAxis_;
    TAxis* yAxis_;
    TImageBoxWidget* picture_;
    QImage plot_;
    QPoint pixel_{0, 0};
};
