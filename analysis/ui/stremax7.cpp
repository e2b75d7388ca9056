#include "analysis/ui/stremax7.h"

#include "analysis/DataTables.h"
#include "analysis/PlotFit.h"
#include "analysis/widgets/PlotWindow.h"
#include "plot/ui/AxisLimitForm.h"
#include "plot/widgets/AccessibleText.h"
#include "analysis/SpectrumStore.h"
#include "analysis/Waveform.h"
#include "plot/widgets/saxes.h"
#include "viewer/widgets/AxisSetup.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/widgets/PlotMenu.h"
#include "viewer/session/ViewerSession.h"

#include <QPainter>
#include <QPalette>
#include <QResizeEvent>
#include <algorithm>

TForm7::TForm7(TViewerSession& session, TErrorHandler& errors, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session), errors_(errors)
{
    setWindowTitle(QStringLiteral("Waveform"));
    resize(420, 240);

    yAxis_ = new TAxis(this);
    yAxis_->SetPosition(posleft);
    yAxis_->SetMinLoValue(-TAxisScale::kUnbounded);
    yAxis_->SetMaxLoValue(255);
    yAxis_->SetMinHiValue(-TAxisScale::kUnbounded);
    yAxis_->SetMaxHiValue(255);
    yAxis_->SetMinValueDifference(5);
    yAxis_->SetMaxValueDifference(255);
    yAxis_->SetAllowLoScroll(true);
    yAxis_->SetAllowHiScroll(true);
    yAxis_->SetAllowMidScroll(true);
    yAxis_->SetRange(0, 255);
    // Redrawn while the range is dragged, not only when the drag ends.
    connect(yAxis_, &TAxis::OnScaleChanging, this, [this] { Redraw(); });

    xAxis_ = new TAxis(this);
    xAxis_->SetPosition(posunder);
    SetAxisUnbounded(*xAxis_);
    xAxis_->SetAxisText(QStringLiteral("[frames]"));
    xAxis_->SetMarkerVisible(true);
    xAxis_->SetRange(0, 255);

    picture_ = new TImageBoxWidget(this);
    picture_->SetPicture(&plot_);
    connect(&session_.Sequence(), &TSequence::blockLoaded, this, &TForm7::FollowBlock);
    connect(&session_.Spectra(), &TSpectrumStore::spectrumLengthChanged, this, &TForm7::FollowBlock);
    connect(&session_, &TViewerSession::pointPlotsRequested, this, [this](int32_t column, int32_t row) {
        errors_.Guarded([&] { DrawWaveform(column, row); });
    });
    connect(&session_, &TViewerSession::currentFrameChanged, this, &TForm7::SetFrameMarker);
    new TPlotPlacer(*this, *yAxis_, *xAxis_, *picture_, [this] { Redraw(); });
    yAxis_->setAccessibleName(QStringLiteral("Grey value axis"));
    xAxis_->setAccessibleName(QStringLiteral("Frame axis"));
    SetAccessibleTexts(*picture_, QAccessible::Chart, QStringLiteral("Waveform"), [this] {
        return QStringLiteral("Grey values at column %1, row %2 over frames %3 to %4")
            .arg(pixel_.x())
            .arg(pixel_.y())
            .arg(AccessibleNumber(xAxis_->LoValue()), AccessibleNumber(xAxis_->HiValue()));
    });
    AttachPlotMenu(*picture_, errors_,
                   {[this] { FitToData(); }, [this] { ResetRange(); }, [this] {
                        AskAndWriteTable(this, session_.Sequence(),
                                         SuggestedTableName(session_.Sequence(), QStringLiteral("waveform")),
                                         [this] { return DataTable(); });
                    }});
    session.DataTables().Register(QStringLiteral("waveform"), this, [this] { return DataTable(); });
    OfferLimitForms(*this);  // the axes' double click
}

namespace {
constexpr double kGreyMinSpan = 5;  // the axis' least span
}  // namespace

void TForm7::FitToData()
{
    const TWaveformSeries series =
        WaveformSeries(session_.Sequence().Cache(), pixel_.x(), pixel_.y(), session_.Spectra().FFTLength());
    const TFitRange range = FitGreyRange(series.values.data(), int32_t(series.values.size()), kGreyMinSpan);
    if (!range.valid)
        return;
    yAxis_->SetRange(range.lo, range.hi);
    Redraw();
}

void TForm7::ResetRange()
{
    yAxis_->SetRange(0, 255);
    Redraw();
}

QByteArray TForm7::DataTable() const
{
    return WaveformTable(
        WaveformSeries(session_.Sequence().Cache(), pixel_.x(), pixel_.y(), session_.Spectra().FFTLength()));
}

void TForm7::FollowBlock()
{
    const TWaveformRange range = WaveformFrameRange(session_.Sequence().Cache(), session_.Spectra().SpectrumLength());
    xAxis_->SetRange(range.lo, range.hi);
    // The curve shown is of the old block: draw the same pixel from the new one.
    if (isVisible())
        Redraw();
}

void TForm7::DrawWaveform(int32_t column, int32_t row)
{
    pixel_ = QPoint(column, row);
    if (plot_.size() != picture_->size())
        plot_ = QImage(picture_->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    plot_.fill(palette().color(QPalette::Base));
    const TWaveformSeries series =
        WaveformSeries(session_.Sequence().Cache(), column, row, session_.Spectra().FFTLength());
    const std::vector<QPointF> line = WaveformPolyline(
        series, [this](double v) { return double(xAxis_->ValueToPixel(v)); },
        [this](double v) { return double(yAxis_->ValueToPixel(v)); });
    QPainter painter(&plot_);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawPolyline(line.data(), int(line.size()));
    picture_->update();
}

void TForm7::Redraw()
{
    // The pixel stays inside an image that shrank since it was drawn.
    const TSequence& sequence = session_.Sequence();
    pixel_ = QPoint(std::min(pixel_.x(), sequence.Width() - 1), std::min(pixel_.y(), sequence.Height() - 1));
    errors_.Guarded([this] { DrawWaveform(pixel_.x(), pixel_.y()); });
}

void TForm7::SetFrameMarker(int32_t frame) { xAxis_->SetMarkerValue(frame); }

void TForm7::ShowWaveform()
{
    show();
    raise();
}

