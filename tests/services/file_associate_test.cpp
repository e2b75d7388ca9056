// The ".bld" association: the classes root's keys, the question, and the desktop's own claim.
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "services/DesktopAssociation.h"
#include "services/SettingsContext.h"
#include "services/cFileAssociate.h"
#include "services/sabout.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kOwn = QStringLiteral("/opt/Tremax/tremax");
const QString kCommandKey = QStringLiteral("bld.Document\\shell\\Tremax\\command");

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct TAssociateTest : ::testing::Test {
    explicit TAssociateTest(bool classesWritable = true)
        : context(TRegistryFolders{scratch.Path("reg/user"), scratch.Path("reg/machine"),
                                   classesWritable ? scratch.Path("reg/classes") : scratch.Path("plain/classes")},
                  TSystemFolders{}),
          desktop(TDesktopFolders{scratch.Path("data"), scratch.Path("config"), {scratch.Path("sysdata")},
                                  {scratch.Path("sysconfig")}},
                  kOwn)
    {
        // A folder below a plain file cannot be made, not even by root: a read-only classes root.
        scratch.WriteText(QStringLiteral("plain"), QStringLiteral("x"));
        context.ProbeSharedRoots();
        desktop.RunTools = false;
        about.SetTitle(QStringLiteral("Tremax"));
    }
    std::unique_ptr<TFileAssociate> Make(bool autoCheck = true)
    {
        auto associate = std::make_unique<TFileAssociate>(context, boxes, kOwn);
        associate->Extension = QStringLiteral(".bld");
        associate->Action = QStringLiteral("Tremax");
        associate->AboutBox = &about;
        associate->Description = QStringLiteral("High-speed video");
        associate->AutoCheck = autoCheck;
        associate->Desktop = &desktop;
        return associate;
    }
    TRegistry Classes() const { return TRegistry(context.Registry(), TRegistryRoot::classesRoot); }
    QString Default(const QString& key) const
    {
        const auto value = Classes().ReadValue(key, QString());
        return value ? value->Text : QString();
    }
    void RegisterOther()
    {
        Classes().WriteString(QStringLiteral(".bld"), QString(), QStringLiteral("bld.Document"));
        Classes().WriteString(kCommandKey, QString(), QStringLiteral("\"/usr/bin/other\" \"%1\""));
    }
    // Every file under the user's desktop folders.
    QStringList DesktopFiles() const
    {
        QStringList files;
        for (const char* folder : {"data", "config"}) {
            QDirIterator it(scratch.Path(QString::fromUtf8(folder)), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        }
        return files;
    }
    QString UserDefault() const
    {
        return TIniFile(scratch.Path("config/mimeapps.list"))
            .ReadValue(QStringLiteral("Default Applications"), QStringLiteral("application/x-tremax-bld"))
            .value_or(QString());
    }
    void WriteOtherDefault()
    {
        QDir().mkpath(scratch.Path("config"));
        scratch.WriteText(QStringLiteral("config/mimeapps.list"),
                          QStringLiteral("[Default Applications]\napplication/x-tremax-bld=other.desktop\n"));
        QDir().mkpath(scratch.Path("sysdata/applications"));
        scratch.WriteText(QStringLiteral("sysdata/applications/other.desktop"),
                          QStringLiteral("[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other %f\n"));
    }

    TScratch scratch;
    TSettingsContext context;
    TDesktopAssociation desktop;
    TScriptedMessageBoxes boxes;
    TAbout about;
};

struct TReadOnlyClassesTest : TAssociateTest {
    TReadOnlyClassesTest() : TAssociateTest(false) {}
};

}  // namespace

TEST_F(TAssociateTest, TypeLookedUpOrMadeUp)
{
    const TFileAssociate fresh(context, boxes, kOwn);
    EXPECT_EQ(fresh.Extension, QStringLiteral(".aaa"));
    EXPECT_EQ(fresh.Action, QStringLiteral("Open"));
    EXPECT_TRUE(fresh.AutoCheck && fresh.AutoRegister);

    auto made = Make(false);
    made->Description.clear();
    made->Loaded();
    EXPECT_EQ(made->TypeName, QStringLiteral("bld.Document"));
    EXPECT_EQ(made->Description, QStringLiteral("bld file"));
    for (const char* extension : {"", "."}) {
        auto unknown = Make(false);
        unknown->Extension = QString::fromUtf8(extension);
        unknown->Description.clear();
        unknown->Loaded();
        EXPECT_EQ(unknown->TypeName, QStringLiteral("Unknown.Document"));
        EXPECT_EQ(unknown->Description, QStringLiteral("Unknown file"));
    }

    Classes().WriteString(QStringLiteral(".BLD"), QString(), QStringLiteral("VideoFile"));
    Classes().WriteString(QStringLiteral("VideoFile"), QString(), QStringLiteral("Video clips"));
    auto found = Make(false);
    found->Loaded();
    EXPECT_EQ(found->TypeName, QStringLiteral("VideoFile"));
    EXPECT_EQ(found->Description, QStringLiteral("Video clips"));
    EXPECT_EQ(found->Noun(), QStringLiteral("Video clips"));  // no second "s"
    found->Description.clear();
    EXPECT_EQ(found->Noun(), QStringLiteral(".bld files"));
}

