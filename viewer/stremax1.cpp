#include "viewer/stremax1.h"

#include "analysis/Kymogram.h"
#include "analysis/PixelColour.h"
#include "analysis/SpectrumStore.h"
#include "viewer/AxisSetup.h"
#include "viewer/DisplayLevels.h"
#include "viewer/ErrorHandler.h"
#include "viewer/ImageBoxWidget.h"
#include "viewer/MainWindowPeers.h"
#include "viewer/stremax2.h"
#include "viewer/stremax3.h"

#include <QEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace {

constexpr int kAxisGap = 2;
constexpr int kVerticalAxisWidth = 40;
constexpr int kHorizontalAxisHeight = 30;

}  // namespace

TForm1::TForm1(TErrorHandler& errors, TPlaybackClock& clock, QWidget* parent)
    : QMainWindow(parent), errors_(errors), clock_(clock)
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
    SetAxisUnbounded(*imageYAxis_);
    imageYAxis_->SetRange(0, 63);

    imageXAxis_ = new TAxis(imageArea_);
    imageXAxis_->SetPosition(posunder);
    imageXAxis_->SetMarkerVisible(true);
    imageXAxis_->SetMinLoValue(-TAxisScale::kUnbounded);
    imageXAxis_->SetMaxLoValue(255);
    imageXAxis_->SetMinHiValue(-TAxisScale::kUnbounded);
    imageXAxis_->SetMaxHiValue(255);
    imageXAxis_->SetMaxValueDifference(TAxisScale::kUnbounded);
    imageXAxis_->SetRange(0, 255);

    spectra_store_ = std::make_unique<TSpectrumStore>(sequence_);
    connect(spectra_store_.get(), &TSpectrumStore::colorizeButtonReleased, this,
            [this] { colorizeAction_->setChecked(false); });
    connect(spectra_store_.get(), &TSpectrumStore::selectedFrequencyChanged, this,
            [this](double hz) { SetStatusText(1, SelectedFrequencyText(hz)); });
    connect(spectra_store_.get(), &TSpectrumStore::selectedBinChanged, this, [this] { RenderFrame(); });

    imageBox_ = new TImageBoxWidget(imageArea_);
    imageBox_->SetPicture(&frameBitmap_);
    connect(imageBox_, &TImageBoxWidget::mousePressed, this, &TForm1::OnImageMousePressed);
    connect(imageBox_, &TImageBoxWidget::mouseMoved, this, &TForm1::OnImageMouseMoved);
    connect(imageBox_, &TImageBoxWidget::mouseReleased, this, &TForm1::OnImageMouseReleased);

    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();

    playTimer_.setInterval(kPlaybackIntervalMs);
    connect(&playTimer_, &QTimer::timeout, this, [this] { errors_.Guarded([this] { PlaybackTick(); }); });

    connect(&sequence_, &TSequence::imageWidthChanged, this, &TForm1::FollowImageWidth);
    connect(&sequence_, &TSequence::imageHeightChanged, this, &TForm1::FollowImageHeight);
    connect(&sequence_, &TSequence::blockLoaded, this, [this] {
        if (spectra_ && activated_)
            spectra_->DrawRowSpectrum();
    });
}

TForm1::~TForm1() = default;

bool TForm1::event(QEvent* event)
{
    // Some window systems never activate a window that was not clicked: the first show counts too.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        QTimer::singleShot(0, this, [this] { FirstActivation(); });
    return QMainWindow::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == imageArea_ && event->type() == QEvent::Resize)
        LayoutImage();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::LayoutImage()
{
    // The horizontal axis above the status bar, the vertical one at the left reaching down to
    // it, the image box exactly between them.
    const int width = imageArea_->width();
    const int height = imageArea_->height();
    const int xAxisTop = height - kAxisGap - kHorizontalAxisHeight;
    const int yAxisHeight = std::max(1, xAxisTop - kAxisGap);
    const int xAxisWidth = std::max(1, width - kVerticalAxisWidth - kAxisGap);
    imageYAxis_->setGeometry(0, kAxisGap, kVerticalAxisWidth, yAxisHeight);
    imageXAxis_->setGeometry(kVerticalAxisWidth, xAxisTop, xAxisWidth, kHorizontalAxisHeight);
    imageBox_->setGeometry(kVerticalAxisWidth, kAxisGap, xAxisWidth, yAxisHeight);
}

