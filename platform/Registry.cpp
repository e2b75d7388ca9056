#include "platform/Registry.h"

#include "platform/LockedFile.h"
#include "platform/RegistryText.h"
#include "platform/SystemFolders.h"

#include <QDir>
#include <QtDebug>

namespace {

QString Native(const QString& fileName) { return QDir::toNativeSeparators(fileName); }

QString FolderFromEnvironment(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? fallback : value;
}

// Reads and parses the file. Returns false with `problem` set when it is unreadable (`corrupt`
// false) or does not parse (`corrupt` true).
bool ReadRoot(const QString& fileName, TRegistryKey& root, QString& problem, bool& corrupt)
{
    corrupt = false;
    QByteArray bytes;
    QString error;
    switch (ReadWholeFile(fileName, bytes, error)) {
    case TReadResult::missing:
        return true;
    case TReadResult::failed:
        problem = QStringLiteral("The registry file %1 cannot be read: %2").arg(Native(fileName), error);
        return false;
    case TReadResult::ok:
        break;
    }
    TRegistryTextError parseError;
    if (ParseRegistryText(bytes, root, parseError))
        return true;
    root = TRegistryKey();
    corrupt = true;
    problem = parseError.Line > 0 ? QStringLiteral("line %1: %2").arg(parseError.Line).arg(parseError.Problem)
                                  : parseError.Problem;
    return false;
}

QString CorruptMessage(const QString& fileName, const QString& problem, const QString& aside)
{
    QString message = QStringLiteral("The registry file %1 cannot be understood (%2).").arg(Native(fileName), problem);
    if (aside.isEmpty())
        message += QStringLiteral(" Its settings read as their defaults until it is repaired.");
    else
        message += QStringLiteral(" It has been kept as %1, and its settings start again from their defaults.")
                       .arg(Native(aside));
    return message;
}

}  // namespace

QString RegistryRootName(TRegistryRoot root)
{
    switch (root) {
    case TRegistryRoot::currentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case TRegistryRoot::localMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case TRegistryRoot::classesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    }
    return {};
}

TRegistryFolders TRegistryFolders::FromEnvironment()
{
    const QString family = QStringLiteral("/VarnikData/registry");
    const QString system = SystemConfigFolder() + family;
    return {FolderFromEnvironment("TREMAX_REGISTRY_USER_DIR", UserConfigFolder() + family),
            FolderFromEnvironment("TREMAX_REGISTRY_MACHINE_DIR", system),
            FolderFromEnvironment("TREMAX_REGISTRY_CLASSES_DIR", system)};
}

TRegistryConfig::TRegistryConfig(TRegistryFolders folders, TReporter report)
    : folders_(std::move(folders)), report_(std::move(report))
{
}

QString TRegistryConfig::FileName(TRegistryRoot root) const
{
    switch (root) {
    case TRegistryRoot::currentUser:
        return folders_.User + QStringLiteral("/user.reg");
    case TRegistryRoot::localMachine:
        return folders_.Machine + QStringLiteral("/machine.reg");
    case TRegistryRoot::classesRoot:
        return folders_.Classes + QStringLiteral("/classes.reg");
    }
    return {};
}

void TRegistryConfig::SetReporter(TReporter report)
{
    std::lock_guard<std::mutex> guard(mutex_);
    report_ = std::move(report);
}

void TRegistryConfig::Report(const QString& message, const QString& onceKey) const
{
    TReporter report;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!onceKey.isEmpty()) {
            if (reported_.contains(onceKey))
                return;
            reported_.insert(onceKey);
        }
        report = report_;
    }
    if (report)
        report(message);
    else
        qWarning().noquote() << message;
}

const TRegistryValue* TRegistryKeySnapshot::Value(const QString& name) const
{
    for (const TRegistryValue& value : Values)
        if (SameRegistryName(value.Name, name))
            return &value;
    return nullptr;
}

TRegistryKey TRegistry::Load() const
{
    const QString fileName = FileName();
    TRegistryKey root;
    QString problem;
    bool corrupt = false;
    if (ReadRoot(fileName, root, problem, corrupt))
        return root;
    if (!corrupt) {
        config_.Report(problem, fileName + QStringLiteral("|unreadable"));
        return TRegistryKey();
    }
    // Look again under the lock: a writer may have replaced it meanwhile, and only a holder of
    // the lock may move it aside. The report waits until the lock is released.
    QString message, onceKey;
    try {
        TFileLock lock(fileName, false);
        TRegistryKey again;
        if (ReadRoot(fileName, again, problem, corrupt))
            return again;
        if (corrupt) {
            const QString aside = MoveAside(fileName);
            message = CorruptMessage(fileName, problem, aside);
            if (aside.isEmpty())
                onceKey = fileName + QStringLiteral("|corrupt");
        } else {
            message = problem;
            onceKey = fileName + QStringLiteral("|unreadable");
        }
    } catch (const EError&) {
        // No lock in a folder we cannot write: the file stays where it is, reported once.
        message = CorruptMessage(fileName, problem, QString());
        onceKey = fileName + QStringLiteral("|corrupt");
    }
    config_.Report(message, onceKey);
    return TRegistryKey();
}

