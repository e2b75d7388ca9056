#include "analysis/ui/stremax11.h"

#include "analysis/SpeckleSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The designed width; the window grows where the font needs more.
constexpr int kGroupWidth = 200;

}  // namespace

TForm11::TForm11(const TSpeckleSettings& settings, QWidget* parent) : QWidget(parent, Qt::Tool), settings_(settings)
{
    setWindowTitle(QStringLiteral("Speckle properties"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    showtracecheck_ = new QCheckBox(QStringLiteral("Show speckle trace"), this);
    showtracecheck_->setObjectName(QStringLiteral("showtracecheck"));
    layout->addWidget(showtracecheck_);
    layout->addWidget(AddSizeGroup(QStringLiteral("corr"), QStringLiteral("Correlation area size"), corrxedit_,
                                   corryedit_));
    layout->addWidget(AddSizeGroup(QStringLiteral("scout"), QStringLiteral("Scouting area size"), scoutxedit_,
                                   scoutyedit_));
    layout->addWidget(AddRadioGroup(QStringLiteral("correlateto"), QStringLiteral("Correlate to..."),
                                    QStringLiteral("Previous image"), QStringLiteral("First image"), correlateto_));
    layout->addWidget(AddRadioGroup(QStringLiteral("processing"), QStringLiteral("Image processing"),
                                    QStringLiteral("None"), QStringLiteral("x-wise differentiation"), processing_));
    const QSize needed = layout->totalSizeHint();
    setFixedSize(std::max(needed.width(), kGroupWidth + 16), needed.height());

    ReadSettings();

    connect(showtracecheck_, &QCheckBox::clicked, this, [this](bool on) {
        if (showTraceClicked_)
            showTraceClicked_(on);
    });
    const auto wire = [this](QSpinBox* edit, int32_t TSpeckleSettings::*field) {
        connect(edit, &QSpinBox::valueChanged, this,
                [this, field](int value) { Written([&](TSpeckleSettings& next) { next.*field = value; }); });
    };
    wire(corrxedit_, &TSpeckleSettings::CorrHalfX);
    wire(corryedit_, &TSpeckleSettings::CorrHalfY);
    wire(scoutxedit_, &TSpeckleSettings::ScoutHalfX);
    wire(scoutyedit_, &TSpeckleSettings::ScoutHalfY);
    connect(correlateto_, &QButtonGroup::idClicked, this,
            [this](int id) { Written([&](TSpeckleSettings& next) { next.CorrelateToFirst = id == 1; }); });
    connect(processing_, &QButtonGroup::idClicked, this,
            [this](int id) { Written([&](TSpeckleSettings& next) { next.XDifferentiate = id == 1; }); });
}

QGroupBox* TForm11::AddSizeGroup(const QString& role, const QString& caption, QSpinBox*& x, QSpinBox*& y)
{
    auto* group = new QGroupBox(caption, this);
    group->setObjectName(role + QStringLiteral("group"));
    auto* rows = new QGridLayout(group);
    x = AddSpinEdit(*rows, 0, role + QLatin1Char('x'), QStringLiteral("X"));
    y = AddSpinEdit(*rows, 1, role + QLatin1Char('y'), QStringLiteral("Y"));
    rows->setColumnStretch(2, 1);
    return group;
}

QSpinBox* TForm11::AddSpinEdit(QGridLayout& rows, int row, const QString& role, const QString& caption)
{
    QWidget* group = rows.parentWidget();
    auto* label = new QLabel(caption, group);
    label->setObjectName(role + QStringLiteral("label"));
    auto* edit = new QSpinBox(group);
    edit->setObjectName(role + QStringLiteral("edit"));
    edit->setRange(0, TSpeckleSettings::kMaxHalfSize);
    edit->setMinimumWidth(70);
    label->setBuddy(edit);
    rows.addWidget(label, row, 0);
    rows.addWidget(edit, row, 1);
    return edit;
}

QGroupBox* TForm11::AddRadioGroup(const QString& role, const QString& caption, const QString& first,
                                  const QString& second, QButtonGroup*& buttons)
{
    auto* box = new QGroupBox(caption, this);
    box->setObjectName(role + QStringLiteral("group"));
    auto* column = new QVBoxLayout(box);
    buttons = new QButtonGroup(box);
    int id = 0;
    for (const QString& text : {first, second}) {
        auto* radio = new QRadioButton(text, box);
        radio->setObjectName(role + QString::number(id));
        column->addWidget(radio);
        buttons->addButton(radio, id++);
    }
    return box;
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

void TForm11::Written(const std::function<void(TSpeckleSettings&)>& change)
{
    if (reading_ || !settingsChanged_)
        return;
    TSpeckleSettings next = settings_;
    change(next);
    settingsChanged_(next);
}
