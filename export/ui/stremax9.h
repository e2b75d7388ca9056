#pragma once
// The explanatory-sequence window ("Form9"), shown modally from "Copy explanatory image
// sequence": a row of frames joined to the selected pixel's waveform, copied to the clipboard.

#include "export/session/ExplanatorySequence.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class TErrorHandler;
class TViewerSession;

// The waveform window's value axis, lo at the bottom.
struct TValueRange {
    double lo = 0;
    double hi = 255;
};

class TForm9 : public QDialog {
    Q_OBJECT
public:
    using TPictureCopy = std::function<void(const QImage&)>;
    using TRangeSource = std::function<TValueRange()>;

    // The session and the error handler must outlive the window; `copy` takes the finished
    // picture, `waveformRange` tells the waveform window's value range when a picture is built.
    TForm9(TViewerSession& session, TErrorHandler& errors, TPictureCopy copy, TRangeSource waveformRange,
           QWidget* parent = nullptr);

    // "Copy to clipboard": builds the picture, hands it to `copy` and closes the window. An
    // error is shown; then nothing is copied and the window stays open.
    void CopyToClipboard();
    // The controls' values with the session's frame, point and levels. Throws EConvertError for
    // a count that is not an integer.
    TExplanatorySettings Settings() const;

private:
    TViewerSession& session_;
    TErrorHandler& errors_;
    TPictureCopy copy_;
    TRangeSource waveformRange_;
    QLineEdit* imagesedit_;
    QLineEdit* skipedit_;
};
