#include "viewer/stremax2.h"

#include "platform/Conversions.h"
#include "viewer/DisplayLevels.h"
#include "viewer/DisplaySettingsTarget.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSlider>

using namespace DisplayLevels;

namespace {

// Column geometry inside the group box.
constexpr int kColumnLeft = 10;
constexpr int kColumnPitch = 47;
constexpr int kColumnWidth = 41;
constexpr int kCaptionTop = 20;
constexpr int kTrackTop = 38;
constexpr int kTrackHeight = 262;
constexpr int kEditTop = 306;

}  // namespace

TForm2::TForm2(TDisplaySettingsTarget& target, QWidget* parent)
    : QWidget(parent, Qt::Tool), target_(target)
{
    setWindowTitle(QStringLiteral("Controls"));
    setFixedSize(406, 399);

    imagegroup_ = new QGroupBox(QStringLiteral("Image"), this);
    imagegroup_->setObjectName(QStringLiteral("imagegroup"));
    imagegroup_->setGeometry(8, 8, 390, 383);

    imageblack_ = AddColumn(0, QStringLiteral("Black"), QStringLiteral("imageblack"), kGrayTrackMax, kTrackTicks);
    imagegray_ = AddColumn(1, QStringLiteral("Gray"), QStringLiteral("imagegray"), kGrayTrackMax, kTrackTicks);
    imagewhite_ = AddColumn(2, QStringLiteral("White"), QStringLiteral("imagewhite"), kGrayTrackMax, kTrackTicks);
    dblow_ = AddColumn(3, QStringLiteral("dB low"), QStringLiteral("dblow"), kDecibelTrackMax, kTrackTicks);
    dbhigh_ = AddColumn(4, QStringLiteral("dB High"), QStringLiteral("dbhigh"), kDecibelTrackMax, kTrackTicks);
    spectrumwhite_ =
        AddColumn(5, QStringLiteral("White"), QStringLiteral("spectrumwhite"), kDecibelTrackMax, kTrackTicks);
    spectrumblack_ =
        AddColumn(6, QStringLiteral("Black"), QStringLiteral("spectrumblack"), kDecibelTrackMax, kTrackTicks);
    framespersec_ =
        AddColumn(7, QStringLiteral("Frames/s"), QStringLiteral("framespersec"), kRateTrackMax, kRateTrackTicks);

    showphasecheck_ = new QCheckBox(QStringLiteral("Show phase info as hue"), imagegroup_);
    showphasecheck_->setObjectName(QStringLiteral("showphasecheck"));
    showphasecheck_->setGeometry(kColumnLeft, 336, 250, 20);
    edgeenhancecheck_ = new QCheckBox(QStringLiteral("Edge enhance"), imagegroup_);
    edgeenhancecheck_->setObjectName(QStringLiteral("edgeenhancecheck"));
    edgeenhancecheck_->setGeometry(kColumnLeft, 356, 250, 20);

    // Show the start copies (all 0) before anything is wired, so nothing reaches the main window.
    const QChar separator = UserDecimalSeparator();
    for (const TColumn* column : {&imageblack_, &imagegray_, &imagewhite_})
        ShowValue(*column, GrayLevelText(0), GrayLevelPosition(0));
    for (const TColumn* column : {&dblow_, &dbhigh_, &spectrumwhite_, &spectrumblack_})
        ShowValue(*column, DecibelText(0, separator), DecibelPosition(0));
    ShowValue(framespersec_, RateText(0, separator), RateTenthsPosition(0));

    const auto wireGray = [this](const TColumn& column, void (TForm2::*setter)(int32_t)) {
        connect(column.track, &QSlider::valueChanged, this,
                [this, setter](int position) { (this->*setter)(GrayLevelAt(position)); });
        connect(column.edit, &QLineEdit::textEdited, this, [this, setter](const QString& text) {
            int32_t level = 0;
            if (ReadGrayLevel(text, level))
                (this->*setter)(level);
        });
    };
    wireGray(imageblack_, &TForm2::SetBlackLevel);
    wireGray(imagegray_, &TForm2::SetGrayLevel);
    wireGray(imagewhite_, &TForm2::SetWhiteLevel);

    const auto wireDecibel = [this](const TColumn& column, void (TForm2::*setter)(double)) {
        connect(column.track, &QSlider::valueChanged, this,
                [this, setter](int position) { (this->*setter)(DecibelAt(position)); });
        connect(column.edit, &QLineEdit::textEdited, this, [this, setter](const QString& text) {
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
    connect(framespersec_.edit, &QLineEdit::textEdited, this, [this](const QString& text) {
        int32_t tenths = 0;
        if (ReadRateTenths(text, UserDecimalSeparator(), tenths))
            SetPlaybackRateTenths(tenths);
    });

    connect(showphasecheck_, &QCheckBox::clicked, this, [this](bool on) { SetShowPhase(on); });
    connect(edgeenhancecheck_, &QCheckBox::clicked, this, [this](bool on) { SetEdgeEnhance(on); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm2::TColumn TForm2::AddColumn(int index, const QString& caption, const QString& role, int32_t maximum,
                                  int32_t ticks)
{
    const int left = kColumnLeft + index * kColumnPitch;

    auto* label = new QLabel(caption, imagegroup_);
    label->setObjectName(role + QStringLiteral("label"));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    label->setGeometry(left - 8, kCaptionTop, kColumnWidth + 16, 16);  // captions may overhang the column

    auto* track = new QSlider(Qt::Vertical, imagegroup_);
    track->setObjectName(role + QStringLiteral("track"));
    track->setRange(0, maximum);
    track->setTickInterval(ticks);
    track->setTickPosition(QSlider::TicksBothSides);
    // Position 0 at the top, and the arrow keys move the handle the way they point.
    track->setInvertedAppearance(true);
    track->setInvertedControls(true);
    track->setGeometry(left, kTrackTop, kColumnWidth, kTrackHeight);

    auto* edit = new QLineEdit(imagegroup_);
    edit->setObjectName(role + QStringLiteral("edit"));
    edit->setGeometry(left, kEditTop, kColumnWidth, 22);

    return {track, edit};
}

void TForm2::ShowValue(const TColumn& column, const QString& text, int32_t position)
{
    // Leave text that already reads as shown alone, so the cursor stays where the user types.
    if (column.edit->text() != text)
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
