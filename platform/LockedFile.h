#pragma once
// Files shared by several processes: one writer at a time under a lock on a separate lock file,
// whole-file reads without a lock, and replacement by rename so that a reader sees either the
// old or the new contents and a killed writer leaves the old file in place.

#include <QByteArray>
#include <QString>
#include <functional>

// An exclusive lock (flock) on the data file's folder, held for the object's life. The lock is
// never on the data file: a replacement gives the data file a new inode, and a lock on the old one
// would guard nothing; and a lock file of its own would stay beside the store for ever. Stores
// in one folder take turns, which costs nothing for transactions this short. The system drops
// the lock when its holder dies. Threads of one process exclude each other too (each lock opens
// the folder anew). Waits at most `timeoutMs`; throws EInOutError naming the folder when it
// cannot be opened (or, with `createFolder`, made) or the wait runs out.
class TFileLock {
public:
    static constexpr int kDefaultTimeoutMs = 10000;

    explicit TFileLock(const QString& dataFile, bool createFolder, int timeoutMs = kDefaultTimeoutMs);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

private:
    int fd_ = -1;
};

enum class TReadResult { ok, missing, failed };

// The whole file; `error` tells why when it fails (not for a missing file).
TReadResult ReadWholeFile(const QString& fileName, QByteArray& bytes, QString& error);

// Writes `bytes` to a temporary file beside `fileName`, flushes it to the disk (unless `sync` is
// false), and renames it over `fileName` (then flushes the folder). A new file gets
// `newFileMode`; an existing one keeps its mode. `beforeRename`, when set, runs between the flush
// and the rename (tests stop a writer there). Throws EInOutError naming the file; the old file is
// then untouched. Call under the file's TFileLock.
struct TReplaceOptions {
    unsigned NewFileMode = 0600;
    bool Sync = true;  // against power loss; processes see the rename either way
    std::function<void()> BeforeRename;
};
void ReplaceWholeFile(const QString& fileName, const QByteArray& bytes, const TReplaceOptions& options);

// Temporary files of writers that died before their rename. Call under the file's TFileLock:
// then no live writer owns one.
void RemoveStaleTemporaries(const QString& fileName);

// Renames a file that could not be understood to `<name>.corrupt-<date>-<time>` (with a number
// added when that exists) and returns the new name; empty when the rename failed.
QString MoveAside(const QString& fileName);
