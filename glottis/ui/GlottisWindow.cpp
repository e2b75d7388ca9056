#include "glottis/ui/GlottisWindow.h"

#include "analysis/widgets/PlotWindow.h"
#include "export/session/Clipboard.h"
#include "export/io/MontageFrames.h"
#include "glottis/GlottisOutline.h"
#include "plot/ui/AxisLimitForm.h"
#include "plot/widgets/saxes.h"
#include "viewer/widgets/AxisSetup.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/widgets/PlotMenu.h"
#include "viewer/session/ViewerSession.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

QSpinBox* SpinBox(QWidget* parent, const QString& name)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, 0);
    box->setAccessibleName(name);
    return box;
}

}  // namespace

TGlottisWindow::TGlottisWindow(TViewerSession& session, TErrorHandler& errors, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session), errors_(errors)
{
    setWindowTitle(QStringLiteral("Glottis"));
    resize(720, 560);
    auto* layout = new QVBoxLayout(this);

    auto* controls = new QGridLayout;
    pick_ = new QPushButton(QStringLiteral("Pick seed"), this);
    pick_->setCheckable(true);
    pick_->setToolTip(QStringLiteral("Click into the glottis in the main image"));
    connect(pick_, &QPushButton::toggled, this, [this](bool on) { SetPicking(on); });
    controls->addWidget(pick_, 0, 0);
    controls->addWidget(new QLabel(QStringLiteral("Seed X, Y:"), this), 0, 1);
    seedX_ = SpinBox(this, QStringLiteral("Seed column"));
    seedY_ = SpinBox(this, QStringLiteral("Seed row"));
    controls->addWidget(seedX_, 0, 2);
    controls->addWidget(seedY_, 0, 3);
    controls->addWidget(new QLabel(QStringLiteral("Frames:"), this), 0, 4);
    from_ = SpinBox(this, QStringLiteral("First frame"));
    to_ = SpinBox(this, QStringLiteral("Last frame"));
    controls->addWidget(from_, 0, 5);
    controls->addWidget(to_, 0, 6);
    analyse_ = new QPushButton(QStringLiteral("Analyse"), this);
    connect(analyse_, &QPushButton::clicked, this, [this] { errors_.Guarded([this] { Analyse(); }); });
    controls->addWidget(analyse_, 0, 7);
    controls->addWidget(new QLabel(QStringLiteral("Region X0, Y0, X1, Y1:"), this), 1, 0, 1, 2);
    const char* roiNames[4] = {"Region left", "Region top", "Region right", "Region bottom"};
    for (int i = 0; i < 4; ++i) {
        roi_[i] = SpinBox(this, QString::fromLatin1(roiNames[i]));
        controls->addWidget(roi_[i], 1, 2 + i);
    }
    export_ = new QPushButton(QStringLiteral("Export data..."), this);
    export_->setEnabled(false);
    connect(export_, &QPushButton::clicked, this, [this] {
        errors_.Guarded([this] {
            AskAndWriteTable(this, session_.Sequence(), SuggestedTableName(session_.Sequence(), QStringLiteral("glottis")),
                             [this] { return DataTable(); });
        });
    });
    controls->addWidget(export_, 1, 7);
    layout->addLayout(controls);

    auto* progressRow = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setAccessibleName(QStringLiteral("Segmentation progress"));
    status_ = new QLabel(this);
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(status_, 2);
    layout->addLayout(progressRow);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    plotArea_ = new QWidget(splitter);
    plotArea_->setMinimumHeight(120);
    yAxis_ = new TAxis(plotArea_);
    yAxis_->SetPosition(posleft);
    SetAxisUnbounded(*yAxis_);
    yAxis_->SetAxisText(QStringLiteral("[px]"));
    yAxis_->SetAllowLoScroll(true);
    yAxis_->SetAllowHiScroll(true);
    yAxis_->SetAllowDoubleClick(true);
    yAxis_->SetRange(0, 100);
    connect(yAxis_, &TAxis::OnScaleChanged, this, &TGlottisWindow::RedrawPlot);
    xAxis_ = new TAxis(plotArea_);
    xAxis_->SetPosition(posunder);
    SetAxisUnbounded(*xAxis_);
    xAxis_->SetAxisText(QStringLiteral("[frame]"));
    xAxis_->SetAllowLoScroll(true);
    xAxis_->SetAllowHiScroll(true);
    xAxis_->SetAllowMidScroll(true);
    xAxis_->SetAllowDoubleClick(true);
    xAxis_->SetMarkerVisible(true);
    xAxis_->SetRange(0, 100);
    connect(xAxis_, &TAxis::OnScaleChanging, this, &TGlottisWindow::RedrawPlot);
    connect(xAxis_, &TAxis::OnScaleChanged, this, &TGlottisWindow::RedrawPlot);
    picture_ = new TImageBoxWidget(plotArea_);
    picture_->SetPicture(&plot_);
    picture_->setAccessibleName(QStringLiteral("Glottal area waveform"));
    picture_->OnLeftButtonPicks(this, [this](QPoint position) { PickFrameAt(position); });
    // The current frame as a line across the plot (the bitmap stays the curve alone).
    picture_->SetOverlay([this](QPainter& painter) {
        if (result_.area.empty())
            return;
        const double x = xAxis_->ValueToPixel(xAxis_->MarkerValue());
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
        painter.drawLine(QPointF(x, 0), QPointF(x, painter.window().height()));
    });
    AttachPlotMenu(*picture_, errors_,
                   {[this] {
                        if (HasResult())
                            yAxis_->SetRange(0, std::max(1.0, parameters_.maxArea * 1.05));
                    },
                    {},
                    [this] { export_->click(); }});
    new TPlotPlacer(*plotArea_, *yAxis_, *xAxis_, *picture_, [this] { RedrawPlot(); });

    auto* lower = new QSplitter(Qt::Horizontal, splitter);
    table_ = new QTableWidget(0, 3, lower);
    table_->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Unit")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table_->setAccessibleName(QStringLiteral("Vibration parameters"));
    table_->setWordWrap(false);
    pvgBox_ = new TImageBoxWidget(lower);
    pvgBox_->SetPicture(&pvgImage_);
    pvgBox_->setMinimumSize(120, 80);
    pvgBox_->setAccessibleName(QStringLiteral("Phonovibrogram"));
    pvgBox_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pvgBox_, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        QMenu menu(this);
        QAction* copy = menu.addAction(QStringLiteral("Copy"));
        copy->setEnabled(!pvgImage_.isNull());
        if (menu.exec(pvgBox_->mapToGlobal(at)) == copy)
            errors_.Guarded([this] { CopyImageToClipboard(pvgImage_); });
    });
    lower->setStretchFactor(1, 2);
    lower->setSizes({fontMetrics().horizontalAdvance(QStringLiteral("glottal_gap_index_mean  0.000000  of cycle maximum")) + 40,
                     400});
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    // A millisecond between slices, so that other timers (playback, say) get their turn.
    slices_.setInterval(1);
    connect(&slices_, &QTimer::timeout, this, [this] { errors_.Guarded([this] { Slice(); }); });

    // A click into the image with "Pick seed" down makes the seed.
    connect(&session_, &TViewerSession::pointPlotsRequested, this, [this](int32_t column, int32_t row) {
        if (pick_->isChecked()) {
            pick_->setChecked(false);
            errors_.Guarded([&] { SetSeed(QPoint(column, row)); });
        }
    });
    connect(&session_, &TViewerSession::currentFrameChanged, this, [this](int32_t frame) {
        xAxis_->SetMarkerValue(frame);
        picture_->update();
    });
    // The span follows the kymogram's until a segmentation runs.
    connect(&session_, &TViewerSession::kymogramSpanChanged, this, [this] {
        if (!Running())
            SetSpanControls();
    });
    // Another sequence (or frame size): the frames segmented are gone.
    const TSequence& sequence = session_.Sequence();
    for (auto signal : {&TSequence::imageWidthChanged, &TSequence::imageHeightChanged})
        connect(&sequence, signal, this, [this] { Cancel(); });
    connect(&sequence, &TSequence::fileNameChanged, this, [this] {
        Cancel();
        result_ = {};
        parameters_ = {};
        pvg_ = {};
        pvgImage_ = {};
        ShowParameters();
        RedrawPlot();
        SetSpanControls();
    });
    SetSpanControls();
    ShowParameters();
    OfferLimitForms(*this);  // the axes' double click
}