void TForm1::FirstActivation()
{
    if (activated_)
        return;
    activated_ = true;  // set first: what follows may show windows, which activates again
    errors_.Guarded([this] {
        frameBitmap_ = QImage(sequence_.Width(), sequence_.Height(), QImage::Format_BGR888);
        frameBitmap_.fill(Qt::black);
        sequence_.SetImageHeight(64);
        sequence_.SetImageWidth(64);
        sequence_.SetFrameCount(128);
        sequence_.SetCacheSize(512);
        sequence_.SetRecordingRate(1904);
        // The controls start from zero: push every level to them, in this order.
        if (controls_) {
            controls_->SetWhiteLevel(view_.WhiteLevel);
            controls_->SetGrayLevel(view_.GrayLevel);
            controls_->SetBlackLevel(view_.BlackLevel);
            int32_t tenths = 0;
            if (DisplayLevels::RateToTenths(view_.PlaybackRate, tenths))
                controls_->SetPlaybackRateTenths(tenths);
            controls_->SetLoSat(view_.LoSat);
            controls_->SetHiSat(view_.HiSat);
            controls_->SetSpectrumBlack(view_.SpectrumBlack);
            controls_->SetSpectrumWhite(view_.SpectrumWhite);
        }
        ResetPlayAnchor();
        UpdateTitle(QString());
        if (controls_)
            controls_->show();
        if (kymogram_)
            kymogram_->ShowKymogram();
        if (spectra_)
            spectra_->ShowPointSpectrum();
        if (waveform_)
            waveform_->ShowWaveform();
        RenderFrame();
    });
    if (!commandLineFile_.isEmpty())
        errors_.Guarded([this] { OpenSequence(commandLineFile_); });
}

void TForm1::FollowImageWidth(int32_t width)
{
    SetAxisExtent(*imageXAxis_, width);
    frameBitmap_ = QImage(width, sequence_.Height(), QImage::Format_BGR888);
    frameBitmap_.fill(Qt::black);
}

void TForm1::FollowImageHeight(int32_t height)
{
    SetAxisExtent(*imageYAxis_, height);
    frameBitmap_ = QImage(sequence_.Width(), height, QImage::Format_BGR888);
    frameBitmap_.fill(Qt::black);
}

void TForm1::RenderFrame()
{
    TRenderSettings settings;
    settings.blackLevel = view_.BlackLevel;
    settings.grayLevel = view_.GrayLevel;
    settings.whiteLevel = view_.WhiteLevel;
    settings.edgeEnhance = view_.EdgeEnhance;
    settings.markedRow = view_.KymogramShown && !view_.SpeckleOn ? view_.SelectedRow : -1;
    TColourSettings colours;
    colours.loSat = view_.LoSat;
    colours.hiSat = view_.HiSat;
    colours.showPhase = view_.ShowPhase;
    colours.referenceColumn = view_.PhaseReference.x();
    colours.referenceRow = view_.PhaseReference.y();
    const TPixelColour colourer(*spectra_store_, colours);
    if (view_.ColorizeOn)
        settings.colourer = &colourer;
    RenderCachedFrame(renderer_, sequence_.Cache(), view_.CurrentFrame, settings, frameBitmap_);
    imageBox_->update();
}

void TForm1::RebuildKymogram()
{
    if (kymogram_)
        kymogram_->BuildKymogram();
}

void TForm1::SetCurrentFrame(int32_t frame)
{
    if (frame == view_.CurrentFrame)
        return;
    view_.CurrentFrame = frame;
    sequence_.FollowFrame(frame);
    if (kymogram_) {
        TAxis& span = kymogram_->TimeAxis();
        double lo = span.LoValue();
        double hi = span.HiValue();
        if (KymogramRangeFollows(lo, hi, frame)) {
            span.SetRange(lo, hi);
            kymogram_->BuildKymogram();
        }
    }
    RenderFrame();
    if (kymogram_)
        kymogram_->TimeAxis().SetMarkerValue(frame);
    if (waveform_)
        waveform_->SetFrameMarker(frame);
    SetStatusText(0, QStringLiteral("Frame #:%1").arg(frame));
}

