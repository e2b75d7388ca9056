// The help menu over a registry in a scratch folder: the link list and its defaults, the items,
// the first-run question and the version check with a version file handed in by the test.
#include "services/SettingsContext.h"
#include "services/VersionFile.h"
#include "services/cProgId.h"
#include "services/chlpmenu.h"
#include "support/RecordingDesktop.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

const QString kWebMenu = QStringLiteral("\\Software\\VarnikData\\WebMenu");
const QString kUserKey = QStringLiteral("\\Software\\VarnikData\\Tremax");
const QDate kToday(2026, 12, 8);
constexpr int32_t kTodayNumber = 46364;  // python3: (date(2026,12,8) - date(1899,12,30)).days

// Answers each fetch with the next prepared reply, kept until the test releases it.
class TQueuedSource : public TVersionSource {
public:
    void Fetch(const QString& url, std::function<void(std::optional<QByteArray>)> done) override
    {
        urls << url;
        pending = std::move(done);
    }
    void Answer(std::optional<QByteArray> bytes)
    {
        auto done = std::move(pending);
        pending = nullptr;
        done(std::move(bytes));
    }
    QStringList urls;
    std::function<void(std::optional<QByteArray>)> pending;
};

struct THelpFixture {
    explicit THelpFixture(const QString& machineFolder = {})
        : context(TRegistryFolders{scratch.Path("user"), machineFolder.isEmpty() ? scratch.Path("machine") : machineFolder,
                                   scratch.Path("classes")},
                  TSystemFolders{})
    {
        context.Registry().SetSyncToDisk(false);
        progId = TremaxProgId();
    }
    TRegistry Machine() const { return TRegistry(context.Registry(), TRegistryRoot::localMachine); }
    TRegistry User() const { return TRegistry(context.Registry(), TRegistryRoot::currentUser); }

    std::unique_ptr<THelpMenu> Menu(const QString& executable = QStringLiteral("/nowhere/bin/tremax"))
    {
        auto menu = std::make_unique<THelpMenu>(context, desktop, executable);
        menu->HasAboutBox = true;
        menu->ProgId = &progId;
        menu->NewVersionURL = QStringLiteral("http://127.0.0.1:1/tremax.txt");
        auto queued = std::make_unique<TQueuedSource>();
        source = queued.get();
        menu->VersionSource = std::move(queued);
        menu->Today = [] { return kToday; };
        menu->IsOnline = [this] { return online; };
        menu->OnMenuBuilt = [this](const THelpMenuContent&) { ++builds; };
        return menu;
    }
    QStringList Captions(const THelpMenu& menu) const
    {
        QStringList captions;
        for (const THelpMenuItem& item : menu.Content().Items)
            captions << (item.Kind == THelpItemKind::separator ? QStringLiteral("-") : item.Caption);
        return captions;
    }

    TScratch scratch;
    TSettingsContext context;
    TProgId progId;
    TRecordingDesktop desktop;
    TQueuedSource* source = nullptr;
    bool online = true;
    int builds = 0;
};

}  // namespace

