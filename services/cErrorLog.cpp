#include "services/cErrorLog.h"

#include "platform/FileNames.h"
#include "services/MessageBoxes.h"
#include "services/SettingsContext.h"
#include "services/sabout.h"
#include "services/sini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString kLogErrors = QStringLiteral("LogErrors");
const QString kLogFileName = QStringLiteral("LogFileName");
const QString kTermination = QStringLiteral("Termination");

QString InFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return QString();
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// A profile file holds one line per value: line breaks of a message become blanks.
QString OneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\r\\n|\\r|\\n"));
    return QString(text).replace(breaks, QStringLiteral(" "));
}

QString FirstArgument()
{
    if (QCoreApplication::instance() && !QCoreApplication::arguments().isEmpty())
        return QCoreApplication::arguments().front();
    QFile cmdline(QStringLiteral("/proc/self/cmdline"));
    if (cmdline.open(QIODevice::ReadOnly))
        return DecodeFileName(cmdline.readAll().split('\0').value(0));
    return QString();
}

}  // namespace

TLogFolders TLogFolders::FromContext(const TSettingsContext& context)
{
    TLogFolders folders;
    folders.ProgramFolder = context.Folders().ExecutableFolder;
    folders.WindowsDirectory = context.Folders().WindowsDirectory;
    folders.DriveRoot = QStringLiteral("/");
    return folders;
}

TLogIdentity TLogIdentity::FromProcess()
{
    TLogIdentity identity;
    identity.ProgramArgument = FirstArgument();
    identity.ExeName = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                    : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (const passwd* user = getpwuid(geteuid()))
        identity.CurrentUser = QString::fromLocal8Bit(user->pw_name);
    else
        identity.CurrentUser = qEnvironmentVariable("USER");
    identity.ComputerName = QSysInfo::machineHostName();
    return identity;
}

TErrorLog::TErrorLog(const TSettingsContext& context, TMessageBoxes& messages, TLogFolders folders,
                     TLogIdentity identity)
    : context_(context), messages_(messages), folders_(std::move(folders)), identity_(std::move(identity))
{
}

TErrorLog::~TErrorLog()
{
    if (about_)
        about_->SetPictureHook({});
    WriteTermination(QStringLiteral("Terminated"));
}

QString TErrorLog::DateTimeText(const QDateTime& when)
{
    const QLocale locale;
    // The long time without the zone, as the records have always shown it.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    timeFormat.replace(zone, QString());
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(when.time(), timeFormat.trimmed());
}

bool TErrorLog::Writable(const QString& candidate) const
{
    if (candidate.isEmpty())
        return false;
    // The probe writes and erases a section; a log file it had to make for that goes again, so
    // that logging switched off leaves no empty file behind.
    const bool existed = QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink();
    try {
        TIni ini(context_, candidate);
        ini.WriteBool(QStringLiteral("Verify"), QStringLiteral("Ok"), true);
        ini.EraseSection(QStringLiteral("Verify"));
        if (!existed && QFileInfo(candidate).size() == 0)
            QFile::remove(candidate);
        return true;
    } catch (...) {
        return false;
    }
}

QString TErrorLog::Resolve()
{
    QString candidate;
    try {
        candidate = TCorvelIni(context_).ReadString(kSection, kLogFileName, QString());
    } catch (...) {
    }
    if (!candidate.isEmpty())
        candidate = AbsoluteFileName(candidate);
    if (!Writable(candidate)) {
        QString name = FileNamePart(assignedName_);
        if (name.isEmpty())
            name = kDefaultLogFile;
        const QString current = folders_.CurrentFolder.isEmpty() ? QDir::currentPath() : folders_.CurrentFolder;
        const QString tries[] = {InFolder(folders_.ProgramFolder, name), InFolder(current, name),
                                 InFolder(folders_.WindowsDirectory, name), InFolder(folders_.DriveRoot, name)};
        candidate.clear();
        for (const QString& path : tries)
            if (Writable(path)) {
                candidate = QDir::cleanPath(path);
                break;
            }
    }
    try {
        TCorvelIni(context_).WriteString(kSection, kLogFileName, candidate);
    } catch (...) {
    }
    return candidate;
}

