#include "analysis/stremax10.h"

#include "analysis/PlotWindow.h"
#include "analysis/SpectrumStore.h"
#include "plot/saxes.h"
#include "viewer/AxisSetup.h"
#include "viewer/ErrorHandler.h"
#include "viewer/ImageBoxWidget.h"
#include "viewer/stremax1.h"

#include <QResizeEvent>

TForm10::TForm10(TForm1& main, QWidget* parent) : QWidget(parent, Qt::Tool), main_(main)
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
    yAxis_->SetRange(0, main_.Sequence().Height() - 1);

    picture_ = new TImageBoxWidget(this);
    picture_->SetPicture(&bitmap_);
    picture_->OnLeftButtonPicks(this, [this](QPoint position) {
        main_.Errors().Guarded([&] { main_.SetSelectedFrequency(xAxis_->PixelToValue(position.x())); });
    });

    connect(&main_.Sequence(), &TSequence::recordingRateChanged, this,
            [this](double framesPerSecond) { SetFrequencyAxisRate(*xAxis_, framesPerSecond); });
    connect(&main_.Sequence(), &TSequence::imageHeightChanged, this,
            [this](int32_t height) { yAxis_->SetHiValue(height - 1); });
    connect(&main_.Spectra(), &TSpectrumStore::selectedFrequencyChanged, this,
            [this](double hz) { xAxis_->SetMarkerValue(hz); });
    SetFrequencyAxisRate(*xAxis_, main_.Sequence().Header().FramesPerSecond);
}

void TForm10::DrawRowSpectrum()
{
    if (!main_.Activated())
        return;
    const QString failure =
        main_.Spectra().DrawRowSpectrum(main_.View().SpectrumBlack, main_.View().SpectrumWhite, bitmap_);
    if (!failure.isEmpty())
        main_.SetStatusText(1, failure);
    picture_->update();
}

void TForm10::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlacePlot(event->size(), *yAxis_, *xAxis_, *picture_);
}
