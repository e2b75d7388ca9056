// The tools menu over a registry in a scratch folder: the choice of root, the program's own
// entry, accelerators, the menu's items, and starting a tool.
#include "services/SettingsContext.h"
#include "services/sabout.h"
#include "services/stools.h"
#include "support/RecordingDesktop.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QString kRoot = QStringLiteral("\\SOFTWARE\\Quellan\\Toolmenu");

struct TToolsFixture {
    TToolsFixture()
        : context(TRegistryFolders{scratch.Path("user"), scratch.Path("machine"), scratch.Path("classes")},
                  TSystemFolders{})
    {
        context.Registry().SetSyncToDisk(false);
        context.ProbeSharedRoots();
        SetUpTremaxAbout(about);
        about.Loaded();
    }
    TRegistry Machine() const { return TRegistry(context.Registry(), TRegistryRoot::localMachine); }
    TRegistry User() const { return TRegistry(context.Registry(), TRegistryRoot::currentUser); }

    // A menu as the main window sets it up, started from `executable`.
    std::unique_ptr<TToolsMenu> Menu(const QString& executable = QStringLiteral("/opt/tremax/tremax"),
                                     QStringList arguments = {})
    {
        TToolsProgram program;
        program.ExecutablePath = executable;
        program.Arguments = arguments.isEmpty() ? QStringList{executable} : arguments;
        program.WindowsDirectory = QStringLiteral("/etc");
        program.CurrentDirectory = [] { return QStringLiteral("/home/lab/recordings"); };
        auto menu = std::make_unique<TToolsMenu>(context, desktop, &channel, program);
        menu->ThisAppMenuText = QStringLiteral("Tremax");
        menu->ThisAppParams = QStringLiteral("%a %f");
        menu->ThisAppName = QStringLiteral("Tremax");
        menu->ThisAppValidExtensions = {QStringLiteral("BLD")};
        menu->CorvelAboutBox = &about;
        menu->MenuPos = 3;
        menu->AutoInsertThisApp = true;
        menu->OnMenuBuilt = [this](const TToolsMenuContent&) { ++builds; };
        return menu;
    }

    // A tool key written as another program of the family would.
    void AddTool(const QString& key, const QString& menuText, const QString& appName, const QString& cmdLine,
                 const QString& parameters = {}, QStringList extensions = {})
    {
        const QString path = kRoot + QLatin1Char('\\') + key;
        TRegistry machine = Machine();
        machine.WriteString(path, QStringLiteral("MenuText"), menuText);
        machine.WriteString(path, QStringLiteral("AppName"), appName);
        machine.WriteString(path, QStringLiteral("CmdLine"), cmdLine);
        machine.WriteString(path, QStringLiteral("Parameters"), parameters);
        for (const QString& extension : extensions)
            machine.WriteInteger(path + QStringLiteral("\\ValidExtensions"), extension, 0);
    }
    QString Text(const QString& key, const QString& name) const
    {
        return Machine().ReadValue(kRoot + QLatin1Char('\\') + key, name).value_or(TRegistryValue{}).Text;
    }

    TScratch scratch;
    TSettingsContext context;
    TCorvelAbout about;
    TRecordingDesktop desktop;
    TRecordingToolsChannel channel;
    int builds = 0;
};

}  // namespace

TEST(ToolsMenu, TheListsRootFollowsUsersDifferentAndTheUsersWish)
{
    TToolsFixture f;
    ASSERT_EQ(f.context.MachineRoot(), TRegistryRoot::localMachine);
    const auto root = [&] { return ChooseToolsRoot(f.context.Registry(), f.context.MachineRoot(), kRoot); };
    // Nothing stored: users-different 1 and no wish: the machine's list; both keys now exist.
    EXPECT_EQ(root(), TRegistryRoot::localMachine);
    EXPECT_TRUE(f.Machine().KeyExists(kRoot));
    EXPECT_TRUE(f.User().KeyExists(kRoot));
    f.User().WriteInteger(kRoot, QStringLiteral("IWantDifferent"), 1);
    EXPECT_EQ(root(), TRegistryRoot::currentUser);
    // 0 shares the machine list whatever the user wishes.
    f.Machine().WriteInteger(kRoot, QStringLiteral("UsersDifferent"), 0);
    EXPECT_EQ(root(), TRegistryRoot::localMachine);
    f.Machine().WriteInteger(kRoot, QStringLiteral("UsersDifferent"), 2);
    f.User().WriteInteger(kRoot, QStringLiteral("IWantDifferent"), 0);
    EXPECT_EQ(root(), TRegistryRoot::currentUser);
    // A wish stored as text is unreadable: no wish.
    f.Machine().WriteInteger(kRoot, QStringLiteral("UsersDifferent"), 1);
    f.User().WriteString(kRoot, QStringLiteral("IWantDifferent"), QStringLiteral("1"));
    EXPECT_EQ(root(), TRegistryRoot::localMachine);
}

