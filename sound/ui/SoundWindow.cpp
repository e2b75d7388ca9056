#include "sound/ui/SoundWindow.h"

#include "platform/SafeFileWriter.h"
#include "plot/ui/AxisLimitForm.h"
#include "plot/widgets/AccessibleText.h"
#include "plot/widgets/saxes.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/session/ViewerSession.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaDevices>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kWaveShare = 0.3;  // of the plot's height: the waveform; the rest the spectrogram
QString Number(double value) { return QString::number(value, 'g', 10); }
int WaveHeight(int plotHeight) { return std::max(1, int(plotHeight * kWaveShare)); }
constexpr double kLowestFrequencySpan = 10;  // Hz: the frequency axis shows at least this much
}  // namespace

// The plot: draws the picture the window composes; a click asks for the frame under it.
class TSoundWindow::TPlot : public QWidget {
public:
    TPlot(TSoundWindow& owner, QWidget* parent) : QWidget(parent), owner_(owner)
    {
        setMinimumSize(320, 200);
        setCursor(Qt::CrossCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, owner_.PlotImage(devicePixelRatioF()));
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || owner_.session_.Sequence().Header().FrameCount <= 0)
            return;
        const double t = owner_.ColumnTime(int(event->position().x()));
        owner_.errors_.Guarded([this, t] {
            owner_.StopSound();
            owner_.session_.SetPlaying(false);
            owner_.session_.SetCurrentFrame(SoundTimeToFrame(owner_.Timebase(), owner_.syncTime_, t));
        });
    }
    void resizeEvent(QResizeEvent*) override { owner_.Recompute(); }

private:
    TSoundWindow& owner_;
};

// Places the plot and its axes in their area whenever it resizes or an axis needs other room.
class TSoundWindow::TPlacer : public QObject {
public:
    explicit TPlacer(TSoundWindow& owner) : QObject(&owner), owner_(owner) { owner.plotArea_->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == owner_.plotArea_ && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
            owner_.PlacePlot();
        return false;
    }

private:
    TSoundWindow& owner_;
};