TGlottisWindow::~TGlottisWindow() = default;

void TGlottisWindow::SetSpanControls()
{
    const TSequence& sequence = session_.Sequence();
    const int32_t last = std::max(0, sequence.Header().FrameCount - 1);
    for (QSpinBox* box : {from_, to_})
        box->setRange(0, last);
    from_->setValue(std::clamp(int32_t(std::lround(session_.KymogramSpan().LoValue())), 0, last));
    to_->setValue(std::clamp(int32_t(std::lround(session_.KymogramSpan().HiValue())), 0, last));
    seedX_->setRange(0, std::max(0, sequence.Width() - 1));
    seedY_->setRange(0, std::max(0, sequence.Height() - 1));
    for (int i = 0; i < 4; ++i)
        roi_[i]->setRange(0, std::max(0, (i % 2 ? sequence.Height() : sequence.Width()) - 1));
}

void TGlottisWindow::SetPicking(bool on)
{
    if (pick_->isChecked() != on)
        pick_->setChecked(on);
    statusText_ = on ? QStringLiteral("Click into the glottis in the main image") : QString();
    status_->setText(statusText_);
}

void TGlottisWindow::SetSeed(QPoint seed)
{
    const TSequence& sequence = session_.Sequence();
    seedX_->setValue(seed.x());
    seedY_->setValue(seed.y());
    const QRect roi = DefaultGlottisRoi(QPoint(seedX_->value(), seedY_->value()), sequence.Width(), sequence.Height());
    roi_[0]->setValue(roi.left());
    roi_[1]->setValue(roi.top());
    roi_[2]->setValue(roi.right());
    roi_[3]->setValue(roi.bottom());
    Analyse();
}

