#include "platform/RegistryTree.h"

#include <algorithm>

bool SameRegistryName(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

QStringList SplitRegistryPath(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QStringList TRegistryKey::SubKeyNames() const
{
    QStringList names;
    names.reserve(qsizetype(subKeys_.size()));
    for (const auto& key : subKeys_)
        names << key->Name();
    return names;
}

QStringList TRegistryKey::ValueNames() const
{
    QStringList names;
    names.reserve(qsizetype(values_.size()));
    for (const TRegistryValue& value : values_)
        names << value.Name;
    return names;
}

const TRegistryValue* TRegistryKey::Value(const QString& name) const
{
    const auto it = valueIndex_.constFind(name.toCaseFolded());
    return it == valueIndex_.constEnd() ? nullptr : &values_[*it];
}

void TRegistryKey::SetValue(const TRegistryValue& value)
{
    const QString folded = value.Name.toCaseFolded();
    const auto it = valueIndex_.constFind(folded);
    if (it != valueIndex_.constEnd()) {
        TRegistryValue& stored = values_[*it];
        stored.Type = value.Type;
        stored.Text = value.Text;
        stored.Number = value.Number;
        return;
    }
    valueIndex_.insert(folded, values_.size());
    values_.push_back(value);
}

bool TRegistryKey::RemoveValue(const QString& name)
{
    const auto it = valueIndex_.constFind(name.toCaseFolded());
    if (it == valueIndex_.constEnd())
        return false;
    values_.erase(values_.begin() + qsizetype(*it));
    valueIndex_.clear();
    for (size_t i = 0; i < values_.size(); ++i)
        valueIndex_.insert(values_[i].Name.toCaseFolded(), i);
    return true;
}

namespace {

bool NameBefore(const std::unique_ptr<TRegistryKey>& key, const QString& name)
{
    return QString::compare(key->Name(), name, Qt::CaseInsensitive) < 0;
}

}  // namespace

TRegistryKey* TRegistryKey::SubKey(const QString& name)
{
    const auto it = std::lower_bound(subKeys_.begin(), subKeys_.end(), name, NameBefore);
    return it != subKeys_.end() && SameRegistryName((*it)->Name(), name) ? it->get() : nullptr;
}

const TRegistryKey* TRegistryKey::SubKey(const QString& name) const
{
    return const_cast<TRegistryKey*>(this)->SubKey(name);
}

TRegistryKey& TRegistryKey::AddSubKey(const QString& name)
{
    if (TRegistryKey* existing = SubKey(name))
        return *existing;
    const auto at = std::lower_bound(subKeys_.begin(), subKeys_.end(), name, NameBefore);
    return **subKeys_.insert(at, std::make_unique<TRegistryKey>(name));
}

bool TRegistryKey::RemoveSubKey(const QString& name)
{
    const auto it = std::lower_bound(subKeys_.begin(), subKeys_.end(), name, NameBefore);
    if (it == subKeys_.end() || !SameRegistryName((*it)->Name(), name))
        return false;
    subKeys_.erase(it);
    return true;
}

const TRegistryKey* TRegistryKey::Find(const QString& path) const
{
    const TRegistryKey* key = this;
    for (const QString& part : SplitRegistryPath(path)) {
        key = key->SubKey(part);
        if (!key)
            return nullptr;
    }
    return key;
}

TRegistryKey* TRegistryKey::Find(const QString& path)
{
    return const_cast<TRegistryKey*>(static_cast<const TRegistryKey*>(this)->Find(path));
}

TRegistryKey& TRegistryKey::FindOrAdd(const QString& path)
{
    TRegistryKey* key = this;
    for (const QString& part : SplitRegistryPath(path))
        key = &key->AddSubKey(part);
    return *key;
}

bool TRegistryKey::Remove(const QString& path)
{
    QStringList parts = SplitRegistryPath(path);
    if (parts.isEmpty())
        return false;
    const QString last = parts.takeLast();
    TRegistryKey* parent = Find(parts.join(QLatin1Char('\\')));
    return parent && parent->RemoveSubKey(last);
}
