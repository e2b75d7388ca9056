#pragma once
// The folders the program takes from its platform, with their stand-ins here:
//
//   the user's roaming application data (CSIDL 0x1A)  $XDG_CONFIG_HOME, else ~/.config
//   the user's local application data (CSIDL 0x1C)    $XDG_DATA_HOME, else ~/.local/share
//   the common application data (CSIDL 0x23)          the first folder of $XDG_CONFIG_DIRS,
//                                                     else /etc/xdg
//   the Windows directory                             /etc (a system folder users cannot write)
//
// XDG variables count only when they hold an absolute path (as the XDG rules say). A user
// folder without a home folder to fall back on is not found (empty).

#include <QString>

QString UserConfigFolder();    // $XDG_CONFIG_HOME or ~/.config; empty without a home folder
QString UserDataFolder();      // $XDG_DATA_HOME or ~/.local/share; empty without a home folder
QString SystemConfigFolder();  // first of $XDG_CONFIG_DIRS or /etc/xdg

// The special folders by their CSIDL numbers, taken once from the environment (tests make their
// own). A value object: copy it freely.
struct TSystemFolders {
    static constexpr int kRoamingAppData = 0x1A;
    static constexpr int kLocalAppData = 0x1C;
    static constexpr int kCommonAppData = 0x23;

    QString RoamingAppData;
    QString LocalAppData;
    QString CommonAppData;
    QString WindowsDirectory;
    // The program's file name ("tremax") and folder.
    QString ExecutableName;
    QString ExecutableFolder;

    // From the environment and the running application (QCoreApplication's file path, or the
    // process's own when there is no application object).
    static TSystemFolders FromEnvironment();
    // The folder of a CSIDL number, without a trailing "/"; empty when it is not known.
    QString SpecialFolder(int csidl) const;
};
