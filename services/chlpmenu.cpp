#include "services/chlpmenu.h"

#include "platform/Conversions.h"
#include "platform/FileNames.h"
#include "platform/Registry.h"
#include "services/ServiceDesktop.h"
#include "services/SettingsContext.h"
#include "services/VersionFile.h"
#include "services/cProgId.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kMenuDate = QStringLiteral("MenuDate");
const QString kItems = QStringLiteral("items");
const QString kAutoCheck = QStringLiteral("AutoCheckForNewVersion");
const QString kLastCheck = QStringLiteral("LastNewVersionCheckDate");

// A number stored as a number or as decimal text.
std::optional<int32_t> IntegerValue(const std::optional<TRegistryValue>& value)
{
    if (!value)
        return std::nullopt;
    if (value->Type == TRegistryValueType::number)
        return int32_t(value->Number);
    int32_t number = 0;
    return TryStrToInt(value->Text, number) ? std::optional<int32_t>(number) : std::nullopt;
}

std::vector<THelpLink> DefaultLinks()
{
    return {{THelpMenu::kWebSiteCaption, THelpMenu::kWebSite}, {THelpMenu::kMailCaption, THelpMenu::kMail}};
}

}  // namespace

QString FindHelpFile(const QString& executablePath)
{
    const QString folder = FolderPart(executablePath);
    const QString name = ChangeFileExtension(FileNamePart(executablePath), QStringLiteral(".html"));
    const QString beside = folder + QLatin1Char('/') + name;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString shared = QDir::cleanPath(folder + QStringLiteral("/../help/") + name);
    return QFileInfo(shared).isFile() ? shared : QString();
}

THelpMenu::THelpMenu(const TSettingsContext& context, TServiceDesktop& desktop, const QString& executablePath)
    : Today([] { return QDate::currentDate(); }), context_(context), desktop_(desktop),
      helpFile_(FindHelpFile(executablePath))
{
    ReadLinks();
}

THelpMenu::~THelpMenu() { VersionSource.reset(); }

void THelpMenu::ReadLinks()
{
    TRegistry machine(context_.Registry(), TRegistryRoot::localMachine);
    const auto seeded = [&] {
        const auto date = IntegerValue(machine.ReadValue(kWebMenuKey, kMenuDate));
        return date && *date >= kLinksDate;
    };
    if (!seeded()) {
        try {
            machine.Update([](TRegistryKey& root) {
                TRegistryKey& key = root.FindOrAdd(kWebMenuKey);
                key.SetValue({kMenuDate, TRegistryValueType::string, QString::number(kLinksDate), 0});
                TRegistryKey& items = key.AddSubKey(kItems);
                for (const THelpLink& link : DefaultLinks())
                    items.SetValue({link.Caption, TRegistryValueType::string, link.Target, 0});
                return true;
            });
        } catch (const EError&) {
        }
    }
    links_.clear();
    if (!seeded()) {
        // A machine store this user cannot write: the defaults as they would have been stored.
        links_ = DefaultLinks();
        return;
    }
    if (const auto items = machine.OpenKeyReadOnly(kWebMenuKey + QLatin1Char('\\') + kItems))
        for (const TRegistryValue& value : items->Values)
            links_.push_back({value.Name, value.Text});
}

QString THelpMenu::UserKey() const
{
    return QStringLiteral("\\Software\\VarnikData\\") + (ProgId ? ProgId->ProductName() : QString());
}

int32_t THelpMenu::TodayNumber() const { return DayNumber(Today()); }

int32_t THelpMenu::LastCheckDay() const
{
    const TRegistry user(context_.Registry(), TRegistryRoot::currentUser);
    return IntegerValue(user.ReadValue(UserKey(), kLastCheck)).value_or(0);
}

void THelpMenu::StoreCheckDay(int32_t day)
{
    TRegistry user(context_.Registry(), TRegistryRoot::currentUser);
    try {
        user.WriteInteger(UserKey(), kLastCheck, day);
    } catch (const EError&) {
    }
}

bool THelpMenu::AutoCheck() const
{
    const TRegistry user(context_.Registry(), TRegistryRoot::currentUser);
    return IntegerValue(user.ReadValue(UserKey(), kAutoCheck)).value_or(1) != 0;
}

void THelpMenu::SetAutoCheck(bool on)
{
    TRegistry user(context_.Registry(), TRegistryRoot::currentUser);
    try {
        user.WriteInteger(UserKey(), kAutoCheck, on ? 1 : 0);
    } catch (const EError&) {
    }
    for (THelpMenuItem& item : content_.Items)
        if (item.Kind == THelpItemKind::checkAutomatically)
            item.Checked = on;
}

