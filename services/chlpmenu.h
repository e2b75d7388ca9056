#pragma once
// THelpMenu: the "&Help" menu: the program's help file, the web links shared by the maker's
// programs, the check for a new version against a version file on the maker's web server
// (VersionFile.h), and the about box.
//
// Registry:
//   machine "\Software\VarnikData\WebMenu"        "MenuDate" (text of an integer, at least
//                                                 20020523) and subkey "items": one string
//                                                 value per link, name = caption, value = target
//   user "\Software\VarnikData\" + product name   "AutoCheckForNewVersion" (number 0/1, 1 when
//                                                 missing), "LastNewVersionCheckDate" (number:
//                                                 DayNumber of the last check or refusal)
// The machine store is written only by the administrator (or the installer): the first program
// run with that right seeds the default links there. While the machine store holds no links
// because it could not be written, the menu shows the default links from here.
//
// This class keeps the logic; the window layer shows the items it gets through OnMenuBuilt and
// calls the operations below when they are clicked. The version file is fetched through a
// TVersionSource without blocking: its answer arrives later, through the event loop.
//
// Ownership: the context, desktop and ProgId are the caller's and must outlive the menu; the
// version source is the menu's (destroying it drops a download under way). User-interface thread.

#include <QDate>
#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TProgId;
class TServiceDesktop;
class TSettingsContext;

// Downloads a version file.
class TVersionSource {
public:
    virtual ~TVersionSource() = default;
    // Starts one download; `done` runs later on the same thread with the file's bytes, or with
    // nothing when there is no answer, an error, or more than the size limit. Not called once the
    // source is destroyed.
    virtual void Fetch(const QString& url, std::function<void(std::optional<QByteArray>)> done) = 0;
};

struct THelpLink {
    QString Caption;
    QString Target;
};

enum class THelpItemKind { helpContents, separator, link, checkNow, checkAutomatically, about };

struct THelpMenuItem {
    THelpItemKind Kind = THelpItemKind::separator;
    QString Caption;
    QKeySequence Shortcut;
    QString Target;        // a link's address or command
    bool Checked = false;  // checkAutomatically
};

struct THelpMenuContent {
    QString Caption = QStringLiteral("&Help");
    int MenuPos = 0;
    std::vector<THelpMenuItem> Items;
};

class THelpMenu {
public:
    static constexpr int32_t kLinksDate = 20020523;
    static inline const QString kWebMenuKey = QStringLiteral("\\Software\\VarnikData\\WebMenu");
    // The maker's addresses.
    static inline const QString kWebSiteCaption = QStringLiteral("Varnik Data Web");
    static inline const QString kWebSite = QStringLiteral("https://www.varnikdata.com/");
    static inline const QString kMailCaption = QStringLiteral("E-mail Varnik Data");
    static inline const QString kMail = QStringLiteral("mailto:info@varnikdata.com");
    static inline const QString kTremaxVersionURL = QStringLiteral("https://www.varnikdata.com/versions/tremax.txt");

    // Looks up the help file beside `executablePath` and reads the link list (seeding the
    // defaults where it may).
    THelpMenu(const TSettingsContext& context, TServiceDesktop& desktop, const QString& executablePath);
    ~THelpMenu();
    THelpMenu(const THelpMenu&) = delete;
    THelpMenu& operator=(const THelpMenu&) = delete;

    // Properties.
    bool HasAboutBox = false;
    const TProgId* ProgId = nullptr;
    int MenuPos = 100;
    QStringList AdditionalCommands;
    QStringList AdditionalMenutexts;
    QString NewVersionURL;
    bool EnableVersionCheck = true;

    // Unset: no version file can be fetched (checks fail as without a connection).
    std::unique_ptr<TVersionSource> VersionSource;
    // Whether the computer is online, asked before an automatic check. Unset: online.
    std::function<bool()> IsOnline;
    // Today's date (the local one unless a test says otherwise).
    std::function<QDate()> Today;
    // The main menu: receives the menu to show. Unset: Loaded does nothing.
    std::function<void(const THelpMenuContent& content)> OnMenuBuilt;
    // The main menu's number of menus (for lowering MenuPos); unset: MenuPos is kept.
    std::function<int()> MainMenuCount;

    // After the owner has set the properties: BuildMenu, then StartupCheck.
    void Loaded();
    // Builds the items and hands them to OnMenuBuilt (nothing without it or without items).
    void BuildMenu();
    // The first-run question, then the automatic check unless one ran today.
    void StartupCheck();

    // The version check; `terminate` ends the program after the user chose to download.
    void CheckVersion(bool manual, bool terminate);
    bool Checking() const { return checking_; }

    // The menu's commands.
    void OpenHelpFile();
    void OpenLink(const QString& target);
    bool AutoCheck() const;
    void SetAutoCheck(bool on);

    // Empty without a help file.
    const QString& HelpFile() const { return helpFile_; }
    const std::vector<THelpLink>& Links() const { return links_; }
    const THelpMenuContent& Content() const { return content_; }
    // "LastNewVersionCheckDate", 0 when missing.
    int32_t LastCheckDay() const;

private:
    QString UserKey() const;
    int32_t TodayNumber() const;
    void StoreCheckDay(int32_t day);
    void ReadLinks();
    void VersionFileArrived(const std::optional<QByteArray>& bytes, bool manual, bool terminate);
    void CannotConnect(bool manual);

    const TSettingsContext& context_;
    TServiceDesktop& desktop_;
    QString helpFile_;
    std::vector<THelpLink> links_;
    THelpMenuContent content_;
    bool checking_ = false;
};

// The help file of an executable: "<folder>/<name>.html", else "<folder>/../help/<name>.html";
// empty when neither exists.
QString FindHelpFile(const QString& executablePath);