QString TErrorLog::LogFileName() { return Resolve(); }

void TErrorLog::SetLogFileName(const QString& name)
{
    assignedName_ = name;
    Resolve();
}

void TErrorLog::SetCorvelabout(TAbout* about)
{
    if (about_)
        about_->SetPictureHook({});
    about_ = about;
    if (about_)
        about_->SetPictureHook([this] { ToggleLogging(); });
}

bool TErrorLog::LogErrors() const
{
    try {
        return TCorvelIni(context_).ReadBool(kSection, kLogErrors, false);
    } catch (...) {
        return false;
    }
}

void TErrorLog::ToggleLogging()
{
    try {
        TCorvelIni(context_).WriteBool(kSection, kLogErrors, !LogErrors());
    } catch (...) {
    }
}

void TErrorLog::WriteTermination(const QString& event)
{
    try {
        if (!LogErrors())
            return;
        const QString file = LogFileName();
        if (file.isEmpty())
            return;
        TIni(context_, file).WriteString(kTermination, identity_.ProgramArgument,
                                         event + QStringLiteral(" at ") + DateTimeText(Now()));
    } catch (...) {
    }
}

void TErrorLog::Loaded()
{
    try {
        TCorvelIni(context_).WriteBool(kSection, kLogErrors, LogErrors());
    } catch (...) {
    }
    WriteTermination(QStringLiteral("Started"));
}

QString TErrorLog::WriteRecord(const TExceptionReport& report)
{
    const QString file = LogFileName();
    if (file.isEmpty())
        return QString();
    const QString section = QStringLiteral("Exception at ") + DateTimeText(Now());
    TIni ini(context_, file);
    ini.WriteString(section, QStringLiteral("ExeName"), identity_.ExeName);
    ini.WriteString(section, QStringLiteral("CurrentUser"), identity_.CurrentUser);
    ini.WriteString(section, QStringLiteral("ComputerName"), identity_.ComputerName);
    if (about_) {
        ini.WriteString(section, QStringLiteral("Application"), OneLine(about_->Title()));
        ini.WriteString(section, QStringLiteral("Version"), OneLine(about_->Version()));
        ini.WriteString(section, QStringLiteral("Revision"), OneLine(about_->Revision()));
        ini.WriteString(section, QStringLiteral("Extra"), OneLine(about_->Extra()));
    }
    ini.WriteString(section, QStringLiteral("Message"), OneLine(report.Message));
    ini.WriteString(section, QStringLiteral("Address"),
                    QStringLiteral("%1").arg(quint64(report.Address) & 0xFFFFFFFFu, 8, 16, QLatin1Char('0')).toUpper());
    ini.WriteString(section, QStringLiteral("DebugString"), OneLine(DebugString));
    if (OnAddToFile)
        OnAddToFile(file, section);
    if (SendLogFileRequest)
        messages_.Show(file + QLatin1Char('\n') + SendLogFileMessage, QStringLiteral("Logfile created"),
                       TMessageIcon::error, TMessageButtons::ok);
    return file;
}

void TErrorLog::HandleException(QObject* sender, const TExceptionReport& report)
{
    if (LogErrors()) {
        try {
            WriteRecord(report);
        } catch (...) {
        }
        // Told also when there is no log file or its record failed.
        try {
            if (OnException)
                OnException(sender, report);
        } catch (...) {
        }
    }
    if (!ShowExceptions)
        return;
    try {
        QString title;
        if (ApplicationTitle)
            title = ApplicationTitle();
        if (title.isEmpty())
            title = QStringLiteral("Tremax");
        messages_.Show(report.Message, title, TMessageIcon::error, TMessageButtons::ok);
    } catch (...) {
    }
}
