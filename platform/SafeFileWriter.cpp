#include "platform/SafeFileWriter.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <QFile>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString CannotWrite(const QString& target, const QString& why)
{
    return QStringLiteral("Cannot write \"%1\": %2").arg(target, why);
}

// The permissions a new file gets: 0666 less the process's umask, read without changing it.
mode_t NewFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(0666 & ~mask);
            }
    return 0644;
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// The path the target stands for: symbolic links resolved where they lead somewhere, so a link
// stays a link and the file it names is the one replaced.
QByteArray ResolvedTarget(const QByteArray& target)
{
    char buffer[PATH_MAX];
    if (::realpath(target.constData(), buffer))
        return QByteArray(buffer);
    // A link to a file that does not exist yet: that file is made, as opening the link would.
    QByteArray path = target;
    struct stat st {};
    for (int hops = 0; hops < 40 && ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
        const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
        if (length <= 0 || size_t(length) >= sizeof buffer)
            break;
        const QByteArray link(buffer, length);
        path = link.startsWith('/') ? link : FolderOf(path) + '/' + link;
    }
    const qsizetype slash = path.lastIndexOf('/');
    if (::realpath(FolderOf(path).constData(), buffer))
        return QByteArray(buffer) + '/' + path.mid(slash + 1);
    return path;
}

// The registered temporary files. The handler only reads the slots and unlinks: both are
// async-signal-safe.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
std::array<std::atomic<const char*>, 64> temporaries{};

extern "C" void RemoveTemporariesAndDie(int signal)
{
    for (std::atomic<const char*>& slot : temporaries)
        if (const char* path = slot.load())
            ::unlink(path);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallCleanupHandlers()
{
    for (const int signal : kCleanupSignals) {
        struct sigaction old {};
        // A signal the process ignores (a background job's SIGINT) or handles itself stays so.
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO))
            continue;
        struct sigaction action {};
        action.sa_handler = RemoveTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        for (const int other : kCleanupSignals)
            sigaddset(&action.sa_mask, other);
        ::sigaction(signal, &action, nullptr);
    }
}

void SyncFolder(const QByteArray& folder)
{
    // Makes the rename itself durable; a folder that cannot be opened only loses that.
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void RegisterTemporaryFile(const char* path)
{
    static std::once_flag installed;
    std::call_once(installed, InstallCleanupHandlers);
    for (std::atomic<const char*>& slot : temporaries) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path))
            return;
    }
    // More than 64 writers at once: this one is only removed on failure, not on a signal.
}

void UnregisterTemporaryFile(const char* path)
{
    for (std::atomic<const char*>& slot : temporaries) {
        const char* expected = path;
        if (slot.compare_exchange_strong(expected, nullptr))
            return;
    }
}

int64_t FreeBytesFor(const QString& target)
{
    const QByteArray path = EncodeFileName(target);
    struct statvfs fs {};
    if (::statvfs(path.constData(), &fs) != 0 && ::statvfs(FolderOf(path).constData(), &fs) != 0)
        return -1;
    return int64_t(fs.f_bavail) * int64_t(fs.f_frsize);
}

void CheckOutputTarget(const QString& target, const QStringList& protectedFiles)
{
    if (target.isEmpty())
        throw EInOutError(QStringLiteral("Cannot write a file without a name"));
    struct stat st {};
    if (::stat(EncodeFileName(target).constData(), &st) != 0)
        return;  // a new file (or one whose folder is missing, which the write reports)
    for (const QString& file : protectedFiles) {
        struct stat other {};
        if (!file.isEmpty() && ::stat(EncodeFileName(file).constData(), &other) == 0 && other.st_dev == st.st_dev &&
            other.st_ino == st.st_ino)
            throw EInOutError(
                CannotWrite(target, QStringLiteral("it is \"%1\", which the open sequence is read from").arg(file)));
    }
    if (!S_ISREG(st.st_mode))
        throw EInOutError(
            CannotWrite(target, QStringLiteral("it is %1, not a file").arg(FileKindText(FileKindOf(target)))));
}

TSafeFileWriter::TSafeFileWriter(const QString& target, const QStringList& protectedFiles) : target_(target)
{
    CheckOutputTarget(target, protectedFiles);
    final_ = ResolvedTarget(EncodeFileName(target));
    const qsizetype slash = final_.lastIndexOf('/');
    QByteArray pattern = final_.left(slash + 1) + '.' + final_.mid(slash + 1) + ".XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0)
        throw EInOutError(CannotWrite(target_, SystemReason(errno)));
    temp_ = pattern;
    RegisterTemporaryFile(temp_.constData());
}

TSafeFileWriter::~TSafeFileWriter()
{
    if (fd_ >= 0) {
        ::close(fd_);
        RemoveTemporary();
    }
}

QString TSafeFileWriter::TemporaryPath() const { return DecodeFileName(temp_); }

int64_t TSafeFileWriter::FreeBytes() const { return FreeBytesFor(DecodeFileName(temp_)); }

void TSafeFileWriter::RemoveTemporary()
{
    ::unlink(temp_.constData());
    UnregisterTemporaryFile(temp_.constData());
}

void TSafeFileWriter::Fail(int error)
{
    if (fd_ >= 0) {
        ::close(fd_);
        RemoveTemporary();
        fd_ = -1;
    }
    throw EInOutError(CannotWrite(target_, SystemReason(error)));
}

void TSafeFileWriter::Write(const char* data, qsizetype size)
{
    if (fd_ < 0)
        throw EInOutError(CannotWrite(target_, QStringLiteral("the file is already closed")));
    if (!WriteAllToDescriptor(fd_, data, size))
        Fail(errno);
}

void TSafeFileWriter::Commit()
{
    if (fd_ < 0)
        throw EInOutError(CannotWrite(target_, QStringLiteral("the file is already closed")));
    struct stat old {};
    const mode_t mode = ::stat(final_.constData(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0)
        Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        RemoveTemporary();
        throw EInOutError(CannotWrite(target_, SystemReason(error)));
    }
    if (::rename(temp_.constData(), final_.constData()) != 0) {
        const int error = errno;
        RemoveTemporary();
        throw EInOutError(CannotWrite(target_, SystemReason(error)));
    }
    UnregisterTemporaryFile(temp_.constData());
    SyncFolder(FolderOf(final_));
}

void WriteFileSafely(const QString& target, const QByteArray& bytes, const QStringList& protectedFiles)
{
    TSafeFileWriter writer(target, protectedFiles);
    writer.Write(bytes);
    writer.Commit();
}

bool WriteAllToDescriptor(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}