TEST(ToolsMenu, ADottedVersionIsRewrittenAtEveryStartAndTheAcceleratorAlternates)
{
    TToolsFixture f;
    f.AddTool(QStringLiteral("00001"), QStringLiteral("&Sonel"), QStringLiteral("Sonel"), QStringLiteral("/opt/sonel"));
    f.AddTool(QStringLiteral("00002"), QStringLiteral("&Tremax"), QStringLiteral("TREMAX"), QStringLiteral("/old/tremax"));
    f.Machine().WriteString(kRoot + QStringLiteral("\\00002"), QStringLiteral("Version"), QStringLiteral("3.0.0.3"));

    auto first = f.Menu();
    first->Loaded();
    EXPECT_EQ(first->OwnKeyName(), QStringLiteral("00002"));
    EXPECT_EQ(f.Text("00002", "MenuText"), QStringLiteral("T&remax"));
    EXPECT_EQ(first->ThisAppMenuText, QStringLiteral("T&remax"));
    EXPECT_EQ(f.Text("00002", "CmdLine"), QStringLiteral("/opt/tremax/tremax"));
    EXPECT_EQ(f.Text("00002", "Parameters"), QStringLiteral("%a %f"));
    EXPECT_EQ(f.Text("00002", "AppName"), QStringLiteral("Tremax"));
    EXPECT_EQ(f.Text("00002", "Version"), QStringLiteral("3.0.0.3"));
    EXPECT_EQ(f.Machine().ValueNames(kRoot + QStringLiteral("\\00002\\ValidExtensions")), QStringList{"BLD"});
    EXPECT_EQ(f.Machine().ReadValue(kRoot + QStringLiteral("\\00002"), QStringLiteral("Enabled"))->Number, 1u);
    EXPECT_EQ(f.Machine().ReadValue(kRoot, QStringLiteral("AutoUpdate"))->Number, 1u);
    EXPECT_EQ(f.channel.posts, 1);
    EXPECT_TRUE(f.desktop.boxes.isEmpty());  // no question: the entry was simply rewritten
    ASSERT_EQ(first->Content().Items.size(), 2u);
    EXPECT_EQ(first->Content().Items[1].Caption, QStringLiteral("T&remax"));
    EXPECT_EQ(first->Content().MenuPos, 3);
    first.reset();

    auto second = f.Menu();
    second->Loaded();
    EXPECT_EQ(f.Text("00002", "MenuText"), QStringLiteral("&Tremax"));
    EXPECT_EQ(f.channel.posts, 2);
}

TEST(ToolsMenu, AMovedProgramOfTheSameVersionAsksBeforeItsPathIsChanged)
{
    TToolsFixture f;
    f.about.SetVersion(QStringLiteral("2.5"));
    f.AddTool(QStringLiteral("00001"), QStringLiteral("&Tremax"), QStringLiteral("Tremax"), QStringLiteral("/old/tremax"));
    f.Machine().WriteString(kRoot + QStringLiteral("\\00001"), QStringLiteral("Version"), QStringLiteral("2.5"));

    f.desktop.answers = {false};
    f.Menu()->insert_thisapp();
    ASSERT_EQ(f.desktop.boxes.size(), 1);
    EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("Tremax has been moved!"));
    EXPECT_EQ(f.desktop.boxes[0].Text, QStringLiteral("Do you want to use\n/opt/tremax/tremax\ninstead of\n/old/tremax\n"
                                                      "when you click on \"Tools|Tremax\" in the future?"));
    EXPECT_EQ(f.Text("00001", "CmdLine"), QStringLiteral("/old/tremax"));
    // Missing values are filled in whatever the answer; the menu text stays.
    EXPECT_EQ(f.Text("00001", "MenuText"), QStringLiteral("&Tremax"));
    EXPECT_TRUE(f.Machine().KeyExists(kRoot + QStringLiteral("\\00001\\ValidExtensions")));

    f.desktop.answers = {true};
    f.Menu()->insert_thisapp();
    EXPECT_EQ(f.Text("00001", "CmdLine"), QStringLiteral("/opt/tremax/tremax"));

    // Same path (letter case aside): no question.
    f.Menu(QStringLiteral("/OPT/Tremax/tremax"))->insert_thisapp();
    EXPECT_EQ(f.desktop.boxes.size(), 2);
    // "UpdateSameVersion" off: no question either.
    f.Machine().WriteInteger(kRoot, QStringLiteral("UpdateSameVersion"), 0);
    f.Menu(QStringLiteral("/usr/bin/tremax"))->insert_thisapp();
    EXPECT_EQ(f.desktop.boxes.size(), 2);
    // A newer registered version is left alone.
    f.Machine().WriteString(kRoot + QStringLiteral("\\00001"), QStringLiteral("Version"), QStringLiteral("2.6"));
    f.Menu(QStringLiteral("/usr/bin/tremax"))->insert_thisapp();
    EXPECT_EQ(f.Text("00001", "CmdLine"), QStringLiteral("/opt/tremax/tremax"));
}

