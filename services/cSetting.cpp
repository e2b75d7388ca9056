#include "services/cSetting.h"

#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "services/SettingsContext.h"
#include "services/cProgId.h"

#include <QFileInfo>

namespace {

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The name with its extension (from the last ".") replaced by ".ini", or ".ini" appended.
QString IniName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot >= 0 ? name.left(dot) : name) + QStringLiteral(".ini");
}

int FolderId(tsettinglocation location)
{
    switch (location) {
    case slroaming:
        return TSystemFolders::kRoamingAppData;
    case slnonroaming:
        return TSystemFolders::kLocalAppData;
    case slcommonadmin:
    case slcommoninsecure:
        return TSystemFolders::kCommonAppData;
    default:
        return 0;
    }
}

TRegistryRoot RootOf(tsettinglocation effective)
{
    return effective == slmachine ? TRegistryRoot::localMachine : TRegistryRoot::currentUser;
}

}  // namespace

TSetting::TSetting(const TSettingsContext& context) : context_(context) {}

void TSetting::SetLocation(tsettinglocation location)
{
    location_ = location;
    stale_ = true;
}

void TSetting::SetProgId(const TProgId* progId)
{
    progId_ = progId;
    stale_ = true;
}

void TSetting::SetIniFilename(const QString& iniFilename)
{
    iniFilename_ = iniFilename;
    stale_ = true;
}

const TProgId& TSetting::Identity() const
{
    if (!progId_)
        throw ESettingError(QStringLiteral("Nothing assigned to ProgId"));
    return *progId_;
}

void TSetting::Loaded() const
{
    if (!progId_)
        throw ESettingError(QStringLiteral("Nothing assigned to ") + name_ + QStringLiteral(".ProgId"));
}

void TSetting::UpdateFolder() const
{
    if (computing_)
        return;
    const bool identityChanged = progId_ && (progId_->Company() != lastCompany_ ||
                                             progId_->ProductName() != lastProduct_ || progId_->Version() != lastVersion_);
    if (!stale_ && !identityChanged)
        return;
    computing_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{computing_};

    const int folderId = FolderId(location_);
    const QString special = folderId != 0 ? context_.Folders().SpecialFolder(folderId) : QString();
    QString folder;
    if (special.isEmpty()) {
        folder = WithSlash(context_.Folders().WindowsDirectory);
    } else {
        const TProgId& id = Identity();
        folder = WithSlash(special) + id.Company() + QLatin1Char('/') + id.ProductName() + QLatin1Char('/') +
                 id.Version() + QLatin1Char('/');
    }
    found_ = !special.isEmpty();
    folder_ = folder;
    if (progId_) {
        lastCompany_ = progId_->Company();
        lastProduct_ = progId_->ProductName();
        lastVersion_ = progId_->Version();
    }
    stale_ = false;
}

tsettinglocation TSetting::EffectiveLocation() const
{
    UpdateFolder();
    if (!found_) {
        if (location_ == slroaming || location_ == slnonroaming)
            return sluser;
        if (location_ == slcommonadmin)
            return slmachine;
    }
    return location_;
}

QString TSetting::SettingsFolder() const
{
    UpdateFolder();
    return folder_;
}

bool TSetting::SpecialFolderFound() const
{
    UpdateFolder();
    return found_;
}

bool TSetting::IsRegistry() const
{
    const tsettinglocation effective = EffectiveLocation();
    return effective == sluser || effective == slmachine;
}

QString TSetting::IniFilename() const
{
    const tsettinglocation effective = EffectiveLocation();
    switch (effective) {
    case sluser:
        return RegistryRootName(TRegistryRoot::currentUser);
    case slmachine:
        return RegistryRootName(TRegistryRoot::localMachine);
    case slfile:
        return filename_;
    default:
        break;
    }
    QString name = QFileInfo(iniFilename_).fileName();
    if (name.isEmpty())
        name = context_.Folders().ExecutableName;
    name = IniName(name);
    if (effective == slcommoninsecure && found_)
        name = QStringLiteral("insecure/") + name;
    return folder_ + name;
}

QString TSetting::KeyPath(const QString& section) const
{
    const TProgId& id = Identity();
    return QStringLiteral("\\Software\\") + id.Company() + QLatin1Char('\\') + id.ProductName() + QLatin1Char('\\') +
           id.Version() + QLatin1Char('\\') + section;
}

