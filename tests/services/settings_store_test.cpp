#include "platform/IniFile.h"
#include "services/SettingsContext.h"
#include "services/cProgId.h"
#include "services/cSetting.h"
#include "services/sini.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A context whose every folder lies in a scratch folder; `roaming` etc. empty: not found.
struct TStores {
    explicit TStores(bool specialFolders = true, const QString& executable = QStringLiteral("tremax"))
        : context(TRegistryFolders{scratch.Path("reg/user"), scratch.Path("reg/machine"), scratch.Path("reg/classes")},
                  Folders(specialFolders, executable))
    {
    }
    TSystemFolders Folders(bool specialFolders, const QString& executable) const
    {
        TSystemFolders folders;
        if (specialFolders) {
            folders.RoamingAppData = scratch.Path("config");
            folders.LocalAppData = scratch.Path("data");
            folders.CommonAppData = scratch.Path("etc-xdg");
        }
        folders.WindowsDirectory = scratch.Path("windows");
        folders.ExecutableName = executable;
        return folders;
    }
    TRegistry User() const { return TRegistry(context.Registry(), TRegistryRoot::currentUser); }

    TScratch scratch;
    TSettingsContext context;
};

}  // namespace

TEST(Ini, RegistryFormStoresTextUnderTheProgramsKey)
{
    TStores stores;
    TIni ini(stores.context);
    EXPECT_FALSE(ini.IsFile());
    EXPECT_EQ(ini.BaseKey(), QStringLiteral("SoftWare\\VarnikData\\tremax"));
    EXPECT_TRUE(stores.User().KeyExists(QStringLiteral("Software\\VarnikData\\Tremax")));
    EXPECT_EQ(ProgramBaseKey(QStringLiteral("Tremax.exe")), QStringLiteral("SoftWare\\VarnikData\\Tremax"));
    EXPECT_EQ(ProgramBaseKey(QStringLiteral("tremax.bin.old")), QStringLiteral("SoftWare\\VarnikData\\tremax"));

    ini.WriteInteger(QStringLiteral("Film"), QStringLiteral("XPos"), -17);
    ini.WriteBool(QStringLiteral("Film"), QStringLiteral("On"), true);
    const auto raw = stores.User().ReadValue(QStringLiteral("Software\\VarnikData\\tremax\\Film"), QStringLiteral("XPos"));
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->Type, TRegistryValueType::string);
    EXPECT_EQ(raw->Text, QStringLiteral("-17"));
    EXPECT_EQ(stores.User().ReadValue(QStringLiteral("Software\\VarnikData\\tremax\\Film"), QStringLiteral("On"))->Text,
              QStringLiteral("1"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("FILM"), QStringLiteral("xpos"), 5), -17);

    // Decimal text only; anything else, or a value of another type, gives the default.
    for (const char* text : {"12abc", "0x1F", "", "2147483648"}) {
        ini.WriteString(QStringLiteral("Film"), QStringLiteral("YPos"), QString::fromLatin1(text));
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("Film"), QStringLiteral("YPos"), 7), 7) << text;
    }
    stores.User().WriteInteger(QStringLiteral("Software\\VarnikData\\tremax\\Film"), QStringLiteral("YPos"), 3);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Film"), QStringLiteral("YPos"), 7), 7);
    ini.WriteString(QStringLiteral("Film"), QStringLiteral("YPos"), QStringLiteral("2"));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Film"), QStringLiteral("YPos"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("Film"), QStringLiteral("Missing"), false));

    ini.EraseSection(QStringLiteral("film"));
    EXPECT_FALSE(stores.User().KeyExists(QStringLiteral("Software\\VarnikData\\tremax\\Film")));
    EXPECT_TRUE(stores.User().KeyExists(QStringLiteral("Software\\VarnikData\\tremax")));

    // The family's key beside it, same text rules.
    TCorvelIni corvel(stores.context);
    corvel.WriteBool(QStringLiteral("ErrorLog"), QStringLiteral("LogErrors"), false);
    EXPECT_EQ(stores.User().ReadValue(QStringLiteral("Software\\VarnikData\\Corvel\\ErrorLog"), QStringLiteral("LogErrors"))->Text,
              QStringLiteral("0"));
    EXPECT_TRUE(corvel.ReadBool(QStringLiteral("ErrorLog"), QStringLiteral("Missing"), true));
}

