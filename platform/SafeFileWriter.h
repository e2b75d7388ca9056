#pragma once
// Every output file of the program goes through this writer, so that no output ever destroys
// what it must not: a target that resolves to one of the protected files (the open sequence's
// frame file and header, however it is named: directly, through "..", through a symbolic or a
// hard link) is refused, and so is a target that exists but is not a regular file (a folder, a
// FIFO, a device). The bytes go to a temporary file in the target's folder, which replaces the
// target only when everything was written and flushed; a failed write leaves the old file as it
// was. Failures raise EInOutError with the system's reason ("No space left on device").
//
// Ownership: the writer owns its temporary file until Commit; destroying it uncommitted removes
// the temporary file. One thread at a time.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

// Refuses `target` as an output file (EInOutError naming it and why) when it resolves to one
// of `protectedFiles` or exists as anything but a regular file. Nothing is created.
void CheckOutputTarget(const QString& target, const QStringList& protectedFiles = {});

class TSafeFileWriter {
public:
    // Checks the target as CheckOutputTarget does and makes the temporary file beside it.
    explicit TSafeFileWriter(const QString& target, const QStringList& protectedFiles = {});
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    void Write(const char* data, qsizetype size);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
    // Flushes the temporary file to the disk, gives it the target's permissions (or the usual
    // ones for a new file) and renames it over the target.
    void Commit();

    const QString& Target() const { return target_; }
    // The temporary file, for writers that also read and seek in what they wrote (they open it
    // themselves; Commit flushes the file whichever descriptor wrote it).
    QString TemporaryPath() const;
    // The free space of the target's file system in bytes (-1 when the system does not say).
    int64_t FreeBytes() const;

private:
    [[noreturn]] void Fail(int error);
    void RemoveTemporary();

    QString target_;    // as the caller named it, for messages
    QByteArray final_;  // the path that is replaced: the target with symbolic links resolved
    QByteArray temp_;
    int fd_ = -1;
};

// The free space in bytes of the file system that `target` (or, for a new file, its folder)
// lies on; -1 when the system does not say.
int64_t FreeBytesFor(const QString& target);

// Temporary files that a signal must not leave behind. While registered, SIGINT, SIGTERM and
// SIGHUP (where they would end the process) first remove the file, then end the process as they
// would have. `path` must stay valid until Unregister. Any thread.
void RegisterTemporaryFile(const char* path);
void UnregisterTemporaryFile(const char* path);

// Writes `bytes` to `target` through the writer in one go.
void WriteFileSafely(const QString& target, const QByteArray& bytes, const QStringList& protectedFiles = {});

// Writes all of `bytes` to an open descriptor (standard output, say), going on after partial
// writes and interruptions; false with errno set when the system refuses.
bool WriteAllToDescriptor(int fd, const char* data, qsizetype size);
