#include "analysis/stremax11.h"

#include "analysis/SpeckleSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

constexpr int kMargin = 8;
constexpr int kGroupWidth = 200;
constexpr int kSizeGroupHeight = 76;
constexpr int kRadioGroupHeight = 66;

}  // namespace

TForm11::TForm11(TSpeckleSettings& settings, QWidget* parent) : QWidget(parent, Qt::Tool), settings_(settings)
{
    setWindowTitle(QStringLiteral("Speckle properties"));

    showtracecheck_ = new QCheckBox(QStringLiteral("Show speckle trace"), this);
    showtracecheck_->setObjectName(QStringLiteral("showtracecheck"));
    showtracecheck_->setGeometry(kMargin, kMargin, kGroupWidth, 20);

    int top = kMargin + 26;
    AddSizeGroup(QStringLiteral("corr"), QStringLiteral("Correlation area size"), top, corrxedit_, corryedit_);
    top += kSizeGroupHeight + kMargin;
    AddSizeGroup(QStringLiteral("scout"), QStringLiteral("Scouting area size"), top, scoutxedit_, scoutyedit_);
    top += kSizeGroupHeight + kMargin;

    correlateto_ = AddRadioGroup(QStringLiteral("correlateto"), QStringLiteral("Correlate to..."),
                                 QStringLiteral("Previous image"), QStringLiteral("First image"), top);
    top += kRadioGroupHeight + kMargin;
    processing_ = AddRadioGroup(QStringLiteral("processing"), QStringLiteral("Image processing"),
                                QStringLiteral("None"), QStringLiteral("x-wise differentiation"), top);
    top += kRadioGroupHeight + kMargin;
    setFixedSize(kGroupWidth + 2 * kMargin, top);

    ReadSettings();

    connect(showtracecheck_, &QCheckBox::clicked, this, [this](bool on) {
        if (showTraceClicked_)
            showTraceClicked_(on);
    });
    const auto wire = [this](QSpinBox* edit, int32_t TSpeckleSettings::*field) {
        connect(edit, &QSpinBox::valueChanged, this, [this, field](int value) {
            settings_.*field = value;
            Written();
        });
    };
    wire(corrxedit_, &TSpeckleSettings::CorrHalfX);
    wire(corryedit_, &TSpeckleSettings::CorrHalfY);
    wire(scoutxedit_, &TSpeckleSettings::ScoutHalfX);
    wire(scoutyedit_, &TSpeckleSettings::ScoutHalfY);
    connect(correlateto_, &QButtonGroup::idClicked, this, [this](int id) {
        settings_.CorrelateToFirst = id == 1;
        Written();
    });
    connect(processing_, &QButtonGroup::idClicked, this, [this](int id) {
        settings_.XDifferentiate = id == 1;
        Written();
    });
}

void TForm11::AddSizeGroup(const QString& role, const QString& caption, int top, QSpinBox*& x, QSpinBox*& y)
{
    auto* group = new QGroupBox(caption, this);
    group->setObjectName(role + QStringLiteral("group"));
    group->setGeometry(kMargin, top, kGroupWidth, kSizeGroupHeight);
    x = AddSpinEdit(group, role + QLatin1Char('x'), QStringLiteral("X"), 20);
    y = AddSpinEdit(group, role + QLatin1Char('y'), QStringLiteral("Y"), 46);
}

QSpinBox* TForm11::AddSpinEdit(QWidget* group, const QString& role, const QString& caption, int top)
{
    auto* label = new QLabel(caption, group);
    label->setObjectName(role + QStringLiteral("label"));
    label->setGeometry(12, top, 20, 22);
    auto* edit = new QSpinBox(group);
    edit->setObjectName(role + QStringLiteral("edit"));
    edit->setRange(0, TSpeckleSettings::kMaxHalfSize);
    edit->setGeometry(36, top, 70, 22);
    label->setBuddy(edit);
    return edit;
}

QButtonGroup* TForm11::AddRadioGroup(const QString& role, const QString& caption, const QString& first,
                                     const QString& second, int top)
{
    auto* box = new QGroupBox(caption, this);
    box->setObjectName(role + QStringLiteral("group"));
    box->setGeometry(kMargin, top, kGroupWidth, kRadioGroupHeight);
    auto* buttons = new QButtonGroup(box);
    int y = 20;
    int id = 0;
    for (const QString& text : {first, second}) {
        auto* radio = new QRadioButton(text, box);
        radio->setObjectName(role + QString::number(id));
        radio->setGeometry(12, y, kGroupWidth - 24, 20);
        buttons->addButton(radio, id++);
        y += 22;
    }
    return buttons;
}

void TForm11::ShowSpeckleOn(bool on)
{
    const QSignalBlocker blocker(showtracecheck_);
    showtracecheck_->setChecked(on);
}

void TForm11::ReadSettings()
{
    reading_ = true;
    corrxedit_->setValue(settings_.CorrHalfX);
    corryedit_->setValue(settings_.CorrHalfY);
    scoutxedit_->setValue(settings_.ScoutHalfX);
    scoutyedit_->setValue(settings_.ScoutHalfY);
    correlateto_->button(settings_.CorrelateToFirst ? 1 : 0)->setChecked(true);
    processing_->button(settings_.XDifferentiate ? 1 : 0)->setChecked(true);
    reading_ = false;
}

void TForm11::showEvent(QShowEvent* event)
{
    ReadSettings();
    QWidget::showEvent(event);
}

void TForm11::Written()
{
    if (!reading_ && settingsChanged_)
        settingsChanged_();
}
