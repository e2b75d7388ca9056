#pragma once
// TProgId: who the program is (product, version, company, copyright) for the components that
// name keys, folders and web requests after it. It holds values only. The main window owns one
// and hands it by pointer to the components that read it (TSetting, the recent-files list, the
// help menu); it must outlive them. User-interface thread.

#include <QString>

class TProgId {
public:
    // The fixed text `Version` reads as with AutoVersion.
    static inline const QString kAutoVersionText = QStringLiteral("3.0");

    // A component made in code: every text empty, AutoVersion off.
    TProgId() = default;
    // A component as the form designer makes it: "AppName", AutoVersion on, "1.0", "VarnikData".
    static TProgId DesignerDefaults();

    const QString& ProductName() const { return productName_; }
    void SetProductName(const QString& name) { productName_ = name; }
    bool AutoVersion() const { return autoVersion_; }
    void SetAutoVersion(bool on) { autoVersion_ = on; }
    // "3.0" with AutoVersion, the stored text otherwise.
    QString Version() const { return autoVersion_ ? kAutoVersionText : version_; }
    void SetVersion(const QString& version) { version_ = version; }
    const QString& Company() const { return company_; }
    void SetCompany(const QString& company) { company_ = company; }
    const QString& Copyright() const { return copyright_; }
    void SetCopyright(const QString& copyright) { copyright_ = copyright; }

private:
    QString productName_;
    bool autoVersion_ = false;
    QString version_;
    QString company_;
    QString copyright_;
};

// The main window's identity: "Tremax", version "3.0.0.3", company "VarnikData".
TProgId TremaxProgId();
// The copyright notice the program shows (about box, identity).
QString TremaxCopyright();
