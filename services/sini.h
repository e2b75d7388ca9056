#pragma once
// Section/identifier/value stores over the registry or an INI file, made for one burst of reads
// or writes and freed straight after; nothing is held open or cached between calls, every write
// reaches the store at once. User-interface thread (any one thread per object).
//
//   TIni         the program's own store: a registry key of the current user named after the
//                executable, or, given a file name, that INI file
//   TCorvelIni   the key shared by every program of the Corvel family
//
// Registry form: a section is a subkey of the base key and an identifier a string value;
// integers are stored as decimal text and booleans as "0" and "1". Reads never raise: a missing
// key or value, or one of another type, gives the default. A write whose section key cannot be
// made raises ERegistryError "Failed to create key <section>" (its Detail names file and cause).

#include "platform/IniFile.h"
#include "platform/Registry.h"

#include <QString>
#include <cstdint>
#include <optional>

class TSettingsContext;

// The registry form shared by TIni and TCorvelIni: one base key under the current user.
class TRegistryIni {
public:
    TRegistryIni(const TRegistryConfig& config, QString baseKey);

    const QString& BaseKey() const { return baseKey_; }
    std::optional<QString> ReadText(const QString& section, const QString& ident) const;
    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
    // Decimal text only: "12abc" or "0x1F" give the default.
    int32_t ReadInteger(const QString& section, const QString& ident, int32_t defaultValue) const;
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const;
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int32_t value);
    void WriteBool(const QString& section, const QString& ident, bool value);
    // The section's key with everything under it.
    void EraseSection(const QString& section);
    QStringList SectionNames() const;

private:
    QString SectionPath(const QString& section) const;

    TRegistry registry_;
    QString baseKey_;
};

// The key of the executable `executableName` under "SoftWare\VarnikData\": the name up to its
// first ".", or the whole name when it has none ("tremax" gives "SoftWare\VarnikData\tremax",
// "Tremax.exe" gives "SoftWare\VarnikData\Tremax"), so that no program's sections land beside
// the family's "Corvel" key.
QString ProgramBaseKey(const QString& executableName);

class TIni {
public:
    // An empty file name: the registry form under the current user, its base key named after the
    // context's executable (created when absent; a failure shows at the first write).
    // Otherwise the INI file of that name (its folder must exist for writes to succeed).
    explicit TIni(const TSettingsContext& context, const QString& fileName = QString());

    // Whether a file name was given.
    bool IsFile() const { return file_.has_value(); }
    // The INI file's name, or empty for the registry form.
    QString FileName() const { return file_ ? file_->FileName() : QString(); }
    // The registry form's base key, or empty for the file form.
    QString BaseKey() const { return registry_ ? registry_->BaseKey() : QString(); }

    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
    // Registry form: decimal text. File form: "0x" followed by hexadecimal digits, or decimal.
    // Anything else, or nothing, gives the default.
    int32_t ReadInteger(const QString& section, const QString& ident, int32_t defaultValue) const;
    // An integer (default 0 or 1) that is not 0.
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const;
    // File form writes raise EInOutError naming the file.
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int32_t value);
    void WriteBool(const QString& section, const QString& ident, bool value);
    void EraseSection(const QString& section);

private:
    std::optional<TRegistryIni> registry_;
    std::optional<TIniFile> file_;
};

// The family's shared switches: "SoftWare\VarnikData\Corvel" under the current user (created
// at construction when absent).
class TCorvelIni {
public:
    static inline const QString kBaseKey = QStringLiteral("SoftWare\\VarnikData\\Corvel");

    explicit TCorvelIni(const TSettingsContext& context);

    bool ReadBool(const QString& section, const QString& ident, bool defaultValue) const
    {
        return ini_.ReadBool(section, ident, defaultValue);
    }
    void WriteBool(const QString& section, const QString& ident, bool value) { ini_.WriteBool(section, ident, value); }
    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const
    {
        return ini_.ReadString(section, ident, defaultValue);
    }
    void WriteString(const QString& section, const QString& ident, const QString& value)
    {
        ini_.WriteString(section, ident, value);
    }

private:
    TRegistryIni ini_;
};