TEST(Ini, RegistryFormWriteFailureNamesTheSection)
{
    TScratch scratch;
    const QString blocker = scratch.Write(QStringLiteral("blocker"), "x");
    TSystemFolders folders;
    folders.ExecutableName = QStringLiteral("tremax");
    TSettingsContext context(TRegistryFolders{blocker + "/user", blocker, blocker}, folders);
    TIni ini(context);
    try {
        ini.WriteInteger(QStringLiteral("Film"), QStringLiteral("XPos"), 1);
        FAIL() << "the write succeeded";
    } catch (const ERegistryError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Failed to create key Film"));
        EXPECT_TRUE(e.Detail().contains(blocker)) << e.Detail().toStdString();
    }
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Film"), QStringLiteral("XPos"), 9), 9);
}

TEST(Ini, FileFormReadsHexadecimalAndKeepsWhatItDoesNotUnderstand)
{
    TScratch scratch;
    const QString file = scratch.Write(QStringLiteral("log.ini"),
                                       "; kept\r\n[Verify]\r\nOk=1\r\n\r\n[Numbers]\r\nhex=0x1F\r\nHEX2 = 0XfFfFfFfF\r\n"
                                       "big=0x100000000\r\nshort=0x\r\nbad=12abc\r\nodd line\r\n");
    TStores stores;
    TIni ini(stores.context, file);
    EXPECT_TRUE(ini.IsFile());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("numbers"), QStringLiteral("Hex"), 0), 31);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Numbers"), QStringLiteral("hex2"), 0), -1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Numbers"), QStringLiteral("big"), 4), 4);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Numbers"), QStringLiteral("short"), 4), 4);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Numbers"), QStringLiteral("bad"), 4), 4);

    ini.EraseSection(QStringLiteral("VERIFY"));
    ini.WriteInteger(QStringLiteral("Numbers"), QStringLiteral("hex"), 12);
    ini.WriteBool(QStringLiteral("New"), QStringLiteral("Flag"), true);
    EXPECT_EQ(ReadBytes(file), QByteArray("; kept\r\n[Numbers]\r\nhex=12\r\nHEX2 = 0XfFfFfFfF\r\n"
                                          "big=0x100000000\r\nshort=0x\r\nbad=12abc\r\nodd line\r\n\r\n[New]\r\nFlag=1\r\n"));

    // A line break would make a second line of the file; a missing folder is not made.
    EXPECT_THROW(ini.WriteString(QStringLiteral("New"), QStringLiteral("Text"), QStringLiteral("a\nb")), EInOutError);
    TIni elsewhere(stores.context, scratch.Path("missing/log.ini"));
    try {
        elsewhere.WriteBool(QStringLiteral("Verify"), QStringLiteral("Ok"), true);
        FAIL() << "wrote into a missing folder";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().contains(scratch.Path("missing/log.ini"))) << e.Message().toStdString();
    }
}

TEST(Setting, PlacesTheStoreByLocationAndIdentity)
{
    TStores stores;
    const TProgId id = TremaxProgId();
    TSetting setting(stores.context);
    setting.SetProgId(&id);

    setting.SetLocation(slroaming);
    const QString roaming = stores.scratch.Path("config/VarnikData/Tremax/3.0.0.3/tremax.ini");
    EXPECT_EQ(setting.IniFilename(), roaming);
    setting.WriteInteger(QStringLiteral("RecentFiles"), QStringLiteral("nToUse"), 9);
    setting.WriteString(QStringLiteral("RecentFiles"), QStringLiteral("1"), QString());
    EXPECT_EQ(ReadBytes(roaming), QByteArray("[RecentFiles]\nnToUse=9\n1=\n"));
    EXPECT_EQ(setting.ReadInteger(QStringLiteral("RecentFiles"), QStringLiteral("nToUse"), 5), 9);
    EXPECT_EQ(setting.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("1"), QStringLiteral("none")),
              QStringLiteral("none"));

    setting.SetIniFilename(QStringLiteral("/elsewhere/lists.cfg"));
    EXPECT_EQ(setting.IniFilename(), stores.scratch.Path("config/VarnikData/Tremax/3.0.0.3/lists.ini"));
    setting.SetLocation(slcommoninsecure);
    EXPECT_EQ(setting.IniFilename(), stores.scratch.Path("etc-xdg/VarnikData/Tremax/3.0.0.3/insecure/lists.ini"));
    setting.SetLocation(slfile);
    setting.SetFilename(QStringLiteral("/as/given.txt"));
    EXPECT_EQ(setting.IniFilename(), QStringLiteral("/as/given.txt"));

    // The identity is looked at on every use.
    TProgId changing = TremaxProgId();
    setting.SetProgId(&changing);
    setting.SetLocation(slnonroaming);
    changing.SetAutoVersion(true);
    EXPECT_EQ(setting.IniFilename(), stores.scratch.Path("data/VarnikData/Tremax/3.0/lists.ini"));
}

