#include "analysis/ui/stremax10.h"

#include "analysis/DataTables.h"
#include "analysis/widgets/PlotWindow.h"
#include "plot/ui/AxisLimitForm.h"
#include "plot/widgets/AccessibleText.h"
#include "analysis/SpectrumStore.h"
#include "plot/widgets/saxes.h"
#include "viewer/widgets/AxisSetup.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/widgets/PlotMenu.h"
#include "viewer/session/ViewerSession.h"

#include <QResizeEvent>

TForm10::TForm10(TViewerSession& session, TErrorHandler& errors, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session), errors_(errors)
{
    setWindowTitle(QStringLiteral("Row spectrum"));
    resize(420, 260);

    xAxis_ = new TAxis(this);
    xAxis_->SetPosition(posunder);
    SetAxisUnbounded(*xAxis_);
    xAxis_->SetAllowHiScroll(true);
    xAxis_->SetMarkerVisible(true);
    xAxis_->SetRange(0, 1);

    yAxis_ = new TAxis(this);
    yAxis_->SetPosition(posleft);
    yAxis_->SetReverse(true);  // row 0 at the top
    SetAxisUnbounded(*yAxis_);
    yAxis_->SetRange(0, session_.Sequence().Height() - 1);

    picture_ = new TImageBoxWidget(this);
    picture_->SetPicture(&bitmap_);
    picture_->OnLeftButtonPicks(this, [this](QPoint position) {
        errors_.Guarded([&] { session_.SetSelectedFrequency(xAxis_->PixelToValue(position.x())); });
    });

    connect(&session_.Sequence(), &TSequence::recordingRateChanged, this,
            [this](double framesPerSecond) { SetFrequencyAxisRate(*xAxis_, framesPerSecond); });
    connect(&session_.Sequence(), &TSequence::imageHeightChanged, this,
            [this](int32_t height) { yAxis_->SetHiValue(height - 1); });
    connect(&session_.Spectra(), &TSpectrumStore::selectedFrequencyChanged, this,
            [this](double hz) { xAxis_->SetMarkerValue(hz); });
    SetFrequencyAxisRate(*xAxis_, session_.Sequence().Header().FramesPerSecond);
    // A new block has new row spectra; new levels draw them anew.
    connect(&session_.Sequence(), &TSequence::blockLoaded, this, &TForm10::DrawRowSpectrum);
    connect(&session_, &TViewerSession::rowSpectrumRedrawRequested, this, &TForm10::DrawRowSpectrum);
    new TPlotPlacer(*this, *yAxis_, *xAxis_, *picture_);
    xAxis_->setAccessibleName(QStringLiteral("Frequency axis"));
    yAxis_->setAccessibleName(QStringLiteral("Row axis"));
    SetAccessibleTexts(*picture_, QAccessible::Chart, QStringLiteral("Row spectrum"), [this] {
        return QStringLiteral("Power of every row over frequency, selected row %1").arg(session_.View().SelectedRow);
    });
    AttachPlotMenu(*picture_, errors_, {{}, {}, [this] {
                       AskAndWriteTable(this, session_.Sequence(),
                                        SuggestedTableName(session_.Sequence(), QStringLiteral("rowspectra")),
                                        [this] { return DataTable(); });
                   }});
    session.DataTables().Register(QStringLiteral("rowspectra"), this, [this] { return DataTable(); });
    session.Pictures().Register(QStringLiteral("rowspectra"), this, [this] { return Bitmap(); });
    OfferLimitForms(*this);  // the axes' double click
}

QByteArray TForm10::DataTable()
{
    DrawRowSpectrum();  // computes the row spectra of the block now held
    return RowSpectraTable(session_.Spectra());
}

void TForm10::DrawRowSpectrum()
{
    if (!session_.Activated())
        return;
    const QString failure = session_.DrawRowSpectrum(bitmap_);
    if (!failure.isEmpty())
        session_.ShowStatus(TStatusPanel::frequency, failure);
    picture_->update();
}

