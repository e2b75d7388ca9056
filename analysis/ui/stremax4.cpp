#include "analysis/ui/stremax4.h"

#include "analysis/DataTables.h"
#include "analysis/widgets/PlotWindow.h"
#include "plot/ui/AxisLimitForm.h"
#include "plot/widgets/AccessibleText.h"
#include "plot/widgets/saxes.h"
#include "viewer/widgets/AxisSetup.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/widgets/NavigationActions.h"
#include "viewer/widgets/PlotMenu.h"
#include "viewer/session/Readouts.h"
#include "viewer/session/ViewerSession.h"

#include <QResizeEvent>
#include <algorithm>
#include <cmath>

TForm4::TForm4(TViewerSession& session, TErrorHandler& errors, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session), errors_(errors)
{
    setWindowTitle(QStringLiteral("Kymo"));
    setMinimumSize(200, 100);
    resize(420, 300);

    timeAxis_ = new TAxis(this);
    timeAxis_->SetPosition(posunder);
    timeAxis_->SetIsInteger(true);
    timeAxis_->SetAxisText(QStringLiteral("[frames]"));
    timeAxis_->SetTickSpaceAim(50);
    timeAxis_->SetAllowLoScroll(true);
    timeAxis_->SetAllowHiScroll(true);
    timeAxis_->SetAllowMidScroll(true);
    timeAxis_->SetAllowDoubleClick(true);
    timeAxis_->SetMarkerVisible(true);
    timeAxis_->SetPixelCells(true);
    MirrorSpan();
    // The axis asks; the session decides the span, and the axis mirrors what it decided.
    connect(timeAxis_, &TAxis::OnScaleChanged, this, [this] {
        if (!mirroring_)
            errors_.Guarded([this] { session_.SetKymogramSpan(timeAxis_->LoValue(), timeAxis_->HiValue()); });
    });

    columnAxis_ = new TAxis(this);
    columnAxis_->SetPosition(posleft);
    columnAxis_->SetReverse(true);  // column 0 at the top
    SetAxisUnbounded(*columnAxis_);
    columnAxis_->SetMarkerVisible(true);
    columnAxis_->SetPixelCells(true);
    columnAxis_->SetRange(0, 256);

    picture_ = new TImageBoxWidget(this);
    picture_->SetPicture(&bitmap_);
    connect(picture_, &TImageBoxWidget::mousePressed, this, [this](QPoint position, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            errors_.Guarded([&] { PickAt(position, true); });
    });
    connect(picture_, &TImageBoxWidget::mouseMoved, this, [this](QPoint position, Qt::MouseButtons buttons) {
        if (buttons & Qt::LeftButton)
            errors_.Guarded([&] { PickAt(position, false); });
    });

    bitmap_ = QImage(101, session_.Sequence().Width(), QImage::Format_BGR888);
    bitmap_.fill(Qt::black);
    connect(&session_.Sequence(), &TSequence::imageWidthChanged, this, &TForm4::FollowImageWidth);
    connect(&session_.Sequence(), &TSequence::cacheSizeChanged, this, &TForm4::MirrorSpan);

    const auto build = [this] { errors_.Guarded([this] { BuildKymogram(); }); };
    connect(&session_, &TViewerSession::selectedRowChanged, this, build);
    connect(&session_, &TViewerSession::kymogramRebuildRequested, this, build);
    connect(&session_, &TViewerSession::kymogramSpanChanged, this, [this, build] {
        MirrorSpan();
        FitKymogramBitmap(KymogramSpanOf(timeAxis_->LoValue(), timeAxis_->HiValue()), session_.Sequence().Width(),
                          bitmap_);
        build();
    });
    connect(&session_, &TViewerSession::currentFrameChanged, this,
            [this](int32_t frame) { timeAxis_->SetMarkerValue(frame); });
    connect(&session_, &TViewerSession::kymogramColumnMarked, this,
            [this](double column) { columnAxis_->SetMarkerValue(column); });
    new TPlotPlacer(*this, *columnAxis_, *timeAxis_, *picture_);
    timeAxis_->setAccessibleName(QStringLiteral("Frame axis"));
    columnAxis_->setAccessibleName(QStringLiteral("Column axis"));
    SetAccessibleTexts(*picture_, QAccessible::Chart, QStringLiteral("Kymogram"), [this] {
        return QStringLiteral("Row %1 over frames %2 to %3")
            .arg(session_.View().SelectedRow)
            .arg(AccessibleNumber(timeAxis_->LoValue()), AccessibleNumber(timeAxis_->HiValue()));
    });

    // The time navigator takes the frame keys too.
    AddFrameNavigation(*this, session_, errors_);
    connect(picture_, &TImageBoxWidget::mouseMoved, this, &TForm4::ShowReadout);
    connect(picture_, &TImageBoxWidget::mouseLeft, this, [this] { session_.ShowReadout(QString()); });
    AttachPlotMenu(*picture_, errors_, {{}, {}, [this] {
                       AskAndWriteTable(this, session_.Sequence(),
                                        SuggestedTableName(session_.Sequence(), QStringLiteral("kymogram")),
                                        [this] { return DataTable(); });
                   }});
    session.DataTables().Register(QStringLiteral("kymogram"), this, [this] { return DataTable(); });
    session.Pictures().Register(QStringLiteral("kymogram"), this, [this] { return Bitmap(); });
    OfferLimitForms(*this);  // the axes' double click
}

