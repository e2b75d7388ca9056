#include "platform/Registry.h"
#include "platform/RegistryText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct TUserRoot {
    TScratch scratch;
    QStringList reports;
    TRegistryConfig config{TRegistryFolders{scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")},
                           [this](const QString& message) { reports << message; }};
    TRegistry registry{config, TRegistryRoot::currentUser};
    QString File() const { return registry.FileName(); }
};

}  // namespace

TEST(RegistryText, WritesTheExportFormWithEscapesAndReadsItBack)
{
    TRegistryKey root;
    TRegistryKey& film = root.FindOrAdd(QStringLiteral("Software\\VarnikData\\tremax\\Film"));
    film.SetValue({QStringLiteral("XPos"), TRegistryValueType::string, QStringLiteral("120"), 0});
    film.SetValue({QString(), TRegistryValueType::string, QStringLiteral("C:\\dir\\\"q\"\t\u00e9"), 0});
    film.SetValue({QStringLiteral("Count"), TRegistryValueType::number, QString(), 0xFFFFFFFFu});
    root.FindOrAdd(QStringLiteral("Software\\Empty"));

    // Written by hand from the format's rules.
    const QByteArray expected =
        "VarnikData Registry Version 1\n"
        ";; HKEY_CURRENT_USER\n"
        "\n"
        "[Software]\n\n"
        "[Software\\\\Empty]\n\n"
        "[Software\\\\VarnikData]\n\n"
        "[Software\\\\VarnikData\\\\tremax]\n\n"
        "[Software\\\\VarnikData\\\\tremax\\\\Film]\n"
        "\"XPos\"=\"120\"\n"
        "@=\"C:\\\\dir\\\\\\\"q\\\"\\x0009\\x00e9\"\n"
        "\"Count\"=dword:ffffffff\n"
        "\n";
    EXPECT_EQ(FormatRegistryText(root, QStringLiteral("HKEY_CURRENT_USER")), expected);

    TRegistryKey back;
    TRegistryTextError error;
    ASSERT_TRUE(ParseRegistryText(expected, back, error)) << error.Problem.toStdString();
    const TRegistryKey* read = back.Find(QStringLiteral("software\\varnikdata\\TREMAX\\film"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Value(QString())->Text, QStringLiteral("C:\\dir\\\"q\"\t\u00e9"));
    EXPECT_EQ(read->Value(QStringLiteral("count"))->Number, 0xFFFFFFFFu);
    EXPECT_NE(back.Find(QStringLiteral("Software\\Empty")), nullptr);

    // Each malformed line names its line.
    for (const char* bad : {"VarnikData Registry Version 1\n\"a\"=\"b\"\n", "VarnikData Registry Version 1\n[K]\n\"a\"=\"b\n",
                            "VarnikData Registry Version 1\n[K]\n\"a\"=dword:1f\n",
                            "VarnikData Registry Version 1\n[K]\n\"a\"=\"\\q\"\n", "REGEDIT4\n"}) {
        TRegistryKey ignored;
        EXPECT_FALSE(ParseRegistryText(bad, ignored, error)) << bad;
        EXPECT_GT(error.Line, 0) << bad;
    }
}

TEST(Registry, NamesMatchWithoutLetterCaseAndKeepTheirFirstCase)
{
    TUserRoot user;
    user.registry.WriteString(QStringLiteral("\\Software\\VarnikData\\Tremax\\Film"), QStringLiteral("XPos"),
                              QStringLiteral("12"));
    user.registry.WriteInteger(QStringLiteral("SOFTWARE\\varnikdata\\TREMAX\\FILM"), QStringLiteral("XPOS"), 31);

    const auto value = user.registry.ReadValue(QStringLiteral("software\\VARNIKDATA\\tremax\\film"), QStringLiteral("xpos"));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->Type, TRegistryValueType::number);
    EXPECT_EQ(value->Number, 31u);
    EXPECT_EQ(user.registry.ValueNames(QStringLiteral("Software\\VarnikData\\Tremax\\Film")), QStringList{"XPos"});
    EXPECT_EQ(user.registry.SubKeyNames(QStringLiteral("software\\varnikdata")), QStringList{"Tremax"});

    // Subkeys enumerate in name order, letter case aside; deleting a key takes its tree.
    user.registry.CreateKey(QStringLiteral("Software\\VarnikData\\corvel\\ErrorLog"));
    user.registry.CreateKey(QStringLiteral("Software\\VarnikData\\Alpha"));
    EXPECT_EQ(user.registry.SubKeyNames(QStringLiteral("Software\\VarnikData")),
              QStringList({"Alpha", "corvel", "Tremax"}));
    EXPECT_TRUE(user.registry.DeleteKey(QStringLiteral("software\\VARNIKDATA\\Corvel")));
    EXPECT_FALSE(user.registry.KeyExists(QStringLiteral("Software\\VarnikData\\Corvel\\ErrorLog")));
    EXPECT_FALSE(user.registry.DeleteKey(QStringLiteral("Software\\VarnikData\\Corvel")));
    EXPECT_FALSE(user.registry.DeleteKey(QString()));  // the root itself stays
    EXPECT_TRUE(user.registry.KeyExists(QStringLiteral("Software\\VarnikData\\Tremax\\Film")));
    EXPECT_TRUE(user.reports.isEmpty());
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing)
{
    TUserRoot user;
    const QString folder = user.config.Folders().User;
    const int count = 1000;
    QProcess first, second;
    QElapsedTimer clock;
    clock.start();
    first.start(QStringLiteral(TREMAX_REGISTRY_HELPER), {"write", folder, "a", QString::number(count)});
    second.start(QStringLiteral(TREMAX_REGISTRY_HELPER), {"write", folder, "b", QString::number(count)});
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    // Every read-modify-write of either process is in the file: the counter saw all of them.
    const auto stress = user.registry.OpenKeyReadOnly(QStringLiteral("Stress"));
    ASSERT_TRUE(stress.has_value());
    EXPECT_EQ(stress->Value(QStringLiteral("Count"))->Number, uint32_t(2 * count));
    EXPECT_EQ(stress->Values.size(), size_t(2 * count + 1));
    for (int i = 0; i < count; i += 97) {
        ASSERT_NE(stress->Value(QStringLiteral("a%1").arg(i)), nullptr) << i;
        EXPECT_EQ(stress->Value(QStringLiteral("B%1").arg(i))->Number, uint32_t(i));
    }
    EXPECT_TRUE(user.reports.isEmpty());
}

