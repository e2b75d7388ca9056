#include "plot/AxisLimitForm.h"

#include "platform/Conversions.h"
#include "plot/AxisNumberText.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

TAxisLimitForm::TAxisLimitForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Axis limits"));
    setFixedSize(182, 153);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPointSize(8);
    dialogFont.setStyleHint(QFont::SansSerif);
    setFont(dialogFont);

    auto* highLabel = new QLabel(QStringLiteral("High value"), this);
    highLabel->move(8, 4);
    highEdit_ = new QLineEdit(this);
    highEdit_->setObjectName(QStringLiteral("highedit"));
    highEdit_->setGeometry(4, 20, 157, 21);
    auto* lowLabel = new QLabel(QStringLiteral("Low value"), this);
    lowLabel->move(8, 48);
    lowEdit_ = new QLineEdit(this);
    lowEdit_->setObjectName(QStringLiteral("lowedit"));
    lowEdit_->setGeometry(4, 64, 157, 21);
    okButton_ = new QPushButton(QStringLiteral("&Ok"), this);
    okButton_->setObjectName(QStringLiteral("okbutton"));
    okButton_->setGeometry(4, 96, 75, 25);
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelbutton"));
    cancelButton_->setGeometry(88, 96, 75, 25);
    cancelButton_->setAutoDefault(false);  // Esc cancels through QDialog itself

    setTabOrder(highEdit_, lowEdit_);
    setTabOrder(lowEdit_, okButton_);
    setTabOrder(okButton_, cancelButton_);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

QChar TAxisLimitForm::DecimalSeparator() const { return UserDecimalSeparator(locale()); }

void TAxisLimitForm::SetLow(double value)
{
    low_ = value;
    lowEdit_->setText(GeneralFloatText(value, DecimalSeparator()));
}

void TAxisLimitForm::SetHigh(double value)
{
    high_ = value;
    highEdit_->setText(GeneralFloatText(value, DecimalSeparator()));
}

double TAxisLimitForm::Read(const QLineEdit& edit, double previous) const
{
    double value = 0;
    return TryStrToFloat(edit.text(), value, DecimalSeparator()) ? value : previous;
}

double TAxisLimitForm::Low() const { return Read(*lowEdit_, low_); }

double TAxisLimitForm::High() const { return Read(*highEdit_, high_); }

bool TAxisLimitForm::Execute()
{
    setResult(QDialog::Rejected);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    highEdit_->setFocus();
    return exec() == QDialog::Accepted;
}
