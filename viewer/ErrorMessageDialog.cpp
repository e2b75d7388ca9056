#include "viewer/ErrorMessageDialog.h"

#include <QApplication>
#include <QMessageBox>

void TErrorMessageDialog::HandleError(const QString& message)
{
    // A busy cursor left by the failed command must not stay over the box.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QMessageBox::critical(parent_, QStringLiteral("Tremax"), message);
}