TEST(Registry, AKilledWriterLeavesThePreviousFileWhole)
{
    TUserRoot user;
    user.registry.WriteString(QStringLiteral("Stress"), QStringLiteral("Victim"), QStringLiteral("old"));
    const QByteArray before = ReadBytes(user.File());

    QProcess writer;
    writer.start(QStringLiteral(TREMAX_REGISTRY_HELPER), {"die", user.config.Folders().User});
    ASSERT_TRUE(writer.waitForFinished(30000));
    EXPECT_EQ(writer.exitStatus(), QProcess::CrashExit);

    EXPECT_EQ(ReadBytes(user.File()), before);
    EXPECT_EQ(user.registry.ReadValue(QStringLiteral("Stress"), QStringLiteral("Victim"))->Text, QStringLiteral("old"));
    // Its half-finished file is left behind; the next writer gets the lock and clears it away.
    const QDir folder(user.config.Folders().User);
    EXPECT_EQ(folder.entryList({"user.reg.tmp.*"}, QDir::Files).size(), 1);
    user.registry.WriteString(QStringLiteral("Stress"), QStringLiteral("Victim"), QStringLiteral("next"));
    EXPECT_TRUE(folder.entryList({"user.reg.tmp.*"}, QDir::Files).isEmpty());
    EXPECT_EQ(user.registry.ReadValue(QStringLiteral("Stress"), QStringLiteral("Victim"))->Text, QStringLiteral("next"));
}

TEST(Registry, ACorruptFileIsReportedOnceKeptAsideAndReadsGiveNothing)
{
    TUserRoot user;
    QDir().mkpath(user.config.Folders().User);
    const QByteArray garbage = "VarnikData Registry Version 1\n[Software]\n\"Name\"=oops\n";
    user.scratch.Write(QStringLiteral("user/user.reg"), garbage);

    EXPECT_FALSE(user.registry.ReadValue(QStringLiteral("Software"), QStringLiteral("Name")).has_value());
    EXPECT_FALSE(user.registry.KeyExists(QStringLiteral("Software")));
    ASSERT_EQ(user.reports.size(), 1);
    EXPECT_TRUE(user.reports[0].contains(user.File())) << user.reports[0].toStdString();
    EXPECT_TRUE(user.reports[0].contains(QStringLiteral("line 3"))) << user.reports[0].toStdString();

    const QStringList aside = QDir(user.config.Folders().User).entryList({"user.reg.corrupt-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadBytes(user.scratch.Path("user/" + aside[0])), garbage);

    user.registry.WriteString(QStringLiteral("Software"), QStringLiteral("Name"), QStringLiteral("fresh"));
    EXPECT_EQ(user.registry.ReadValue(QStringLiteral("Software"), QStringLiteral("Name"))->Text, QStringLiteral("fresh"));
    EXPECT_EQ(user.reports.size(), 1);

    // A writer meeting a corrupt file keeps it aside too before writing its own.
    user.scratch.Write(QStringLiteral("user/user.reg"), "not a registry file\n");
    user.registry.WriteString(QStringLiteral("Software"), QStringLiteral("Name"), QStringLiteral("again"));
    EXPECT_EQ(user.reports.size(), 2);
    EXPECT_EQ(QDir(user.config.Folders().User).entryList({"user.reg.corrupt-*"}, QDir::Files).size(), 2);
}

TEST(Registry, AFolderThatCannotBeWrittenFailsWritesWithTheFileAndReadsQuietly)
{
    // Tests run as root, which may write anywhere: a folder below a plain file cannot exist.
    TUserRoot user;
    const QString blocker = user.scratch.Write(QStringLiteral("blocker"), "x");
    TRegistryConfig config(TRegistryFolders{blocker + "/user", blocker + "/machine", blocker + "/classes"},
                           [&](const QString& message) { user.reports << message; });
    TRegistry machine(config, TRegistryRoot::localMachine);
    try {
        machine.WriteString(QStringLiteral("Software"), QStringLiteral("A"), QStringLiteral("b"));
        FAIL() << "the write succeeded";
    } catch (const ERegistryError& e) {
        EXPECT_TRUE(e.Message().contains(blocker + "/machine")) << e.Message().toStdString();
    }
    EXPECT_FALSE(machine.ReadValue(QStringLiteral("Software"), QStringLiteral("A")).has_value());
    EXPECT_TRUE(machine.SubKeyNames(QString()).isEmpty());
    EXPECT_TRUE(user.reports.isEmpty());
}
