#pragma once
// "Settings": the options dialog that edits the analysis length ("FFT/kymogram size [points]")
// and the cache size ("Cache size [frames]"). It shows the current values each time it is
// shown; "&Ok" applies both (ApplyAnalysisSizes) and closes, or shows the failure through the
// error handler and stays open; "&Cancel" and Escape close without changes. The sizes and the
// error handler belong to the main window and must outlive the dialog.

#include <QDialog>

class QLineEdit;
class QPushButton;
class TAnalysisSizesTarget;
class TErrorHandler;

class TForm6 : public QDialog {
    Q_OBJECT

public:
    TForm6(TAnalysisSizesTarget& sizes, TErrorHandler& errors, QWidget* parent = nullptr);

    // Centres the dialog on the screen and runs it modally; its result.
    int ShowSettings();

    QLineEdit* FftSizeEdit() const { return fftsizeedit_; }
    QLineEdit* CacheSizeEdit() const { return cachesizeedit_; }
    QPushButton* OkButton() const { return okbutton_; }
    QPushButton* CancelButton() const { return cancelbutton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnOk();

    TAnalysisSizesTarget& sizes_;
    TErrorHandler& errors_;
    QLineEdit* fftsizeedit_;
    QLineEdit* cachesizeedit_;
    QPushButton* okbutton_;
    QPushButton* cancelbutton_;
};
