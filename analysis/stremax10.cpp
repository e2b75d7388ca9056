#include "analysis/stremax10.h"

#include "analysis/PlotLayout.h"
#include "analysis/SpectrumStore.h"
#include "plot/saxes.h"
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
    xAxis_->SetMinLoValue(-1e300);
    xAxis_->SetMaxLoValue(1e300);
    xAxis_->SetMinHiValue(-1e300);
    xAxis_->SetMaxHiValue(1e300);
    xAxis_->SetMaxValueDifference(1e300);
    xAxis_->SetAllowHiScroll(true);
    xAxis_->SetMarkerVisible(true);
    xAxis_->SetRange(0, 1);

    yAxis_ = new TAxis(this);
    yAxis_->SetPosition(posleft);
    yAxis_->SetReverse(true);  // row 0 at the top
    yAxis_->SetMinLoValue(-1e300);
    yAxis_->SetMaxLoValue(1e300);
    yAxis_->SetMinHiValue(-1e300);
    yAxis_->SetMaxHiValue(1e300);
    yAxis_->SetMaxValueDifference(1e300);
    yAxis_->SetRange(0, main_.Sequence().Height() - 1);

    picture_ = new TImageBoxWidget(this);
    picture_->SetPicture(&bitmap_);
    const auto pick = [this](QPoint position) {
        main_.Errors().Guarded([&] { main_.SetSelectedFrequency(xAxis_->PixelToValue(position.x())); });
    };
    connect(picture_, &TImageBoxWidget::mousePressed, this, [pick](QPoint position, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            pick(position);
    });
    connect(picture_, &TImageBoxWidget::mouseMoved, this, [pick](QPoint position, Qt::MouseButtons buttons) {
        if (buttons & Qt::LeftButton)
            pick(position);
    });

    connect(&main_.Sequence(), &TSequence::recordingRateChanged, this, &TForm10::FollowRate);
    connect(&main_.Sequence(), &TSequence::imageHeightChanged, this,
            [this](int32_t height) { yAxis_->SetHiValue(height - 1); });
    connect(&main_.Spectra(), &TSpectrumStore::selectedFrequencyChanged, this,
            [this](double hz) { xAxis_->SetMarkerValue(hz); });
    FollowRate(main_.Sequence().Header().FramesPerSecond);
}

void TForm10::FollowRate(double framesPerSecond)
{
    xAxis_->SetLoValue(0);
    xAxis_->SetHiValue(framesPerSecond / 2);
    xAxis_->SetMaxHiValue(framesPerSecond / 2);
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
    const TPlotLayout layout = LayoutPlot(event->size());
    yAxis_->setGeometry(layout.leftAxis);
    xAxis_->setGeometry(layout.bottomAxis);
    picture_->setGeometry(layout.picture);
}