void TForm4::ShowReadout(QPoint position)
{
    const double column = columnAxis_->PixelToCell(position.y());
    const int32_t width = session_.Sequence().Width();
    const int32_t inside = !(column >= 0) ? 0 : int32_t(std::min(column, double(width - 1)));
    session_.ShowReadout(KymogramReadoutText(int64_t(timeAxis_->PixelToCell(position.x())), inside));
}

QByteArray TForm4::DataTable()
{
    session_.HoldKymogramSpan();
    const TAxisScale& span = session_.KymogramSpan();
    return KymogramTable(session_.Sequence().Cache(), session_.View().SelectedRow,
                         KymogramSpanOf(span.LoValue(), span.HiValue()), bitmap_);
}

void TForm4::MirrorSpan()
{
    const TAxisScale& span = session_.KymogramSpan();
    mirroring_ = true;
    timeAxis_->SetMinLoValue(span.MinLoValue());
    timeAxis_->SetMaxLoValue(span.MaxLoValue());
    timeAxis_->SetMinHiValue(span.MinHiValue());
    timeAxis_->SetMaxHiValue(span.MaxHiValue());
    timeAxis_->SetMaxValueDifference(span.MaxValueDifference());
    timeAxis_->SetRange(span.LoValue(), span.HiValue());
    timeAxis_->SetMarkerValue(span.MarkerValue());
    mirroring_ = false;
}

void TForm4::FollowImageWidth(int32_t width)
{
    SetAxisExtent(*columnAxis_, width);
    bitmap_ = QImage(std::max(1, bitmap_.width()), width, QImage::Format_BGR888);
    bitmap_.fill(Qt::black);
}

void TForm4::BuildKymogram()
{
    const TViewState& view = session_.View();
    TKymogramSettings settings;
    settings.row = view.SelectedRow;
    settings.span = KymogramSpanOf(session_.KymogramSpan().LoValue(), session_.KymogramSpan().HiValue());
    settings.blackLevel = view.BlackLevel;
    settings.grayLevel = view.GrayLevel;
    settings.whiteLevel = view.WhiteLevel;
    settings.edgeEnhance = view.EdgeEnhance;
    session_.HoldKymogramSpan();
    builder_.BuildFromCache(session_.Sequence().Cache(), settings, bitmap_,
                            [this] { return session_.Sequence().MemoryRoomNow(); });
    setWindowTitle(KymogramCaption(view.SelectedRow));
    picture_->update();
}

void TForm4::ShowKymogram()
{
    show();
    raise();
}

void TForm4::PickAt(QPoint position, bool releasePlay)
{
    if (releasePlay)
        session_.SetPlaying(false);
    // The frame and the column drawn under the cursor.
    session_.SetCurrentFrame(int32_t(timeAxis_->PixelToCell(position.x())));
    if (releasePlay)
        session_.SetPlaying(false);
    const double columnValue = columnAxis_->PixelToCell(position.y());
    columnAxis_->SetMarkerValue(columnValue);
    session_.MarkImageColumn(columnValue);
    // The plots need a pixel of the image, also for a drag past the picture's edge.
    const int32_t column =
        !(columnValue >= 0) ? 0 : int32_t(std::min(columnValue, double(session_.Sequence().Width() - 1)));
    session_.ShowPointPlots(column, session_.View().SelectedRow);
}

void TForm4::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    session_.SetKymogramShown(true);
}

void TForm4::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    session_.SetKymogramShown(false);
}