TEST(ToolsMenu, ANewProgramTakesTheFirstFreeNumberFromTheCountAndNothingWithoutAutoUpdate)
{
    TToolsFixture f;
    f.AddTool(QStringLiteral("00000"), QStringLiteral("&Sonel"), QStringLiteral("Sonel"), QStringLiteral("/opt/sonel"));
    f.AddTool(QStringLiteral("00001"), QStringLiteral("&Kymo"), QStringLiteral("Kymo"), QStringLiteral("/opt/kymo"));
    f.AddTool(QStringLiteral("00003"), QStringLiteral("&Draw"), QStringLiteral("Draw"), QStringLiteral("/opt/draw"));
    f.Machine().WriteInteger(kRoot, QStringLiteral("AutoUpdate"), 0);
    auto menu = f.Menu();
    menu->insert_thisapp();
    EXPECT_EQ(menu->OwnKeyName(), QStringLiteral("00004"));  // 3 keys: "00003" is taken
    EXPECT_FALSE(f.Machine().KeyExists(kRoot + QStringLiteral("\\00004")));
    f.Machine().WriteInteger(kRoot, QStringLiteral("AutoUpdate"), 1);
    menu->insert_thisapp();
    EXPECT_EQ(f.Text("00004", "MenuText"), QStringLiteral("&Tremax"));
}

TEST(ToolsMenu, ItemsCarryShortcutsVisibilityAndBreaksInKeyOrder)
{
    TToolsFixture f;
    const QString keys[] = {"00002", "00001", "00003", "00004"};
    const char* texts[] = {"&Beta", "&Alpha", "&Gamma", "&Delta"};
    for (int i = 0; i < 4; ++i)
        f.AddTool(keys[i], QString::fromLatin1(texts[i]), QStringLiteral("x"), QStringLiteral("/bin/x"));
    f.Machine().WriteInteger(kRoot + QStringLiteral("\\00001"), QStringLiteral("HotKey"), 0x4000 + 0x46);
    f.Machine().WriteInteger(kRoot + QStringLiteral("\\00002"), QStringLiteral("HotKey"), 70000);
    f.Machine().WriteInteger(kRoot + QStringLiteral("\\00003"), QStringLiteral("HotKey"), 0x2000 + 0x8000 + 0x70);
    f.Machine().WriteString(kRoot + QStringLiteral("\\00004"), QStringLiteral("HotKey"), QStringLiteral("70"));
    f.Machine().WriteInteger(kRoot + QStringLiteral("\\00002"), QStringLiteral("Enabled"), 0);
    f.Machine().WriteInteger(kRoot + QStringLiteral("\\00003"), QStringLiteral("MenuColBreak"), 1);
    auto menu = f.Menu();
    menu->MenuPos = 100;
    menu->MainMenuCount = [] { return 5; };
    menu->insert_in_menu();
    const auto& content = menu->Content();
    EXPECT_EQ(content.Caption, QStringLiteral("&Tools"));
    EXPECT_EQ(content.MenuPos, 5);
    EXPECT_EQ(menu->MenuPos, 5);
    ASSERT_EQ(content.Items.size(), 4u);
    EXPECT_EQ(content.Items[0].Caption, QStringLiteral("&Alpha"));
    EXPECT_EQ(content.Items[0].Tag, 0);
    EXPECT_EQ(content.Items[0].Shortcut, QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(content.Items[1].Caption, QStringLiteral("&Beta"));
    EXPECT_TRUE(content.Items[1].Shortcut.isEmpty());  // 70000 is beyond 0xFFFF
    EXPECT_FALSE(content.Items[1].Visible);
    EXPECT_EQ(content.Items[2].Shortcut, QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_F1));
    EXPECT_TRUE(content.Items[2].ColumnBreak);
    EXPECT_FALSE(content.Items[0].ColumnBreak);
    EXPECT_TRUE(content.Items[3].Shortcut.isEmpty());  // a text is no number
    EXPECT_TRUE(content.Items[3].Visible);
    EXPECT_EQ(f.builds, 1);
    // The visibility set while the menu exists is kept by the next build.
    menu->SetVisible(false);
    menu->insert_in_menu();
    EXPECT_FALSE(menu->Content().Visible);
}

