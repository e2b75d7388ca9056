#include "services/sini.h"

#include "platform/Conversions.h"
#include "services/SettingsContext.h"

namespace {

const QString kFamilyKey = QStringLiteral("SoftWare\\VarnikData\\");

QString BoolText(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

// The base key exists after construction, as a key opened with create rights would; a store
// that cannot be written shows that at its first write instead.
void CreateBaseKey(const TRegistryConfig& config, const QString& baseKey)
{
    TRegistry registry(config, TRegistryRoot::currentUser);
    if (registry.KeyExists(baseKey))
        return;
    try {
        registry.CreateKey(baseKey);
    } catch (const EError&) {
    }
}

}  // namespace

QString ProgramBaseKey(const QString& executableName)
{
    QString name = executableName.section(QLatin1Char('.'), 0, 0);
    if (name.isEmpty())
        name = executableName;
    return kFamilyKey + name;
}

TRegistryIni::TRegistryIni(const TRegistryConfig& config, QString baseKey)
    : registry_(config, TRegistryRoot::currentUser), baseKey_(std::move(baseKey))
{
    CreateBaseKey(config, baseKey_);
}

QString TRegistryIni::SectionPath(const QString& section) const { return baseKey_ + QLatin1Char('\\') + section; }

std::optional<QString> TRegistryIni::ReadText(const QString& section, const QString& ident) const
{
    const std::optional<TRegistryValue> value = registry_.ReadValue(SectionPath(section), ident);
    if (!value || value->Type != TRegistryValueType::string)
        return std::nullopt;
    return value->Text;
}

QString TRegistryIni::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const
{
    return ReadText(section, ident).value_or(defaultValue);
}

int32_t TRegistryIni::ReadInteger(const QString& section, const QString& ident, int32_t defaultValue) const
{
    const std::optional<QString> text = ReadText(section, ident);
    int32_t value = 0;
    return text && TryStrToInt(*text, value) ? value : defaultValue;
}

bool TRegistryIni::ReadBool(const QString& section, const QString& ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegistryIni::WriteString(const QString& section, const QString& ident, const QString& value)
{
    try {
        registry_.WriteString(SectionPath(section), ident, value);
    } catch (const EError& e) {
        throw ERegistryError(QStringLiteral("Failed to create key %1").arg(section), e.Message());
    }
}

void TRegistryIni::WriteInteger(const QString& section, const QString& ident, int32_t value)
{
    WriteString(section, ident, QString::number(value));
}

void TRegistryIni::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, BoolText(value));
}

void TRegistryIni::EraseSection(const QString& section)
{
    // An empty section name would be the base key itself: nothing to erase there.
    if (SplitRegistryPath(section).isEmpty())
        return;
    registry_.DeleteKey(SectionPath(section));
}

QStringList TRegistryIni::SectionNames() const { return registry_.SubKeyNames(baseKey_); }

TIni::TIni(const TSettingsContext& context, const QString& fileName)
{
    if (fileName.isEmpty())
        registry_.emplace(context.Registry(), ProgramBaseKey(context.Folders().ExecutableName));
    else
        file_.emplace(fileName);
}

QString TIni::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const
{
    if (registry_)
        return registry_->ReadString(section, ident, defaultValue);
    return file_->ReadValue(section, ident).value_or(defaultValue);
}

int32_t TIni::ReadInteger(const QString& section, const QString& ident, int32_t defaultValue) const
{
    if (registry_)
        return registry_->ReadInteger(section, ident, defaultValue);
    const std::optional<QString> text = file_->ReadValue(section, ident);
    int32_t value = 0;
    return text && ParseIniInteger(*text, value) ? value : defaultValue;
}

bool TIni::ReadBool(const QString& section, const QString& ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIni::WriteString(const QString& section, const QString& ident, const QString& value)
{
    if (registry_)
        registry_->WriteString(section, ident, value);
    else
        file_->WriteValue(section, ident, value);
}

void TIni::WriteInteger(const QString& section, const QString& ident, int32_t value)
{
    WriteString(section, ident, QString::number(value));
}

void TIni::WriteBool(const QString& section, const QString& ident, bool value)
{
    WriteString(section, ident, BoolText(value));
}

void TIni::EraseSection(const QString& section)
{
    if (registry_)
        registry_->EraseSection(section);
    else
        file_->EraseSection(section);
}

TCorvelIni::TCorvelIni(const TSettingsContext& context) : ini_(context.Registry(), kBaseKey) {}