void TForm1::SetSelectedRow(int32_t row)
{
    if (row == view_.SelectedRow)
        return;
    view_.SelectedRow = row;
    imageYAxis_->SetMarkerValue(row);
    RebuildKymogram();
}

void TForm1::SetSelectedPoint(int32_t column, int32_t row)
{
    view_.SelectedPoint = QPoint(column, row);
    DrawPointPlots(column, row);
}

void TForm1::DrawPointPlots(int32_t column, int32_t row)
{
    if (spectra_)
        spectra_->DrawPointSpectrum(column, row);
    if (waveform_)
        waveform_->DrawWaveform(column, row);
}

void TForm1::SetKymogramShown(bool shown)
{
    view_.KymogramShown = shown;
    RenderFrame();
}

void TForm1::SetPhaseReference(int32_t column, int32_t row)
{
    view_.PhaseReference = QPoint(column, row);
    RenderFrame();
}

void TForm1::SetBlackLevel(int32_t level)
{
    if (level != view_.BlackLevel) {
        view_.BlackLevel = level;
        if (controls_)
            controls_->SetBlackLevel(level);
    }
    RenderFrame();
    RebuildKymogram();
}

void TForm1::SetGrayLevel(int32_t level)
{
    if (level != view_.GrayLevel) {
        view_.GrayLevel = level;
        if (controls_)
            controls_->SetGrayLevel(level);
    }
    RenderFrame();
    RebuildKymogram();
}

void TForm1::SetWhiteLevel(int32_t level)
{
    if (level != view_.WhiteLevel) {
        view_.WhiteLevel = level;
        if (controls_)
            controls_->SetWhiteLevel(level);
    }
    RenderFrame();
    RebuildKymogram();
}

void TForm1::SetLoSat(double dB)
{
    if (dB != view_.LoSat) {
        view_.LoSat = dB;
        if (controls_)
            controls_->SetLoSat(dB);
    }
    RenderFrame();
}

void TForm1::SetHiSat(double dB)
{
    if (dB != view_.HiSat) {
        view_.HiSat = dB;
        if (controls_)
            controls_->SetHiSat(dB);
    }
    RenderFrame();
}

void TForm1::SetSpectrumBlack(double dB)
{
    if (dB != view_.SpectrumBlack) {
        view_.SpectrumBlack = dB;
        if (controls_)
            controls_->SetSpectrumBlack(dB);
    }
    if (spectra_ && activated_)
        spectra_->DrawRowSpectrum();
}

void TForm1::SetSpectrumWhite(double dB)
{
    if (dB != view_.SpectrumWhite) {
        view_.SpectrumWhite = dB;
        if (controls_)
            controls_->SetSpectrumWhite(dB);
    }
    if (spectra_ && activated_)
        spectra_->DrawRowSpectrum();
}

void TForm1::SetPlaybackRate(double framesPerSecond)
{
    if (framesPerSecond == view_.PlaybackRate)
        return;
    view_.PlaybackRate = framesPerSecond;
    int32_t tenths = 0;
    if (controls_ && DisplayLevels::RateToTenths(framesPerSecond, tenths))
        controls_->SetPlaybackRateTenths(tenths);
    ResetPlayAnchor();  // a rate change never makes the picture jump
}

void TForm1::SetShowPhase(bool on)
{
    if (on == view_.ShowPhase)
        return;
    view_.ShowPhase = on;
    if (controls_)
        controls_->SetShowPhase(on);
    RenderFrame();
}

void TForm1::SetEdgeEnhance(bool on)
{
    if (on == view_.EdgeEnhance)
        return;
    view_.EdgeEnhance = on;
    if (controls_)
        controls_->SetEdgeEnhance(on);
    RenderFrame();
    RebuildKymogram();
}

QString TForm1::StatusText(int panel) const { return statusPanels_.at(size_t(panel))->text(); }

void TForm1::SetStatusText(int panel, const QString& text) { statusPanels_.at(size_t(panel))->setText(text); }

void TForm1::ShowProperties()
{
    TForm3 properties(this);
    properties.ShowProperties(sequence_.Header(), view_.PlayAnchorFrame);
    properties.exec();
}