TEST(ToolsMenu, AcceleratorsOfDifferentCaseConflictAndOfferTheEditor)
{
    TToolsFixture f;
    f.AddTool(QStringLiteral("00001"), QStringLiteral("&Sonel"), QStringLiteral("Sonel"), QStringLiteral("/opt/sonel"));
    f.AddTool(QStringLiteral("00002"), QStringLiteral("&sigma"), QStringLiteral("Sigma"), QStringLiteral("/opt/sigma"));
    {
        // No editor registered: the conflict is not reported.
        auto menu = f.Menu();
        menu->insert_in_menu();
        EXPECT_TRUE(f.desktop.boxes.isEmpty());
    }
    f.AddTool(QStringLiteral("00003"), QStringLiteral("Tool &editor"), QStringLiteral("ToolEdit"),
              QStringLiteral("/opt/tools/tooledit"));
    f.desktop.answers = {true};
    auto menu = f.Menu(QStringLiteral("/opt/tremax/tremax"), {QStringLiteral("/opt/tremax/tremax"), QStringLiteral("/?")});
    menu->insert_in_menu();
    EXPECT_TRUE(menu->EditorRegistered());
    ASSERT_EQ(f.desktop.boxes.size(), 1);
    EXPECT_EQ(f.desktop.boxes[0].Text, QStringLiteral("Tools menu has errors, start tools menu editor to correct them?"));
    EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("Error in tools menu"));
    EXPECT_EQ(f.desktop.boxes[0].Icon, TMessageIcon::warning);
    ASSERT_EQ(f.desktop.starts.size(), 1);
    EXPECT_EQ(f.desktop.starts[0].Program, QStringLiteral("/opt/tools/tooledit"));
    EXPECT_EQ(f.desktop.abouts, 1);  // "/?" on the command line
    // Only the first build checks.
    menu->insert_in_menu();
    EXPECT_EQ(f.desktop.boxes.size(), 1);
    EXPECT_EQ(f.desktop.abouts, 1);
    // A foreign change rebuilds the menu and tells the owner.
    int told = 0;
    menu->OnBroadcastedChange = [&] { ++told; };
    ASSERT_TRUE(f.channel.listener);
    f.channel.listener();
    EXPECT_EQ(f.builds, 4);
    EXPECT_EQ(told, 1);
    menu.reset();
    EXPECT_FALSE(f.channel.listener);
}

TEST(ToolsMenu, StartingAToolExpandsItsParameters)
{
    TToolsFixture f;
    f.AddTool(QStringLiteral("00001"), QStringLiteral("&Tremax"), QStringLiteral("Tremax"),
              QStringLiteral("/opt/tremax/tremax"), QStringLiteral("%a %f"));
    f.AddTool(QStringLiteral("00002"), QStringLiteral("&Viewer"), QStringLiteral("Viewer"), QStringLiteral("/opt/my tools/view"),
              QStringLiteral("-d %d -w %w -p %p %1 %% %f"), {QStringLiteral("bld"), QStringLiteral("Par")});
    auto menu = f.Menu(QStringLiteral("/opt/tremax/tremax"),
                       {QStringLiteral("/opt/tremax/tremax"), QStringLiteral("/data/first run.bld")});
    menu->insert_in_menu();

    // No meaning for "%a" and "%f": the tool gets its path alone.
    menu->StartTool(0);
    ASSERT_EQ(f.desktop.starts.size(), 1);
    EXPECT_EQ(f.desktop.starts[0].Program, QStringLiteral("/opt/tremax/tremax"));
    EXPECT_EQ(f.desktop.starts[0].Arguments, QStringList());
    // "Want8+3" was missing: written as 0.
    EXPECT_EQ(f.Machine().ReadValue(kRoot + QStringLiteral("\\00001"), QStringLiteral("Want8+3"))->Number, 0u);

    QString file = QStringLiteral("/data/clip.wav");
    QStringList codes;
    menu->OnMeaning = [&](int tag, const QString& code) {
        codes << QStringLiteral("%1:%2").arg(tag).arg(code);
        return code == QLatin1String("%f") ? file : QString();
    };
    menu->StartTool(1);
    ASSERT_EQ(f.desktop.starts.size(), 2);
    EXPECT_EQ(f.desktop.starts[1].Program, QStringLiteral("/opt/my tools/view"));
    // A foreign extension is not passed; "%1" keeps its blank inside one argument.
    EXPECT_EQ(f.desktop.starts[1].Arguments,
              (QStringList{"-d", "/home/lab/recordings", "-w", "/etc", "-p", "/opt/tremax", "/data/first run.bld", "%"}));
    EXPECT_TRUE(codes.contains(QStringLiteral("1:%f")));

    file = QStringLiteral("/data/50% \"best\".PAR");
    menu->StartTool(1);
    ASSERT_EQ(f.desktop.starts.size(), 3);
    EXPECT_EQ(f.desktop.starts[2].Arguments.last(), file);
    EXPECT_TRUE(f.desktop.boxes.isEmpty());
}