void THelpMenu::Loaded()
{
    if (!OnMenuBuilt)
        return;
    BuildMenu();
    StartupCheck();
}

void THelpMenu::BuildMenu()
{
    if (!OnMenuBuilt)
        return;
    for (qsizetype i = std::min(AdditionalMenutexts.size(), AdditionalCommands.size()) - 1; i >= 0; --i)
        if (!AdditionalMenutexts[i].isEmpty() && !AdditionalCommands[i].isEmpty())
            links_.push_back({AdditionalMenutexts[i], AdditionalCommands[i]});

    THelpMenuContent content;
    const auto add = [&content](THelpItemKind kind, const QString& caption) -> THelpMenuItem& {
        content.Items.push_back({kind, caption, {}, {}, false});
        return content.Items.back();
    };
    if (!helpFile_.isEmpty()) {
        add(THelpItemKind::helpContents, QStringLiteral("&Help...")).Shortcut = QKeySequence(Qt::Key_F1);
        if (!links_.empty())
            add(THelpItemKind::separator, {});
    }
    for (auto it = links_.rbegin(); it != links_.rend(); ++it)
        add(THelpItemKind::link, it->Caption).Target = it->Target;
    if (ProgId && !NewVersionURL.isEmpty() && EnableVersionCheck) {
        add(THelpItemKind::checkNow, QStringLiteral("Check for new version now"));
        add(THelpItemKind::checkAutomatically, QStringLiteral("Check for new version automatically")).Checked =
            AutoCheck();
    }
    if (HasAboutBox) {
        if (!links_.empty())
            add(THelpItemKind::separator, {});
        add(THelpItemKind::about, QStringLiteral("A&bout..."));
    }
    if (MainMenuCount)
        MenuPos = std::min(MenuPos, MainMenuCount());
    content.MenuPos = MenuPos;
    content_ = std::move(content);
    if (!content_.Items.empty())
        OnMenuBuilt(content_);
}

void THelpMenu::StartupCheck()
{
    if (LastCheckDay() == 0) {
        const QString text = (ProgId ? ProgId->ProductName() : QStringLiteral("This program"))
                             + QStringLiteral(" checks for new versions automatically when connected to the Internet\n"
                                              "(this feature can be permanently disabled on the help menu).\n\n"
                                              "Do you want to check for a new version now?");
        if (!desktop_.AskYesNo(text, QStringLiteral("Version check"), TMessageIcon::question))
            StoreCheckDay(TodayNumber());
    }
    if (TodayNumber() != LastCheckDay())
        CheckVersion(false, true);
}

void THelpMenu::OpenHelpFile()
{
    if (!helpFile_.isEmpty())
        desktop_.OpenDocument(helpFile_);
}

void THelpMenu::OpenLink(const QString& target) { desktop_.OpenDocument(target); }

void THelpMenu::CheckVersion(bool manual, bool terminate)
{
    if (!ProgId || NewVersionURL.isEmpty() || !EnableVersionCheck || !AutoCheck())
        return;
    if (!manual && IsOnline && !IsOnline())
        return;
    // One download at a time: a second request while one is under way is the same request.
    if (checking_)
        return;
    StoreCheckDay(TodayNumber());
    if (!VersionSource) {
        CannotConnect(manual);
        return;
    }
    checking_ = true;
    VersionSource->Fetch(NewVersionURL, [this, manual, terminate](std::optional<QByteArray> bytes) {
        checking_ = false;
        VersionFileArrived(bytes, manual, terminate);
    });
}

void THelpMenu::CannotConnect(bool manual)
{
    if (manual)
        desktop_.ShowMessage(QStringLiteral("Cannot connect to the update server.\nCheck your Internet connection."),
                             QStringLiteral("New version check"), TMessageIcon::warning);
}

void THelpMenu::VersionFileArrived(const std::optional<QByteArray>& bytes, bool manual, bool terminate)
{
    const auto file = bytes ? ParseVersionFile(*bytes) : std::nullopt;
    if (!file || !ProgId) {
        CannotConnect(manual);
        return;
    }
    const QString version = ProgId->Version();
    if (IsOtherVersion(file->Version, version)) {
        if (desktop_.AskYesNo(file->Announcement,
                              QStringLiteral("New version available (current version is ") + version + QLatin1Char(')'),
                              TMessageIcon::question)) {
            desktop_.OpenDocument(file->DownloadAddress);
            if (terminate)
                desktop_.Quit();
        }
    } else if (manual) {
        desktop_.ShowMessage(QStringLiteral("There is currently no new version available.\n"
                                            "You are already running the latest version: ")
                                 + version,
                             QStringLiteral("No new version"), TMessageIcon::information);
    }
}