TEST(VersionFile, LinesAreSplitAtRunsOfLineBreaks)
{
    const auto file = ParseVersionFile("\r\n 3.1.0 \r\n\r\nhttps://example.org/get\n\nunused\r\r\nNew:\r\n\r\n- faster\n");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Version, QStringLiteral(" 3.1.0 "));
    EXPECT_EQ(file->DownloadAddress, QStringLiteral("https://example.org/get"));
    EXPECT_EQ(file->Announcement, QStringLiteral("New:\n\n- faster"));
    EXPECT_EQ(ParseVersionFile("3.1\nhttps://x\n")->Announcement, QString());
    for (const char* bad : {"", "\r\n\r\n", "   \nhttps://x", "3.1", "3.1\r\n \r\n"})
        EXPECT_FALSE(ParseVersionFile(bad)) << bad;
    EXPECT_FALSE(IsOtherVersion(QStringLiteral("\t3.0.0.3  "), QStringLiteral("3.0.0.3")));
    EXPECT_TRUE(IsOtherVersion(QStringLiteral("3.0.0.30"), QStringLiteral("3.0.0.3")));
    EXPECT_EQ(DayNumber(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(DayNumber(QDate(1899, 12, 29)), -1);
    EXPECT_EQ(DayNumber(QDate(2002, 5, 23)), 37399);  // python3, as above
    EXPECT_EQ(DayNumber(kToday), kTodayNumber);
}

TEST(HelpMenu, TheDefaultLinksAreSeededOnceAndShownInReverse)
{
    THelpFixture f;
    auto menu = f.Menu();
    EXPECT_EQ(f.Machine().ReadValue(kWebMenu, QStringLiteral("MenuDate"))->Text, QStringLiteral("20020523"));
    EXPECT_EQ(f.Machine().ValueNames(kWebMenu + QStringLiteral("\\items")),
              (QStringList{"Varnik Data Web", "E-mail Varnik Data"}));
    menu->BuildMenu();
    // No help file: the menu starts with the links.
    EXPECT_EQ(f.Captions(*menu), (QStringList{"E-mail Varnik Data", "Varnik Data Web", "Check for new version now",
                                              "Check for new version automatically", "-", "A&bout..."}));
    EXPECT_EQ(menu->Content().Items[0].Target, THelpMenu::kMail);
    EXPECT_TRUE(menu->Content().Items[3].Checked);

    // A later date keeps the administrator's list, whatever it holds.
    f.Machine().WriteString(kWebMenu, QStringLiteral("MenuDate"), QStringLiteral("20240101"));
    f.Machine().DeleteKey(kWebMenu + QStringLiteral("\\items"));
    f.Machine().WriteString(kWebMenu + QStringLiteral("\\items"), QStringLiteral("Lab wiki"), QStringLiteral("https://wiki"));
    auto second = f.Menu();
    second->AdditionalMenutexts = {QStringLiteral("One"), QStringLiteral(""), QStringLiteral("Three")};
    second->AdditionalCommands = {QStringLiteral("cmd1"), QStringLiteral("cmd2"), QStringLiteral("cmd3")};
    second->EnableVersionCheck = false;
    second->HasAboutBox = false;
    second->BuildMenu();
    EXPECT_EQ(f.Captions(*second), (QStringList{"One", "Three", "Lab wiki"}));
    // A date below the first one, or no number, is seeded again.
    f.Machine().WriteString(kWebMenu, QStringLiteral("MenuDate"), QStringLiteral("2002O523"));
    f.Menu();
    EXPECT_EQ(f.Machine().ValueNames(kWebMenu + QStringLiteral("\\items")).size(), 3);
}

TEST(HelpMenu, AReadOnlyMachineStoreShowsTheDefaultLinks)
{
    TScratch blocker;
    // A folder below a plain file can never be made, whoever runs the test.
    const QString file = blocker.Write(QStringLiteral("file"), "x");
    THelpFixture f(file + QStringLiteral("/registry"));
    auto menu = f.Menu();
    ASSERT_EQ(menu->Links().size(), 2u);
    EXPECT_EQ(menu->Links()[0].Caption, THelpMenu::kWebSiteCaption);
    EXPECT_EQ(menu->Links()[1].Target, THelpMenu::kMail);
    EXPECT_FALSE(f.Machine().KeyExists(kWebMenu));
}

TEST(HelpMenu, TheHelpFileIsFoundBesideTheProgramOrInTheHelpFolder)
{
    TScratch s;
    QDir().mkpath(s.Path("app/bin"));
    QDir().mkpath(s.Path("app/help"));
    EXPECT_EQ(FindHelpFile(s.Path("app/bin/tremax")), QString());
    s.Write(QStringLiteral("app/help/tremax.html"), "<html/>");
    EXPECT_EQ(FindHelpFile(s.Path("app/bin/tremax")), s.Path("app/help/tremax.html"));
    s.Write(QStringLiteral("app/bin/tremax.html"), "<html/>");
    EXPECT_EQ(FindHelpFile(s.Path("app/bin/tremax")), s.Path("app/bin/tremax.html"));

    THelpFixture f;
    auto menu = f.Menu(s.Path("app/bin/tremax"));
    menu->BuildMenu();
    ASSERT_GE(menu->Content().Items.size(), 2u);
    EXPECT_EQ(menu->Content().Items[0].Caption, QStringLiteral("&Help..."));
    EXPECT_EQ(menu->Content().Items[0].Shortcut, QKeySequence(Qt::Key_F1));
    EXPECT_EQ(menu->Content().Items[1].Kind, THelpItemKind::separator);
    menu->OpenHelpFile();
    EXPECT_EQ(f.desktop.opened, QStringList{s.Path("app/bin/tremax.html")});
}

TEST(HelpMenu, TheFirstRunAsksAndARefusalCountsAsTodaysCheck)
{
    THelpFixture f;
    f.desktop.answers = {false};
    auto first = f.Menu();
    first->Loaded();
    ASSERT_EQ(f.desktop.boxes.size(), 1);
    EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("Version check"));
    EXPECT_EQ(f.desktop.boxes[0].Text,
              QStringLiteral("Tremax checks for new versions automatically when connected to the Internet\n"
                             "(this feature can be permanently disabled on the help menu).\n\n"
                             "Do you want to check for a new version now?"));
    EXPECT_EQ(f.User().ReadValue(kUserKey, QStringLiteral("LastNewVersionCheckDate"))->Number, uint32_t(kTodayNumber));
    EXPECT_TRUE(f.source->urls.isEmpty());
    EXPECT_EQ(f.builds, 1);

    // The next day: no question, one automatic check; the same day again: none.
    f.User().WriteInteger(kUserKey, QStringLiteral("LastNewVersionCheckDate"), kTodayNumber - 1);
    auto menu = f.Menu();
    menu->Loaded();
    EXPECT_EQ(f.desktop.boxes.size(), 1);
    ASSERT_EQ(f.source->urls.size(), 1);
    EXPECT_TRUE(menu->Checking());
    f.source->Answer(QByteArray("3.0.0.3\nhttps://x\n"));
    EXPECT_FALSE(menu->Checking());
    EXPECT_EQ(f.desktop.boxes.size(), 1);  // automatic: nothing to say
    auto again = f.Menu();
    again->Loaded();
    EXPECT_TRUE(f.source->urls.isEmpty());

    // Offline: the automatic check is skipped (and not counted).
    f.User().WriteInteger(kUserKey, QStringLiteral("LastNewVersionCheckDate"), kTodayNumber - 1);
    f.online = false;
    auto offline = f.Menu();
    offline->Loaded();
    EXPECT_TRUE(f.source->urls.isEmpty());
    EXPECT_EQ(f.User().ReadValue(kUserKey, QStringLiteral("LastNewVersionCheckDate"))->Number, uint32_t(kTodayNumber - 1));
}