TEST(ToolsMenu, ALongCommandLineOrAFailedStartGivesTheToolsError)
{
    TToolsFixture f;
    // '"' + 10 + '" ' + p: 13 + p characters.
    f.AddTool(QStringLiteral("00001"), QStringLiteral("&Long"), QStringLiteral("Long"), QStringLiteral("/opt/longs"),
              QString(241, QLatin1Char('x')));
    f.AddTool(QStringLiteral("00002"), QStringLiteral("&Limit"), QStringLiteral("Limit"), QStringLiteral("/opt/limit"),
              QString(242, QLatin1Char('x')));
    auto menu = f.Menu();
    menu->insert_in_menu();
    menu->StartTool(0);  // 254 characters
    EXPECT_EQ(f.desktop.starts.size(), 1);
    EXPECT_TRUE(f.desktop.boxes.isEmpty());
    menu->StartTool(1);  // 255 characters: not run
    EXPECT_EQ(f.desktop.starts.size(), 1);
    ASSERT_EQ(f.desktop.boxes.size(), 1);
    EXPECT_EQ(f.desktop.boxes[0].Text, QStringLiteral("Error running tool \"/opt/limit\" ") + QString(242, QLatin1Char('x'))
                                           + QStringLiteral("\nRun the tools menu editor"));
    EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("Tools"));
    EXPECT_FALSE(f.desktop.boxes[0].Question);

    f.desktop.startSucceeds = false;
    menu->StartTool(0);
    EXPECT_EQ(f.desktop.boxes.size(), 2);
    menu->StartTool(7);  // no such item: nothing
    EXPECT_EQ(f.desktop.boxes.size(), 2);
}

TEST(ToolsMenu, AddChangeAndFindEntries)
{
    TToolsFixture f;
    auto menu = f.Menu();
    TToolEntry sonel;
    sonel.MenuText = QStringLiteral("Sonel");
    sonel.CmdLine = QStringLiteral("/opt/sonel");
    sonel.AppName = QStringLiteral("Sonel");
    sonel.ValidExtensions = {QStringLiteral("SMP"), QStringLiteral("WAV")};
    menu->add_app(sonel);
    TToolEntry sigma = sonel;
    sigma.MenuText = QStringLiteral("Sigma");
    sigma.AppName = QStringLiteral("Sigma");
    menu->add_app(sigma);
    EXPECT_EQ(f.Text("00001", "MenuText"), QStringLiteral("&Sonel"));
    EXPECT_EQ(f.Text("00002", "MenuText"), QStringLiteral("S&igma"));
    EXPECT_EQ(f.channel.posts, 2);
    EXPECT_EQ(menu->app_keyname(QStringLiteral("Sigma")), QStringLiteral("00002"));
    EXPECT_EQ(menu->app_keyname(QStringLiteral("sigma")), QString());  // exactly
    sonel.ValidExtensions = {QStringLiteral("SMP")};
    sonel.Version = QStringLiteral("4.1");
    menu->change_app(sonel);
    EXPECT_EQ(f.Text("00001", "Version"), QStringLiteral("4.1"));
    EXPECT_EQ(f.Machine().ValueNames(kRoot + QStringLiteral("\\00001\\ValidExtensions")), QStringList{"SMP"});
    TToolEntry other = sonel;
    other.AppName = QStringLiteral("Other");
    menu->change_app(other);
    EXPECT_EQ(menu->app_keyname(QStringLiteral("Other")), QStringLiteral("00003"));
}
