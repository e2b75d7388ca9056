#pragma once
// The application's error handler until the error log takes over: the standard error box.

#include "viewer/ErrorHandler.h"

class QWidget;

class TErrorMessageDialog : public TErrorHandler {
public:
    explicit TErrorMessageDialog(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void HandleError(const QString& message) override;

private:
    QWidget* parent_;
};
