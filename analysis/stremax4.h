#pragma once
// "Kymo": the selected row followed over a span of frames, and the time navigator. Its frame
// axis sets the span (and with it the frame block); a click picks a frame and a column.

#include "analysis/Kymogram.h"
#include "viewer/MainWindowPeers.h"

#include <QImage>
#include <QWidget>

class TForm1;
class TImageBoxWidget;

class TForm4 : public QWidget, public TKymogramPeer {
    Q_OBJECT
public:
    explicit TForm4(TForm1& main, QWidget* parent = nullptr);

    // TKymogramPeer
    TAxis& TimeAxis() override { return *timeAxis_; }
    TAxis& ColumnAxis() override { return *columnAxis_; }
    void BuildKymogram() override;
    void ShowKymogram() override;

    const QImage& Bitmap() const { return bitmap_; }
    const TKymogramBuilder& Builder() const { return builder_; }
    TImageBoxWidget& Picture() { return *picture_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnTimeAxisChanged();
    void PickAt(QPoint position, bool releasePlay);
    void FollowImageWidth(int32_t width);

    TForm1& main_;
    TAxis* timeAxis_;
    TAxis* columnAxis_;
    TImageBoxWidget* picture_;
    QImage bitmap_;
    TKymogramBuilder builder_;
};
