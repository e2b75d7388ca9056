// The error log: where the log file goes, the start, end and exception records, the switch.
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "services/SettingsContext.h"
#include "services/cErrorLog.h"
#include "services/sabout.h"
#include "services/sini.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QDirIterator>
#include <QFileInfo>
#include <QObject>

namespace {

const QString kCorvelSection = QStringLiteral("SoftWare\\VarnikData\\Corvel\\ErrorLog");

struct TErrorLogTest : ::testing::Test {
    TErrorLogTest()
        : context(TRegistryFolders{scratch.Path("reg/user"), scratch.Path("reg/machine"), scratch.Path("reg/classes")},
                  TSystemFolders{})
    {
        for (const char* folder : {"prog", "cwd", "windows", "root"})
            QDir().mkpath(scratch.Path(QString::fromUtf8(folder)));
        folders.ProgramFolder = scratch.Path("prog");
        folders.CurrentFolder = scratch.Path("cwd");
        folders.WindowsDirectory = scratch.Path("windows");
        folders.DriveRoot = scratch.Path("root");
        identity = {QStringLiteral("./tremax"), QStringLiteral("/opt/tremax/tremax"), QStringLiteral("anna"),
                    QStringLiteral("lab7")};
    }
    ~TErrorLogTest() override { QLocale::setDefault(QLocale::c()); }
    std::unique_ptr<TErrorLog> MakeLog(const QString& assigned = QStringLiteral("/opt/tremax/CorveErr.log"))
    {
        auto log = std::make_unique<TErrorLog>(context, boxes, folders, identity);
        log->Now = [this] { return now; };
        log->SetLogFileName(assigned);
        return log;
    }
    QString Stored(const QString& name) const
    {
        const auto value = TRegistry(context.Registry(), TRegistryRoot::currentUser).ReadValue(kCorvelSection, name);
        return value ? value->Text : QStringLiteral("<none>");
    }
    void SetLogging(bool on) { TCorvelIni(context).WriteBool(TErrorLog::kSection, QStringLiteral("LogErrors"), on); }
    static QString Text(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    TScratch scratch;
    TSettingsContext context;
    TScriptedMessageBoxes boxes;
    TLogFolders folders;
    TLogIdentity identity;
    QDateTime now{QDate(2026, 12, 8), QTime(14, 3, 5)};
};

}  // namespace

TEST_F(TErrorLogTest, LoggingOffWritesNoRecordButTheLogFileIsResolvedAndStored)
{
    const QString expected = scratch.Path("prog/CorveErr.log");
    {
        auto log = MakeLog();
        EXPECT_EQ(Stored(QStringLiteral("LogFileName")), expected);
        log->Loaded();
        EXPECT_EQ(Stored(QStringLiteral("LogErrors")), QStringLiteral("0"));
        log->HandleException(nullptr, {QStringLiteral("Boom")});
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Boom"));
        EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Tremax"));
        EXPECT_EQ(boxes.shown[0].icon, TMessageIcon::error);
        log->ShowExceptions = false;
        log->HandleException(nullptr, {QStringLiteral("Quiet")});
        EXPECT_EQ(boxes.shown.size(), 1);
    }
    // The writability probe leaves no file, and no store leaves a lock file beside it.
    EXPECT_FALSE(QFileInfo::exists(expected)) << Text(expected).toStdString();
    QDirIterator files(scratch.Path(QString()), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        EXPECT_FALSE(file.endsWith(QStringLiteral(".lock"))) << file.toStdString();
    }
}

TEST_F(TErrorLogTest, UnwritableLogFallsBackInOrder)
{
    // The stored log lies below a file: no one, not even root, can create it.
    scratch.WriteText(QStringLiteral("plain"), QStringLiteral("x"));
    TCorvelIni(context).WriteString(TErrorLog::kSection, QStringLiteral("LogFileName"), scratch.Path("plain/CorveErr.log"));
    const QString assigned = QStringLiteral("/somewhere/Family.log");
    folders.ProgramFolder = scratch.Path("gone");
    EXPECT_EQ(MakeLog(assigned)->LogFileName(), scratch.Path("cwd/Family.log"));
    EXPECT_EQ(Stored(QStringLiteral("LogFileName")), scratch.Path("cwd/Family.log"));

    // The program folder comes first when it can be written; a writable stored file stays.
    folders.ProgramFolder = scratch.Path("prog");
    EXPECT_EQ(MakeLog(assigned)->LogFileName(), scratch.Path("cwd/Family.log"));
    QDir(scratch.Path("cwd")).removeRecursively();
    EXPECT_EQ(MakeLog(assigned)->LogFileName(), scratch.Path("prog/Family.log"));

    QDir(scratch.Path("prog")).removeRecursively();
    EXPECT_EQ(MakeLog(assigned)->LogFileName(), scratch.Path("windows/Family.log"));
    QDir(scratch.Path("windows")).removeRecursively();
    EXPECT_EQ(MakeLog(QString())->LogFileName(), scratch.Path("root/CorveErr.log"));
    QDir(scratch.Path("root")).removeRecursively();
    SetLogging(true);
    auto log = MakeLog(assigned);
    EXPECT_EQ(log->LogFileName(), QString());
    EXPECT_EQ(Stored(QStringLiteral("LogFileName")), QString());
    // Nowhere to log: the error is still shown, nothing else happens.
    log->HandleException(nullptr, {QStringLiteral("Boom")});
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Boom"));
}

TEST_F(TErrorLogTest, LoggingOnRecordsStartExceptionsAndTermination)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    SetLogging(true);
    const QString file = scratch.Path("prog/CorveErr.log");
    TAbout about;
    about.SetTitle(QStringLiteral("Tremax"));
    about.SetVersion(QStringLiteral("3.0.0.3"));
    about.SetRevision(QStringLiteral("b"));
    about.SetExtra(QStringLiteral("lab copy"));
    QObject sender;
    QStringList events;
    {
        auto log = MakeLog();
        log->SetCorvelabout(&about);
        log->SendLogFileMessage = QStringLiteral("Please send this file to us");
        log->ApplicationTitle = [] { return QStringLiteral("demo.bld - Tremax"); };
        log->OnAddToFile = [&](const QString& name, const QString& section) { events << name << section; };
        log->OnException = [&](QObject* from, const TExceptionReport& e) {
            events << (from == &sender ? QStringLiteral("sender") : QStringLiteral("?")) << e.Message;
        };
        log->DebugString = QStringLiteral("sa:80; sb:-66; sab:1479; sa2:1906; sb2:1190; n:4");
        log->Loaded();
        EXPECT_EQ(TIniFile(file).ReadValue(QStringLiteral("Termination"), QStringLiteral("./tremax")),
                  QStringLiteral("Started at 08.12.26 14:03:05"));

        log->HandleException(&sender, {QStringLiteral("Boom")});
        const QString record = QStringLiteral("[Exception at 08.12.26 14:03:05]\n"
                                              "ExeName=/opt/tremax/tremax\n"
                                              "CurrentUser=anna\n"
                                              "ComputerName=lab7\n"
                                              "Application=Tremax\n"
                                              "Version=3.0.0.3\n"
                                              "Revision=b\n"
                                              "Extra=lab copy\n"
                                              "Message=Boom\n"
                                              "Address=00000000\n"
                                              "DebugString=sa:80; sb:-66; sab:1479; sa2:1906; sb2:1190; n:4\n");
        EXPECT_TRUE(Text(file).contains(record)) << Text(file).toStdString();
        EXPECT_EQ(events, (QStringList{file, QStringLiteral("Exception at 08.12.26 14:03:05"), "sender", "Boom"}));
        ASSERT_EQ(boxes.shown.size(), 2);
        EXPECT_EQ(boxes.shown[0].text, file + QStringLiteral("\nPlease send this file to us"));
        EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Logfile created"));
        EXPECT_EQ(boxes.shown[0].icon, TMessageIcon::error);
        EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Boom"));
        EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("demo.bld - Tremax"));

