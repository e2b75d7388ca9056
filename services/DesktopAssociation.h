#pragma once
// The file association made the Linux desktop's way (the shared MIME database and desktop
// entries of freedesktop.org): a MIME type for the program's documents, a desktop entry that
// opens them, and the default application of the type in the user's mimeapps.list; then the
// desktop's caches refreshed with update-mime-database and update-desktop-database where they
// are installed (there is no "associations changed" broadcast: refreshing is the whole step).
//
// How it reaches the users: the machine-wide MIME package and desktop entry are installed with
// the program (app/data, `cmake --install`) into <prefix>/share/mime/packages and
// <prefix>/share/applications; every user's desktop then knows the type and offers the program.
// A claim by one user writes only into that user's folders: the MIME package and the desktop
// entry when they are not installed machine-wide (a program run from its build folder), and the
// default application. A default the user already chose for another program is replaced only
// when `makeDefault` says the user agreed.
//
// Folders default to the XDG variables; tests give their own. Any one thread. Writes raise
// EInOutError naming the file; the refresh tools' failures are ignored.

#include <QString>
#include <QStringList>

struct TDesktopFolders {
    QString DataHome;        // $XDG_DATA_HOME or ~/.local/share: the user's MIME package and entry
    QString ConfigHome;      // $XDG_CONFIG_HOME or ~/.config: the user's mimeapps.list
    QStringList DataDirs;    // $XDG_DATA_DIRS or /usr/local/share:/usr/share: the machine-wide ones
    QStringList ConfigDirs;  // $XDG_CONFIG_DIRS or /etc/xdg: machine-wide defaults

    static TDesktopFolders FromEnvironment();
};

class TDesktopAssociation {
public:
    TDesktopAssociation(TDesktopFolders folders, QString executable);

    QString MimeType = QStringLiteral("application/x-tremax-bld");
    QString DesktopId = QStringLiteral("tremax.desktop");
    QString PackageName = QStringLiteral("tremax-bld.xml");
    QString Pattern = QStringLiteral("*.bld");
    QString Description = QStringLiteral("High-speed video");
    QString Name = QStringLiteral("Tremax");
    // Off in tests that only look at the files.
    bool RunTools = true;

    const TDesktopFolders& Folders() const { return folders_; }
    const QString& Executable() const { return executable_; }

    // The desktop entry chosen as the type's default (the first mimeapps.list that names one, the
    // user's before the machine's); empty when none does.
    QString DefaultApplication() const;
    // The program a desktop entry starts (its Exec line's first word); empty when not found.
    QString EntryProgram(const QString& desktopId) const;
    // Whether a desktop entry starts this program: its Exec names the executable, or a file that
    // is the same one (a bare name as found on PATH, links followed).
    bool EntryStartsMe(const QString& desktopId) const;
    // Whether the MIME package and the entry are installed machine-wide (in a data folder).
    bool MachineWideInstalled() const;
    // Whether the program opens the type: its entry is the default, or nothing is and its entry
    // is installed (the desktop then offers only it); either way the entry starts this program.
    bool OpensType() const;

    // The claim (see above); `makeDefault`: the user agreed to replace another default.
    void Claim(bool makeDefault);

    // The files' texts.
    QString MimePackageText() const;
    QString DesktopEntryText() const;

private:
    QString FindEntry(const QString& desktopId) const;
    void RefreshCaches(bool mime) const;

    TDesktopFolders folders_;
    QString executable_;
};

// An argument of an Exec line: quoted where it needs it, "%" doubled, escaped for the entry file.
QString DesktopExecArgument(const QString& argument);