TSoundWindow::TSoundWindow(TViewerSession& session, TErrorHandler& errors, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), errors_(errors)
{
    setWindowTitle(QStringLiteral("Sound"));
    setObjectName(QStringLiteral("SoundWindow"));
    resize(720, 420);
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Window (ms):"), this));
    windowEdit_ = new QDoubleSpinBox(this);
    windowEdit_->setObjectName(QStringLiteral("windowlengthedit"));
    windowEdit_->setRange(1, 100);
    windowEdit_->setDecimals(1);
    windowEdit_->setValue(spectrogram_.WindowSeconds * 1000);
    controls->addWidget(windowEdit_);
    controls->addWidget(new QLabel(QStringLiteral("Dynamic range (dB):"), this));
    rangeEdit_ = new QDoubleSpinBox(this);
    rangeEdit_->setObjectName(QStringLiteral("dynamicrangeedit"));
    rangeEdit_->setRange(10, 150);
    rangeEdit_->setDecimals(0);
    rangeEdit_->setValue(spectrogram_.DynamicRangeDb);
    controls->addWidget(rangeEdit_);
    auto* here = new QPushButton(QStringLiteral("Sound time here is..."), this);
    controls->addWidget(here);
    auto* exportButton = new QPushButton(QStringLiteral("Export data..."), this);
    controls->addWidget(exportButton);
    auto* copy = new QPushButton(QStringLiteral("Copy picture"), this);
    controls->addWidget(copy);
    controls->addStretch();
    layout->addLayout(controls);
    plotArea_ = new QWidget(this);
    plotArea_->setObjectName(QStringLiteral("soundplotarea"));
    plot_ = new TPlot(*this, plotArea_);
    plot_->setObjectName(QStringLiteral("soundplot"));
    SetAccessibleTexts(*plot_, QAccessible::Graphic, QStringLiteral("Waveform and spectrogram"), [this] {
        if (!HasSound())
            return QStringLiteral("No sound open");
        const auto [from, to] = ShownTimes();
        return QStringLiteral("%1 to %2 s, %3 to %4 Hz")
            .arg(AccessibleNumber(from), AccessibleNumber(to), AccessibleNumber(spectrogram_.MinFrequency),
                 AccessibleNumber(spectrogram_.MaxFrequency));
    });
    layout->addWidget(plotArea_, 1);
    axis_ = new TAxis(plotArea_);
    axis_->setObjectName(QStringLiteral("timeaxis"));
    axis_->setAccessibleName(QStringLiteral("Time axis"));
    axis_->SetPosition(posunder);
    axis_->SetAxisText(QStringLiteral("Time (s)"));
    // Seconds anywhere on the sound's axis (the limits are all 0 until set).
    axis_->SetMaxLoValue(1e9);
    axis_->SetMaxHiValue(1e9);
    axis_->SetMinLoValue(-1e9);
    axis_->SetMinHiValue(-1e9);
    axis_->SetMaxValueDifference(1e9);
    axis_->SetAllowLoScroll(false);
    axis_->SetAllowHiScroll(false);
    axis_->SetAllowMidScroll(false);
    // Hz of the spectrogram rows; double click types the shown range.
    frequencyAxis_ = new TAxis(plotArea_);
    frequencyAxis_->setObjectName(QStringLiteral("frequencyaxis"));
    frequencyAxis_->setAccessibleName(QStringLiteral("Frequency axis"));
    frequencyAxis_->SetPosition(posleft);
    frequencyAxis_->SetAxisText(QStringLiteral("[Hz]"));
    frequencyAxis_->SetAllowDoubleClick(true);
    BoundFrequencyAxis();
    connect(frequencyAxis_, &TAxis::OnScaleChanged, this, [this] {
        spectrogram_.MinFrequency = frequencyAxis_->LoValue();
        spectrogram_.MaxFrequency = frequencyAxis_->HiValue();
        plot_->update();
    });
    // The waveform's full scale; double click zooms into a quiet recording.
    amplitudeAxis_ = new TAxis(plotArea_);
    amplitudeAxis_->setObjectName(QStringLiteral("amplitudeaxis"));
    amplitudeAxis_->setAccessibleName(QStringLiteral("Amplitude axis"));
    amplitudeAxis_->SetPosition(posleft);
    amplitudeAxis_->SetMinLoValue(-1);
    amplitudeAxis_->SetMaxLoValue(1 - 1e-3);
    amplitudeAxis_->SetMinHiValue(-1 + 1e-3);
    amplitudeAxis_->SetMaxHiValue(1);
    amplitudeAxis_->SetMinValueDifference(1e-3);
    amplitudeAxis_->SetMaxValueDifference(2);
    amplitudeAxis_->SetAllowDoubleClick(true);
    amplitudeAxis_->SetRange(-1, 1);
    connect(amplitudeAxis_, &TAxis::OnScaleChanged, this, [this] { plot_->update(); });
    plotArea_->setMinimumSize(plot_->minimumSize() + QSize(frequencyAxis_->sizeHint().width(), axis_->sizeHint().height()));
    placer_ = new TPlacer(*this);
    status_ = new QLabel(QStringLiteral("No sound open: File > Open sound..."), this);
    status_->setObjectName(QStringLiteral("soundstatus"));
    layout->addWidget(status_);
    playTimer_ = new QTimer(this);
    playTimer_->setInterval(20);
    connect(playTimer_, &QTimer::timeout, this, &TSoundWindow::PlaybackTick);

    auto settingsChanged = [this] {
        TSpectrogramSettings next = spectrogram_;
        next.WindowSeconds = windowEdit_->value() / 1000;
        next.DynamicRangeDb = rangeEdit_->value();
        SetSpectrogramSettings(next);
    };
    connect(windowEdit_, &QDoubleSpinBox::valueChanged, this, settingsChanged);
    connect(rangeEdit_, &QDoubleSpinBox::valueChanged, this, settingsChanged);
    connect(here, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const double t = QInputDialog::getDouble(this, QStringLiteral("Sound time here is..."),
                                                 QStringLiteral("Sound time of frame %1 (s):").arg(session_.View().CurrentFrame),
                                                 FrameTime(session_.View().CurrentFrame), -1e6, 1e6, 6, &ok);
        if (ok)
            SetSoundTimeHere(t);
    });
    connect(exportButton, &QPushButton::clicked, this, [this] { errors_.Guarded([this] { ExportData(); }); });
    connect(copy, &QPushButton::clicked, this, [this] { CopyPicture(); });
    connect(&session_, &TViewerSession::currentFrameChanged, this, [this] { plot_->update(); });
    connect(&session_, &TViewerSession::kymogramSpanChanged, this, [this] { Recompute(); });
    connect(&session_, &TViewerSession::playingChanged, this, [this](bool on) {
        if (on)
            StopSound();  // the video's own playback and the sound's do not run together
    });
    OfferLimitForms(*this);  // the axes' double click
}

