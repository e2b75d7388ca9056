#pragma once
// The main window: shows the current frame between two axes, carries the menus, tool bar and
// status bar, and owns the viewer session. The setters keep their names here as forwards to the
// session; the window follows the session's signals like every other window. Its concerns live
// in files of their own: stremax1Menus (actions, menus, tool bar), stremax1Open (opening a
// sequence), stremax1Playback (the Play button and the timer), stremax1Picking (the mouse on the
// image), stremax1Spectra (colorizing and legends).

#include "export/io/sSMP.h"
#include "viewer/session/DisplaySettingsTarget.h"
#include "viewer/render/FrameRenderer.h"
#include "viewer/session/Playback.h"
#include "viewer/session/ViewerSession.h"
#include "viewer/ui/WindowLayoutWidget.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class TAxis;
class TSoundWindow;
class TApplicationWindow;
class TSonelSync;
class TSonellink;
class TSessionLink;
class TCorvelAbout;
class THelpMenu;
class TToolsMenu;
class TSettingsContext;
class TErrorHandler;
class TErrorLog;
class TForm2;
class TMessageBoxes;
class TRecentFiles;
class TImageBoxWidget;
class TSpectrumStore;

// The tool windows the main window shows at its first activation and from its Window menu;
// any may be absent. They are the caller's.
struct TToolWindows {
    QWidget* kymogram = nullptr;
    QWidget* pointSpectrum = nullptr;
    QWidget* rowSpectrum = nullptr;
    QWidget* waveform = nullptr;
    QWidget* speckle = nullptr;
    QWidget* sequence = nullptr;     // the two montage dialogs, shown modally
    QWidget* explanatory = nullptr;
    QWidget* glottis = nullptr;
};

// Draws over the main image; the maps turn image columns and rows into the image box's pixels.
using TImageOverlay = std::function<void(QPainter& painter, const std::function<double(double)>& toX,
                                         const std::function<double(double)>& toY)>;

// The colorizing sweep's progress for the status bar: rows done of rows, or where it was stopped.
QString ColorizeProgressText(int32_t rowsDone, int32_t rows, bool cancelled);

