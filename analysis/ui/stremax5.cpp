#include "analysis/ui/stremax5.h"

#include "analysis/DataTables.h"
#include "analysis/PlotFit.h"
#include "analysis/widgets/PlotWindow.h"
#include "plot/ui/AxisLimitForm.h"
#include "plot/widgets/AccessibleText.h"
#include "analysis/SpectrumStore.h"
#include "plot/widgets/saxes.h"
#include "viewer/widgets/AxisSetup.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/widgets/PlotMenu.h"
#include "viewer/session/Readouts.h"
#include "viewer/session/ViewerSession.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <vector>

TForm5::TForm5(TViewerSession& session, TErrorHandler& errors, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session), errors_(errors)
{
    setWindowTitle(QStringLiteral("Point spectrum"));
    setMinimumHeight(100);
    resize(420, 260);

    yAxis_ = new TAxis(this);
    yAxis_->SetPosition(posleft);
    yAxis_->SetMinLoValue(-200);
    yAxis_->SetMaxLoValue(200);
    yAxis_->SetMinHiValue(-200);
    yAxis_->SetMaxHiValue(200);
    yAxis_->SetMaxValueDifference(200);
    yAxis_->SetAxisText(QStringLiteral("[dB]"));
    yAxis_->SetAllowLoScroll(true);
    yAxis_->SetAllowHiScroll(true);
    yAxis_->SetAllowMidScroll(true);
    yAxis_->SetAllowDoubleClick(true);
    yAxis_->SetMarkerVisible(true);
    yAxis_->SetRange(kDefaultLoDb, kDefaultHiDb);
    connect(yAxis_, &TAxis::OnScaleChanged, this, &TForm5::Redraw);

    xAxis_ = new TAxis(this);
    xAxis_->SetPosition(posunder);
    SetAxisUnbounded(*xAxis_);
    xAxis_->SetAxisText(QStringLiteral("[Hz]"));
    xAxis_->SetAllowHiScroll(true);
    xAxis_->SetAllowDoubleClick(true);
    xAxis_->SetMarkerVisible(true);
    xAxis_->SetRange(0, 1);
    connect(xAxis_, &TAxis::OnScaleChanging, this, &TForm5::Redraw);
    connect(xAxis_, &TAxis::OnScaleChanged, this, &TForm5::Redraw);

    picture_ = new TImageBoxWidget(this);
    picture_->SetPicture(&plot_);
    picture_->OnLeftButtonPicks(this, [this](QPoint position) { PickAt(position); });
    connect(picture_, &TImageBoxWidget::mouseMoved, this, &TForm5::ShowReadout);
    connect(picture_, &TImageBoxWidget::mouseLeft, this, [this] { session_.ShowReadout(QString()); });
    // The value at the selected frequency, over the plot (the plot bitmap, which is copied,
    // stays the curve alone).
    picture_->SetOverlay([this](QPainter& painter) {
        const QString text = SelectedValueText();
        if (text.isEmpty())
            return;
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(painter.window().adjusted(4, 2, -4, -2), Qt::AlignRight | Qt::AlignTop, text);
    });
    AttachPlotMenu(*picture_, errors_,
                   {[this] { FitToData(); }, [this] { ResetRange(); }, [this] {
                        AskAndWriteTable(this, session_.Sequence(),
                                         SuggestedTableName(session_.Sequence(), QStringLiteral("pointspectrum")),
                                         [this] { return DataTable(); });
                    }});

    // A new block makes the curve shown stale: draw the same pixel from the new block.
    connect(&session_.Sequence(), &TSequence::blockLoaded, this, [this] {
        if (isVisible())
            Redraw();
    });
    connect(&session_.Sequence(), &TSequence::recordingRateChanged, this,
            [this](double framesPerSecond) { SetFrequencyAxisRate(*xAxis_, framesPerSecond); });
    connect(&session_.Spectra(), &TSpectrumStore::selectedFrequencyChanged, this,
            [this](double hz) {
                xAxis_->SetMarkerValue(hz);
                picture_->update();
            });
    SetFrequencyAxisRate(*xAxis_, session_.Sequence().Header().FramesPerSecond);
    connect(&session_, &TViewerSession::pointPlotsRequested, this, [this](int32_t column, int32_t row) {
        errors_.Guarded([&] { DrawPointSpectrum(column, row); });
    });
    new TPlotPlacer(*this, *yAxis_, *xAxis_, *picture_, [this] { Redraw(); });
    yAxis_->setAccessibleName(QStringLiteral("Power axis"));
    xAxis_->setAccessibleName(QStringLiteral("Frequency axis"));
    SetAccessibleTexts(*picture_, QAccessible::Chart, QStringLiteral("Point spectrum"), [this] {
        QString text = QStringLiteral("Spectrum at column %1, row %2").arg(pixel_.x()).arg(pixel_.y());
        if (!hasCurve_)
            return text + QStringLiteral(": constant, no spectrum");
        const QString value = SelectedValueText();
        return value.isEmpty() ? text : text + QStringLiteral(": ") + value;
    });
    session.DataTables().Register(QStringLiteral("pointspectrum"), this, [this] { return DataTable(); });
    session.Pictures().Register(QStringLiteral("pointspectrum"), this, [this] { return Plot(); });
    OfferLimitForms(*this);  // the axes' double click
}

