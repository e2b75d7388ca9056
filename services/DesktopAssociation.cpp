#include "services/DesktopAssociation.h"

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/SafeFileWriter.h"
#include "platform/SystemFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kDefaults = QStringLiteral("Default Applications");
const QString kDesktopEntry = QStringLiteral("Desktop Entry");

QStringList PathList(const char* variable, const QStringList& fallback)
{
    QStringList folders;
    for (const QString& folder : qEnvironmentVariable(variable).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            folders << QDir::cleanPath(folder);
    return folders.isEmpty() ? fallback : folders;
}

void MakeFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw EInOutError(QStringLiteral("Cannot create the folder \"%1\"").arg(folder));
}

// The first entry of a ";" list ("a.desktop;b.desktop;").
QString FirstOfList(const QString& list)
{
    for (const QString& item : list.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty())
            return item.trimmed();
    return QString();
}

// The first word of an Exec line, its quotes and escapes undone.
QString ExecProgram(const QString& exec)
{
    const QString line = exec.trimmed();
    QString word;
    if (line.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 1; i < line.size(); ++i) {
            if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
                word += line[++i];
                continue;
            }
            if (line[i] == QLatin1Char('"'))
                break;
            word += line[i];
        }
        return word;
    }
    return line.section(QLatin1Char(' '), 0, 0);
}

}  // namespace

TDesktopFolders TDesktopFolders::FromEnvironment()
{
    TDesktopFolders folders;
    folders.DataHome = UserDataFolder();
    folders.ConfigHome = UserConfigFolder();
    folders.DataDirs = PathList("XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    folders.ConfigDirs = PathList("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
    return folders;
}

QString DesktopExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString text = argument;
    bool quote = false;
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    if (quote) {
        QString inner;
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                inner += QLatin1Char('\\');
            inner += c;
        }
        text = QLatin1Char('"') + inner + QLatin1Char('"');
    }
    // The entry file's own escapes come on top of the quoting.
    return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('%'), QStringLiteral("%%"));
}

TDesktopAssociation::TDesktopAssociation(TDesktopFolders folders, QString executable)
    : folders_(std::move(folders)), executable_(std::move(executable))
{
}

QString TDesktopAssociation::MimePackageText() const
{
    auto escape = [](const QString& text) { return text.toHtmlEscaped(); };
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                          "  <mime-type type=\"%1\">\n"
                          "    <comment>%2</comment>\n"
                          "    <glob pattern=\"%3\"/>\n"
                          "  </mime-type>\n"
                          "</mime-info>\n")
        .arg(escape(MimeType), escape(Description), escape(Pattern));
}

QString TDesktopAssociation::DesktopEntryText() const
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Comment=%2\n"
                          "Exec=%3 %f\n"
                          "MimeType=%4;\n"
                          "Terminal=false\n"
                          "Categories=Science;\n")
        .arg(Name, Description, DesktopExecArgument(executable_), MimeType);
}

QString TDesktopAssociation::DefaultApplication() const
{
    QStringList lists{folders_.ConfigHome + QStringLiteral("/mimeapps.list")};
    for (const QString& folder : folders_.ConfigDirs)
        lists << folder + QStringLiteral("/mimeapps.list");
    lists << folders_.DataHome + QStringLiteral("/applications/mimeapps.list");
    for (const QString& folder : folders_.DataDirs)
        lists << folder + QStringLiteral("/applications/mimeapps.list");
    for (const QString& list : lists) {
        const std::optional<QString> value = TIniFile(list).ReadValue(kDefaults, MimeType);
        if (value && !FirstOfList(*value).isEmpty())
            return FirstOfList(*value);
    }
    return QString();
}

QString TDesktopAssociation::FindEntry(const QString& desktopId) const
{
    QStringList folders{folders_.DataHome};
    folders << folders_.DataDirs;
    for (const QString& folder : folders) {
        const QString path = folder + QStringLiteral("/applications/") + desktopId;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString TDesktopAssociation::EntryProgram(const QString& desktopId) const
{
    const QString entry = FindEntry(desktopId);
    if (entry.isEmpty())
        return QString();
    const std::optional<QString> exec = TIniFile(entry).ReadValue(kDesktopEntry, QStringLiteral("Exec"));
    // The entry file's escapes first ("\\" is one backslash), then the quoting.
    if (!exec)
        return QString();
    return ExecProgram(QString(*exec).replace(QStringLiteral("\\\\"), QStringLiteral("\\")))
        .replace(QStringLiteral("%%"), QStringLiteral("%"));
}

bool TDesktopAssociation::EntryStartsMe(const QString& desktopId) const
{
    const QString program = EntryProgram(desktopId);
    if (program.isEmpty())
        return false;
    if (program == executable_)
        return true;
    // A bare name is looked up as the desktop runs it; links lead to the same file.
    const QString found = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    const QString theirs = QFileInfo(found).canonicalFilePath();
    return !theirs.isEmpty() && theirs == QFileInfo(executable_).canonicalFilePath();
}

bool TDesktopAssociation::MachineWideInstalled() const
{
    for (const QString& folder : folders_.DataDirs)
        if (QFileInfo(folder + QStringLiteral("/applications/") + DesktopId).isFile() &&
            QFileInfo(folder + QStringLiteral("/mime/packages/") + PackageName).isFile())
            return true;
    return false;
}

bool TDesktopAssociation::OpensType() const
{
    // The entry must start this very program: one left by a build elsewhere starts nothing.
    const QString current = DefaultApplication();
    if (!current.isEmpty() && current != DesktopId)
        return false;
    return EntryStartsMe(DesktopId);
}

void TDesktopAssociation::Claim(bool makeDefault)
{
    // Without a home folder there is no user's folder to write to (and never "/").
    if (folders_.DataHome.isEmpty() || folders_.ConfigHome.isEmpty())
        throw EInOutError(QStringLiteral("No user folder for the desktop's file association (HOME is not set)"));
    // The user's own entry, found before the machine's, also when that one starts another program.
    const bool ownFiles = !MachineWideInstalled() || !EntryStartsMe(DesktopId);
    if (ownFiles) {
        const QString packages = folders_.DataHome + QStringLiteral("/mime/packages");
        const QString applications = folders_.DataHome + QStringLiteral("/applications");
        MakeFolder(packages);
        MakeFolder(applications);
        WriteFileSafely(packages + QLatin1Char('/') + PackageName, MimePackageText().toUtf8());
        WriteFileSafely(applications + QLatin1Char('/') + DesktopId, DesktopEntryText().toUtf8());
    }
    const QString current = DefaultApplication();
    if (current != DesktopId && (makeDefault || current.isEmpty())) {
        MakeFolder(folders_.ConfigHome);
        TIniFile(folders_.ConfigHome + QStringLiteral("/mimeapps.list")).WriteValue(kDefaults, MimeType, DesktopId);
    }
    RefreshCaches(ownFiles);
}

void TDesktopAssociation::RefreshCaches(bool mime) const
{
    if (!RunTools)
        return;
    auto run = [](const QString& tool, const QStringList& arguments) {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty())
            return;
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (process.waitForStarted(5000))
            process.waitForFinished(30000);
    };
    if (mime)
        run(QStringLiteral("update-mime-database"), {folders_.DataHome + QStringLiteral("/mime")});
    const QString applications = folders_.DataHome + QStringLiteral("/applications");
    if (QFileInfo(applications).isDir())
        run(QStringLiteral("update-desktop-database"), {applications});
}