// The notice for a frame file that holds fewer whole frames than its header names (the frames
// past its end show grey); empty otherwise.
QString ShortFileNotice(int64_t framesHeld, int32_t frameCount);
// The link's state for the status bar: "Link to Sonel is on: Sonel answered", ... is off, or
// on without a companion (and whether its library could be loaded).
QString LinkStateText(const QString& direction, bool on, bool libraryLoaded, bool companionFound);
// What "Save several images..." says it did: how many files, in which folder, first and last name.
QString SavedImagesNotice(const QString& sequenceFile, int32_t first, int32_t count);
// The notice for a frame file without a header beside it: the sizes it was opened with.
QString NoHeaderNotice(const QString& frameFile, const TSequenceHeader& header);

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kPlaybackIntervalMs = kPlaybackTickMs;

    // `formats` picks the frame source of a file (raw frames only when null); the clock, the
    // error handler and the factory must outlive the window.
    TForm1(TErrorHandler& errors, TPlaybackClock& clock, QWidget* parent = nullptr,
           const TFrameSourceFactory* formats = nullptr);
    ~TForm1() override;

    // The controls window mirrors the display values; the tool windows are shown by the window.
    void AttachControls(TForm2* controls);
    void AttachToolWindows(const TToolWindows& windows);
    // Another window's drawing over the image (the glottis outline), after the speckle trace.
    void AddImageOverlay(TImageOverlay overlay) { imageOverlays_.push_back(std::move(overlay)); }
    // The file to open at the first activation (the first command-line argument).
    void SetCommandLineFile(const QString& fileName) { commandLineFile_ = fileName; }

    TViewerSession& Session() { return session_; }
    const TViewState& View() const { return session_.View(); }
    const TSequence& Sequence() const { return session_.Sequence(); }
    const TSpectrumStore& Spectra() const { return session_.Spectra(); }
    const QImage& FrameBitmap() const { return frameBitmap_; }
    TErrorHandler& Errors() { return errors_; }
    // The "Sound" window, made at its first use (stremax1Sound.cpp).
    TSoundWindow& SoundWindow();
    bool Activated() const { return session_.Activated(); }

    // The first activation builds the whole initial state; later calls do nothing.
    void FirstActivation();

    // Draws the current frame with the view's levels into the image box.
    void RenderFrame();
    // "Spectral colorizing": the sweep over every pixel when `down`, then the image re-rendered.
    void Colorize(bool down);
    // Every pixel's spectra, with the rows done in the status bar (and on the image while it is
    // colorized); Esc ends the sweep. Returns whether every row has its spectra.
    bool ComputeAllSpectraShown();
    // The action's button, drawn up or down without running the action.
    bool ColorizeButtonDown() const;


    // Opening (stremax1Open.cpp).
    void OpenSequence(const QString& fileName);
    void UpdateTitle(const QString& fileName);
    void ExecuteOpenDialog();
    QString OpenDialogFileName() const { return openDialogFileName_; }
    // The program's short title, the file name without its folder ("demo.bld - Tremax"). Task
    // bars show it as the icon name of every window of the program; the window titles stay
    // (Qt would append an application name to each of them).
    QString ApplicationTitle() const { return applicationTitle_; }

    // "Save SMP...": the selected pixel over all frames as a sample file (stremax1Export.cpp).
    void SaveSmp();
    // "Save several images...": asks for the count, then SaveImages (stremax1Export.cpp).
    void SaveSeveralImages();
    // `countText` rendered frames from the current one as numbered BMP files beside the sequence.
    void SaveImages(const QString& countText);
    TSMPfile& SampleFile() { return smpFile_; }

    // Settings, layout and the about box (stremax1Settings.cpp). Without a settings context
    // (tests) the layout is neither read nor written.
    void AttachSettings(TSettingsContext& settings, TWidgetLayoutList layoutWindows);
    void ShowOptions();
    void SaveLayoutNow();
    void SetAlwaysSaveOnExit(bool on);
    void ShowAbout();
    const TCorvelAbout& About() const { return *about_; }

    // The service components (stremax1Services.cpp). The recent-files list, kept in the
    // settings store, goes into the File menu after "Properties..."; every opened sequence is
    // added and a clicked entry is opened. The context and the boxes must outlive the window.
    void AttachRecentFiles(TSettingsContext& settings, TMessageBoxes& messages);
    // Null until attached.
    TRecentFiles* RecentFiles() const;
    // The error log gets the about box (its logging switch), the window's title for its box and
    // the speckle tracker's debug text. The log must outlive the window.
    void AttachErrorLog(TErrorLog& log);

    // The companion link (stremax1Link.cpp): off until the program's bus window is attached.
    void AttachLink(TApplicationWindow& window);

    // The Tools and Help menus (stremax1Tools.cpp): registers the program in the family's tools
    // list and builds both menus; the first-run question and the automatic version check follow
    // once the event loop runs. `busWindow` may be null (no change broadcasts). Until then the
    // Help menu holds only "A&bout...".
    void AttachServiceMenus(TSettingsContext& settings, TApplicationWindow* busWindow, const QStringList& arguments);

    // Praat beside Tremax (stremax1Praat.cpp). Takes the session bus's single-instance name so
    // that `tremax --show-time` reaches this window; `pending` is shown once a sequence is open.
    // False when another Tremax has the name or there is no bus.
    bool ServeShowTime(std::optional<double> pending);
    // The sound's time from Praat: playback stops, the frame at that time is shown (kept until a
    // sequence is open when none is).
    void ShowSoundTime(double seconds);
    QAction* LinkToPraatAction() const;
    TToolsMenu* ToolsMenu1() const;
    THelpMenu* HelpMenu1() const;

    // Playback (stremax1Playback.cpp).
    bool PlayButtonDown() const;
    void SetPlayButton(bool down);  // as a click on the button: starts or stops playback
    void ReleasePlayButton() { SetPlayButton(false); }

    // For tests and the windows that place themselves by the image.
    TAxis& ImageXAxis() { return *imageXAxis_; }
    TAxis& ImageYAxis() { return *imageYAxis_; }
    TImageBoxWidget& ImageBox() { return *imageBox_; }
    // Panels 0 … 2 as specified; panel 3 takes the rest of the bar for notices (a file shorter
    // than its header, the progress of long work).
    // Beside the frame number the current frame's time; at the right what lies under the mouse.
    QString StatusText(TStatusPanel panel) const;
    void SetStatusText(TStatusPanel panel, const QString& text);
    // Shows the panels that fit the status bar's width, hides the rest (see stremax1.cpp).
    void FitStatusPanels();
    QAction* Action(const QString& caption) const;

    // "Export data..." (stremax1DataExport.cpp): the data of the analysis view used last (a
    // click in it or its window activated), as the CSV table tremax-cli writes for it. The
    // image's data are the colorizing power and phase at the selected bin.
    enum class TDataView { image, kymogram, pointSpectrum, rowSpectrum, waveform };
    TDataView DataView() const { return dataView_; }
    void SetDataView(TDataView view) { dataView_ = view; }
    QByteArray DataTable(TDataView view);
    void ExportData();
    void ExportDataTo(const QString& path);
    // The colour legend beside the image while it is colorized (stremax1Legend.cpp).
    QWidget* LegendWindow() const { return legendWindow_; }

