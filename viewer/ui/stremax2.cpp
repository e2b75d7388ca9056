#include "viewer/ui/stremax2.h"

#include "platform/Conversions.h"
#include "viewer/session/DisplayLevels.h"
#include "viewer/session/DisplaySettingsTarget.h"
#include "viewer/session/ViewerSession.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

using namespace DisplayLevels;

namespace {

// The designed client size and slider height; the window grows where the font needs more.
constexpr int kDesignWidth = 406;
constexpr int kDesignHeight = 399;
constexpr int kTrackHeight = 262;
constexpr int kColumnWidth = 41;

// What may be typed: a sign, digits and one decimal separator (either: the conversion decides
// whether it is the user's). Letters are refused at the keystroke.
QValidator* NumberValidator(QObject* parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+]?[0-9]*([.,][0-9]*)?")), parent);
}

}  // namespace

// Leaves the box being typed in alone for the time of one edit's chain of setters.
class TForm2::TTyping {
public:
    TTyping(TForm2& window, const QLineEdit* edit) : window_(window), saved_(window.typingIn_)
    {
        window_.typingIn_ = edit;
    }
    ~TTyping() { window_.typingIn_ = saved_; }
    TTyping(const TTyping&) = delete;
    TTyping& operator=(const TTyping&) = delete;

private:
    TForm2& window_;
    const QLineEdit* saved_;
};

TForm2::TForm2(TViewerSession& session, QWidget* parent) : TForm2(static_cast<TDisplaySettingsTarget&>(session), parent)
{
    FollowSession(session);
}

void TForm2::FollowSession(TViewerSession& session)
{
    const auto mirror = [this, &session](auto signal, auto setter) {
        connect(&session, signal, this, [this, setter](auto value) { (this->*setter)(value); });
    };
    mirror(&TViewerSession::blackLevelChanged, &TForm2::SetBlackLevel);
    mirror(&TViewerSession::grayLevelChanged, &TForm2::SetGrayLevel);
    mirror(&TViewerSession::whiteLevelChanged, &TForm2::SetWhiteLevel);
    mirror(&TViewerSession::loSatChanged, &TForm2::SetLoSat);
    mirror(&TViewerSession::hiSatChanged, &TForm2::SetHiSat);
    mirror(&TViewerSession::spectrumBlackChanged, &TForm2::SetSpectrumBlack);
    mirror(&TViewerSession::spectrumWhiteChanged, &TForm2::SetSpectrumWhite);
    mirror(&TViewerSession::showPhaseChanged, &TForm2::SetShowPhase);
    mirror(&TViewerSession::edgeEnhanceChanged, &TForm2::SetEdgeEnhance);
    const auto showRate = [this](double framesPerSecond) {
        int32_t tenths = 0;
        if (DisplayLevels::RateToTenths(framesPerSecond, tenths))
            SetPlaybackRateTenths(tenths);
    };
    connect(&session, &TViewerSession::playbackRateChanged, this, showRate);

    // The window starts from zero: every level of the session, in this order (white before gray
    // before black, so that none steps aside from a partner still at zero).
    const TViewState& view = session.View();
    SetWhiteLevel(view.WhiteLevel);
    SetGrayLevel(view.GrayLevel);
    SetBlackLevel(view.BlackLevel);
    showRate(view.PlaybackRate);
    SetLoSat(view.LoSat);
    SetHiSat(view.HiSat);
    SetSpectrumBlack(view.SpectrumBlack);
    SetSpectrumWhite(view.SpectrumWhite);
}

