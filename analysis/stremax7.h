#pragma once
// "Waveform": the grey value of one pixel over the frames of the block, the very samples whose
// spectrum the point spectrum shows. Curve and marker count absolute frame numbers.

#include "viewer/MainWindowPeers.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

class TForm1;
class TImageBoxWidget;

class TForm7 : public QWidget, public TWaveformPeer {
    Q_OBJECT
public:
    explicit TForm7(TForm1& main, QWidget* parent = nullptr);

    // TWaveformPeer
    void DrawWaveform(int32_t column, int32_t row) override;
    void SetFrameMarker(int32_t frame) override;
    void ShowWaveform() override;

    TAxis& FrameAxis() { return *xAxis_; }
    TAxis& ValueAxis() { return *yAxis_; }
    const QImage& Plot() const { return plot_; }
    QPoint Pixel() const { return pixel_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FollowBlock();
    void Redraw();

    TForm1& main_;
    TAxis* xAxis_;
    TAxis* yAxis_;
    TImageBoxWidget* picture_;
    QImage plot_;
    QPoint pixel_{0, 0};
};