TSoundWindow::~TSoundWindow()
{
    // Before QWidget's destructor deletes the plot area, whose last events would reach the placer
    // when this is no longer a TSoundWindow.
    delete placer_;
    if (sink_)
        sink_->stop();
}

TSoundTimebase TSoundWindow::Timebase() const { return SoundTimebaseOf(session_.Sequence().Header()); }

std::pair<double, double> TSoundWindow::ShownTimes() const
{
    const TAxisScale& span = session_.KymogramSpan();
    const auto lo = int32_t(std::floor(span.LoValue()));
    const auto hi = int32_t(std::floor(span.HiValue()));
    return {FrameTime(lo), FrameTime(hi + 1)};
}

void TSoundWindow::OpenSound(const QString& path, int32_t channel)
{
    TSound sound = ReadSound(path, channel);
    StopSound();
    sound_ = std::move(sound);
    syncTime_ = sound_.Info.SyncTime.value_or(0);
    setWindowTitle(QStringLiteral("Sound - %1").arg(QFileInfo(path).fileName()));
    BoundFrequencyAxis();
    Recompute();
    Q_EMIT soundChanged();
}

void TSoundWindow::SetSyncTime(double h)
{
    if (!std::isfinite(h) || h == syncTime_)
        return;
    syncTime_ = h;
    Recompute();
    Q_EMIT soundChanged();
}

void TSoundWindow::SetSoundTimeHere(double seconds)
{
    SetSyncTime(SyncTimeAtFrame(Timebase(), session_.View().CurrentFrame, seconds));
}

void TSoundWindow::SetSpectrogramSettings(const TSpectrogramSettings& settings)
{
    spectrogram_ = settings;
    BoundFrequencyAxis();
    Recompute();
}

void TSoundWindow::BoundFrequencyAxis()
{
    // Without a sound the axis may reach anywhere a recording could.
    const double top = HasSound() ? sound_.Info.SampleRate / 2 : 1e6;
    TAxis& axis = *frequencyAxis_;
    axis.SetMinLoValue(0);
    axis.SetMaxHiValue(top);
    axis.SetMaxLoValue(top - kLowestFrequencySpan);
    axis.SetMinHiValue(kLowestFrequencySpan);
    axis.SetMinValueDifference(kLowestFrequencySpan);
    axis.SetMaxValueDifference(top);
    // The range as asked, within what the sound holds: the spectrogram draws what the axis reads.
    const double hi = std::clamp(spectrogram_.MaxFrequency, kLowestFrequencySpan, top);
    const double lo = std::clamp(spectrogram_.MinFrequency, 0.0, hi - kLowestFrequencySpan);
    axis.SetRange(lo, hi);
    spectrogram_.MinFrequency = axis.LoValue();
    spectrogram_.MaxFrequency = axis.HiValue();
}

void TSoundWindow::PlacePlot()
{
    const QSize area = plotArea_->size();
    const int bottom = std::max(axis_->sizeHint().height(), int(axis_->LabelRoom()));
    const int plotHeight = std::max(2, area.height() - bottom);
    const int waveHeight = WaveHeight(plotHeight);
    // The left axes' labels follow their heights: size those first, then give the widest room.
    amplitudeAxis_->resize(amplitudeAxis_->width(), waveHeight);
    frequencyAxis_->resize(frequencyAxis_->width(), plotHeight - waveHeight);
    const int left = std::max({frequencyAxis_->sizeHint().width(), int(frequencyAxis_->LabelRoom()),
                               int(amplitudeAxis_->LabelRoom())});
    const int width = std::max(1, area.width() - left);
    amplitudeAxis_->setGeometry(0, 0, left, waveHeight);
    frequencyAxis_->setGeometry(0, waveHeight, left, plotHeight - waveHeight);
    plot_->setGeometry(left, 0, width, plotHeight);
    axis_->setGeometry(left, plotHeight, width, bottom);
}

QRect TSoundWindow::SpectrogramRect() const
{
    const int width = std::max(plot_->width(), 1);
    const int height = std::max(plot_->height(), 2);
    const int waveHeight = WaveHeight(height);
    return {0, waveHeight, width, height - waveHeight};
}

void TSoundWindow::SetComparisonTrack(const std::vector<std::pair<double, double>>& track, const QString& label)
{
    comparison_ = track;
    comparisonLabel_ = label;
    plot_->update();
}