TForm2::TForm2(TDisplaySettingsTarget& target, QWidget* parent)
    : QWidget(parent, Qt::Tool), target_(target)
{
    setWindowTitle(QStringLiteral("Controls"));

    imagegroup_ = new QGroupBox(QStringLiteral("Image"), this);
    imagegroup_->setObjectName(QStringLiteral("imagegroup"));
    columns_ = new QGridLayout;
    columns_->setHorizontalSpacing(8);  // captions never meet, whatever their font

    const QChar separator = UserDecimalSeparator();
    imageblack_ = AddColumn(0, QStringLiteral("Black"), QStringLiteral("imageblack"), kGrayTrackMax, kTrackTicks,
                            [this] { return GrayLevelText(black_); });
    imagegray_ = AddColumn(1, QStringLiteral("Gray"), QStringLiteral("imagegray"), kGrayTrackMax, kTrackTicks,
                           [this] { return GrayLevelText(gray_); });
    imagewhite_ = AddColumn(2, QStringLiteral("White"), QStringLiteral("imagewhite"), kGrayTrackMax, kTrackTicks,
                            [this] { return GrayLevelText(white_); });
    dblow_ = AddColumn(3, QStringLiteral("dB low"), QStringLiteral("dblow"), kDecibelTrackMax, kTrackTicks,
                       [this] { return DecibelText(loSat_, UserDecimalSeparator()); });
    dbhigh_ = AddColumn(4, QStringLiteral("dB High"), QStringLiteral("dbhigh"), kDecibelTrackMax, kTrackTicks,
                        [this] { return DecibelText(hiSat_, UserDecimalSeparator()); });
    spectrumwhite_ = AddColumn(5, QStringLiteral("White"), QStringLiteral("spectrumwhite"), kDecibelTrackMax,
                               kTrackTicks, [this] { return DecibelText(spectrumWhite_, UserDecimalSeparator()); });
    spectrumblack_ = AddColumn(6, QStringLiteral("Black"), QStringLiteral("spectrumblack"), kDecibelTrackMax,
                               kTrackTicks, [this] { return DecibelText(spectrumBlack_, UserDecimalSeparator()); });
    framespersec_ = AddColumn(7, QStringLiteral("Frames/s"), QStringLiteral("framespersec"), kRateTrackMax,
                              kRateTrackTicks, [this] { return RateText(rateTenths_, UserDecimalSeparator()); });

    showphasecheck_ = new QCheckBox(QStringLiteral("Show phase info as hue"), imagegroup_);
    showphasecheck_->setObjectName(QStringLiteral("showphasecheck"));
    edgeenhancecheck_ = new QCheckBox(QStringLiteral("Edge enhance"), imagegroup_);
    edgeenhancecheck_->setObjectName(QStringLiteral("edgeenhancecheck"));

    auto* groupLayout = new QVBoxLayout(imagegroup_);
    groupLayout->addLayout(columns_, 1);
    groupLayout->addWidget(showphasecheck_);
    groupLayout->addWidget(edgeenhancecheck_);
    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(8, 8, 8, 8);
    windowLayout->addWidget(imagegroup_);
    // A fixed window: the designed size, or what the font needs when that is more.
    setFixedSize(windowLayout->totalSizeHint().expandedTo(QSize(kDesignWidth, kDesignHeight)));

    // Show the start copies (all 0) before anything is wired, so nothing reaches the main window.
    for (const TColumn* column : {&imageblack_, &imagegray_, &imagewhite_})
        ShowValue(*column, GrayLevelText(0), GrayLevelPosition(0));
    for (const TColumn* column : {&dblow_, &dbhigh_, &spectrumwhite_, &spectrumblack_})
        ShowValue(*column, DecibelText(0, separator), DecibelPosition(0));
    ShowValue(framespersec_, RateText(0, separator), RateTenthsPosition(0));

    // Typing applies each text that converts but leaves the box as typed; Enter or leaving the
    // box shows the value that resulted.
    const auto wireEdit = [this](const TColumn& column, const std::function<void(const QString&)>& apply) {
        connect(column.edit, &QLineEdit::textEdited, this, [this, edit = column.edit, apply](const QString& text) {
            const TTyping typing(*this, edit);
            apply(text);
        });
        connect(column.edit, &QLineEdit::editingFinished, this, [column] {
            if (column.edit->text() != column.text())
                column.edit->setText(column.text());
        });
    };
    const auto wireGray = [this, &wireEdit](const TColumn& column, void (TForm2::*setter)(int32_t)) {
        connect(column.track, &QSlider::valueChanged, this,
                [this, setter](int position) { (this->*setter)(GrayLevelAt(position)); });
        wireEdit(column, [this, setter](const QString& text) {
            int32_t level = 0;
            if (ReadGrayLevel(text, level))
                (this->*setter)(level);
        });
    };
    wireGray(imageblack_, &TForm2::SetBlackLevel);
    wireGray(imagegray_, &TForm2::SetGrayLevel);
    wireGray(imagewhite_, &TForm2::SetWhiteLevel);

    const auto wireDecibel = [this, &wireEdit](const TColumn& column, void (TForm2::*setter)(double)) {
        connect(column.track, &QSlider::valueChanged, this,
                [this, setter](int position) { (this->*setter)(DecibelAt(position)); });
        wireEdit(column, [this, setter](const QString& text) {
            double dB = 0;
            if (ReadDecibel(text, UserDecimalSeparator(), dB))
                (this->*setter)(dB);
        });
    };
    wireDecibel(dblow_, &TForm2::SetLoSat);
    wireDecibel(dbhigh_, &TForm2::SetHiSat);
    wireDecibel(spectrumwhite_, &TForm2::SetSpectrumWhite);
    wireDecibel(spectrumblack_, &TForm2::SetSpectrumBlack);

    connect(framespersec_.track, &QSlider::valueChanged, this,
            [this](int position) { SetPlaybackRateTenths(RateTenthsAt(position)); });
    wireEdit(framespersec_, [this](const QString& text) {
        int32_t tenths = 0;
        if (ReadRateTenths(text, UserDecimalSeparator(), tenths))
            SetPlaybackRateTenths(tenths);
    });

    connect(showphasecheck_, &QCheckBox::clicked, this, [this](bool on) { SetShowPhase(on); });
    connect(edgeenhancecheck_, &QCheckBox::clicked, this, [this](bool on) { SetEdgeEnhance(on); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm2::~TForm2()
{
    // The box with the focus ends its edit while QWidget's destructor deletes it, when this
    // window's own members are gone: its signals must not reach them.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->disconnect(this);
}

TForm2::TColumn TForm2::AddColumn(int index, const QString& caption, const QString& role, int32_t maximum,
                                  int32_t ticks, std::function<QString()> text)
{
    auto* label = new QLabel(caption, imagegroup_);
    label->setObjectName(role + QStringLiteral("label"));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);

    auto* track = new QSlider(Qt::Vertical, imagegroup_);
    track->setObjectName(role + QStringLiteral("track"));
    track->setRange(0, maximum);
    track->setTickInterval(ticks);
    track->setTickPosition(QSlider::TicksBothSides);
    // Position 0 at the top, and the arrow keys move the handle the way they point.
    track->setInvertedAppearance(true);
    track->setInvertedControls(true);
    track->setMinimumHeight(kTrackHeight / 2);

    auto* edit = new QLineEdit(imagegroup_);
    edit->setObjectName(role + QStringLiteral("edit"));
    edit->setValidator(NumberValidator(edit));
    // Room for the longest value a box shows ("-100", "-12.5", "255") in the window's font.
    const QFontMetrics metrics(edit->font());
    edit->setFixedWidth(std::max(kColumnWidth, metrics.horizontalAdvance(QStringLiteral("-100.5")) + 12));

    // The caption above names the pair for assistive technology (it is no buddy label); the
    // image's and the spectrum's columns share captions.
    const QString group = index < 3 ? QStringLiteral("Image ") : index < 7 ? QStringLiteral("Spectrum ") : QString();
    track->setAccessibleName(group + caption);
    edit->setAccessibleName(group + caption);
    columns_->addWidget(label, 0, index, Qt::AlignHCenter | Qt::AlignBottom);
    columns_->addWidget(track, 1, index, Qt::AlignHCenter);
    columns_->addWidget(edit, 2, index, Qt::AlignHCenter);
    columns_->setRowStretch(1, 1);
    return {track, edit, std::move(text)};
}

void TForm2::ShowValue(const TColumn& column, const QString& text, int32_t position)
{
    // The box being typed in keeps what was typed until the edit finishes.
    if (column.edit != typingIn_ && column.edit->text() != text)
        column.edit->setText(text);
    // A position outside the range ends at the range end; if that moves the slider, its change
    // event applies the end value.
    column.track->setValue(position);
}

void TForm2::SetBlackLevel(int32_t level)
{
    if (level == black_)
        return;
    level = SeparateBlackLevel(level, black_, white_);
    black_ = level;
    target_.SetBlackLevel(level);
    ShowValue(imageblack_, GrayLevelText(level), GrayLevelPosition(level));
}

void TForm2::SetGrayLevel(int32_t level)
{
    if (level == gray_)
        return;
    level = SeparateGrayLevel(level, white_, black_);
    gray_ = level;
    target_.SetGrayLevel(level);
    ShowValue(imagegray_, GrayLevelText(level), GrayLevelPosition(level));
}

void TForm2::SetWhiteLevel(int32_t level)
{
    if (level == white_)
        return;
    level = SeparateWhiteLevel(level, white_, black_);
    white_ = level;
    target_.SetWhiteLevel(level);
    ShowValue(imagewhite_, GrayLevelText(level), GrayLevelPosition(level));
}

void TForm2::ApplyDecibel(double& copy, double dB, void (TDisplaySettingsTarget::*setter)(double),
                          const TColumn& column)
{
    copy = dB;
    (target_.*setter)(dB);
    ShowValue(column, DecibelText(dB, UserDecimalSeparator()), DecibelPosition(dB));
}

void TForm2::SetLoSat(double dB)
{
    if (dB != loSat_)
        ApplyDecibel(loSat_, SeparateLoSat(dB, loSat_, hiSat_), &TDisplaySettingsTarget::SetLoSat, dblow_);
}

void TForm2::SetHiSat(double dB)
{
    if (dB != hiSat_)
        ApplyDecibel(hiSat_, SeparateHiSat(dB, hiSat_, loSat_), &TDisplaySettingsTarget::SetHiSat, dbhigh_);
}

void TForm2::SetSpectrumBlack(double dB)
{
    if (dB != spectrumBlack_)
        ApplyDecibel(spectrumBlack_, SeparateSpectrumBlack(dB, spectrumBlack_, spectrumWhite_), &TDisplaySettingsTarget::SetSpectrumBlack, spectrumblack_);
}

void TForm2::SetSpectrumWhite(double dB)
{
    if (dB != spectrumWhite_)
        ApplyDecibel(spectrumWhite_, SeparateSpectrumWhite(dB, spectrumWhite_, spectrumBlack_), &TDisplaySettingsTarget::SetSpectrumWhite, spectrumwhite_);
}

void TForm2::SetPlaybackRateTenths(int32_t tenths)
{
    if (tenths == rateTenths_)
        return;
    rateTenths_ = tenths;
    target_.SetPlaybackRate(RateFromTenths(tenths));
    ShowValue(framespersec_, RateText(tenths, UserDecimalSeparator()), RateTenthsPosition(tenths));
}

void TForm2::SetShowPhase(bool on)
{
    showphasecheck_->setChecked(on);
    if (on == showPhase_)
        return;
    showPhase_ = on;
    target_.SetShowPhase(on);
}

void TForm2::SetEdgeEnhance(bool on)
{
    edgeenhancecheck_->setChecked(on);
    if (on == edgeEnhance_)
        return;
    edgeEnhance_ = on;
    target_.SetEdgeEnhance(on);
}
