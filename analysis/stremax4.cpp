#include "analysis/stremax4.h"

#include "analysis/PlotWindow.h"
#include "plot/saxes.h"
#include "viewer/AxisSetup.h"
#include "viewer/ErrorHandler.h"
#include "viewer/ImageBoxWidget.h"
#include "viewer/stremax1.h"

#include <QResizeEvent>
#include <algorithm>
#include <cmath>

TForm4::TForm4(TForm1& main, QWidget* parent) : QWidget(parent, Qt::Tool), main_(main)
{
    setWindowTitle(QStringLiteral("Kymo"));
    setMinimumSize(200, 100);
    resize(420, 300);

    timeAxis_ = new TAxis(this);
    timeAxis_->SetPosition(posunder);
    SetAxisUnbounded(*timeAxis_);
    timeAxis_->SetMaxValueDifference(512);
    timeAxis_->SetIsInteger(true);
    timeAxis_->SetAxisText(QStringLiteral("[frames]"));
    timeAxis_->SetTickSpaceAim(50);
    timeAxis_->SetAllowLoScroll(true);
    timeAxis_->SetAllowHiScroll(true);
    timeAxis_->SetAllowMidScroll(true);
    timeAxis_->SetAllowDoubleClick(true);
    timeAxis_->SetMarkerVisible(true);
    timeAxis_->SetRange(0, 100);
    connect(timeAxis_, &TAxis::OnScaleChanged, this,
            [this] { main_.Errors().Guarded([this] { OnTimeAxisChanged(); }); });

    columnAxis_ = new TAxis(this);
    columnAxis_->SetPosition(posleft);
    columnAxis_->SetReverse(true);  // column 0 at the top
    SetAxisUnbounded(*columnAxis_);
    columnAxis_->SetMarkerVisible(true);
    columnAxis_->SetRange(0, 256);

    picture_ = new TImageBoxWidget(this);
    picture_->SetPicture(&bitmap_);
    connect(picture_, &TImageBoxWidget::mousePressed, this, [this](QPoint position, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            main_.Errors().Guarded([&] { PickAt(position, true); });
    });
    connect(picture_, &TImageBoxWidget::mouseMoved, this, [this](QPoint position, Qt::MouseButtons buttons) {
        if (buttons & Qt::LeftButton)
            main_.Errors().Guarded([&] { PickAt(position, false); });
    });

    bitmap_ = QImage(101, main_.Sequence().Width(), QImage::Format_BGR888);
    bitmap_.fill(Qt::black);
    connect(&main_.Sequence(), &TSequence::imageWidthChanged, this, &TForm4::FollowImageWidth);
    connect(&main_.Sequence(), &TSequence::cacheSizeChanged, this,
            [this](int32_t slots) { timeAxis_->SetMaxValueDifference(slots - 1); });
}

void TForm4::FollowImageWidth(int32_t width)
{
    SetAxisExtent(*columnAxis_, width);
    bitmap_ = QImage(std::max(1, bitmap_.width()), width, QImage::Format_BGR888);
    bitmap_.fill(Qt::black);
}

void TForm4::BuildKymogram()
{
    const TViewState& view = main_.View();
    TKymogramSettings settings;
    settings.row = view.SelectedRow;
    settings.span = KymogramSpanOf(timeAxis_->LoValue(), timeAxis_->HiValue());
    settings.blackLevel = view.BlackLevel;
    settings.grayLevel = view.GrayLevel;
    settings.whiteLevel = view.WhiteLevel;
    settings.edgeEnhance = view.EdgeEnhance;
    builder_.Build(main_.Sequence(), settings, bitmap_);
    setWindowTitle(KymogramCaption(view.SelectedRow));
    picture_->update();
}

void TForm4::ShowKymogram()
{
    show();
    raise();
}

void TForm4::OnTimeAxisChanged()
{
    main_.ReleasePlayButton();
    const TKymogramAxisChange change =
        KymogramAxisChange(timeAxis_->LoValue(), timeAxis_->HiValue(), timeAxis_->MarkerValue());
    timeAxis_->SetHiValue(change.hiValue);
    PrepareKymogramSpan(main_.Sequence(), change.span, bitmap_);
    main_.SetCurrentFrame(change.currentFrame);
    BuildKymogram();
}

void TForm4::PickAt(QPoint position, bool releasePlay)
{
    if (releasePlay)
        main_.ReleasePlayButton();
    main_.SetCurrentFrame(int32_t(std::nearbyint(timeAxis_->PixelToValue(position.x()))));
    if (releasePlay)
        main_.ReleasePlayButton();
    columnAxis_->SetMarkerPixel(position.y());
    const double columnValue = columnAxis_->MarkerValue();
    main_.ImageXAxis().SetMarkerValue(columnValue);
    // The plots need a pixel of the image, also for a drag past the picture's edge.
    const double rounded = std::nearbyint(columnValue);
    const int32_t column = !(rounded >= 0) ? 0 : int32_t(std::min(rounded, double(main_.Sequence().Width() - 1)));
    main_.DrawPointPlots(column, main_.View().SelectedRow);
}

void TForm4::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    main_.SetKymogramShown(true);
}

void TForm4::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    main_.SetKymogramShown(false);
}

void TForm4::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlacePlot(event->size(), *columnAxis_, *timeAxis_, *picture_);
}