Q_SIGNALS:
    // A sequence's path was opened (for the recent-files list).
    void sequenceOpened(const QString& fileName);
    // The first activation is over: the tool windows are shown and the command-line file open
    // (or failed to open). The start-up places the windows then.
    void firstActivationDone();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // stremax1Menus.cpp
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    // stremax1Accessible.cpp: names and descriptions for assistive technology.
    void BuildAccessibleTexts();
    // Without a sequence: the actions that need one disabled, the image box inviting an open.
    void FollowSequenceOpen();
    // stremax1Export.cpp: the Edit menu's copies and "Save several images...".
    void BuildExportActions();
    // stremax1Picking.cpp
    QPoint PickedPixel(QPoint boxPosition) const;
    void SetPickMarkers(QPoint boxPosition, QPoint pixel);
    void LeftButtonActions(QPoint pixel);
    void OnImageMousePressed(QPoint position, Qt::MouseButton button);
    void OnImageMouseMoved(QPoint position, Qt::MouseButtons buttons);
    void OnImageMouseReleased(QPoint position, Qt::MouseButton button);
    // stremax1Link.cpp
    void BuildLinkMenu(QMenu* view);
    // stremax1Sound.cpp: "Open sound..." and "Play sound of the span".
    void BuildSoundMenu(QMenu* file, QMenu* view);
    // stremax1Praat.cpp: "Link to Praat" and "Install Praat plugin".
    void BuildPraatMenu(QMenu* view);
    // stremax1SoundBeside.cpp: the sound beside the sequence (asked once per file), a dropped
    // sound, the glottis' frequency beside the F0 track.
    static bool IsDroppedSound(const QString& path);
    void OpenSoundFile(const QString& path);
    void OfferSoundBeside(const QString& sequencePath);
    void UpdateGlottisComparison();
    void FollowGlottisFrequency();
    // The notice after a link direction was switched: on or off, and whether a companion answered.
    void ShowLinkState(const QString& direction, bool on);
    // stremax1Settings.cpp
    void LoadLayoutAtStart();
    // stremax1Navigate.cpp: frame keys, "Go to frame...", the frame's time, the readouts.
    void BuildNavigation();
    void ShowImageReadout(QPoint position);
    // stremax1DataExport.cpp, stremax1Legend.cpp, stremax1Drop.cpp
    void BuildDataExport();
    void AttachDataViews();
    void BuildLegendView();
    void UpdateLegendWindow();
    void AcceptDroppedFiles(QWidget& window);
    // stremax1.cpp
    void FollowSession();
    void LayoutImage();
    void FollowImageSize();
    void ShowProperties();
    void CopyToClipboard(const QImage& image);
    static void ShowToolWindow(QWidget* window);
    // The tool windows that take free room when they open after start-up; the main window
    // moves one that would cover another there.
    std::vector<QWidget*> PlacedWindows() const;
    void PlaceBesideOthers(QWidget& window);
    void ApplyTaskbarTitle();

    TErrorHandler& errors_;
    TViewerSession session_;
    TFrameRenderer renderer_;
    TSMPfile smpFile_;
    TSettingsContext* settings_ = nullptr;
    TWidgetLayoutList layoutWindows_;
    std::unique_ptr<TCorvelAbout> about_;
    // The link's parts, defined where their types are complete.
    std::unique_ptr<TSessionLink> link_;
    struct TServiceParts;
    struct TServicePartsDeleter {
        void operator()(TServiceParts* parts) const;
    };
    std::unique_ptr<TServiceParts, TServicePartsDeleter> services_;
    struct TServiceMenus;
    struct TServiceMenusDeleter {
        void operator()(TServiceMenus* menus) const;
    };
    std::unique_ptr<TServiceMenus, TServiceMenusDeleter> serviceMenus_;
    struct TPraatParts;
    struct TPraatPartsDeleter {
        void operator()(TPraatParts* parts) const;
    };
    std::unique_ptr<TPraatParts, TPraatPartsDeleter> praat_;
    QImage frameBitmap_;
    QString commandLineFile_;
    QString openDialogFileName_;
    QString applicationTitle_ = QStringLiteral("Tremax");
    QString frequencyText_;  // panel 1's text for the selected frequency

    TForm2* controls_ = nullptr;
    TToolWindows tools_;
    std::vector<TImageOverlay> imageOverlays_;

    QWidget* imageArea_ = nullptr;
    TAxis* imageXAxis_ = nullptr;
    TAxis* imageYAxis_ = nullptr;
    TImageBoxWidget* imageBox_ = nullptr;
    std::array<QLabel*, kStatusPanelCount> statusPanels_{};
    QLabel*& Panel(TStatusPanel panel) { return statusPanels_[size_t(panel)]; }
    QPushButton* openFolderButton_ = nullptr;  // after "Save several images...": opens their folder
    QTimer playTimer_;

    QAction* openAction_ = nullptr;
    QAction* playAction_ = nullptr;
    QAction* colorizeAction_ = nullptr;
    QAction* propertiesAction_ = nullptr;
    QCheckBox* phaseReferenceBox_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* alwaysSaveAction_ = nullptr;
    QAction* linkToAction_ = nullptr;
    TSoundWindow* soundWindow_ = nullptr;
    QStringList soundBesideYes_, soundBesideNo_;  // the answers to "Open the sound ... beside"
    QAction* linkFromAction_ = nullptr;
    TDataView dataView_ = TDataView::image;
    QWidget* legendWindow_ = nullptr;
    QAction* legendAction_ = nullptr;
    bool legendPlaced_ = false;
    bool placesLaterWindows_ = false;  // from the end of the first activation on
};