TEST_F(TAssociateTest, CommandsMatchOnTheirProgramIgnoringCase)
{
    EXPECT_EQ(CommandProgram(QStringLiteral("  \"/opt/My Viewer/view\" -open \"%1\"")), QStringLiteral("/opt/My Viewer/view"));
    EXPECT_EQ(CommandProgram(QStringLiteral("/usr/bin/view -open %1")), QStringLiteral("/usr/bin/view"));
    EXPECT_EQ(CommandProgram(QStringLiteral("/usr/bin/view\"%1\"")), QStringLiteral("/usr/bin/view"));

    Classes().WriteString(QStringLiteral(".bld"), QString(), QStringLiteral("bld.Document"));
    Classes().WriteString(kCommandKey, QString(), QStringLiteral("\"/OPT/tremax/TREMAX\" \"%1\""));
    auto associate = Make(false);
    EXPECT_TRUE(associate->RegisteredToMe());
    EXPECT_EQ(associate->RegisteredApp(), QStringLiteral("/OPT/tremax/TREMAX"));

    associate->Action.clear();
    associate->TypeName = QStringLiteral("bld.Document");
    try {
        associate->RegisterToApplication();
        FAIL() << "no error";
    } catch (const EFileAssociateError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot register action \"\" on file type \"bld.Document\""));
    }
}

TEST_F(TAssociateTest, AnotherProgramGivesTheQuestionAndNoLeavesEverything)
{
    RegisterOther();
    const QByteArray before = Bytes(Classes().FileName());
    Make()->Loaded();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("This application is currently registered to do \"Tremax\" on High-speed videos\n"
                             "/usr/bin/other\n\n"
                             "Do you want to register Tremax to do \"Tremax\" on High-speed videos instead?"));
    EXPECT_EQ(boxes.shown[0].caption,
              QStringLiteral("Tremax is not registered to do \"Tremax\" on High-speed videos"));
    EXPECT_EQ(boxes.shown[0].icon, TMessageIcon::question);
    EXPECT_EQ(boxes.shown[0].buttons, TMessageButtons::yesNo);
    EXPECT_EQ(Bytes(Classes().FileName()), before);
    EXPECT_TRUE(DesktopFiles().isEmpty()) << DesktopFiles().join(' ').toStdString();

    // The next start asks again; Yes makes both claims.
    boxes.answers << TMessageAnswer::yes;
    Make()->Loaded();
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(Default(QStringLiteral(".bld")), QStringLiteral("bld.Document"));
    EXPECT_EQ(Default(QStringLiteral("bld.Document")), QStringLiteral("High-speed video"));
    EXPECT_EQ(Default(kCommandKey), QStringLiteral("\"/opt/Tremax/tremax\" \"%1\""));
    EXPECT_EQ(UserDefault(), QStringLiteral("tremax.desktop"));
    EXPECT_EQ(desktop.EntryProgram(QStringLiteral("tremax.desktop")), kOwn);
    EXPECT_TRUE(QFile::exists(scratch.Path("data/mime/packages/tremax-bld.xml")));
    // Registered now: no more questions.
    Make()->Loaded();
    EXPECT_EQ(boxes.shown.size(), 2);
}

TEST_F(TAssociateTest, NothingRegisteredRegistersSilentlyButKeepsTheUsersDesktopChoice)
{
    WriteOtherDefault();
    Make()->Loaded();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(Default(kCommandKey), QStringLiteral("\"/opt/Tremax/tremax\" \"%1\""));
    EXPECT_EQ(UserDefault(), QStringLiteral("other.desktop"));

    // Without AutoRegister it asks, without " instead".
    QFile::remove(Classes().FileName());
    auto asking = Make(false);
    asking->AutoRegister = false;
    asking->AboutBox = nullptr;
    asking->Loaded();
    asking->Check();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("No application is currently registered to do \"Tremax\" on High-speed videos\n\n"
                             "Do you want to register this application to do \"Tremax\" on High-speed videos?"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Not registered to do \"Tremax\" on .bld High-speed videos"));
}

