#pragma once
// TMessageBoxes shown as QMessageBox over a parent window (none: centred on the screen).
// User-interface thread.

#include "services/MessageBoxes.h"

#include <QPointer>
#include <QWidget>

class TMessageBoxDialog : public TMessageBoxes {
public:
    explicit TMessageBoxDialog(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    TMessageAnswer Show(const QString& text, const QString& caption, TMessageIcon icon,
                        TMessageButtons buttons) override;

private:
    QPointer<QWidget> parent_;
};
