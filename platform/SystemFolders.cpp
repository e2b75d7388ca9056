#include "platform/SystemFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString HomeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    return QDir::isAbsolutePath(home) ? QDir::cleanPath(home) : QString();
}

QString UserFolder(const char* variable, const char* underHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = HomeFolder();
    return home.isEmpty() ? QString() : home + QLatin1Char('/') + QLatin1String(underHome);
}

QString ExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

}  // namespace

QString UserConfigFolder() { return UserFolder("XDG_CONFIG_HOME", ".config"); }

QString UserDataFolder() { return UserFolder("XDG_DATA_HOME", ".local/share"); }

QString SystemConfigFolder()
{
    const QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& folder : folders)
        if (QDir::isAbsolutePath(folder))
            return QDir::cleanPath(folder);
    return QStringLiteral("/etc/xdg");
}

TSystemFolders TSystemFolders::FromEnvironment()
{
    TSystemFolders folders;
    folders.RoamingAppData = UserConfigFolder();
    folders.LocalAppData = UserDataFolder();
    folders.CommonAppData = SystemConfigFolder();
    folders.WindowsDirectory = QStringLiteral("/etc");
    const QFileInfo executable(ExecutablePath());
    folders.ExecutableName = executable.fileName();
    folders.ExecutableFolder = executable.absolutePath();
    return folders;
}

QString TSystemFolders::SpecialFolder(int csidl) const
{
    switch (csidl) {
    case kRoamingAppData:
        return RoamingAppData;
    case kLocalAppData:
        return LocalAppData;
    case kCommonAppData:
        return CommonAppData;
    default:
        return {};
    }
}
