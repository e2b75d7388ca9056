#include "services/stools.h"

#include "platform/Conversions.h"
#include "services/ServiceDesktop.h"
#include "services/SettingsContext.h"
#include "services/sabout.h"

#include <algorithm>

namespace {

const QString kMenuText = QStringLiteral("MenuText");
const QString kHotKey = QStringLiteral("HotKey");
const QString kCmdLine = QStringLiteral("CmdLine");
const QString kParameters = QStringLiteral("Parameters");
const QString kAppName = QStringLiteral("AppName");
const QString kWant83 = QStringLiteral("Want8+3");
const QString kMenuColBreak = QStringLiteral("MenuColBreak");
const QString kVersion = QStringLiteral("Version");
const QString kEnabled = QStringLiteral("Enabled");
const QString kValidExtensions = QStringLiteral("ValidExtensions");

QString FiveDigits(int n) { return QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0')); }

QString TextOf(const TRegistryKeySnapshot* key, const QString& name)
{
    const TRegistryValue* value = key ? key->Value(name) : nullptr;
    return value && value->Type == TRegistryValueType::string ? value->Text : QString();
}

std::optional<uint32_t> NumberOf(const TRegistryKeySnapshot* key, const QString& name)
{
    const TRegistryValue* value = key ? key->Value(name) : nullptr;
    if (!value || value->Type != TRegistryValueType::number)
        return std::nullopt;
    return value->Number;
}

bool BoolOf(const TRegistryKeySnapshot* key, const QString& name, bool fallback)
{
    const auto number = NumberOf(key, name);
    return number ? *number != 0 : fallback;
}

// A version text as a number with "." as decimal separator; `fallback` when it is none.
double VersionValue(const QString& text, double fallback)
{
    double value = 0;
    return TryStrToFloat(text, value, QLatin1Char('.')) ? value : fallback;
}

void SetNumber(TRegistryKey& key, const QString& name, uint32_t number)
{
    key.SetValue({name, TRegistryValueType::number, {}, number});
}

void SetText(TRegistryKey& key, const QString& name, const QString& text)
{
    key.SetValue({name, TRegistryValueType::string, text, 0});
}

void SetNumberIfMissing(TRegistryKey& key, const QString& name, uint32_t number)
{
    if (!key.Value(name))
        SetNumber(key, name, number);
}

void SetTextIfMissing(TRegistryKey& key, const QString& name, const QString& text)
{
    if (!key.Value(name))
        SetText(key, name, text);
}

void SetExtensions(TRegistryKey& key, const QStringList& extensions)
{
    TRegistryKey& sub = key.AddSubKey(kValidExtensions);
    for (const QString& extension : extensions)
        if (!extension.isEmpty())
            SetNumber(sub, extension, 0);
}

// Creates a key where it is missing; a root that cannot be written keeps what it has.
void CreateKeyQuietly(TRegistry& registry, const QString& path)
{
    if (registry.KeyExists(path))
        return;
    try {
        registry.CreateKey(path);
    } catch (const EError&) {
    }
}

QString WithoutAmpersands(QString text) { return text.remove(QLatin1Char('&')); }

}  // namespace

TRegistryRoot ChooseToolsRoot(const TRegistryConfig& config, TRegistryRoot machineRoot, const QString& rootKey)
{
    TRegistry machine(config, machineRoot);
    CreateKeyQuietly(machine, rootKey);
    const auto different = machine.ReadValue(rootKey, QStringLiteral("UsersDifferent"));
    const uint32_t usersDifferent =
        different && different->Type == TRegistryValueType::number ? different->Number : 1;
    TRegistry user(config, TRegistryRoot::currentUser);
    CreateKeyQuietly(user, rootKey);
    const auto want = user.ReadValue(rootKey, QStringLiteral("IWantDifferent"));
    const bool iWantDifferent = want && want->Type == TRegistryValueType::number && want->Number != 0;
    return usersDifferent != 0 && (usersDifferent == 2 || iWantDifferent) ? TRegistryRoot::currentUser : machineRoot;
}

TToolsMenu::TToolsMenu(const TSettingsContext& context, TServiceDesktop& desktop, TToolsChannel* channel,
                       TToolsProgram program)
    : context_(context), desktop_(desktop), channel_(channel), program_(std::move(program))
{
}

TToolsMenu::~TToolsMenu()
{
    if (listening_ && channel_)
        channel_->StopListening();
}

TRegistry TToolsMenu::Registry() const { return TRegistry(context_.Registry(), Root()); }

TRegistryRoot TToolsMenu::Root() const { return ChooseToolsRoot(context_.Registry(), context_.MachineRoot(), RootKey); }

void TToolsMenu::Loaded()
{
    if (AutoInsertThisApp)
        insert_thisapp();
    if (AutoInsertInMenu)
        insert_in_menu();
}

void TToolsMenu::ReadKeyNames()
{
    keyNames_ = Registry().SubKeyNames(RootKey);
    std::sort(keyNames_.begin(), keyNames_.end());
}

// "UpdateSameVersion" and "AutoUpdate": 1 when missing, and written so.
bool TToolsMenu::RootFlag(const QString& name) const
{
    TRegistry registry = Registry();
    const auto value = registry.ReadValue(RootKey, name);
    if (!value) {
        try {
            registry.WriteInteger(RootKey, name, 1);
        } catch (const EError&) {
        }
        return true;
    }
    return value->Type == TRegistryValueType::number ? value->Number != 0 : true;
}

void TToolsMenu::Post()
{
    if (channel_)
        channel_->PostChange();
}

void TToolsMenu::insert_thisapp()
{
    ReadKeyNames();
    TRegistry registry = Registry();
    usedLetters_.clear();
    ownKey_.clear();
    for (const QString& name : std::as_const(keyNames_)) {
        const auto key = registry.OpenKeyReadOnly(KeyPath(name));
        if (const auto letter = AcceleratorLetter(TextOf(key ? &*key : nullptr, kMenuText).toLower()))
            usedLetters_ += *letter;
        if (TextOf(key ? &*key : nullptr, kAppName).compare(ThisAppName, Qt::CaseInsensitive) == 0)
            ownKey_ = name;
    }
    if (ownKey_.isEmpty()) {
        int n = int(keyNames_.size());
        while (registry.KeyExists(KeyPath(FiveDigits(n))))
            ++n;
        ownKey_ = FiveDigits(n);
    }
    if (!RootFlag(QStringLiteral("AutoUpdate")))
        return;
    const QString ownPath = KeyPath(ownKey_);
    CreateKeyQuietly(registry, ownPath);
    const auto own = registry.OpenKeyReadOnly(ownPath);
    const TRegistryKeySnapshot* key = own ? &*own : nullptr;
    const double registered = VersionValue(TextOf(key, kVersion), -1);
    const double running = CorvelAboutBox ? CorvelAboutBox->VersionNumber() : 0;
    const QString executable = program_.ExecutablePath;

    if (registered < 0 || registered < running) {
        ThisAppMenuText = FreshAccelerator(ThisAppMenuText, usedLetters_);
        try {
            registry.Update([&](TRegistryKey& root) {
                TRegistryKey& entry = root.FindOrAdd(ownPath);
                SetText(entry, kMenuText, ThisAppMenuText);
                SetNumber(entry, kHotKey, ThisAppHotKey);
                SetText(entry, kCmdLine, executable);
                SetText(entry, kParameters, ThisAppParams);
                SetText(entry, kAppName, ThisAppName);
                SetNumber(entry, kWant83, Want83 ? 1 : 0);
                if (CorvelAboutBox)
                    SetText(entry, kVersion, CorvelAboutBox->Version());
                SetNumberIfMissing(entry, kEnabled, 1);
                SetNumberIfMissing(entry, kMenuColBreak, 0);
                SetExtensions(entry, ThisAppValidExtensions);
                return true;
            });
        } catch (const EError&) {
            return;
        }
        Post();
        return;
    }

    const QString registeredCmdLine = TextOf(key, kCmdLine);
    if (registered == running && registeredCmdLine.compare(executable, Qt::CaseInsensitive) != 0
        && RootFlag(QStringLiteral("UpdateSameVersion"))) {
        const QString caption = CorvelAboutBox ? CorvelAboutBox->Title() + QStringLiteral(" has been moved!")
                                               : QStringLiteral("This application has been moved!");
        const QString text = QStringLiteral("Do you want to use\n") + executable + QStringLiteral("\ninstead of\n")
                             + registeredCmdLine + QStringLiteral("\nwhen you click on \"") + WithoutAmpersands(Caption)
                             + QLatin1Char('|') + WithoutAmpersands(TextOf(key, kMenuText))
                             + QStringLiteral("\" in the future?");
        const bool yes = desktop_.AskYesNo(text, caption, TMessageIcon::question);
        const QString menuText = FreshAccelerator(ThisAppMenuText, usedLetters_);
        try {
            registry.Update([&](TRegistryKey& root) {
                TRegistryKey& entry = root.FindOrAdd(ownPath);
                if (yes) {
                    SetNumber(entry, kHotKey, ThisAppHotKey);
                    SetText(entry, kCmdLine, executable);
                }
                SetTextIfMissing(entry, kMenuText, menuText);
                SetTextIfMissing(entry, kParameters, ThisAppParams);
                if (CorvelAboutBox)
                    SetTextIfMissing(entry, kVersion, CorvelAboutBox->Version());
                SetNumberIfMissing(entry, kEnabled, 1);
                SetNumberIfMissing(entry, kMenuColBreak, 0);
                SetTextIfMissing(entry, kAppName, ThisAppName);
                SetNumberIfMissing(entry, kWant83, Want83 ? 1 : 0);
                if (!entry.SubKey(kValidExtensions))
                    SetExtensions(entry, ThisAppValidExtensions);
                return true;
            });
        } catch (const EError&) {
            return;
        }
        Post();
    }
}

void TToolsMenu::WriteEntry(const QString& keyName, const TToolEntry& entry, bool replaceExtensions)
{
    if (!RootFlag(QStringLiteral("AutoUpdate")))
        return;
    TRegistry registry = Registry();
    try {
        // The key (for a new tool: the first free number) and the letters of every other tool
        // are settled under the store's lock, with the entry: two programs adding a tool at
        // once never pick the same key.
        registry.Update([&](TRegistryKey& root) {
            const TRegistryKey* tools = root.Find(RootKey);
            QString name = keyName;
            for (int n = 1; name.isEmpty(); ++n)
                if (!tools || !tools->SubKey(FiveDigits(n)))
                    name = FiveDigits(n);
            QString used;
            if (tools)
                for (const auto& other : tools->SubKeys()) {
                    if (other->Name().compare(name, Qt::CaseInsensitive) == 0)
                        continue;
                    const TRegistryValue* text = other->Value(kMenuText);
                    if (const auto letter = AcceleratorLetter(text ? text->Text.toLower() : QString()))
                        used += *letter;
                }
            TRegistryKey& key = root.FindOrAdd(KeyPath(name));
            SetText(key, kMenuText, FreshAccelerator(entry.MenuText, used));
            SetNumber(key, kHotKey, entry.HotKey);
            SetText(key, kCmdLine, entry.CmdLine);
            SetText(key, kParameters, entry.Parameters);
            SetText(key, kAppName, entry.AppName);
            SetNumber(key, kWant83, entry.Want83 ? 1 : 0);
            SetNumber(key, kMenuColBreak, entry.MenuColBreak ? 1 : 0);
            SetText(key, kVersion, entry.Version);
            SetNumber(key, kEnabled, entry.Enabled ? 1 : 0);
            if (replaceExtensions)
                key.RemoveSubKey(kValidExtensions);
            SetExtensions(key, entry.ValidExtensions);
            return true;
        });
    } catch (const EError&) {
        return;
    }
    Post();
}

void TToolsMenu::add_app(const TToolEntry& entry) { WriteEntry(QString(), entry, false); }

void TToolsMenu::change_app(const TToolEntry& entry)
{
    WriteEntry(app_keyname(entry.AppName), entry, true);  // none yet: a new key
}

QString TToolsMenu::app_keyname(const QString& appName) const
{
    const TRegistry registry = Registry();
    QStringList names = registry.SubKeyNames(RootKey);
    std::sort(names.begin(), names.end());
    QString found;
    for (const QString& name : std::as_const(names)) {
        const auto value = registry.ReadValue(KeyPath(name), kAppName);
        if (value && value->Type == TRegistryValueType::string && value->Text == appName)
            found = name;
    }
    return found;
}

void TToolsMenu::BuildContent()
{
    ReadKeyNames();
    const TRegistry registry = Registry();
    TToolsMenuContent content;
    content.Caption = Caption;
    content.Visible = menuExists_ ? content_.Visible : true;
    editorRegistered_ = false;
    editorCmdLine_.clear();
    std::vector<TToolMenuItem> items;
    for (qsizetype i = keyNames_.size() - 1; i >= 0; --i) {
        const auto snapshot = registry.OpenKeyReadOnly(KeyPath(keyNames_[i]));
        const TRegistryKeySnapshot* key = snapshot ? &*snapshot : nullptr;
        if (TextOf(key, kAppName).compare(QLatin1String("tooledit"), Qt::CaseInsensitive) == 0) {
            editorRegistered_ = true;
            editorCmdLine_ = TextOf(key, kCmdLine);
        }
        TToolMenuItem item;
        item.Caption = TextOf(key, kMenuText);
        item.Shortcut = ToolHotKeyToKeySequence(NumberOf(key, kHotKey).value_or(0));
        item.Tag = int(i);
        item.Visible = BoolOf(key, kEnabled, true);
        item.ColumnBreak = BoolOf(key, kMenuColBreak, false);
        items.insert(items.begin(), item);
    }
    content.Items = std::move(items);
    if (MainMenuCount)
        MenuPos = std::min(MenuPos, MainMenuCount());
    content.MenuPos = MenuPos;
    content_ = std::move(content);
    menuExists_ = true;
}

void TToolsMenu::insert_in_menu()
{
    if (!OnMenuBuilt)
        return;
    BuildContent();
    OnMenuBuilt(content_);
    if (!listening_) {
        listening_ = true;
        if (channel_)
            channel_->Listen([this] {
                insert_in_menu();
                if (OnBroadcastedChange)
                    OnBroadcastedChange();
            });
        CheckAcceleratorsOnce();
    }
}

void TToolsMenu::CheckAcceleratorsOnce()
{
    const TRegistry registry = Registry();
    QStringList texts;
    for (const QString& name : std::as_const(keyNames_))
        texts << registry.ReadValue(KeyPath(name), kMenuText).value_or(TRegistryValue{}).Text;
    if (AcceleratorConflicts(texts) && editorRegistered_ && AutoStartEditor
        && desktop_.AskYesNo(QStringLiteral("Tools menu has errors, start tools menu editor to correct them?"),
                             QStringLiteral("Error in tools menu"), TMessageIcon::warning)) {
        if (editorCmdLine_.isEmpty() || !desktop_.StartProgram(editorCmdLine_, {}))
            ReportRunFailure(QuoteToolArgument(editorCmdLine_));
    }
    if (CorvelAboutBox && program_.Arguments.mid(1).contains(QStringLiteral("/?")))
        desktop_.ShowAbout();
}

void TToolsMenu::SetVisible(bool visible)
{
    if (!menuExists_ || content_.Visible == visible)
        return;
    content_.Visible = visible;
    if (OnMenuBuilt)
        OnMenuBuilt(content_);
}

void TToolsMenu::ReportRunFailure(const QString& commandLine)
{
    desktop_.ShowMessage(QStringLiteral("Error running tool ") + commandLine + QStringLiteral("\nRun the tools menu editor"),
                         QStringLiteral("Tools"), TMessageIcon::warning);
}

void TToolsMenu::StartTool(int tag)
{
    if (tag < 0 || tag >= keyNames_.size())
        return;
    TRegistry registry = Registry();
    const QString path = KeyPath(keyNames_[tag]);
    CreateKeyQuietly(registry, path);
    if (!registry.ReadValue(path, kWant83)) {
        try {
            registry.WriteInteger(path, kWant83, 0);
        } catch (const EError&) {
        }
    }
    CreateKeyQuietly(registry, path + QLatin1Char('\\') + kValidExtensions);
    const auto snapshot = registry.OpenKeyReadOnly(path);
    const TRegistryKeySnapshot* key = snapshot ? &*snapshot : nullptr;

    TToolExpansion expansion;
    if (OnMeaning)
        expansion.Meaning = [this, tag](const QString& code) { return OnMeaning(tag, code); };
    for (const QString& extension : registry.ValueNames(path + QLatin1Char('\\') + kValidExtensions))
        if (!extension.isEmpty())
            expansion.ValidExtensions << extension;
    expansion.Want83 = BoolOf(key, kWant83, false);
    expansion.CurrentDirectory = program_.CurrentDirectory ? program_.CurrentDirectory() : QString();
    expansion.WindowsDirectory = program_.WindowsDirectory;
    const QString executable = program_.ExecutablePath;
    const qsizetype slash = executable.lastIndexOf(QLatin1Char('/'));
    expansion.ProgramFolder = slash > 0 ? executable.left(slash) : (slash == 0 ? QStringLiteral("/") : QString());
    expansion.Arguments = program_.Arguments;

    // The tool's path is quoted as it stands; only its parameters are expanded (a "%" in a
    // folder name is no token).
    QString quotedPath = TextOf(key, kCmdLine);
    quotedPath = QLatin1Char('"') + quotedPath.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    const QString parameters = ExpandToolParameters(TextOf(key, kParameters), expansion);
    const QString commandLine = parameters.isEmpty() ? quotedPath : quotedPath + QLatin1Char(' ') + parameters;
    // As the family's programs do: a command line this long is not run.
    if (commandLine.size() >= kMaxCommandLine) {
        ReportRunFailure(commandLine);
        return;
    }
    const QStringList words = SplitToolCommandLine(commandLine);
    if (words.isEmpty() || words.front().isEmpty() || !desktop_.StartProgram(words.front(), words.mid(1)))
        ReportRunFailure(commandLine);
}