void TSoundWindow::Recompute()
{
    const auto [from, to] = ShownTimes();
    if (to > from) {
        axis_->SetRange(from, to);
    }
    pitch_.clear();
    if (HasSound() && to > from) {
        // Frames every 1/100 of the span at most, so that a long span stays quick.
        TPitchSettings settings;
        settings.Step = std::max(0.001, (to - from) / 200);
        pitch_ = PitchTrack(sound_.Samples, sound_.Info.SampleRate, std::max(0.0, from), to, settings);
    }
    if (HasSound())
        status_->setText(QStringLiteral("%1: %2 Hz, %3 s; shown %4 ... %5 s; sound time of the trigger frame %6 s")
                             .arg(QFileInfo(sound_.Info.FileName).fileName(), Number(sound_.Info.SampleRate),
                                  Number(sound_.Info.Duration()), Number(from), Number(to), Number(syncTime_)));
    plot_->update();
}

double TSoundWindow::ColumnTime(int x) const
{
    const auto [from, to] = ShownTimes();
    const int width = std::max(plot_->width(), 1);
    return from + (x + 0.5) * (to - from) / width;
}

QImage TSoundWindow::PlotImage(double scale) const
{
    const QRect spectrogramRect = SpectrogramRect();
    const int width = spectrogramRect.width();
    const int waveHeight = spectrogramRect.top();
    const int specHeight = spectrogramRect.height();
    const int height = waveHeight + specHeight;
    // Drawn at the screen's scale so that text and dots stay sharp; the spectrogram's rows are the
    // axis' pixels, scaled up as they are.
    scale = std::clamp(scale, 1.0, 8.0);
    QImage image(int(std::ceil(width * scale)), int(std::ceil(height * scale)), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    const auto [from, to] = ShownTimes();
    QPainter painter(&image);
    const auto xOf = [&](double t) { return (t - from) / (to - from) * width; };
    if (HasSound() && to > from) {
        painter.drawImage(0, waveHeight, Spectrogram(sound_, from, to, width, specHeight, spectrogram_));
        // The waveform over the amplitude axis' range, cut at the strip's edges.
        painter.setClipRect(0, 0, width, waveHeight);
        painter.setPen(QColor(0, 0, 110));
        const auto columns = WaveformColumns(sound_, from, to, width);
        const double ampLo = amplitudeAxis_->LoValue(), ampHi = amplitudeAxis_->HiValue();
        const auto waveY = [&](double v) { return std::clamp((ampHi - v) / (ampHi - ampLo), -1.0, 2.0) * waveHeight; };
        for (int x = 0; x < width; ++x)
            painter.drawLine(QPointF(x + 0.5, waveY(columns[size_t(x)].second)),
                             QPointF(x + 0.5, waveY(columns[size_t(x)].first)));
        // Frequencies at the centres of the rows the spectrogram draws them in (the axis' pixels).
        painter.setClipRect(spectrogramRect);
        const double lowHz = spectrogram_.MinFrequency, highHz = spectrogram_.MaxFrequency;
        const auto yOf = [&](double hz) {
            return waveHeight + 0.5 + (highHz - hz) / (highHz - lowHz) * std::max(0, specHeight - 1);
        };
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(220, 0, 0));
        for (const TPitchPoint& point : pitch_)
            if (point.Frequency > 0)
                painter.drawEllipse(QPointF(xOf(point.Time), yOf(point.Frequency)), 2.0, 2.0);
        painter.setBrush(QColor(0, 90, 230));
        for (const auto& [t, hz] : comparison_)
            if (hz > 0 && t >= from && t <= to)
                painter.drawRect(QRectF(xOf(t) - 2, yOf(hz) - 2, 4, 4));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(4, waveHeight + 2, width - 8, 20), Qt::AlignLeft | Qt::AlignTop,
                         comparison_.empty() ? QStringLiteral("F0 (red)")
                                             : QStringLiteral("F0 (red), %1 (blue)").arg(comparisonLabel_));
        painter.setClipping(false);
    } else {
        painter.setPen(Qt::darkGray);
        painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter, QStringLiteral("No sound open: File > Open sound..."));
    }
    painter.setPen(Qt::gray);
    painter.drawLine(0, waveHeight, width, waveHeight);
    // The current frame: a band from its start to the next frame's, at least a pixel wide.
    if (to > from && session_.Sequence().Header().FrameCount > 0) {
        const int32_t frame = session_.View().CurrentFrame;
        const double a = xOf(FrameTime(frame)), b = xOf(FrameTime(frame + 1));
        painter.fillRect(QRectF(a, 0, std::max(1.0, b - a), height), QColor(255, 170, 0, 110));
    }
    return image;
}

