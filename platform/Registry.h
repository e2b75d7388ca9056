#pragma once
// The registry: a hierarchical store of keys and values with three roots (the current user, the
// machine and the classes), each kept as one text file (see RegistryText.h) that several
// processes read and write at once.
//
// Every operation reads the file anew; nothing is cached between operations. A change takes an
// exclusive lock on the file's folder, re-reads the file, applies itself and replaces the file by a
// rename, so concurrent writers lose nothing and a killed writer leaves the previous file whole.
// Readers take no lock: a rename is atomic.
//
// Folders (each overridable by an environment variable, read when the folders are made):
//   current user  TREMAX_REGISTRY_USER_DIR     default $XDG_CONFIG_HOME/VarnikData/registry
//                                              ($XDG_CONFIG_HOME defaults to ~/.config)
//   machine       TREMAX_REGISTRY_MACHINE_DIR  default <first of $XDG_CONFIG_DIRS>/VarnikData/registry
//   classes       TREMAX_REGISTRY_CLASSES_DIR  ($XDG_CONFIG_DIRS defaults to /etc/xdg)
// Files: "user.reg", "machine.reg", "classes.reg". The machine and classes folders are system
// folders that only the administrator can write, as on the original platform.
//
// A file that cannot be understood is reported once and kept aside under a new name
// ("<file>.corrupt-<date>-<time>"); the root then reads as empty. Reads never raise: anything
// missing or unreadable gives "absent". Writes raise ERegistryError naming the file.

#include "platform/Errors.h"
#include "platform/RegistryTree.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>

enum class TRegistryRoot { currentUser, localMachine, classesRoot };

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT".
QString RegistryRootName(TRegistryRoot root);

class ERegistryError : public EError {
public:
    using EError::EError;
    ERegistryError(QString message, QString detail) : EError(std::move(message)), detail_(std::move(detail)) {}
    // The underlying cause (file and reason) when the message is a fixed text.
    const QString& Detail() const { return detail_; }

private:
    QString detail_;
};

struct TRegistryFolders {
    QString User;
    QString Machine;
    QString Classes;

    static TRegistryFolders FromEnvironment();
};

// Where the roots live and where their problems go. One per process, made at start-up and
// passed to whoever uses the registry; it must outlive them. Safe to use from several threads.
class TRegistryConfig {
public:
    using TReporter = std::function<void(const QString& message)>;

    // Problems go to `report` (default: qWarning). The reporter runs on the thread of the
    // operation that met the problem, after every lock is released.
    explicit TRegistryConfig(TRegistryFolders folders, TReporter report = {});
    TRegistryConfig(const TRegistryConfig&) = delete;
    TRegistryConfig& operator=(const TRegistryConfig&) = delete;

    const TRegistryFolders& Folders() const { return folders_; }
    QString FileName(TRegistryRoot root) const;
    void SetReporter(TReporter report);

    // For tests: runs in a writer after its new file is on the disk and before the rename.
    void SetBeforeReplaceHook(std::function<void()> hook) { beforeReplace_ = std::move(hook); }
    const std::function<void()>& BeforeReplaceHook() const { return beforeReplace_; }
    // Flushing each new file to the disk guards against power loss only; tests that write
    // thousands of times turn it off. On by default.
    void SetSyncToDisk(bool on) { sync_ = on; }
    bool SyncToDisk() const { return sync_; }

    // Reports `message`; with a non-empty `onceKey` only the first time for that key.
    void Report(const QString& message, const QString& onceKey = {}) const;

private:
    TRegistryFolders folders_;
    TReporter report_;
    std::function<void()> beforeReplace_;
    bool sync_ = true;
    mutable std::mutex mutex_;
    mutable QSet<QString> reported_;
};

// A key as it was at one moment.
struct TRegistryKeySnapshot {
    QString Name;
    std::vector<TRegistryValue> Values;
    QStringList SubKeyNames;
    const TRegistryValue* Value(const QString& name) const;
};

// One root of the registry. Cheap to make; holds nothing open. Paths are key names joined by
// "\" from the root; a leading "\" and empty parts are ignored.
class TRegistry {
public:
    TRegistry(const TRegistryConfig& config, TRegistryRoot root) : config_(config), root_(root) {}

    TRegistryRoot Root() const { return root_; }
    QString FileName() const { return config_.FileName(root_); }

    // Reads: never raise.
    bool KeyExists(const QString& path) const;
    // Opens a key read-only: its values and subkeys at this moment; nothing when absent.
    std::optional<TRegistryKeySnapshot> OpenKeyReadOnly(const QString& path) const;
    std::optional<TRegistryValue> ReadValue(const QString& path, const QString& name) const;
    QStringList SubKeyNames(const QString& path) const;
    QStringList ValueNames(const QString& path) const;

    // Writes: each one transaction; ERegistryError when the file cannot be locked or written.
    void CreateKey(const QString& path);
    void WriteString(const QString& path, const QString& name, const QString& text);
    void WriteInteger(const QString& path, const QString& name, int32_t value);
    // The key and everything under it; false when it did not exist (nothing written then).
    bool DeleteKey(const QString& path);
    bool DeleteValue(const QString& path, const QString& name);
    // Several changes as one transaction. `change` gets the root as it is in the file now and
    // returns whether it changed anything (the file is written only then). It runs under the
    // lock: it must not use the registry itself.
    void Update(const std::function<bool(TRegistryKey& root)>& change);

private:
    // The root as it is now; empty when the file is missing, unreadable or corrupt.
    TRegistryKey Load() const;

    const TRegistryConfig& config_;
    TRegistryRoot root_;
};