bool TRegistry::KeyExists(const QString& path) const { return Load().Find(path) != nullptr; }

std::optional<TRegistryKeySnapshot> TRegistry::OpenKeyReadOnly(const QString& path) const
{
    const TRegistryKey root = Load();
    const TRegistryKey* key = root.Find(path);
    if (!key)
        return std::nullopt;
    return TRegistryKeySnapshot{key->Name(), key->Values(), key->SubKeyNames()};
}

std::optional<TRegistryValue> TRegistry::ReadValue(const QString& path, const QString& name) const
{
    const TRegistryKey root = Load();
    const TRegistryKey* key = root.Find(path);
    const TRegistryValue* value = key ? key->Value(name) : nullptr;
    if (!value)
        return std::nullopt;
    return *value;
}

QStringList TRegistry::SubKeyNames(const QString& path) const
{
    const TRegistryKey root = Load();
    const TRegistryKey* key = root.Find(path);
    return key ? key->SubKeyNames() : QStringList();
}

QStringList TRegistry::ValueNames(const QString& path) const
{
    const TRegistryKey root = Load();
    const TRegistryKey* key = root.Find(path);
    return key ? key->ValueNames() : QStringList();
}

void TRegistry::Update(const std::function<bool(TRegistryKey& root)>& change)
{
    const QString fileName = FileName();
    QString pending;  // reported once the lock is released
    try {
        TFileLock lock(fileName, true);
        RemoveStaleTemporaries(fileName);
        TRegistryKey root;
        QString problem;
        bool corrupt = false;
        if (!ReadRoot(fileName, root, problem, corrupt)) {
            // An unreadable file is never overwritten: what it holds would be lost.
            if (!corrupt)
                throw ERegistryError(problem);
            const QString aside = MoveAside(fileName);
            if (aside.isEmpty())
                throw ERegistryError(CorruptMessage(fileName, problem, QString()));
            pending = CorruptMessage(fileName, problem, aside);
        }
        if (change(root)) {
            TReplaceOptions options;
            options.NewFileMode = root_ == TRegistryRoot::currentUser ? 0600 : 0644;
            options.Sync = config_.SyncToDisk();
            options.BeforeRename = config_.BeforeReplaceHook();
            ReplaceWholeFile(fileName, FormatRegistryText(root, RegistryRootName(root_)), options);
        }
    } catch (const ERegistryError&) {
        if (!pending.isEmpty())
            config_.Report(pending);
        throw;
    } catch (const EError& e) {
        if (!pending.isEmpty())
            config_.Report(pending);
        throw ERegistryError(e.Message());
    }
    if (!pending.isEmpty())
        config_.Report(pending);
}

void TRegistry::CreateKey(const QString& path)
{
    Update([&](TRegistryKey& root) {
        if (root.Find(path))
            return false;
        root.FindOrAdd(path);
        return true;
    });
}

void TRegistry::WriteString(const QString& path, const QString& name, const QString& text)
{
    Update([&](TRegistryKey& root) {
        root.FindOrAdd(path).SetValue({name, TRegistryValueType::string, text, 0});
        return true;
    });
}

void TRegistry::WriteInteger(const QString& path, const QString& name, int32_t value)
{
    Update([&](TRegistryKey& root) {
        root.FindOrAdd(path).SetValue({name, TRegistryValueType::number, QString(), uint32_t(value)});
        return true;
    });
}

bool TRegistry::DeleteKey(const QString& path)
{
    if (!KeyExists(path))
        return false;  // no lock, no folder made, for nothing to do
    bool removed = false;
    Update([&](TRegistryKey& root) { return removed = root.Remove(path); });
    return removed;
}

bool TRegistry::DeleteValue(const QString& path, const QString& name)
{
    if (!ReadValue(path, name))
        return false;
    bool removed = false;
    Update([&](TRegistryKey& root) {
        TRegistryKey* key = root.Find(path);
        return removed = key && key->RemoveValue(name);
    });
    return removed;
}
