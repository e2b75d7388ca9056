#pragma once
// "Row spectrum": the spectrum of every image row's mean intensity as a grey image, frequencies
// across, rows down; a click picks the analysis frequency.

#include <QImage>
#include <QWidget>

class TAxis;
class TErrorHandler;
class TViewerSession;
class TImageBoxWidget;

class TForm10 : public QWidget {
    Q_OBJECT
public:
    // The session and the error handler must outlive the window.
    TForm10(TViewerSession& session, TErrorHandler& errors, QWidget* parent = nullptr);

    void DrawRowSpectrum();

    TAxis& FrequencyAxis() { return *xAxis_; }
    TAxis& RowAxis() { return *yAxis_; }
    TImageBoxWidget& Picture() { return *picture_; }
    const QImage& Bitmap() const { return bitmap_; }
    // The row spectra as the CSV table tremax-cli's rowspectra command writes.
    QByteArray DataTable();

protected:

private:

    TViewerSession& session_;
    TErrorHandler& errors_;
    TAxis* xAxis_;
    TAxis* yAxis_;
    TImageBoxWidget* picture_;
    QImage bitmap_;
};
