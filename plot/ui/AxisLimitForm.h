#pragma once
// "Axis limits": the small modal dialog in which the user types both ends of an axis. The ends
// are shown with the tick labels' 8 significant digits; text left as shown, or text that does
// not read as a number, keeps the value last put in. "&Ok" with the low end above the high end
// says so and leaves the dialog open.

#include <QDialog>

class QLineEdit;
class QPushButton;
class TAxis;

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

    void accept() override;

private:
    void Show(QLineEdit& edit, double value, QString& shown);
    double Read(const QLineEdit& edit, const QString& shown, double previous) const;
    QChar DecimalSeparator() const;

    QLineEdit* highEdit_ = nullptr;
    QLineEdit* lowEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    double low_ = 0;
    double high_ = 0;
    QString lowShown_;
    QString highShown_;
};

// Gives `axis` this dialog as its limits prompt; the dialog is the axis' child (it follows the
// axis' locale when it opens). Returns it for the tests that drive it.
TAxisLimitForm& OfferLimitForm(TAxis& axis);
// The same for every axis inside `window`: call once its axes exist.
void OfferLimitForms(QWidget& window);
