#include "plot/ui/AxisLimitForm.h"

#include "platform/Conversions.h"
#include "plot/AxisNumberText.h"
#include "plot/widgets/saxes.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The digits of the tick labels: a limit shown with more would show noise of the drag arithmetic.
constexpr int kShownDigits = 8;

}  // namespace

TAxisLimitForm::TAxisLimitForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Axis limits"));
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPointSize(8);
    dialogFont.setStyleHint(QFont::SansSerif);
    setFont(dialogFont);

    // The designed size at the least; a larger desktop font makes it grow rather than clip.
    auto* highLabel = new QLabel(QStringLiteral("High value"), this);
    highEdit_ = new QLineEdit(this);
    highEdit_->setObjectName(QStringLiteral("highedit"));
    highEdit_->setMinimumWidth(157);
    auto* lowLabel = new QLabel(QStringLiteral("Low value"), this);
    lowEdit_ = new QLineEdit(this);
    lowEdit_->setObjectName(QStringLiteral("lowedit"));
    // The labels above are no buddies: the edits are named for assistive technology.
    highLabel->setBuddy(highEdit_);
    lowLabel->setBuddy(lowEdit_);
    okButton_ = new QPushButton(QStringLiteral("&Ok"), this);
    okButton_->setObjectName(QStringLiteral("okbutton"));
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelbutton"));
    cancelButton_->setAutoDefault(false);  // Esc cancels through QDialog itself

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(highLabel);
    layout->addWidget(highEdit_);
    layout->addWidget(lowLabel);
    layout->addWidget(lowEdit_);
    layout->addLayout(buttons);

    setTabOrder(highEdit_, lowEdit_);
    setTabOrder(lowEdit_, okButton_);
    setTabOrder(okButton_, cancelButton_);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

QChar TAxisLimitForm::DecimalSeparator() const { return UserDecimalSeparator(locale()); }

void TAxisLimitForm::Show(QLineEdit& edit, double value, QString& shown)
{
    shown = FormatSignificant(value, kShownDigits, DecimalSeparator());
    edit.setText(shown);
}

void TAxisLimitForm::SetLow(double value)
{
    low_ = value;
    Show(*lowEdit_, value, lowShown_);
}

void TAxisLimitForm::SetHigh(double value)
{
    high_ = value;
    Show(*highEdit_, value, highShown_);
}

double TAxisLimitForm::Read(const QLineEdit& edit, const QString& shown, double previous) const
{
    // Text left as shown keeps the exact value, not the shortened one.
    if (edit.text() == shown)
        return previous;
    double value = 0;
    return TryStrToFloat(edit.text(), value, DecimalSeparator()) ? value : previous;
}

double TAxisLimitForm::Low() const { return Read(*lowEdit_, lowShown_, low_); }

double TAxisLimitForm::High() const { return Read(*highEdit_, highShown_, high_); }

void TAxisLimitForm::accept()
{
    const double low = Low();
    const double high = High();
    if (low > high) {
        const QChar separator = DecimalSeparator();
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("The low value (%1) must not be above the high value (%2).")
                                 .arg(FormatSignificant(low, kShownDigits, separator),
                                      FormatSignificant(high, kShownDigits, separator)));
        lowEdit_->setFocus();
        lowEdit_->selectAll();
        return;
    }
    QDialog::accept();
}

bool TAxisLimitForm::Execute()
{
    setResult(QDialog::Rejected);
    setFixedSize(sizeHint().expandedTo(QSize(182, 153)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    highEdit_->setFocus();
    return exec() == QDialog::Accepted;
}

TAxisLimitForm& OfferLimitForm(TAxis& axis)
{
    auto* form = new TAxisLimitForm(&axis);
    axis.SetLimitPrompt([form, &axis](double& lo, double& hi) {
        form->setLocale(axis.locale());  // a dialog window does not inherit it
        form->SetLow(lo);
        form->SetHigh(hi);
        if (!form->Execute())
            return false;
        lo = form->Low();
        hi = form->High();
        return true;
    });
    return *form;
}

void OfferLimitForms(QWidget& window)
{
    for (TAxis* axis : window.findChildren<TAxis*>())
        OfferLimitForm(*axis);
}