void TForm5::PickAt(QPoint position)
{
    errors_.Guarded([&] {
        xAxis_->SetMarkerPixel(position.x());
        yAxis_->SetMarkerPixel(position.y());
        session_.SetSelectedFrequency(xAxis_->PixelToValue(position.x()));
    });
}

void TForm5::DrawPointSpectrum(int32_t column, int32_t row)
{
    const TSpectrumStore& store = session_.Spectra();
    if (store.SpectrumLength() <= 0)
        return;
    session_.ComputePointSpectrum(column, row);
    if (plot_.size() != picture_->size())
        plot_ = QImage(picture_->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    plot_.fill(palette().color(QPalette::Base));
    pixel_ = QPoint(column, row);
    hasCurve_ = store.SpectrumValid(row, column);
    if (hasCurve_) {
        const int32_t bins = store.FFTLength() / 2;
        std::vector<QPointF> line;
        line.reserve(size_t(bins));
        for (int32_t i = 0; i < bins; ++i)
            line.emplace_back(xAxis_->ValueToPixel(store.BinFrequency(i)),
                              yAxis_->ValueToPixel(store.Power(i, row, column)));
        QPainter painter(&plot_);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawPolyline(line.data(), int(line.size()));
    }
    // A pixel that never changes has no spectrum: say so rather than show an old curve.
    setWindowTitle(QStringLiteral("Spectrum at %1:%2%3")
                       .arg(column)
                       .arg(row)
                       .arg(hasCurve_ ? QString() : QStringLiteral(" (constant, no spectrum)")));
    picture_->update();
}

void TForm5::Redraw()
{
    // The pixel stays inside an image that shrank since it was drawn.
    const TSequence& sequence = session_.Sequence();
    pixel_ = QPoint(std::min(pixel_.x(), sequence.Width() - 1), std::min(pixel_.y(), sequence.Height() - 1));
    errors_.Guarded([this] { DrawPointSpectrum(pixel_.x(), pixel_.y()); });
}

void TForm5::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    session_.RequestRender();
}

void TForm5::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    session_.RequestRender();
}


int32_t TForm5::BinAt(double hz) const
{
    const TSpectrumStore& store = session_.Spectra();
    const double rate = session_.Sequence().Header().FramesPerSecond;
    const int32_t last = store.FFTLength() / 2 - 1;
    if (!(rate > 0) || last < 0)
        return 0;
    const double bin = std::nearbyint(hz / rate * store.FFTLength());
    return int32_t(std::clamp(bin, 0.0, double(last)));
}

void TForm5::ShowReadout(QPoint position)
{
    const double hz = xAxis_->PixelToValue(position.x());
    const TSpectrumStore& store = session_.Spectra();
    if (!hasCurve_ || store.FFTLength() < 2) {
        session_.ShowReadout(SpectrumReadoutText(hz, 0, false));
        return;
    }
    const int32_t bin = BinAt(hz);
    session_.ShowReadout(
        SpectrumReadoutText(store.BinFrequency(bin), store.Power(bin, pixel_.y(), pixel_.x()), true));
}

QString TForm5::SelectedValueText() const
{
    const TSpectrumStore& store = session_.Spectra();
    const int32_t bin = store.SelectedBin();
    if (!hasCurve_ || bin < 0 || bin >= store.FFTLength() / 2 || !store.SpectrumValid(pixel_.y(), pixel_.x()))
        return QString();
    return SpectrumReadoutText(store.BinFrequency(bin), store.Power(bin, pixel_.y(), pixel_.x()), true);
}

void TForm5::FitToData()
{
    const TSpectrumStore& store = session_.Spectra();
    if (!hasCurve_ || !store.SpectrumValid(pixel_.y(), pixel_.x()))
        return;
    std::vector<float> powers(size_t(std::max(0, store.FFTLength() / 2)));
    for (size_t i = 0; i < powers.size(); ++i)
        powers[i] = store.Power(int32_t(i), pixel_.y(), pixel_.x());
    const TFitRange range = FitPowerRange(powers.data(), int32_t(powers.size()), yAxis_->MaxValueDifference(),
                                          yAxis_->MinLoValue(), yAxis_->MaxHiValue());
    if (range.valid)
        yAxis_->SetRange(range.lo, range.hi);  // its scale change redraws
}

void TForm5::ResetRange() { yAxis_->SetRange(kDefaultLoDb, kDefaultHiDb); }

QByteArray TForm5::DataTable() const { return PointSpectrumTable(session_.Spectra(), pixel_.x(), pixel_.y()); }
