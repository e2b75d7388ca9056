#pragma once
// One registry root in memory, for the length of one operation: keys holding named values and
// subkeys. Names match without regard to letter case and keep the case they were created with.

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

enum class TRegistryValueType { string, number };

struct TRegistryValue {
    QString Name;  // empty: the key's default value
    TRegistryValueType Type = TRegistryValueType::string;
    QString Text;         // string values
    uint32_t Number = 0;  // 32-bit number values
};

class TRegistryKey {
public:
    explicit TRegistryKey(QString name = {}) : name_(std::move(name)) {}

    const QString& Name() const { return name_; }
    // Values in the order they were created; subkeys sorted by name, letter case aside.
    const std::vector<TRegistryValue>& Values() const { return values_; }
    const std::vector<std::unique_ptr<TRegistryKey>>& SubKeys() const { return subKeys_; }
    QStringList SubKeyNames() const;
    QStringList ValueNames() const;

    const TRegistryValue* Value(const QString& name) const;
    // Replaces a value of that name (the stored name keeps its letter case) or adds one.
    void SetValue(const TRegistryValue& value);
    bool RemoveValue(const QString& name);

    TRegistryKey* SubKey(const QString& name);
    const TRegistryKey* SubKey(const QString& name) const;
    TRegistryKey& AddSubKey(const QString& name);  // the existing one when there is one
    bool RemoveSubKey(const QString& name);         // with everything under it

    // Paths are names joined by "\"; empty parts (a leading "\", doubled "\\") are skipped, so
    // an empty path is this key.
    const TRegistryKey* Find(const QString& path) const;
    TRegistryKey* Find(const QString& path);
    TRegistryKey& FindOrAdd(const QString& path);
    // Removes the key at `path` with its subtree; false when it is absent. The empty path names
    // this key, which cannot be removed: false.
    bool Remove(const QString& path);

    bool IsEmpty() const { return values_.empty() && subKeys_.empty(); }

private:
    QString name_;
    std::vector<TRegistryValue> values_;
    QHash<QString, size_t> valueIndex_;  // case-folded name -> position in values_
    std::vector<std::unique_ptr<TRegistryKey>> subKeys_;
};

// The non-empty parts of a key path.
QStringList SplitRegistryPath(const QString& path);
bool SameRegistryName(const QString& a, const QString& b);
