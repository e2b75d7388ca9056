#include "services/ui/MessageBoxDialog.h"

#include <QApplication>
#include <QMessageBox>

TMessageAnswer TMessageBoxDialog::Show(const QString& text, const QString& caption, TMessageIcon icon,
                                       TMessageButtons buttons)
{
    // A busy cursor left by a failed command must not stay over the box.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    switch (icon) {
    case TMessageIcon::information:
        boxIcon = QMessageBox::Information;
        break;
    case TMessageIcon::question:
        boxIcon = QMessageBox::Question;
        break;
    case TMessageIcon::warning:
        boxIcon = QMessageBox::Warning;
        break;
    case TMessageIcon::error:
        boxIcon = QMessageBox::Critical;
        break;
    }
    const QMessageBox::StandardButtons standard =
        buttons == TMessageButtons::yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(boxIcon, caption, text, standard, parent_.data());
    box.setTextFormat(Qt::PlainText);
    if (buttons == TMessageButtons::yesNo)
        box.setDefaultButton(QMessageBox::Yes);
    const int result = box.exec();
    if (buttons == TMessageButtons::ok)
        return TMessageAnswer::ok;
    return result == QMessageBox::Yes ? TMessageAnswer::yes : TMessageAnswer::no;
}
