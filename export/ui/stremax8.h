#pragma once
// "Sequence": the image-sequence montage's settings, shown modally from "Copy Image sequence".
// "Copy to clipboard" builds the montage from the current frame and copies it.

#include "export/session/Montage.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class TErrorHandler;
class TViewerSession;

class TForm8 : public QDialog {
    Q_OBJECT
public:
    using TPictureCopy = std::function<void(const QImage&)>;

    // The session and the error handler must outlive the window; `copy` takes the finished
    // picture (puts it on the clipboard).
    TForm8(TViewerSession& session, TErrorHandler& errors, TPictureCopy copy, QWidget* parent = nullptr);

    // "Copy to clipboard": builds the montage, hands it to `copy` and closes the window. An
    // error is shown; then nothing is copied and the window stays open.
    void CopyToClipboard();
    // The controls' values with the session's frame, levels and rate. Throws EConvertError for
    // a count that is not an integer.
    TMontageSettings Settings() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TViewerSession& session_;
    TErrorHandler& errors_;
    TPictureCopy copy_;
    QLineEdit* skipedit_;
    QLineEdit* nxedit_;
    QLineEdit* nyedit_;
    QRadioButton* nonebutton_;
    QRadioButton* framebutton_;
    QRadioButton* timebutton_;
    QCheckBox* aspectbox_;
};