QString TSetting::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const
{
    if (IsRegistry()) {
        const TRegistry registry(context_.Registry(), RootOf(EffectiveLocation()));
        const std::optional<TRegistryValue> value = registry.ReadValue(KeyPath(section), ident);
        if (value && value->Type == TRegistryValueType::string && !value->Text.isEmpty())
            return value->Text;
        return defaultValue;
    }
    const std::optional<QString> text = TIniFile(IniFilename()).ReadValue(section, ident);
    return text && !text->isEmpty() ? *text : defaultValue;
}

int32_t TSetting::ReadInteger(const QString& section, const QString& ident, int32_t defaultValue) const
{
    if (IsRegistry()) {
        const TRegistry registry(context_.Registry(), RootOf(EffectiveLocation()));
        const std::optional<TRegistryValue> value = registry.ReadValue(KeyPath(section), ident);
        return value && value->Type == TRegistryValueType::number ? int32_t(value->Number) : defaultValue;
    }
    const std::optional<QString> text = TIniFile(IniFilename()).ReadValue(section, ident);
    int32_t value = 0;
    return text && ParseIniInteger(*text, value) ? value : defaultValue;
}

void TSetting::WriteString(const QString& section, const QString& ident, const QString& value)
{
    if (IsRegistry()) {
        TRegistry(context_.Registry(), RootOf(EffectiveLocation())).WriteString(KeyPath(section), ident, value);
        return;
    }
    const QString path = IniFilename();
    if (path.isEmpty())
        throw EInOutError(QStringLiteral("No INI file named to write \"%1\" of section \"%2\" to").arg(ident, section));
    TIniFile(path, true).WriteValue(section, ident, value);
}

void TSetting::WriteInteger(const QString& section, const QString& ident, int32_t value)
{
    if (IsRegistry()) {
        TRegistry(context_.Registry(), RootOf(EffectiveLocation())).WriteInteger(KeyPath(section), ident, value);
        return;
    }
    WriteString(section, ident, QString::number(value));
}

void TSetting::EraseSection(const QString& section)
{
    if (IsRegistry()) {
        // An empty section would name the version's key itself.
        if (!SplitRegistryPath(section).isEmpty())
            TRegistry(context_.Registry(), RootOf(EffectiveLocation())).DeleteKey(KeyPath(section));
        return;
    }
    try {
        TIniFile(IniFilename()).EraseSection(section);
    } catch (const EError&) {
    }
}

void TSetting::ReplaceSection(const QString& section, const std::function<TValues(const TValues& now)>& change)
{
    if (IsRegistry()) {
        const QString path = KeyPath(section);
        if (SplitRegistryPath(section).isEmpty())
            throw ERegistryError(QStringLiteral("Cannot replace the settings of an empty section"));
        TRegistry(context_.Registry(), RootOf(EffectiveLocation())).Update([&](TRegistryKey& root) {
            TValues now;
            if (const TRegistryKey* key = root.Find(path))
                for (const TRegistryValue& value : key->Values())
                    now.push_back(value.Type == TRegistryValueType::number
                                      ? TValue{value.Name, QString::number(int32_t(value.Number)), true}
                                      : TValue{value.Name, value.Text, false});
            const TValues next = change(now);
            root.Remove(path);
            TRegistryKey& key = root.FindOrAdd(path);
            for (const TValue& value : next)
                key.SetValue(value.Integer ? TRegistryValue{value.Ident, TRegistryValueType::number, QString(),
                                                            uint32_t(value.Text.toInt())}
                                           : TRegistryValue{value.Ident, TRegistryValueType::string, value.Text, 0});
            return true;
        });
        return;
    }
    const QString path = IniFilename();
    if (path.isEmpty())
        throw EInOutError(QStringLiteral("No INI file named to write section \"%1\" to").arg(section));
    TIniFile(path, true).ReplaceSection(section, [&](const TIniFile::TSectionValues& lines) {
        TValues now;
        for (const auto& [ident, text] : lines)
            now.push_back({ident, text, false});
        TIniFile::TSectionValues next;
        for (const TValue& value : change(now))
            next.emplace_back(value.Ident, value.Text);
        return next;
    });
}