TEST(HelpMenu, TheVersionCheckAsksReportsOrStaysSilent)
{
    THelpFixture f;
    f.User().WriteInteger(kUserKey, QStringLiteral("LastNewVersionCheckDate"), kTodayNumber);
    auto menu = f.Menu();
    menu->Loaded();
    EXPECT_TRUE(f.desktop.boxes.isEmpty());

    // A different version: the announcement; Yes opens the address and, automatic, ends.
    f.desktop.answers = {true};
    menu->CheckVersion(false, true);
    f.source->Answer(QByteArray("3.1\r\nhttps://example.org/tremax-3.1\r\nx\r\nFaster spectra.\r\nNew export."));
    ASSERT_EQ(f.desktop.boxes.size(), 1);
    EXPECT_EQ(f.desktop.boxes[0].Text, QStringLiteral("Faster spectra.\nNew export."));
    EXPECT_EQ(f.desktop.boxes[0].Caption, QStringLiteral("New version available (current version is 3.0.0.3)"));
    EXPECT_EQ(f.desktop.boxes[0].Icon, TMessageIcon::question);
    EXPECT_EQ(f.desktop.opened, QStringList{"https://example.org/tremax-3.1"});
    EXPECT_EQ(f.desktop.quits, 1);
    // Manual, No: nothing opened, nothing ended.
    f.desktop.answers = {false};
    menu->CheckVersion(true, false);
    f.source->Answer(QByteArray("3.1\nhttps://example.org/tremax-3.1\n"));
    EXPECT_EQ(f.desktop.boxes.size(), 2);
    EXPECT_EQ(f.desktop.opened.size(), 1);
    EXPECT_EQ(f.desktop.quits, 1);

    // The same version, blanks aside: a notice for a manual check only.
    menu->CheckVersion(false, true);
    f.source->Answer(QByteArray(" 3.0.0.3 \nhttps://x\n"));
    EXPECT_EQ(f.desktop.boxes.size(), 2);
    menu->CheckVersion(true, false);
    f.source->Answer(QByteArray(" 3.0.0.3 \nhttps://x\n"));
    ASSERT_EQ(f.desktop.boxes.size(), 3);
    EXPECT_EQ(f.desktop.boxes[2].Text, QStringLiteral("There is currently no new version available.\n"
                                                      "You are already running the latest version: 3.0.0.3"));
    EXPECT_EQ(f.desktop.boxes[2].Caption, QStringLiteral("No new version"));
    EXPECT_EQ(f.desktop.boxes[2].Icon, TMessageIcon::information);

    // No answer or an empty file: a warning for a manual check only.
    for (const auto& reply : {std::optional<QByteArray>(), std::optional<QByteArray>(QByteArray())}) {
        menu->CheckVersion(false, true);
        f.source->Answer(reply);
        menu->CheckVersion(true, false);
        f.source->Answer(reply);
    }
    ASSERT_EQ(f.desktop.boxes.size(), 5);
    EXPECT_EQ(f.desktop.boxes[4].Text, QStringLiteral("Cannot connect to the update server.\nCheck your Internet connection."));
    EXPECT_EQ(f.desktop.boxes[4].Caption, QStringLiteral("New version check"));
    EXPECT_EQ(f.desktop.boxes[4].Icon, TMessageIcon::warning);

    // A second click while a check runs is the same check.
    menu->CheckVersion(true, false);
    menu->CheckVersion(true, false);
    EXPECT_EQ(f.source->urls.size(), 9);
    f.source->Answer(std::nullopt);

    // With the automatic switch off even the manual check does nothing.
    menu->SetAutoCheck(false);
    EXPECT_FALSE(menu->Content().Items[3].Checked);
    EXPECT_EQ(f.User().ReadValue(kUserKey, QStringLiteral("AutoCheckForNewVersion"))->Number, 0u);
    menu->CheckVersion(true, false);
    EXPECT_EQ(f.source->urls.size(), 9);
}
