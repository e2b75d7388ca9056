#pragma once
// The "About" dialog of a TAbout: title, version, family line, copyright, compile date, extra
// line and the machine's physical memory in a column at the right, the family picture in a
// bevelled panel at the left and the program icon in the top right corner. Made once, shown
// modally as often as asked; it reads the TAbout, which must outlive it. User-interface thread.

#include <QDialog>

class QLabel;
class QPushButton;
class TAbout;

class TAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDialog(const TAbout& about, QWidget* parent = nullptr);

    // Refreshes every line (the memory anew) and shows the dialog modally; its result.
    int showmodal();
    // Refreshes every line from the TAbout without showing the dialog.
    void RefreshLines();

    // For tests and the curious: the labels by role, top to bottom.
    QLabel* TitleLabel() const { return titlelabel_; }
    QLabel* VersionLabel() const { return versionlabel_; }
    QLabel* CorvelLabel() const { return corvellabel_; }
    QLabel* CopyrightLabel() const { return copyrightlabel_; }
    QLabel* CompileLabel() const { return compilelabel_; }
    QLabel* ExtraLabel() const { return extralabel_; }
    QLabel* MemoryLabel() const { return memorylabel_; }
    QLabel* PictureLabel() const { return picturelabel_; }
    QLabel* IconLabel() const { return iconlabel_; }
    QPushButton* OkButton() const { return okbutton_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceLines();

    const TAbout& about_;
    QLabel* titlelabel_;
    QLabel* versionlabel_;
    QLabel* corvellabel_;
    QLabel* copyrightlabel_;
    QLabel* compilelabel_;
    QLabel* extralabel_;
    QLabel* memorylabel_;
    QLabel* picturelabel_;
    QLabel* iconlabel_;
    QPushButton* okbutton_;
};