TEST_F(TReadOnlyClassesTest, OrdinaryUsersAreAskedOnlyAboutTheirDesktopDefault)
{
    ASSERT_EQ(context.ClassesRoot(), TRegistryRoot::currentUser);
    // Another program is the user's default: the same question; No changes nothing.
    WriteOtherDefault();
    const QByteArray list = Bytes(scratch.Path("config/mimeapps.list"));
    Make()->Loaded();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(
        QStringLiteral("This application is currently registered to do \"Tremax\" on High-speed videos\n/usr/bin/other\n")));
    EXPECT_TRUE(boxes.shown[0].text.endsWith(QStringLiteral(" instead?")));
    EXPECT_EQ(Bytes(scratch.Path("config/mimeapps.list")), list);
    boxes.answers << TMessageAnswer::yes;
    Make()->Loaded();
    EXPECT_EQ(UserDefault(), QStringLiteral("tremax.desktop"));
    Make()->Loaded();
    EXPECT_EQ(boxes.shown.size(), 2);
}

TEST_F(TReadOnlyClassesTest, AnEntryStartingAProgramThatMovedIsAskedAboutAndRepaired)
{
    // The default is our entry, but it starts a build that is no longer where it was.
    QDir().mkpath(scratch.Path("data/applications"));
    QDir().mkpath(scratch.Path("config"));
    const QString stale = QStringLiteral("[Desktop Entry]\nType=Application\nName=Tremax\nExec=/old/build/tremax %f\n");
    scratch.WriteText(QStringLiteral("data/applications/tremax.desktop"), stale);
    scratch.WriteText(QStringLiteral("config/mimeapps.list"),
                      QStringLiteral("[Default Applications]\napplication/x-tremax-bld=tremax.desktop\n"));
    EXPECT_FALSE(desktop.OpensType());
    Make()->Loaded();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("This application is currently registered to do \"Tremax\" on High-speed videos\n"
                             "/old/build/tremax\n\nDo you want to register Tremax to do \"Tremax\" on High-speed "
                             "videos instead?"));
    // No leaves the entry as it was, and the question comes back.
    EXPECT_EQ(QString::fromUtf8(Bytes(scratch.Path("data/applications/tremax.desktop"))), stale);
    boxes.answers << TMessageAnswer::yes;
    Make()->Loaded();
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(desktop.EntryProgram(QStringLiteral("tremax.desktop")), kOwn);
    EXPECT_EQ(UserDefault(), QStringLiteral("tremax.desktop"));
    Make()->Loaded();
    EXPECT_EQ(boxes.shown.size(), 2);

    // Without a default, a machine-wide entry of another build is what the desktop offers: the
    // same question, and Yes writes the user's own entry, which comes first.
    QFile::remove(scratch.Path("config/mimeapps.list"));
    QFile::remove(scratch.Path("data/applications/tremax.desktop"));
    QDir().mkpath(scratch.Path("sysdata/applications"));
    QDir().mkpath(scratch.Path("sysdata/mime/packages"));
    scratch.WriteText(QStringLiteral("sysdata/applications/tremax.desktop"), stale);
    scratch.WriteText(QStringLiteral("sysdata/mime/packages/tremax-bld.xml"), desktop.MimePackageText());
    boxes.answers << TMessageAnswer::yes;
    Make()->Loaded();
    ASSERT_EQ(boxes.shown.size(), 3);
    EXPECT_TRUE(boxes.shown[2].text.contains(QStringLiteral("\n/old/build/tremax\n")));
    EXPECT_EQ(desktop.EntryProgram(QStringLiteral("tremax.desktop")), kOwn);
    EXPECT_TRUE(desktop.OpensType());
}

TEST(DesktopEntry, ABareProgramNameIsTheProgramFoundOnThePath)
{
    TScratch scratch;
    // The running program reached through a link: the entry names the real file by a bare name.
    QDir().mkpath(scratch.Path("bin"));
    const QString real = scratch.WriteText(QStringLiteral("bin/tremax-real"), QStringLiteral("#!/bin/sh\n"));
    QFile::setPermissions(real, QFile::permissions(real) | QFileDevice::ExeOwner);
    ASSERT_TRUE(QFile::link(real, scratch.Path("bin/tremax")));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(scratch.Path("bin")) + ":" + path);
    QDir().mkpath(scratch.Path("data/applications"));
    scratch.WriteText(QStringLiteral("data/applications/tremax.desktop"),
                      QStringLiteral("[Desktop Entry]\nType=Application\nExec=tremax %f\n"));
    const TDesktopAssociation mine(TDesktopFolders{scratch.Path("data"), scratch.Path("config"), {}, {}}, real);
    const TDesktopAssociation other(TDesktopFolders{scratch.Path("data"), scratch.Path("config"), {}, {}},
                                    scratch.Path("elsewhere/tremax"));
    EXPECT_TRUE(mine.EntryStartsMe(QStringLiteral("tremax.desktop")));
    EXPECT_FALSE(other.EntryStartsMe(QStringLiteral("tremax.desktop")));
    qputenv("PATH", path);
}