        // The same second: the same section, the later values over the earlier ones; a message
        // of several lines stays one value.
        log->SendLogFileRequest = false;
        log->HandleException(nullptr, {QStringLiteral("Second\nline")});
        EXPECT_EQ(Text(file).count(QStringLiteral("[Exception at")), 1);
        EXPECT_EQ(TIniFile(file).ReadValue(QStringLiteral("Exception at 08.12.26 14:03:05"), QStringLiteral("Message")),
                  QStringLiteral("Second line"));
        EXPECT_EQ(boxes.shown.size(), 3);
        now = now.addSecs(2);
    }
    EXPECT_EQ(TIniFile(file).ReadValue(QStringLiteral("Termination"), QStringLiteral("./tremax")),
              QStringLiteral("Terminated at 08.12.26 14:03:07"));
    EXPECT_FALSE(about.HasPictureHook());
}

TEST_F(TErrorLogTest, AboutBoxPictureTogglesTheFamilySwitch)
{
    TAbout about;
    auto log = MakeLog();
    log->SetCorvelabout(&about);
    EXPECT_FALSE(log->LogErrors());
    about.PictureDoubleClicked();
    EXPECT_TRUE(log->LogErrors());
    EXPECT_EQ(Stored(QStringLiteral("LogErrors")), QStringLiteral("1"));
    about.PictureDoubleClicked();
    EXPECT_EQ(Stored(QStringLiteral("LogErrors")), QStringLiteral("0"));
}

TEST_F(TErrorLogTest, FailuresOfTheLogAndItsHandlersAreSwallowed)
{
    SetLogging(true);
    auto log = MakeLog();
    log->SendLogFileRequest = false;
    int told = 0;
    log->OnAddToFile = [](const QString&, const QString&) { throw EError(QStringLiteral("handler broke")); };
    log->OnException = [&](QObject*, const TExceptionReport&) {
        ++told;
        throw std::runtime_error("so did this one");
    };
    log->HandleException(nullptr, {QStringLiteral("Boom")});
    EXPECT_EQ(told, 1);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Boom"));

    // Every place gone after the start: still told and shown, no "Logfile created".
    for (const char* folder : {"prog", "cwd", "windows", "root"})
        QDir(scratch.Path(QString::fromUtf8(folder))).removeRecursively();
    log->OnAddToFile = {};
    log->SendLogFileRequest = true;
    log->HandleException(nullptr, {QStringLiteral("Again")});
    EXPECT_EQ(told, 2);
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Again"));
}