QByteArray TSoundWindow::DataTable() const
{
    QByteArray table("kind,time_s,value\n");
    const auto [from, to] = ShownTimes();
    if (!HasSound())
        return table;
    const double rate = sound_.Info.SampleRate;
    const auto first = std::max<int64_t>(0, int64_t(std::ceil(from * rate)));
    const auto last = std::min<int64_t>(int64_t(sound_.Samples.size()), int64_t(std::ceil(to * rate)));
    for (int64_t i = first; i < last; ++i)
        table += "sample," + Number(double(i) / rate).toLatin1() + ',' + Number(sound_.Samples[size_t(i)]).toLatin1() + '\n';
    for (const TPitchPoint& point : pitch_)
        table += "f0_hz," + Number(point.Time).toLatin1() + ',' + Number(point.Frequency).toLatin1() + '\n';
    for (const auto& [t, hz] : comparison_)
        if (t >= from && t <= to)
            table += "compare_hz," + Number(t).toLatin1() + ',' + Number(hz).toLatin1() + '\n';
    return table;
}

void TSoundWindow::ExportData()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export data"), QString(),
                                                      QStringLiteral("CSV table (*.csv)"));
    if (path.isEmpty())
        return;
    WriteFileSafely(path, DataTable(), {sound_.Info.FileName});
}

QImage TSoundWindow::Picture()
{
    return plotArea_->grab().toImage();
}

void TSoundWindow::CopyPicture()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(Picture());
}

void TSoundWindow::PlaySpan()
{
    if (!HasSound())
        throw EError(QStringLiteral("No sound is open: File > Open sound..."));
    StopSound();
    session_.SetPlaying(false);
    const auto [from, to] = ShownTimes();
    playFrom_ = std::max(0.0, from);
    playTo_ = std::min(to, sound_.Info.Duration());
    if (!(playTo_ > playFrom_))
        throw EError(QStringLiteral("The sound has nothing under the kymogram span (%1 ... %2 s)").arg(Number(from), Number(to)));
    const double rate = sound_.Info.SampleRate;
    const auto first = int64_t(playFrom_ * rate), last = int64_t(playTo_ * rate);
    pcm_.resize(qsizetype(2 * (last - first)));
    auto* out = reinterpret_cast<int16_t*>(pcm_.data());
    for (int64_t i = first; i < last; ++i)
        out[i - first] = int16_t(std::clamp(std::lround(sound_.Samples[size_t(i)] * 32768.0), -32768L, 32767L));
    QAudioFormat format;
    format.setSampleRate(int(std::lround(rate)));
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isNull() && device.isFormatSupported(format)) {
        buffer_ = std::make_unique<QBuffer>(&pcm_);
        buffer_->open(QIODevice::ReadOnly);
        sink_ = std::make_unique<QAudioSink>(device, format);
        sink_->start(buffer_.get());
        if (sink_->error() != QAudio::NoError)
            sink_.reset();
    }
    if (!sink_)
        status_->setText(QStringLiteral("No sound output: the frame follows the sound's clock silently"));
    playStartMs_ = QDateTime::currentMSecsSinceEpoch();
    playing_ = true;
    playTimer_->start();
    setFocus();
}

void TSoundWindow::PlaybackTick()
{
    if (!playing_)
        return;
    const double elapsed = sink_ ? double(sink_->processedUSecs()) / 1e6
                                 : double(QDateTime::currentMSecsSinceEpoch() - playStartMs_) / 1000;
    const double t = playFrom_ + elapsed;
    if (t >= playTo_ || (sink_ && sink_->state() == QAudio::IdleState)) {
        StopSound();
        return;
    }
    errors_.Guarded([this, t] { session_.SetCurrentFrame(SoundTimeToFrame(Timebase(), syncTime_, t)); });
}

void TSoundWindow::StopSound()
{
    playing_ = false;
    playTimer_->stop();
    if (sink_) {
        sink_->stop();
        sink_.reset();
    }
    buffer_.reset();
}

void TSoundWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && playing_) {
        StopSound();
        return;
    }
    QWidget::keyPressEvent(event);
}