TEST_F(TReadOnlyClassesTest, MachineWideInstallNeedsNothingFromTheUser)
{
    QDir().mkpath(scratch.Path("sysdata/applications"));
    QDir().mkpath(scratch.Path("sysdata/mime/packages"));
    scratch.WriteText(QStringLiteral("sysdata/applications/tremax.desktop"), desktop.DesktopEntryText());
    scratch.WriteText(QStringLiteral("sysdata/mime/packages/tremax-bld.xml"), desktop.MimePackageText());
    Make()->Loaded();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_TRUE(DesktopFiles().isEmpty());
    // Nothing installed and nothing chosen: claimed silently in the user's folders.
    QDir(scratch.Path("sysdata")).removeRecursively();
    Make()->Loaded();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(UserDefault(), QStringLiteral("tremax.desktop"));
    EXPECT_TRUE(QFile::exists(scratch.Path("data/applications/tremax.desktop")));
}

TEST(DesktopEntry, ExecLinesAndTheShippedFiles)
{
    EXPECT_EQ(DesktopExecArgument(QStringLiteral("/opt/tremax/tremax")), QStringLiteral("/opt/tremax/tremax"));
    EXPECT_EQ(DesktopExecArgument(QStringLiteral("/opt/my apps/tremax")), QStringLiteral("\"/opt/my apps/tremax\""));
    // Quoted with "$" escaped, then the file's own escape of "\" and the doubled "%".
    EXPECT_EQ(DesktopExecArgument(QStringLiteral("/opt/100%/t$x")), QStringLiteral("\"/opt/100%%/t\\\\$x\""));

    TScratch scratch;
    TDesktopAssociation odd(TDesktopFolders{scratch.Path("data"), scratch.Path("config"), {}, {}},
                            QStringLiteral("/opt/my apps/100%/t$x"));
    odd.RunTools = false;
    odd.Claim(false);
    EXPECT_EQ(odd.EntryProgram(QStringLiteral("tremax.desktop")), QStringLiteral("/opt/my apps/100%/t$x"));

    // Without a home folder nothing is written anywhere (least of all below "/").
    TDesktopAssociation homeless(TDesktopFolders{}, QStringLiteral("tremax"));
    EXPECT_THROW(homeless.Claim(true), EInOutError);

    // What is installed machine-wide is what a user's claim writes.
    const TDesktopAssociation installed(TDesktopFolders{}, QStringLiteral("tremax"));
    EXPECT_EQ(QString::fromUtf8(Bytes(QStringLiteral(TREMAX_SOURCE_DIR "/app/data/tremax-bld.xml"))),
              installed.MimePackageText());
    EXPECT_EQ(QString::fromUtf8(Bytes(QStringLiteral(TREMAX_SOURCE_DIR "/app/data/tremax.desktop"))),
              installed.DesktopEntryText());
}

// The desktop's own tools agree: the type xdg-mime finds for a ".bld" file opens with Tremax.
TEST_F(TAssociateTest, XdgMimeNamesTremaxAfterRegistering)
{
    for (const char* tool : {"xdg-mime", "update-mime-database", "update-desktop-database", "mimetype"})
        if (QStandardPaths::findExecutable(QString::fromUtf8(tool)).isEmpty())
            GTEST_SKIP() << tool << " missing";
    desktop.RunTools = true;
    Make()->Loaded();
    const QString sample = scratch.WriteText(QStringLiteral("take 1.bld"), QStringLiteral("frames"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        environment.remove(QString::fromUtf8(variable));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), scratch.Path("data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch.Path("config"));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), scratch.Path("sysconfig"));
    auto query = [&](const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("xdg-mime"), arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    };
    const QString type = query({QStringLiteral("query"), QStringLiteral("filetype"), sample});
    ASSERT_FALSE(type.isEmpty());
    EXPECT_EQ(query({QStringLiteral("query"), QStringLiteral("default"), type}), QStringLiteral("tremax.desktop"));
}
