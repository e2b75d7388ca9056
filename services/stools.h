#pragma once
// TToolsMenu: the family's shared list of tools and the "&Tools" menu built from it. The running
// program registers itself in the list; each tool key holds a menu text, a hot key, the
// executable and a parameter template; clicking an item starts that tool with the template
// expanded (ToolsParameters.h). When any program changes the list it posts the "QUELLANTOOLS"
// broadcast and every other program rebuilds its menu.
//
// The list: "\SOFTWARE\Quellan\Toolmenu" (`RootKey`) under the current user or the shared
// machine root (see ChooseToolsRoot), one subkey per tool named by five digits ("00001"):
//   "MenuText" string, "HotKey" number (ToolHotKeyToKeySequence), "CmdLine" string,
//   "Parameters" string, "AppName" string ("tooledit": the list's editor), "Want8+3",
//   "MenuColBreak", "Enabled" numbers 0/1, "Version" string, subkey "ValidExtensions" whose value
//   names are the extensions "%f" accepts (none: any).
// and directly under `RootKey` the numbers "UpdateSameVersion" and "AutoUpdate" (1 when missing).
//
// This class keeps the logic; the menu itself is the window layer's: it receives the items to
// show through OnMenuBuilt and calls StartTool with an item's tag when it is clicked. Registry
// writes that fail are swallowed (the program carries on with the list it has).
//
// Ownership: the context, desktop, channel and about box are the caller's and must outlive the
// menu. User-interface thread.

#include "platform/Registry.h"
#include "services/ToolsParameters.h"

#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TAbout;
class TServiceDesktop;
class TSettingsContext;

// The list's root: the current user when "UsersDifferent" (a number under `rootKey` in the
// machine root, 1 when missing) is not 0 and either is 2 or the user's "IWantDifferent" is
// set; otherwise the machine root. Creates `rootKey` under both roots where it can.
TRegistryRoot ChooseToolsRoot(const TRegistryConfig& config, TRegistryRoot machineRoot, const QString& rootKey);

// One tool of the list, as add_app and change_app write it.
struct TToolEntry {
    QString MenuText;
    uint32_t HotKey = 0;  // the family's encoding (see ToolsParameters.h)
    bool MenuColBreak = false;
    QString CmdLine;
    QString Parameters;
    QString Version;
    QString AppName;
    bool Want83 = false;
    bool Enabled = true;
    QStringList ValidExtensions;
};

// One item of the Tools menu as the window shows it.
struct TToolMenuItem {
    QString Caption;
    QKeySequence Shortcut;
    int Tag = 0;  // the tool key's index in the sorted list: what StartTool takes
    bool Visible = true;
    bool ColumnBreak = false;
};

struct TToolsMenuContent {
    QString Caption;
    int MenuPos = 0;     // where the menu goes among the main menu's menus
    bool Visible = true;
    std::vector<TToolMenuItem> Items;
};

// How programs tell each other that the list changed ("QUELLANTOOLS" on the desktop's bus).
class TToolsChannel {
public:
    virtual ~TToolsChannel() = default;
    // Tells every other program of the family.
    virtual void PostChange() = 0;
    // `onForeignChange` runs for every change posted by another program, until StopListening.
    virtual void Listen(std::function<void()> onForeignChange) = 0;
    virtual void StopListening() = 0;
};

// What the running program is, for registering it and for the built-in tokens.
struct TToolsProgram {
    QString ExecutablePath;
    QStringList Arguments;  // its own command line, [0] the executable
    QString WindowsDirectory;
    std::function<QString()> CurrentDirectory;
};

class TToolsMenu {
public:
    static inline const QString kDefaultRootKey = QStringLiteral("\\SOFTWARE\\Quellan\\Toolmenu");
    static inline const QString kChangeMessage = QStringLiteral("QUELLANTOOLS");
    static constexpr int kMaxCommandLine = 255;

    // `channel` and `about` may be null (no broadcasts; no version and title).
    TToolsMenu(const TSettingsContext& context, TServiceDesktop& desktop, TToolsChannel* channel, TToolsProgram program);
    ~TToolsMenu();
    TToolsMenu(const TToolsMenu&) = delete;
    TToolsMenu& operator=(const TToolsMenu&) = delete;

    // Properties, with a new component's defaults.
    QString RootKey = kDefaultRootKey;
    QString ThisAppMenuText;
    uint32_t ThisAppHotKey = 0;
    QString ThisAppParams = QStringLiteral("%a");
    QString ThisAppName;
    QStringList ThisAppValidExtensions;
    const TAbout* CorvelAboutBox = nullptr;
    QString Caption = QStringLiteral("&Tools");
    int MenuPos = 100;
    bool Want83 = false;
    bool AutoStartEditor = true;
    bool AutoInsertInMenu = true;
    bool AutoInsertThisApp = false;
    // A token's meaning for the tool with menu tag `tag` (the "meaning" out).
    std::function<QString(int tag, const QString& code)> OnMeaning;
    // The list changed by another program and the menu was rebuilt.
    std::function<void()> OnBroadcastedChange;
    // The main menu: receives the menu to show at every (re)build. Unset: no menu is built.
    std::function<void(const TToolsMenuContent& content)> OnMenuBuilt;
    // The main menu's number of menus (for lowering MenuPos); unset: MenuPos is kept.
    std::function<int()> MainMenuCount;

    // After the owner has set the properties: insert_thisapp and insert_in_menu as switched on.
    void Loaded();

    // (Re)builds the Tools menu from the list.
    void insert_in_menu();
    // Registers or updates the running program's entry.
    void insert_thisapp();
    void add_app(const TToolEntry& entry);
    // Updates the entry whose "AppName" is the entry's, or appends one.
    void change_app(const TToolEntry& entry);
    // The key of the last tool (sorted) whose "AppName" is `appName` exactly; empty if none.
    QString app_keyname(const QString& appName) const;

    // Starts the tool of the item with this tag.
    void StartTool(int tag);

    // Ignored until the menu exists.
    void SetVisible(bool visible);
    bool Visible() const { return content_.Visible; }

    // For the window and tests.
    const TToolsMenuContent& Content() const { return content_; }
    TRegistryRoot Root() const;
    QString OwnKeyName() const { return ownKey_; }
    QStringList KeyNames() const { return keyNames_; }
    bool EditorRegistered() const { return editorRegistered_; }

private:
    TRegistry Registry() const;
    QString KeyPath(const QString& keyName) const { return RootKey + QLatin1Char('\\') + keyName; }
    void ReadKeyNames();
    bool RootFlag(const QString& name) const;
    // Writes a tool's entry under `keyName`, or, when it is empty, under the first free number.
    void WriteEntry(const QString& keyName, const TToolEntry& entry, bool replaceExtensions);
    void Post();
    void BuildContent();
    void CheckAcceleratorsOnce();
    void ReportRunFailure(const QString& commandLine);

    const TSettingsContext& context_;
    TServiceDesktop& desktop_;
    TToolsChannel* channel_;
    TToolsProgram program_;
    QStringList keyNames_;
    QString usedLetters_;
    QString ownKey_;
    bool editorRegistered_ = false;
    QString editorCmdLine_;
    bool listening_ = false;
    bool menuExists_ = false;
    TToolsMenuContent content_;
};
