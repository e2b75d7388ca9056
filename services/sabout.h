#pragma once
// TAbout: the program's title and version for the other service components (tools menu, error
// log, file association) and the texts of the "About" dialog; TCorvelAbout adds the family's
// picture and the line "A Corvel application". The dialog itself is TAboutDialog
// (AboutDialog.h), which shows what this object says.
//
// The main window owns one TCorvelAbout (set up by TremaxAbout) and keeps it alive as long as
// the components that read it. User-interface thread.

#include <QDate>
#include <QImage>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>

class TAbout {
public:
    // As a new component: Title "AppName", Version "auto", the rest empty or as below.
    TAbout();
    virtual ~TAbout() = default;

    const QString& Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    const QString& Version() const { return version_; }
    void SetVersion(const QString& version) { version_ = version; }
    // Version as a number with "." as decimal separator; 0 when it is not one ("3.0.0.3").
    double VersionNumber() const;
    const QString& Copyright() const { return copyright_; }
    void SetCopyright(const QString& copyright) { copyright_ = copyright; }
    // An optional line; hidden when empty.
    const QString& Extra() const { return extra_; }
    void SetExtra(const QString& extra) { extra_ = extra; }
    bool ShowCompileDate() const { return showCompileDate_; }
    void SetShowCompileDate(bool show) { showCompileDate_ = show; }
    // Appended directly after the version text.
    const QString& Revision() const { return revision_; }
    void SetRevision(const QString& revision) { revision_ = revision; }
    // The platform's name after the version ("Win95/98/NT" by default).
    const QString& OSVersions() const { return osVersions_; }
    void SetOSVersions(const QString& osVersions) { osVersions_ = osVersions; }

    // A double-click on the dialog's small program icon.
    std::function<void()> OnEggClick;
    // The slot another component fills (the error log puts its logging switch here); a
    // double-click on the picture calls it when it is filled.
    void SetPictureHook(std::function<void()> hook) { pictureHook_ = std::move(hook); }
    bool HasPictureHook() const { return bool(pictureHook_); }
    void EggClicked() const;
    void PictureDoubleClicked() const;

    // When the owner has finished setting it up: Version "auto" becomes "3.0", Revision "auto"
    // becomes empty.
    virtual void Loaded();

    // The dialog's lines.
    // "Version " + Version + Revision + " for " + OSVersions.
    QString VersionLine() const;
    // "Compiled " + the build date in the locale's short date format.
    QString CompileLine(const QLocale& locale = QLocale()) const;
    // The family's line; empty where there is none (TAbout) or it is switched off.
    virtual QString CorvelLine() const { return {}; }
    // The picture at the left; null for a plain TAbout.
    virtual QImage Picture() const { return {}; }

private:
    QString title_ = QStringLiteral("AppName");
    QString version_ = QStringLiteral("auto");
    QString copyright_;
    QString extra_;
    bool showCompileDate_ = true;
    QString revision_;
    QString osVersions_ = QStringLiteral("Win95/98/NT");
    std::function<void()> pictureHook_;
};

class TCorvelAbout : public TAbout {
public:
    bool ShowACorvel() const { return showACorvel_; }
    void SetShowACorvel(bool show) { showACorvel_ = show; }
    // The picture in 256 colours with a palette of its own (else in true colour).
    bool BMP256() const { return bmp256_; }
    void SetBMP256(bool on) { bmp256_ = on; }

    // "A Corvel application" when ShowACorvel.
    QString CorvelLine() const override;
    QImage Picture() const override;

private:
    bool showACorvel_ = false;
    bool bmp256_ = true;
};

// The main window's about box: "Tremax", version "3.0.0.3" for "Linux", the copyright notice.
void SetUpTremaxAbout(TCorvelAbout& about);

// The date this file was compiled.
QDate BuildDate();
// "Physical memory: " + the size in MiB with at most one decimal (halves rounded up, no
// trailing ",0") + " MiB"; "Physical memory: unknown" for 0 bytes.
QString PhysicalMemoryLine(int64_t bytes, QChar decimalSeparator);
// The family picture, 153 by 225 pixels, drawn here.
QImage FamilyPicture();
// The small program icon, 41 by 37 pixels, drawn here.
QImage ProgramIconPicture();
