#pragma once
// The main window: owns the sequence and the view state, shows the current frame between two
// axes, and is the hub of setters through which every change goes (compare, store, mirror,
// redraw). Its concerns live in files of their own: stremax1Menus (actions, menus, tool bar),
// stremax1Open (opening a sequence), stremax1Playback (the Play button and the timer),
// stremax1Picking (the mouse on the image), stremax1Spectra (the spectrum store and colorizing).

#include "viewer/DisplaySettingsTarget.h"
#include "viewer/FrameRenderer.h"
#include "viewer/Playback.h"
#include "viewer/Sequence.h"
#include "viewer/ViewState.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class TAxis;
class TErrorHandler;
class TForm2;
class TImageBoxWidget;
class TKymogramPeer;
class TSpectrumPeer;
class TSpectrumStore;
class TWaveformPeer;

class TForm1 : public QMainWindow, public TDisplaySettingsTarget {
    Q_OBJECT
public:
    static constexpr int kPlaybackIntervalMs = 20;

    TForm1(TErrorHandler& errors, TPlaybackClock& clock, QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows the main window mirrors into and draws through; any may be absent.
    void AttachControls(TForm2* controls) { controls_ = controls; }
    void AttachKymogram(TKymogramPeer* kymogram) { kymogram_ = kymogram; }
    void AttachSpectra(TSpectrumPeer* spectra) { spectra_ = spectra; }
    void AttachWaveform(TWaveformPeer* waveform) { waveform_ = waveform; }
    // The file to open at the first activation (the first command-line argument).
    void SetCommandLineFile(const QString& fileName) { commandLineFile_ = fileName; }

    const TViewState& View() const { return view_; }
    TSequence& Sequence() { return sequence_; }
    const TSequence& Sequence() const { return sequence_; }
    const QImage& FrameBitmap() const { return frameBitmap_; }
    TErrorHandler& Errors() { return errors_; }
    bool Activated() const { return activated_; }

    // The first activation builds the whole initial state; later calls do nothing.
    void FirstActivation();

    // Setters of the view.
    void SetCurrentFrame(int32_t frame);
    void SetSelectedRow(int32_t row);
    void SetSelectedPoint(int32_t column, int32_t row);
    void SetKymogramShown(bool shown);
    void SetPhaseReference(int32_t column, int32_t row);
    void RenderFrame();
    // The point spectrum and the waveform of a pixel, without making it the selected point (the
    // kymogram's clicks).
    void DrawPointPlots(int32_t column, int32_t row);
    // Frames per analysed series.
    int32_t SpectrumLength() const;
    // The spectrum store: every pixel's and row's spectra and the selected frequency.
    TSpectrumStore& Spectra() { return *spectra_store_; }
    void SetSelectedFrequency(double hz);
    // "Spectral colorizing": the sweep over every pixel when `down`, then the image re-rendered.
    void Colorize(bool down);
    // The action's button, drawn up or down without running the action.
    bool ColorizeButtonDown() const;

    // TDisplaySettingsTarget
    void SetBlackLevel(int32_t level) override;
    void SetGrayLevel(int32_t level) override;
    void SetWhiteLevel(int32_t level) override;
    void SetLoSat(double dB) override;
    void SetHiSat(double dB) override;
    void SetSpectrumBlack(double dB) override;
    void SetSpectrumWhite(double dB) override;
    void SetPlaybackRate(double framesPerSecond) override;
    void SetShowPhase(bool on) override;
    void SetEdgeEnhance(bool on) override;

    // Opening (stremax1Open.cpp).
    void OpenSequence(const QString& fileName);
    void UpdateTitle(const QString& fileName);
    void ExecuteOpenDialog();
    QString OpenDialogFileName() const { return openDialogFileName_; }
    // The program's short title, the file name without its folder. Desktops here show window
    // titles only (Qt would append an application name to every window's title), so it is kept
    // for whoever shows it rather than handed to Qt.
    QString ApplicationTitle() const { return applicationTitle_; }

    // Playback (stremax1Playback.cpp).
    bool PlayButtonDown() const;
    void SetPlayButton(bool down);  // as a click on the button: starts or stops playback
    void ReleasePlayButton() { SetPlayButton(false); }
    void PlaybackTick();
    void ResetPlayAnchor();

    // For the windows that share the image's axes and for tests.
    TAxis& ImageXAxis() { return *imageXAxis_; }
    TAxis& ImageYAxis() { return *imageYAxis_; }
    TImageBoxWidget& ImageBox() { return *imageBox_; }
    QString StatusText(int panel) const;
    void SetStatusText(int panel, const QString& text);
    QAction* Action(const QString& caption) const;

Q_SIGNALS:
    // A sequence's path was opened (for the recent-files list).
    void sequenceOpened(const QString& fileName);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // stremax1Menus.cpp
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    // stremax1Picking.cpp
    QPoint PickedPixel(QPoint boxPosition) const;
    void SetPickMarkers(QPoint boxPosition, QPoint pixel);
    void LeftButtonActions(QPoint pixel);
    void OnImageMousePressed(QPoint position, Qt::MouseButton button);
    void OnImageMouseMoved(QPoint position, Qt::MouseButtons buttons);
    void OnImageMouseReleased(QPoint position, Qt::MouseButton button);
    // stremax1.cpp
    void LayoutImage();
    void FollowImageWidth(int32_t width);
    void FollowImageHeight(int32_t height);
    void RebuildKymogram();
    void ShowProperties();
    void CopyToClipboard(const QImage& image);

    TErrorHandler& errors_;
    TPlaybackClock& clock_;
    TSequence sequence_;
    TViewState view_;
    TFrameRenderer renderer_;
    QImage frameBitmap_;
    bool activated_ = false;
    std::unique_ptr<TSpectrumStore> spectra_store_;
    QString commandLineFile_;
    QString openDialogFileName_;
    QString applicationTitle_ = QStringLiteral("Tremax");

    TForm2* controls_ = nullptr;
    TKymogramPeer* kymogram_ = nullptr;
    TSpectrumPeer* spectra_ = nullptr;
    TWaveformPeer* waveform_ = nullptr;

    QWidget* imageArea_ = nullptr;
    TAxis* imageXAxis_ = nullptr;
    TAxis* imageYAxis_ = nullptr;
    TImageBoxWidget* imageBox_ = nullptr;
    std::array<QLabel*, 3> statusPanels_{};
    QTimer playTimer_;

    QAction* openAction_ = nullptr;
    QAction* playAction_ = nullptr;
    QAction* colorizeAction_ = nullptr;
    QAction* propertiesAction_ = nullptr;
    QCheckBox* phaseReferenceBox_ = nullptr;
    QMenu* windowMenu_ = nullptr;
};
