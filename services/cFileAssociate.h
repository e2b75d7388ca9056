#pragma once
// TFileAssociate: makes the program the handler of its document type. At start-up Check looks
// whether the shell opens files of `Extension` with this executable and, if not, registers it,
// silently (nothing registered at all, AutoRegister) or after asking.
//
// The classes root (HKEY_CLASSES_ROOT, Registry.h) holds, as default values:
//   <Extension>                           <TypeName>
//   <TypeName>                            <Description>
//   <TypeName>\shell\<Action>\command     "<executable>" "%1"
// It is machine-wide: only a process that may write there (SettingsContext's ClassesRoot) checks
// and registers it; for everybody else that part is skipped without a question.
//
// The Linux desktop does not read that key: the same claim is made its way through a
// TDesktopAssociation (MIME type, desktop entry, default application). With a writable classes
// root a registration makes both claims. Otherwise (an ordinary user) Check looks at the
// desktop alone: when another program is the type's default it asks the same question, and
// only a Yes makes Tremax the user's default; when nothing opens the type it claims it silently
// (AutoRegister). A default the user chose is never replaced without asking.
//
// Registry failures while registering are ignored (the next start checks again). Ownership: the
// owner keeps the context, the message boxes, the about box and the desktop alive as long as
// this. User-interface thread.

#include "platform/Errors.h"

#include <QString>

class TAbout;
class TDesktopAssociation;
class TMessageBoxes;
class TSettingsContext;

class EFileAssociateError : public EError {
public:
    using EError::EError;
};

class TFileAssociate {
public:
    // As a new component: Extension ".aaa", Action "Open", AutoCheck and AutoRegister on.
    TFileAssociate(const TSettingsContext& context, TMessageBoxes& messages, QString ownExecutable);

    QString Extension = QStringLiteral(".aaa");
    QString TypeName;
    bool AutoCheck = true;
    QString Action = QStringLiteral("Open");
    const TAbout* AboutBox = nullptr;
    QString Description;
    bool AutoRegister = true;
    TDesktopAssociation* Desktop = nullptr;

    // The executable registered for Action; looked up (RegisteredToMe) while empty.
    QString RegisteredApp();
    void SetRegisteredApp(const QString& app) { registeredApp_ = app; }
    const QString& OwnExecutable() const { return ownExecutable_; }

    // The type looked up or made up ("bld.Document", "bld file"), then Check with AutoCheck.
    void Loaded();
    // Whether the classes root runs this executable for Action on Extension (refreshes
    // RegisteredApp); letter case does not count.
    bool RegisteredToMe();
    void RegisterToMe();
    // Writes the layout for RegisteredApp; EFileAssociateError for an empty Action or TypeName.
    void RegisterToApplication();
    void Check();

    // The question's texts for a registered program `registered` (empty: none).
    QString QuestionText(const QString& registered) const;
    QString QuestionCaption() const;
    // Description (or Extension + " file"), trimmed, with an "s" unless it ends in one.
    QString Noun() const;

private:
    bool Ask(const QString& registered);
    void CheckDesktop();

    const TSettingsContext& context_;
    TMessageBoxes& messages_;
    QString ownExecutable_;
    QString registeredApp_;
    bool userAgreed_ = false;
};

// The program of a shell command: the quoted path, or the text up to the first blank or quote.
QString CommandProgram(const QString& command);
