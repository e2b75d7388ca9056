#include "platform/SharedSegment.h"

#include <QtGlobal>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TSegmentHeader {
    uint32_t magic;
    uint32_t version;
    uint64_t size;
};
static_assert(sizeof(TSegmentHeader) == 16);

constexpr uint32_t kMagic = 0x47455354;  // "TSEG"
constexpr uint32_t kVersion = 1;
// A block without a header that nobody locks is being created right now, unless it is older.
constexpr int kUnfinishedSeconds = 10;
constexpr auto kSweepInterval = std::chrono::seconds(30);

// pread or pwrite until all is done; false on an error or at the end of the file.
template <typename Byte, typename Transfer>
bool Fully(Transfer transfer, int fd, Byte* data, size_t count, off_t offset)
{
    while (count > 0) {
        const ssize_t n = transfer(fd, data, count, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        count -= size_t(n);
        offset += n;
    }
    return true;
}

bool WriteFully(int fd, const void* data, size_t count, off_t offset)
{
    return Fully(pwrite, fd, static_cast<const char*>(data), count, offset);
}

bool ReadFully(int fd, void* data, size_t count, off_t offset)
{
    return Fully(pread, fd, static_cast<char*>(data), count, offset);
}

// Opens a block for reading or writing without ever waiting: the shared-memory folder is
// writable by every local user, and anybody may plant a FIFO, a link or a file of their own
// under a block's name. Only a regular file of this user with mode 0600 is taken; anything
// else is closed, logged and left alone. -1 when there is no usable block of that name.
int OpenOwnSegment(const std::string& name, int flags)
{
    const int fd = shm_open(name.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0);
    if (fd < 0) {
        if (errno == ELOOP)
            qWarning("Shared memory %s is a symbolic link, not a block of this program: ignored", name.c_str());
        return -1;
    }
    struct stat st {};
    const char* problem = nullptr;
    if (fstat(fd, &st) != 0)
        problem = "cannot be examined";
    else if (!S_ISREG(st.st_mode))
        problem = "is not a regular file";
    else if (st.st_uid != getuid())
        problem = "belongs to another user";
    else if ((st.st_mode & 07777) != 0600)
        problem = "has other permissions than 0600";
    if (problem) {
        qWarning("Shared memory %s %s: ignored", name.c_str(), problem);
        close(fd);
        return -1;
    }
    return fd;
}

// The payload size of a well-formed block, -1 otherwise.
int64_t PayloadSize(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < off_t(sizeof(TSegmentHeader)))
        return -1;
    TSegmentHeader header{};
    if (!ReadFully(fd, &header, sizeof header, 0) || header.magic != kMagic || header.version != kVersion)
        return -1;
    if (header.size > uint64_t(st.st_size) - sizeof header || header.size > TSharedSegments::kMaxSize)
        return -1;
    return int64_t(header.size);
}

// An open block and its payload size; closes on destruction.
class TOpenSegment {
public:
    TOpenSegment(const std::string& name, int flags)
    {
        fd_ = OpenOwnSegment(name, flags);
        if (fd_ >= 0)
            size_ = PayloadSize(fd_);
    }
    ~TOpenSegment()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    TOpenSegment(const TOpenSegment&) = delete;
    TOpenSegment& operator=(const TOpenSegment&) = delete;
    bool Valid() const { return fd_ >= 0 && size_ >= 0; }
    int Fd() const { return fd_; }
    int64_t Size() const { return size_; }

private:
    int fd_ = -1;
    int64_t size_ = -1;
};

}  // namespace

TSharedSegments::TSharedSegments(std::string tag, uint16_t first, uint16_t last)
    : tag_(std::move(tag)), prefix_(NamePrefix(tag_)), first_(first == 0 ? 1 : first), last_(last < first_ ? first_ : last)
{
    // Different processes start at different handles, so that they rarely collide.
    next_ = uint32_t(getpid()) * 2654435761u;
}

TSharedSegments::~TSharedSegments()
{
    for (const auto& [handle, fd] : held_)
        close(fd);
}

std::string TSharedSegments::FilePrefix() const { return prefix_; }

std::string TSharedSegments::NamePrefix(const std::string& tag)
{
    // Letters and digits only: the namespace becomes part of a file name.
    std::string space;
    if (const char* value = std::getenv("TREMAX_SHM_NAMESPACE"))
        for (const char* c = value; *c && space.size() < 32; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                space += *c;
    return "tremax-" + (space.empty() ? std::string() : space + "-") + std::to_string(getuid()) + "-" + tag + "-";
}

std::string TSharedSegments::Name(uint16_t handle) const
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04x", unsigned(handle));
    return "/" + FilePrefix() + hex;
}

