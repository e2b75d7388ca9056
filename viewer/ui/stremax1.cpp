#include "viewer/ui/stremax1.h"

#include "app/ui/WindowPlacement.h"
#include "analysis/Kymogram.h"
#include "analysis/PixelColour.h"
#include "analysis/SpeckleOverlay.h"
#include "plot/ui/AxisLimitForm.h"
#include "services/sabout.h"
#include "analysis/SpectrumStore.h"
#include "viewer/widgets/AxisSetup.h"
#include "viewer/session/DisplayLevels.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/ui/stremax2.h"
#include "viewer/ui/stremax3.h"
#include "viewer/ui/SessionLink.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kAxisGap = 2;
constexpr int kVerticalAxisWidth = 40;
constexpr int kHorizontalAxisHeight = 30;

}  // namespace

TForm1::TForm1(TErrorHandler& errors, TPlaybackClock& clock, QWidget* parent, const TFrameSourceFactory* formats)
    : QMainWindow(parent), errors_(errors), session_(clock, formats)
{
    setWindowTitle(QStringLiteral("Tremax"));
    setMinimumSize(160, 220);
    resize(331, 342 + 33);

    imageArea_ = new QWidget(this);
    imageArea_->installEventFilter(this);
    setCentralWidget(imageArea_);

    imageYAxis_ = new TAxis(imageArea_);
    imageYAxis_->SetPosition(posleft);
    imageYAxis_->SetReverse(true);  // row 0 at the top
    imageYAxis_->SetMarkerVisible(true);
    imageYAxis_->SetPixelCells(true);
    SetAxisUnbounded(*imageYAxis_);
    imageYAxis_->SetRange(0, 63);

    imageXAxis_ = new TAxis(imageArea_);
    imageXAxis_->SetPosition(posunder);
    imageXAxis_->SetMarkerVisible(true);
    imageXAxis_->SetPixelCells(true);
    imageXAxis_->SetMinLoValue(-TAxisScale::kUnbounded);
    imageXAxis_->SetMaxLoValue(255);
    imageXAxis_->SetMinHiValue(-TAxisScale::kUnbounded);
    imageXAxis_->SetMaxHiValue(255);
    imageXAxis_->SetMaxValueDifference(TAxisScale::kUnbounded);
    imageXAxis_->SetRange(0, 255);

    imageBox_ = new TImageBoxWidget(imageArea_);
    imageBox_->SetPicture(&frameBitmap_);
    connect(imageBox_, &TImageBoxWidget::mousePressed, this, &TForm1::OnImageMousePressed);
    connect(imageBox_, &TImageBoxWidget::mouseMoved, this, &TForm1::OnImageMouseMoved);
    connect(imageBox_, &TImageBoxWidget::mouseReleased, this, &TForm1::OnImageMouseReleased);
    imageBox_->SetOverlay([this](QPainter& painter) {
        const TViewState& view = session_.View();
        const auto toX = [this](double v) { return double(imageXAxis_->ValueToPixel(v)); };
        const auto toY = [this](double v) { return double(imageYAxis_->ValueToPixel(v)); };
        const TSpeckleTrace& trace = session_.SpeckleTrace();
        if (view.SpeckleOn && trace.Tracked()) {
            // The current point's circle: yellow inside its red outline, seen on dark and bright images.
            painter.save();
            painter.setBrush(QColor(Qt::yellow));
            DrawSpeckleOverlay(painter, trace.Points(), trace.StartFrame(), view.CurrentFrame,
                               session_.SpeckleSettings(), toX, toY);
            painter.restore();
        }
        for (const TImageOverlay& overlay : imageOverlays_)
            overlay(painter, toX, toY);
    });

    about_ = std::make_unique<TCorvelAbout>();
    SetUpTremaxAbout(*about_);
    about_->Loaded();
    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildNavigation();
    BuildDataExport();
    BuildLegendView();
    AcceptDroppedFiles(*this);
    BuildAccessibleTexts();
    FollowSequenceOpen();

    playTimer_.setInterval(kPlaybackIntervalMs);
    connect(&playTimer_, &QTimer::timeout, this, [this] { errors_.Guarded([this] { session_.PlaybackTick(); }); });
    FollowSession();
    OfferLimitForms(*this);  // the axes' double click
}