void TGlottisWindow::Analyse()
{
    Cancel();
    TGlottisSpan span;
    span.first = std::min(from_->value(), to_->value());
    span.last = std::max(from_->value(), to_->value());
    span.seed = QPoint(seedX_->value(), seedY_->value());
    span.roi = QRect(QPoint(roi_[0]->value(), roi_[1]->value()), QPoint(roi_[2]->value(), roi_[3]->value())).normalized();
    if (!span.roi.contains(span.seed))
        span.roi = QRect();  // the default region around the seed
    frames_ = std::make_unique<TMontageFrames>(session_.Sequence(), kGlottisChunkFrames);
    TMontageFrames* frames = frames_.get();
    analysis_ = std::make_unique<TGlottisAnalysis>([frames](int32_t f) { return frames->Frame(f); }, frames->Width(),
                                                   frames->Height(), span);
    progress_->setRange(0, analysis_->FrameCount());
    progress_->setValue(0);
    statusText_ = QStringLiteral("Segmenting frames %1 to %2 (Esc stops)").arg(span.first).arg(span.last);
    status_->setText(statusText_);
    slices_.start();
}

void TGlottisWindow::Cancel()
{
    if (!analysis_)
        return;
    slices_.stop();
    statusText_ = QStringLiteral("Stopped after %1 of %2 frames").arg(analysis_->FramesDone()).arg(analysis_->FrameCount());
    status_->setText(statusText_);
    analysis_.reset();
    frames_.reset();
}

void TGlottisWindow::Slice()
{
    if (!analysis_)
        return;
    elapsed_.start();
    try {
        // Small steps, so that one slice never runs much past kSliceMs.
        while (!analysis_->Step(8) && elapsed_.elapsed() < kSliceMs) {
        }
    } catch (...) {
        slices_.stop();
        analysis_.reset();
        frames_.reset();
        throw;
    }
    progress_->setValue(analysis_->FramesDone());
    if (analysis_->Finished())
        Finish();
}