uint16_t TSharedSegments::Create(const void* data, size_t size)
{
    if (size > kMaxSize)
        return 0;
    std::lock_guard lock(mutex_);
    ReleaseRemoved();
    const auto now = std::chrono::steady_clock::now();
    if (!swept_ || now - lastSweep_ > kSweepInterval) {
        swept_ = true;
        lastSweep_ = now;
        RemoveStaleLocked();
    }
    const uint32_t count = uint32_t(last_) - first_ + 1;
    for (uint32_t attempt = 0; attempt < count; ++attempt) {
        const uint16_t handle = uint16_t(first_ + next_++ % count);
        if (held_.count(handle))
            continue;
        const std::string name = Name(handle);
        const int fd = shm_open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return 0;
        }
        fchmod(fd, 0600);  // whatever the umask: readers take nothing else
        // The lock comes before the size: a sweep never takes a block that has a header.
        int locked;
        do
            locked = flock(fd, LOCK_SH);
        while (locked != 0 && errno == EINTR);
        const TSegmentHeader header{kMagic, kVersion, uint64_t(size)};
        bool ok = locked == 0 && ftruncate(fd, off_t(sizeof header + size)) == 0;
        if (ok && data && size > 0)
            ok = WriteFully(fd, data, size, sizeof header);
        ok = ok && WriteFully(fd, &header, sizeof header, 0);
        if (!ok) {
            shm_unlink(name.c_str());
            close(fd);
            return 0;
        }
        held_[handle] = fd;
        return handle;
    }
    return 0;
}

bool TSharedSegments::Write(uint16_t handle, const void* source, size_t count) const
{
    if (handle < first_ || handle > last_)
        return false;
    TOpenSegment segment(Name(handle), O_RDWR);
    if (!segment.Valid() || uint64_t(segment.Size()) < count)
        return false;
    return count == 0 || WriteFully(segment.Fd(), source, count, sizeof(TSegmentHeader));
}

bool TSharedSegments::Read(uint16_t handle, void* destination, size_t count) const
{
    if (handle < first_ || handle > last_)
        return false;
    TOpenSegment segment(Name(handle), O_RDONLY);
    if (!segment.Valid() || uint64_t(segment.Size()) < count)
        return false;
    return count == 0 || ReadFully(segment.Fd(), destination, count, sizeof(TSegmentHeader));
}

bool TSharedSegments::ReadAll(uint16_t handle, std::string& bytes, size_t maxSize) const
{
    if (handle < first_ || handle > last_)
        return false;
    TOpenSegment segment(Name(handle), O_RDONLY);
    if (!segment.Valid() || uint64_t(segment.Size()) > maxSize)
        return false;
    std::string read(size_t(segment.Size()), '\0');
    if (!read.empty() && !ReadFully(segment.Fd(), read.data(), read.size(), sizeof(TSegmentHeader)))
        return false;
    bytes = std::move(read);
    return true;
}

int64_t TSharedSegments::Size(uint16_t handle) const
{
    if (handle < first_ || handle > last_)
        return -1;
    TOpenSegment segment(Name(handle), O_RDONLY);
    return segment.Valid() ? segment.Size() : -1;
}

bool TSharedSegments::Remove(uint16_t handle)
{
    if (handle < first_ || handle > last_)
        return false;
    const bool removed = shm_unlink(Name(handle).c_str()) == 0;
    std::lock_guard lock(mutex_);
    if (const auto it = held_.find(handle); it != held_.end()) {
        close(it->second);
        held_.erase(it);
    }
    return removed;
}

void TSharedSegments::ReleaseRemoved()
{
    for (auto it = held_.begin(); it != held_.end();) {
        struct stat st {};
        if (fstat(it->second, &st) != 0 || st.st_nlink == 0) {
            close(it->second);
            it = held_.erase(it);
        } else {
            ++it;
        }
    }
}

int TSharedSegments::RemoveStale()
{
    std::lock_guard lock(mutex_);
    return RemoveStaleLocked();
}

int TSharedSegments::RemoveStaleLocked()
{
    DIR* dir = opendir("/dev/shm");
    if (!dir)
        return 0;
    const std::string prefix = FilePrefix();
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string file = entry->d_name;
        if (file.size() != prefix.size() + 4 || file.compare(0, prefix.size(), prefix) != 0)
            continue;
        unsigned handle = 0;
        char extra = 0;
        if (std::sscanf(file.c_str() + prefix.size(), "%4x%c", &handle, &extra) != 1)
            continue;
        if (handle < first_ || handle > last_ || held_.count(uint16_t(handle)))
            continue;
        const std::string name = "/" + file;
        const int fd = OpenOwnSegment(name, O_RDONLY);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat st {};
            const bool finished = PayloadSize(fd) >= 0;
            const bool old = fstat(fd, &st) == 0 && time(nullptr) - st.st_ctime > kUnfinishedSeconds;
            if ((finished || old) && shm_unlink(name.c_str()) == 0)
                ++removed;
        }
        close(fd);
    }
    closedir(dir);
    return removed;
}