void TForm1::FollowSession()
{
    const TSequence& sequence = session_.Sequence();
    connect(&sequence, &TSequence::imageWidthChanged, this, [this](int32_t width) {
        SetAxisExtent(*imageXAxis_, width);
        FollowImageSize();
    });
    connect(&sequence, &TSequence::imageHeightChanged, this, [this](int32_t height) {
        SetAxisExtent(*imageYAxis_, height);
        FollowImageSize();
    });
    connect(&session_.Spectra(), &TSpectrumStore::colorizeButtonReleased, this,
            [this] { colorizeAction_->setChecked(false); });
    connect(&session_.Spectra(), &TSpectrumStore::selectedFrequencyChanged, this,
            [this](double hz) {
                frequencyText_ = SelectedFrequencyText(hz);
                SetStatusText(TStatusPanel::frequency, frequencyText_);
            });

    connect(&session_, &TViewerSession::renderRequested, this, &TForm1::RenderFrame);
    connect(&session_, &TViewerSession::currentFrameChanged, this, [this](int32_t frame) {
        RenderFrame();
        SetStatusText(TStatusPanel::frame, QStringLiteral("Frame #:%1").arg(frame));
    });
    connect(&session_, &TViewerSession::selectedRowChanged, this,
            [this](int32_t row) { imageYAxis_->SetMarkerValue(row); });
    connect(&session_, &TViewerSession::imageColumnMarked, this,
            [this](double column) { imageXAxis_->SetMarkerValue(column); });
    // Shown at once: the speckle tracking reports its steps from inside one long call.
    connect(&session_, &TViewerSession::statusTextChanged, this, [this](TStatusPanel panel, const QString& text) {
        // The speckle progress shares the frequency's panel: once it is over the frequency is back.
        SetStatusText(panel, panel == TStatusPanel::frequency && text.isEmpty() ? frequencyText_ : text);
        statusPanels_.at(size_t(panel))->repaint();
    });
    SetStatusText(TStatusPanel::frame, QStringLiteral("Frame #:%1").arg(session_.View().CurrentFrame));
    connect(&session_, &TViewerSession::playingChanged, this, [this](bool on) {
        if (playAction_->isChecked() != on)
            playAction_->setChecked(on);
        if (on)
            playTimer_.start();
        else
            playTimer_.stop();
    });
}

TForm1::~TForm1() = default;

void TForm1::AttachControls(TForm2* controls)
{
    controls_ = controls;
    if (controls_) {
        AcceptDroppedFiles(*controls_);
        controls_->installEventFilter(this);
    }
    ApplyTaskbarTitle();
}

void TForm1::AttachToolWindows(const TToolWindows& windows)
{
    tools_ = windows;
    AttachDataViews();
    for (QWidget* window : {tools_.kymogram, tools_.pointSpectrum, tools_.rowSpectrum, tools_.waveform})
        if (window)
            AcceptDroppedFiles(*window);
    if (tools_.speckle)
        AcceptDroppedFiles(*tools_.speckle);
    FollowGlottisFrequency();
    for (QWidget* window : PlacedWindows())
        window->installEventFilter(this);
    ApplyTaskbarTitle();
}

void TForm1::ApplyTaskbarTitle()
{
    // The icon name is what task bars show for a window; Qt keeps it for X11 only, as a
    // deprecated property, and no other API reaches it.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    for (QWidget* window : {static_cast<QWidget*>(this), static_cast<QWidget*>(controls_), tools_.kymogram,
                            tools_.pointSpectrum, tools_.rowSpectrum, tools_.waveform, tools_.speckle})
        if (window)
            window->setWindowIconText(applicationTitle_);
    QT_WARNING_POP
}