void TGlottisWindow::Finish()
{
    slices_.stop();
    const TGlottisSpan span = analysis_->Span();
    result_ = analysis_->TakeResult();
    analysis_.reset();
    frames_.reset();
    roi_[0]->setValue(span.roi.left());
    roi_[1]->setValue(span.roi.top());
    roi_[2]->setValue(span.roi.right());
    roi_[3]->setValue(span.roi.bottom());
    parameters_ = GlottisParameters(result_.area, session_.Sequence().Header().FramesPerSecond, result_.first);
    pvg_ = Phonovibrogram(result_);
    pvgImage_ = PhonovibrogramImage(pvg_);
    pvgBox_->update();
    statusText_ = QStringLiteral("%1 frames, %2 cycles").arg(result_.area.size()).arg(parameters_.cycles.size());
    status_->setText(statusText_);
    export_->setEnabled(true);
    ShowParameters();
    xAxis_->SetRange(result_.first, result_.first + int32_t(result_.area.size()) - 1);
    yAxis_->SetRange(0, std::max(1.0, parameters_.maxArea * 1.05));
    xAxis_->SetMarkerValue(session_.View().CurrentFrame);
    RedrawPlot();
    session_.RequestRender();
    Q_EMIT analysed();
}

QString TGlottisWindow::StatusText() const { return statusText_; }

void TGlottisWindow::ShowParameters()
{
    const std::vector<TParameterRow> rows = GlottisParameterRows(parameters_);
    table_->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        table_->setItem(i, 0, new QTableWidgetItem(rows[size_t(i)].name));
        // Four significant digits on screen; "Export data..." keeps every digit.
        bool number = false;
        const double value = rows[size_t(i)].value.toDouble(&number);
        auto* item = new QTableWidgetItem(number ? QString::number(value, 'g', 4) : rows[size_t(i)].value);
        item->setData(Qt::ToolTipRole, rows[size_t(i)].value);
        table_->setItem(i, 1, item);
        table_->setItem(i, 2, new QTableWidgetItem(rows[size_t(i)].unit));
    }
}

void TGlottisWindow::RedrawPlot()
{
    if (plot_.size() != picture_->size())
        plot_ = QImage(picture_->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    plot_.fill(palette().color(QPalette::Base));
    if (!result_.area.empty()) {
        std::vector<QPointF> line;
        line.reserve(result_.area.size());
        for (size_t i = 0; i < result_.area.size(); ++i)
            line.emplace_back(xAxis_->ValueToPixel(result_.first + double(i)), yAxis_->ValueToPixel(result_.area[i]));
        QPainter painter(&plot_);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawPolyline(line.data(), int(line.size()));
    }
    picture_->update();
}

void TGlottisWindow::PickFrameAt(QPoint position)
{
    if (result_.area.empty())
        return;
    const int32_t last = result_.first + int32_t(result_.area.size()) - 1;
    const int32_t frame = std::clamp(int32_t(std::lround(xAxis_->PixelToValue(position.x()))), result_.first, last);
    errors_.Guarded([&] { session_.SetCurrentFrame(frame); });
}

QByteArray TGlottisWindow::DataTable() const
{
    return (GlottisWaveformCsv(result_.area, result_.first) + QLatin1Char('\n') + GlottisParameterCsv(parameters_)).toUtf8();
}

void TGlottisWindow::DrawOutline(QPainter& painter, const std::function<double(double)>& toX,
                                 const std::function<double(double)>& toY) const
{
    if (!isVisible() || result_.regions.empty())
        return;
    const int64_t index = int64_t(session_.View().CurrentFrame) - result_.first;
    if (index < 0 || index >= int64_t(result_.regions.size()))
        return;
    painter.save();
    painter.setPen(QPen(QColor(0, 255, 64), 1));
    for (const QLineF& line : GlottisOutline(result_.regions[size_t(index)]))
        painter.drawLine(QLineF(toX(line.x1()), toY(line.y1()), toX(line.x2()), toY(line.y2())));
    painter.restore();
}

void TGlottisWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && Running()) {
        Cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TGlottisWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!HasResult() && !Running())
        SetSpanControls();
    session_.RequestRender();
}

void TGlottisWindow::closeEvent(QCloseEvent* event)
{
    Cancel();
    QWidget::closeEvent(event);
    session_.RequestRender();
}