TEST(Setting, WithoutSpecialFoldersRoamingStoresUnderTheCurrentUser)
{
    TStores stores(false);
    const TProgId id = TremaxProgId();
    TSetting setting(stores.context);
    setting.SetProgId(&id);
    setting.SetLocation(slroaming);
    EXPECT_EQ(setting.IniFilename(), QStringLiteral("HKEY_CURRENT_USER"));
    setting.WriteInteger(QStringLiteral("RecentFiles"), QStringLiteral("nToUse"), 9);
    setting.WriteString(QStringLiteral("RecentFiles"), QStringLiteral("1"), QString());

    const QString key = QStringLiteral("\\Software\\VarnikData\\Tremax\\3.0.0.3\\RecentFiles");
    const auto count = stores.User().ReadValue(key, QStringLiteral("nToUse"));
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->Type, TRegistryValueType::number);
    EXPECT_EQ(count->Number, 9u);
    EXPECT_EQ(setting.ReadInteger(QStringLiteral("RecentFiles"), QStringLiteral("nToUse"), 5), 9);
    EXPECT_EQ(setting.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("1"), QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_EQ(setting.ReadString(QStringLiteral("RecentFiles"), QStringLiteral("nToUse"), QStringLiteral("text")),
              QStringLiteral("text"));
    setting.EraseSection(QStringLiteral("recentfiles"));
    EXPECT_FALSE(stores.User().KeyExists(key));

    setting.SetLocation(slcommonadmin);
    EXPECT_EQ(setting.IniFilename(), QStringLiteral("HKEY_LOCAL_MACHINE"));
    setting.SetLocation(slcommoninsecure);
    EXPECT_EQ(setting.IniFilename(), stores.scratch.Path("windows/tremax.ini"));
}

TEST(Setting, WithoutProgIdSaysSo)
{
    TStores stores;
    TSetting setting(stores.context);
    setting.SetName(QStringLiteral("RecentSetting"));
    setting.SetLocation(slroaming);
    try {
        setting.ReadInteger(QStringLiteral("RecentFiles"), QStringLiteral("nToUse"), 5);
        FAIL() << "read without an identity";
    } catch (const ESettingError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Nothing assigned to ProgId"));
    }
    try {
        setting.Loaded();
        FAIL() << "loaded without an identity";
    } catch (const ESettingError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Nothing assigned to RecentSetting.ProgId"));
    }
    setting.SetLocation(slfile);  // a named file needs no identity
    setting.SetFilename(stores.scratch.Path("plain.ini"));
    setting.WriteInteger(QStringLiteral("S"), QStringLiteral("n"), 0x1F);
    EXPECT_EQ(setting.ReadInteger(QStringLiteral("S"), QStringLiteral("n"), 0), 31);
}

TEST(SharedRoots, TheProbeLowersRootsItCannotWriteAndLeavesNoTestKey)
{
    TStores writable;
    writable.context.ProbeSharedRoots();
    EXPECT_EQ(writable.context.MachineRoot(), TRegistryRoot::localMachine);
    EXPECT_EQ(writable.context.ClassesRoot(), TRegistryRoot::classesRoot);
    for (TRegistryRoot root : {TRegistryRoot::localMachine, TRegistryRoot::classesRoot}) {
        const TRegistry registry(writable.context.Registry(), root);
        EXPECT_EQ(registry.SubKeyNames(QString()), QStringList{"Software"});
        EXPECT_TRUE(registry.SubKeyNames(QStringLiteral("Software")).isEmpty());
    }

    // Tests run as root: a folder below a plain file is one nobody can write.
    TScratch scratch;
    const QString blocker = scratch.Write(QStringLiteral("blocker"), "x");
    TSettingsContext readOnly(TRegistryFolders{scratch.Path("user"), blocker + "/machine", blocker + "/classes"},
                              TSystemFolders{});
    readOnly.ProbeSharedRoots();
    EXPECT_EQ(readOnly.MachineRoot(), TRegistryRoot::currentUser);
    EXPECT_EQ(readOnly.ClassesRoot(), TRegistryRoot::currentUser);
    EXPECT_FALSE(QFile::exists(scratch.Path("user/user.reg")));
}
