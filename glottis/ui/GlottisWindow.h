#pragma once
// "Glottis": the glottis segmented from a seed over a span of frames, built on the viewer
// session. It shows the glottal area waveform (a click moves the frame), the vibration parameters
// and the phonovibrogram, and gives the main image the outline of the current frame's glottis.
// The span is segmented in slices between events, so the window stays responsive; Esc stops it.

#include "glottis/GlottisAnalysis.h"
#include "glottis/GlottisParameters.h"
#include "glottis/Phonovibrogram.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QPainter;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TAxis;
class TErrorHandler;
class TMontageFrames;
class TImageBoxWidget;
class TViewerSession;

class TGlottisWindow : public QWidget {
    Q_OBJECT
public:
    // Longest stretch of segmenting between two looks at the event loop.
    static constexpr int kSliceMs = 10;

    // The session and the error handler must outlive the window.
    TGlottisWindow(TViewerSession& session, TErrorHandler& errors, QWidget* parent = nullptr);
    ~TGlottisWindow() override;

    // The seed and the region of interest around it (the default one), then the span is segmented.
    void SetSeed(QPoint seed);
    // Segments the span of the controls from the seed; a running segmentation starts over.
    void Analyse();
    // Stops a running segmentation (Esc); what was done is dropped.
    void Cancel();
    bool Running() const { return analysis_ != nullptr; }
    bool HasResult() const { return !result_.area.empty(); }

    const TGlottisResult& Result() const { return result_; }
    const TGlottisParameters& Parameters() const { return parameters_; }
    const QImage& WaveformPlot() const { return plot_; }
    const QImage& PvgPicture() const { return pvgImage_; }
    QTableWidget& Table() { return *table_; }
    TImageBoxWidget& WaveformPicture() { return *picture_; }
    TAxis& FrameAxis() { return *xAxis_; }
    QString StatusText() const;
    // Next click on the main image sets the seed.
    void SetPicking(bool on);

    // The waveform and the parameters as "Export data..." writes them: the table frame,area, an
    // empty line, the table name,value,unit (as tremax-cli glottis writes them).
    QByteArray DataTable() const;
    // The current frame's glottis outlined over the main image; the maps turn image columns and
    // rows into the image widget's pixels.
    void DrawOutline(QPainter& painter, const std::function<double(double)>& toX,
                     const std::function<double(double)>& toY) const;

Q_SIGNALS:
    // A segmentation finished: the waveform and the parameters are new.
    void analysed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Slice();
    void Finish();
    void RedrawPlot();
    void ShowParameters();
    void PickFrameAt(QPoint position);
    void SetSpanControls();

    TViewerSession& session_;
    TErrorHandler& errors_;
    QPushButton* pick_;
    QSpinBox* seedX_;
    QSpinBox* seedY_;
    QSpinBox* roi_[4];
    QSpinBox* from_;
    QSpinBox* to_;
    QPushButton* analyse_;
    QPushButton* export_;
    QProgressBar* progress_;
    QLabel* status_;
    QWidget* plotArea_;
    TAxis* xAxis_;
    TAxis* yAxis_;
    TImageBoxWidget* picture_;
    QImage plot_;
    QTableWidget* table_;
    TImageBoxWidget* pvgBox_;
    QImage pvgImage_;

    std::unique_ptr<TMontageFrames> frames_;
    std::unique_ptr<TGlottisAnalysis> analysis_;
    QTimer slices_;
    QElapsedTimer elapsed_;
    TGlottisResult result_;
    TGlottisParameters parameters_;
    TPhonovibrogram pvg_;
    QString statusText_;
};
