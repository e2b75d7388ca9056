#pragma once
// TErrorLog: the program's handler of exceptions nothing else caught. It shows each one in the
// standard error box and, while the Corvel family's switch "LogErrors" is on, records it with
// the program's identity in the family's log file (an INI file), telling the user where it is.
// It also records when the program started and ended ("Termination" section), so a run that
// never ended shows in the log.
//
// The family's settings live in TCorvelIni, section "ErrorLog": "LogErrors" (Boolean, default
// False) and "LogFileName" (the resolved log file, shared by the family).
//
// Where the log goes: the stored "LogFileName" when it is writable; else the file part of the
// assigned LogFileName ("CorveErr.log" when empty) in the program's folder, against the current
// folder, in the Windows directory's stand-in (TSystemFolders::WindowsDirectory, /etc) and in
// the stand-in for "c:\" (the file system's root "/"), the first writable one; else nowhere.
// Writable means a TIni on it could write and erase the section "Verify" (which creates the
// file). Tests inject the folders.
//
// The log itself never raises: every failure of a write, of a box or of an event handler is
// swallowed, and the exception is still shown. User-interface thread; the application object
// brings exceptions of other threads here (TremaxApplication).
//
// Ownership: the owner keeps the context, the message boxes and the about box alive as long as
// the log.

#include <QDateTime>
#include <QString>
#include <functional>

class QObject;
class TAbout;
class TMessageBoxes;
class TSettingsContext;

// An exception as the log records it.
struct TExceptionReport {
    QString Message;
    // Where it was raised; 0 where the platform does not say (recorded as "00000000").
    quintptr Address = 0;
};

using tAddToFileEvent = std::function<void(const QString& logFileName, const QString& sectionName)>;
using TExceptionEvent = std::function<void(QObject* Sender, const TExceptionReport& E)>;

// Where the log file may go when the family's one cannot be written.
struct TLogFolders {
    QString ProgramFolder;
    QString CurrentFolder;     // empty: the process's current folder at the time
    QString WindowsDirectory;  // the stand-in for the Windows directory
    QString DriveRoot;         // the stand-in for "c:\"

    static TLogFolders FromContext(const TSettingsContext& context);
};

// Who the program is and when it is, for the records.
struct TLogIdentity {
    QString ProgramArgument;  // argument 0, the "Termination" identifier
    QString ExeName;          // the executable's full path
    QString CurrentUser;
    QString ComputerName;

    static TLogIdentity FromProcess();
};

class TErrorLog {
public:
    static inline const QString kSection = QStringLiteral("ErrorLog");
    static inline const QString kDefaultLogFile = QStringLiteral("CorveErr.log");

    TErrorLog(const TSettingsContext& context, TMessageBoxes& messages, TLogFolders folders,
              TLogIdentity identity = TLogIdentity::FromProcess());
    // Writes "Terminated" (when logging).
    ~TErrorLog();
    TErrorLog(const TErrorLog&) = delete;
    TErrorLog& operator=(const TErrorLog&) = delete;

    bool ShowExceptions = true;
    // Reading resolves the log file anew (see above); empty: no logging possible.
    QString LogFileName();
    // Only the file part counts; assigning resolves and stores the result for the family.
    void SetLogFileName(const QString& name);
    const TAbout* Corvelabout() const { return about_; }
    // Also puts ToggleLogging into the about box's picture hook.
    void SetCorvelabout(TAbout* about);
    TExceptionEvent OnException;
    tAddToFileEvent OnAddToFile;
    QString DebugString;
    bool SendLogFileRequest = true;
    QString SendLogFileMessage = QStringLiteral("Please send this file to support@varnikdata.com");
    // The caption of the error box (the application's title); "Tremax" when not set.
    std::function<QString()> ApplicationTitle;
    // The clock of the records (tests fix it).
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // When the owner has loaded: stores "LogErrors" as it is (a missing value becomes False) and
    // writes "Started".
    void Loaded();

    // The application-wide handler: `sender` is the object whose event raised it, or null.
    void HandleException(QObject* sender, const TExceptionReport& report);

    bool LogErrors() const;
    void ToggleLogging();

    // The date and time as the records write them: the user's short date and long time.
    static QString DateTimeText(const QDateTime& when);

private:
    QString Resolve();
    bool Writable(const QString& candidate) const;
    void WriteTermination(const QString& event);
    QString WriteRecord(const TExceptionReport& report);

    const TSettingsContext& context_;
    TMessageBoxes& messages_;
    TLogFolders folders_;
    TLogIdentity identity_;
    TAbout* about_ = nullptr;
    QString assignedName_ = kDefaultLogFile;
};
