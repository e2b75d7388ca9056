#pragma once
// What the tools and help menus need from the desktop: message boxes, starting programs,
// opening documents and addresses, the about box, ending the program. The window layer
// implements it with widgets (ServiceDesktopWidget.h); tests record the calls. Every call comes
// from the user-interface thread.

#include "services/MessageBoxes.h"

#include <QString>
#include <QStringList>


class TServiceDesktop {
public:
    virtual ~TServiceDesktop() = default;
    // A Yes/No question; true only for Yes.
    virtual bool AskYesNo(const QString& text, const QString& caption, TMessageIcon icon) = 0;
    // A notice with an OK button.
    virtual void ShowMessage(const QString& text, const QString& caption, TMessageIcon icon) = 0;
    // Starts a program with these arguments, no shell involved; false when it could not start.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
    // Opens a document, folder or address with the desktop's associated program.
    virtual bool OpenDocument(const QString& target) = 0;
    // Shows the about box modally.
    virtual void ShowAbout() = 0;
    // Ends the program (after the current event).
    virtual void Quit() = 0;
};