bool TForm1::event(QEvent* event)
{
    // Some window systems never activate a window that was not clicked: the first show counts too.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] { FirstActivation(); });
    return QMainWindow::event(event);
}

std::vector<QWidget*> TForm1::PlacedWindows() const
{
    std::vector<QWidget*> windows;
    for (QWidget* window : {static_cast<QWidget*>(controls_), tools_.kymogram, tools_.pointSpectrum, tools_.rowSpectrum,
                            tools_.waveform, tools_.speckle, legendWindow_})
        if (window)
            windows.push_back(window);
    return windows;
}

void TForm1::PlaceBesideOthers(QWidget& window)
{
    // The window's frame: its own once it has been shown, else the main window's margins around it.
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    QRect frame = window.frameGeometry();
    if (frame == window.geometry())
        frame.adjust(outer.left() - inner.left(), outer.top() - inner.top(), outer.right() - inner.right(),
                     outer.bottom() - inner.bottom());
    std::vector<QRect> occupied{outer};
    for (QWidget* other : PlacedWindows())
        if (other != &window && other->isVisible())
            occupied.push_back(other->frameGeometry());
    if (std::none_of(occupied.begin(), occupied.end(), [&](const QRect& taken) { return taken.intersects(frame); }))
        return;
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    if (const std::optional<QPoint> place = FreePlace(screen->availableGeometry(), occupied, frame.size(), frame.topLeft()))
        window.move(*place);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == statusBar() && event->type() == QEvent::Resize)
        FitStatusPanels();
    // A tool window opened after start-up takes free room beside the others instead of covering them.
    if (event->type() == QEvent::Show && placesLaterWindows_ && watched != this) {
        auto* window = qobject_cast<QWidget*>(watched);
        if (window && window->isWindow() && !window->isMinimized())
            PlaceBesideOthers(*window);
    }
    // An axis asks for a layout when its labels need other room.
    if (watched == imageArea_ && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        LayoutImage();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::LayoutImage()
{
    // The horizontal axis above the status bar, the vertical one at the left reaching down to
    // it, the image box exactly between them.
    // The strips are as thick as designed, thicker when their labels need it.
    const int width = imageArea_->width();
    const int height = imageArea_->height();
    const int xAxisHeight = std::max(kHorizontalAxisHeight, imageXAxis_->LabelRoom());
    const int xAxisTop = height - kAxisGap - xAxisHeight;
    const int yAxisHeight = std::max(1, xAxisTop - kAxisGap);
    // The height first: the vertical axis' labels follow from it.
    imageYAxis_->resize(imageYAxis_->width(), yAxisHeight);
    const int yAxisWidth = std::max(kVerticalAxisWidth, imageYAxis_->LabelRoom());
    const int xAxisWidth = std::max(1, width - yAxisWidth - kAxisGap);
    imageYAxis_->setGeometry(0, kAxisGap, yAxisWidth, yAxisHeight);
    imageXAxis_->setGeometry(yAxisWidth, xAxisTop, xAxisWidth, xAxisHeight);
    imageBox_->setGeometry(yAxisWidth, kAxisGap, xAxisWidth, yAxisHeight);
}

void TForm1::FirstActivation()
{
    if (session_.Activated())
        return;
    session_.SetActivated();  // set first: what follows may show windows, which activates again
    errors_.Guarded([this] {
        const TSequence& sequence = session_.Sequence();
        frameBitmap_ = QImage(sequence.Width(), sequence.Height(), QImage::Format_BGR888);
        frameBitmap_.fill(Qt::black);
        session_.SetStartSequence();
        session_.ResetPlayAnchor();
        UpdateTitle(QString());
        if (controls_)
            controls_->show();
        ShowToolWindow(tools_.kymogram);
        ShowToolWindow(tools_.pointSpectrum);
        ShowToolWindow(tools_.waveform);
        RenderFrame();
        LoadLayoutAtStart();
    });
    if (!commandLineFile_.isEmpty())
        errors_.Guarded([this] { OpenSequence(commandLineFile_); });
    Q_EMIT firstActivationDone();
    placesLaterWindows_ = true;
}

void TForm1::ShowToolWindow(QWidget* window)
{
    if (window) {
        window->show();
        window->raise();
    }
}

void TForm1::FollowImageSize()
{
    const TSequence& sequence = session_.Sequence();
    frameBitmap_ = QImage(sequence.Width(), sequence.Height(), QImage::Format_BGR888);
    frameBitmap_.fill(Qt::black);
}

void TForm1::RenderFrame()
{
    const TViewState& view = session_.View();
    TRenderSettings settings;
    settings.blackLevel = view.BlackLevel;
    settings.grayLevel = view.GrayLevel;
    settings.whiteLevel = view.WhiteLevel;
    settings.edgeEnhance = view.EdgeEnhance;
    settings.markedRow = view.KymogramShown && !view.SpeckleOn ? view.SelectedRow : -1;
    TColourSettings colours;
    colours.loSat = view.LoSat;
    colours.hiSat = view.HiSat;
    colours.showPhase = view.ShowPhase;
    colours.referenceColumn = view.PhaseReference.x();
    colours.referenceRow = view.PhaseReference.y();
    const TPixelColour colourer(session_.Spectra(), colours);
    if (view.ColorizeOn)
        settings.colourer = &colourer;
    RenderCachedFrame(renderer_, session_.Sequence().Cache(), view.CurrentFrame, settings, frameBitmap_);
    imageBox_->update();
}

QString TForm1::StatusText(TStatusPanel panel) const { return statusPanels_.at(size_t(panel))->text(); }

void TForm1::SetStatusText(TStatusPanel panel, const QString& text)
{
    statusPanels_.at(size_t(panel))->setText(text);
    FitStatusPanels();
}

void TForm1::FitStatusPanels()
{
    // In a narrow window the panels that do not fit give way, the least needed first, instead of
    // running into each other; the frame number always stays.
    QStatusBar* bar = statusBar();
    if (!bar->layout() || std::any_of(statusPanels_.begin(), statusPanels_.end(), [](QLabel* p) { return !p; }))
        return;
    // A status tip on show has hidden the panels; they are fitted again once it is gone.
    if (!bar->currentMessage().isEmpty())
        return;
    const int spacing = std::max(bar->layout()->spacing(), 0) + 8;
    const QMargins margins = bar->layout()->contentsMargins();
    int room = bar->width() - margins.left() - margins.right() - (bar->isSizeGripEnabled() ? 20 : 0);
    const TStatusPanel order[] = {TStatusPanel::frame, TStatusPanel::notice, TStatusPanel::frequency,
                                  TStatusPanel::time,  TStatusPanel::speckle, TStatusPanel::readout};
    bool full = false;
    for (const TStatusPanel panel : order) {
        QLabel* label = Panel(panel);
        const bool fixed = label->minimumWidth() == label->maximumWidth();
        const int need = (fixed ? label->maximumWidth() : label->text().isEmpty() ? 0 : label->sizeHint().width()) + spacing;
        const bool fits = panel == TStatusPanel::frame || (!full && need <= room);
        full = full || !fits;
        if (fits)
            room -= need;
        if (label->isHidden() == fits)
            label->setVisible(fits);
    }
}

void TForm1::ShowProperties()
{
    TForm3 properties(this);
    if (const TFrameSource* source = session_.Sequence().Source())
        properties.SetSourceFormat(source->FormatName(), source->BitDepth());
    properties.ShowProperties(session_.Sequence().Header(), session_.View().PlayAnchorFrame);
}
