#pragma once
// "Point spectrum": the power spectrum of one pixel in dB over Hz; a click picks the analysis
// frequency.

#include <QImage>
#include <QPoint>
#include <QWidget>

class TAxis;
class TErrorHandler;
class TViewerSession;
class TImageBoxWidget;

class TForm5 : public QWidget {
    Q_OBJECT
public:
    // The session and the error handler must outlive the window.
    TForm5(TViewerSession& session, TErrorHandler& errors, QWidget* parent = nullptr);

    void DrawPointSpectrum(int32_t column, int32_t row);

    TAxis& FrequencyAxis() { return *xAxis_; }
    TAxis& PowerAxis() { return *yAxis_; }
    TImageBoxWidget& Picture() { return *picture_; }
    const QImage& Plot() const { return plot_; }
    QPoint Pixel() const { return pixel_; }
    // Whether the pixel shown had a spectrum (a constant pixel has none).
    bool HasCurve() const { return hasCurve_; }

    // The dB axis' range at start and after "Reset".
    static constexpr double kDefaultLoDb = -50;
    static constexpr double kDefaultHiDb = 10;
    // Context menu: the dB axis fitted to the curve shown, or back to its default range.
    void FitToData();
    void ResetRange();
    // The curve shown as the CSV table tremax-cli's spectrum command writes.
    QByteArray DataTable() const;
    // Drawn in the plot's corner: the curve's value at the selected frequency ("7.4 Hz: -23.5
    // dB"); empty without a curve.
    QString SelectedValueText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Redraw();
    void PickAt(QPoint position);
    void ShowReadout(QPoint position);
    int32_t BinAt(double hz) const;

    TViewerSession& session_;
    TErrorHandler& errors_;
    TAxis* xAxis_;
    TAxis* yAxis_;
    TImageBoxWidget* picture_;
    QImage plot_;
    QPoint pixel_{0, 0};
    bool hasCurve_ = false;
};
