#include "platform/LockedFile.h"

#include "platform/Errors.h"
#include "platform/SafeFileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QString SystemMessage(int error) { return qt_error_string(error); }

[[noreturn]] void Fail(const QString& what, const QString& fileName, int error)
{
    throw EInOutError(QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(fileName), SystemMessage(error)));
}

bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

void SyncFolder(const QString& folder)
{
    // Makes the rename itself durable; a folder that cannot be opened only loses that.
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A file that is a link to another (a managed dotfile, say) is replaced where it really lives.
QString RealFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    return info.isSymLink() ? info.symLinkTarget() : fileName;
}

}  // namespace

TFileLock::TFileLock(const QString& dataFile, bool createFolder, int timeoutMs)
{
    const QString folder = QFileInfo(dataFile).absolutePath();
    if (createFolder && !QDir().mkpath(folder))
        throw EInOutError(QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder)));
    // The folder is the lock: no lock file is ever left beside the store. flock needs no write
    // access, so a reader of a shared folder can take it too.
    const QString lockName = dataFile;  // what the messages name
    fd_ = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        Fail(QStringLiteral("Cannot lock"), lockName, errno);
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
        return;
    if (errno != EWOULDBLOCK && errno != EINTR) {
        const int error = errno;
        ::close(fd_);
        Fail(QStringLiteral("Cannot lock"), lockName, error);
    }
    // Busy: wait in the kernel, which wakes a waiter at once on release (a poller would be
    // starved by a busy writer), on a thread of its own so that the wait can end. A wait that
    // ends too late leaves the descriptor to the thread, which then closes it. Not a pool's
    // thread: an abandoned wait lasts as long as another program holds the lock, and would keep
    // a pool thread from everyone else that long.
    struct TWait {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        int error = 0;
        int fd = -1;
    };
    auto wait = std::make_shared<TWait>();
    wait->fd = fd_;
    fd_ = -1;
    std::thread([wait] {
        int result;
        do
            result = ::flock(wait->fd, LOCK_EX);
        while (result != 0 && errno == EINTR);
        std::lock_guard<std::mutex> guard(wait->mutex);
        wait->error = result == 0 ? 0 : errno;
        wait->finished = true;
        if (wait->abandoned)
            ::close(wait->fd);
        wait->done.notify_one();
    }).detach();
    std::unique_lock<std::mutex> guard(wait->mutex);
    if (!wait->done.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return wait->finished; })) {
        wait->abandoned = true;
        throw EInOutError(QStringLiteral("Timed out waiting for the lock on %1").arg(QDir::toNativeSeparators(lockName)));
    }
    if (wait->error != 0) {
        ::close(wait->fd);
        Fail(QStringLiteral("Cannot lock"), lockName, wait->error);
    }
    fd_ = wait->fd;
}

TFileLock::~TFileLock()
{
    if (fd_ >= 0)
        ::close(fd_);  // releases the lock
}

TReadResult ReadWholeFile(const QString& fileName, QByteArray& bytes, QString& error)
{
    bytes.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(fileName))
            return TReadResult::missing;
        error = file.errorString();
        return TReadResult::failed;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return TReadResult::failed;
    }
    return TReadResult::ok;
}

void ReplaceWholeFile(const QString& fileName, const QByteArray& bytes, const TReplaceOptions& options)
{
    const QByteArray target = QFile::encodeName(RealFile(fileName));
    QByteArray pattern = target + ".tmp.XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        Fail(QStringLiteral("Cannot write"), fileName, errno);
    RegisterTemporaryFile(pattern.constData());
    const auto unregister = qScopeGuard([&] { UnregisterTemporaryFile(pattern.constData()); });
    struct stat existing {};
    const mode_t mode = ::stat(target.constData(), &existing) == 0 ? (existing.st_mode & 07777) : mode_t(options.NewFileMode);
    int error = 0;
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, bytes.constData(), bytes.size()) ||
        (options.Sync && ::fsync(fd) != 0))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0) {
        if (options.BeforeRename)
            options.BeforeRename();
        if (::rename(pattern.constData(), target.constData()) != 0)
            error = errno;
    }
    if (error != 0) {
        ::unlink(pattern.constData());
        Fail(QStringLiteral("Cannot write"), fileName, error);
    }
    if (options.Sync)
        SyncFolder(QFileInfo(QFile::decodeName(target)).absolutePath());
}

void RemoveStaleTemporaries(const QString& fileName)
{
    const QFileInfo info(RealFile(fileName));
    const QString prefix = info.fileName() + QStringLiteral(".tmp.");
    QDir folder = info.absoluteDir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (name.size() == prefix.size() + 6 && name.startsWith(prefix))
            folder.remove(name);
}

QString MoveAside(const QString& fileName)
{
    const QString base =
        fileName + QStringLiteral(".corrupt-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    if (::rename(QFile::encodeName(fileName).constData(), QFile::encodeName(aside).constData()) != 0)
        return {};
    return aside;
}
