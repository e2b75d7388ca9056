#pragma once
// "Row spectrum": the spectrum of every image row's mean intensity as a grey image, frequencies
// across, rows down; a click picks the analysis frequency.

#include <QImage>
#include <QWidget>

class TAxis;
class TForm1;
class TImageBoxWidget;

class TForm10 : public QWidget {
    Q_OBJECT
public:
    explicit TForm10(TForm1& main, QWidget* parent = nullptr);

    void DrawRowSpectrum();

    TAxis& FrequencyAxis() { return *xAxis_; }
    TAxis& RowAxis() { return *yAxis_; }
    TImageBoxWidget& Picture() { return *picture_; }
    const QImage& Bitmap() const { return bitmap_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:

    TForm1& main_;
    TAxis* xAxis_;
    TAxis* yAxis_;
    TImageBoxWidget* picture_;
    QImage bitmap_;
};
