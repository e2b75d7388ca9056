#pragma once
// "Axis limits": the small modal dialog in which the user types both ends of an axis.
// Text that does not read as a number silently keeps the value last put in.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TAxisLimitForm : public QDialog {
    Q_OBJECT
public:
    explicit TAxisLimitForm(QWidget* parent = nullptr);

    void SetLow(double value);
    void SetHigh(double value);
    double Low() const;
    double High() const;

    // Shows the dialog modally, centred on the screen; true only when "&Ok" closed it.
    bool Execute();

private:
    double Read(const QLineEdit& edit, double previous) const;
    QChar DecimalSeparator() const;

    QLineEdit* highEdit_ = nullptr;
    QLineEdit* lowEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    double low_ = 0;
    double high_ = 0;
};
