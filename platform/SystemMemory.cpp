#include "platform/SystemMemory.h"

#include "platform/Errors.h"

#include <QFile>
#include <algorithm>
#include <limits>
#include <new>
#include <utility>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray ReadSmallFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
}

// The process's address space and resident set in bytes, from /proc/self/statm.
void ProcessMemory(const QString& root, int64_t& addressSpace, int64_t& resident)
{
    addressSpace = resident = 0;
    const QList<QByteArray> fields = ReadSmallFile(root + QStringLiteral("/proc/self/statm")).simplified().split(' ');
    const long page = sysconf(_SC_PAGESIZE);
    if (fields.size() >= 2 && page > 0) {
        addressSpace = fields[0].toLongLong() * page;
        resident = fields[1].toLongLong() * page;
    }
}

// A number from a control group file; -1 for "max", an unlimited v1 value or no file.
int64_t GroupValue(const QString& path)
{
    const QByteArray text = ReadSmallFile(path).trimmed();
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 0 || value >= (int64_t(1) << 62))
        return -1;
    return value;
}

struct TGroupMount {
    QByteArray mountRoot;
    QByteArray mountPoint;
};

// The mount of the cgroup2 hierarchy (memoryV1 false) or of the v1 memory controller.
bool FindGroupMount(const QByteArray& mountinfo, bool memoryV1, TGroupMount& mount)
{
    for (const QByteArray& line : mountinfo.split('\n')) {
        const qsizetype dash = line.indexOf(" - ");
        if (dash < 0)
            continue;
        const QList<QByteArray> before = line.left(dash).split(' ');
        const QList<QByteArray> after = line.mid(dash + 3).split(' ');
        if (before.size() < 5 || after.size() < 3)
            continue;
        const bool wanted = memoryV1 ? after[0] == "cgroup" && after[2].split(',').contains("memory")
                                     : after[0] == "cgroup2";
        if (wanted) {
            mount = {before[3], before[4]};
            return true;
        }
    }
    return false;
}

}  // namespace

int64_t ReportedPhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return int64_t(pages) * int64_t(pageSize);
}

int64_t PhysicalMemoryBytes()
{
    const int64_t reported = ReportedPhysicalMemoryBytes();
    return reported > 0 ? reported : int64_t(1) << 32;
}

int64_t CgroupMemoryRoom(const QString& root)
{
    const QByteArray groups = ReadSmallFile(root + QStringLiteral("/proc/self/cgroup"));
    const QByteArray mountinfo = ReadSmallFile(root + QStringLiteral("/proc/self/mountinfo"));
    int64_t room = -1;
    for (const QByteArray& line : groups.split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() < 3)
            continue;
        const bool v2 = parts[0] == "0" && parts[1].isEmpty();
        const bool v1 = parts[1].split(',').contains("memory");
        TGroupMount mount;
        if ((!v1 && !v2) || !FindGroupMount(mountinfo, v1, mount))
            continue;
        // The group's path below the mount's own root.
        QByteArray path = parts.mid(2).join(':');
        if (mount.mountRoot != "/" && path.startsWith(mount.mountRoot))
            path = path.mid(mount.mountRoot.size());
        const QString limitFile = v1 ? QStringLiteral("/memory.limit_in_bytes") : QStringLiteral("/memory.max");
        const QString usageFile = v1 ? QStringLiteral("/memory.usage_in_bytes") : QStringLiteral("/memory.current");
        // The group and every parent up to the mount: the tightest one binds.
        while (true) {
            const QString dir = root + QString::fromLocal8Bit(mount.mountPoint + path);
            const int64_t limit = GroupValue(dir + limitFile);
            if (limit >= 0) {
                const int64_t used = std::max<int64_t>(0, GroupValue(dir + usageFile));
                const int64_t left = std::max<int64_t>(0, limit - used);
                room = room < 0 ? left : std::min(room, left);
            }
            if (path.isEmpty() || path == "/")
                break;
            path = path.left(std::max<qsizetype>(0, path.lastIndexOf('/')));
        }
    }
    return room;
}

int64_t AvailableMemoryBytes(const QString& root)
{
    for (const QByteArray& line : ReadSmallFile(root + QStringLiteral("/proc/meminfo")).split('\n'))
        if (line.startsWith("MemAvailable:")) {
            const QList<QByteArray> fields = line.mid(13).simplified().split(' ');
            bool ok = false;
            const qlonglong value = fields.value(0).toLongLong(&ok);
            if (!ok || value < 0)
                return -1;
            const bool kilobytes = fields.value(1).toLower() == "kb";
            return kilobytes ? CheckedProduct(value, 1024) : value;
        }
    return -1;
}

TMemoryRoom MemoryRoom() { return MemoryRoomUnder(QString()); }

TMemoryRoom MemoryRoomUnder(const QString& root)
{
    int64_t addressSpace = 0;
    int64_t resident = 0;
    ProcessMemory(root, addressSpace, resident);
    // What the system can still hand out without pushing others out: free memory and the caches
    // it may drop. Where the system does not say, physical memory less what the process holds.
    const int64_t available = AvailableMemoryBytes(root);
    TMemoryRoom room = available >= 0
                           ? TMemoryRoom{available, QStringLiteral("the memory available")}
                           : TMemoryRoom{std::max<int64_t>(0, PhysicalMemoryBytes() - resident),
                                         QStringLiteral("physical memory")};
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const int64_t left = std::max<int64_t>(0, int64_t(limit.rlim_cur) - addressSpace);
        if (left < room.bytes)
            room = {left, QStringLiteral("the address-space limit")};
    }
    const int64_t group = CgroupMemoryRoom(root);
    if (group >= 0 && group < room.bytes)
        room = {group, QStringLiteral("the control group's memory limit")};
    return room;
}

QString ByteSizeText(int64_t bytes)
{
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    static const char* const units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(bytes);
    int unit = -1;
    while (value >= 999.95 && unit < 5) {
        value /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

void CheckMemoryRoom(int64_t bytes, const QString& what, const TMemoryRoom& room)
{
    if (bytes >= 0 && bytes <= room.bytes)
        return;
    const QString size = bytes < 0 ? QStringLiteral("more than 9.2 EB") : ByteSizeText(bytes);
    throw EOutOfMemory(QStringLiteral("%1 needs %2 of memory, but only %3 are left within %4")
                           .arg(what, size, ByteSizeText(room.bytes), room.limit));
}

int64_t CheckedProduct(int64_t a, int64_t b, int64_t c)
{
    int64_t ab = 0;
    int64_t abc = 0;
    if (a < 0 || b < 0 || c < 0 || __builtin_mul_overflow(a, b, &ab) || __builtin_mul_overflow(ab, c, &abc))
        return -1;
    return abc;
}

int64_t CheckedSum(int64_t a, int64_t b)
{
    int64_t sum = 0;
    if (a < 0 || b < 0 || __builtin_add_overflow(a, b, &sum))
        return -1;
    return sum;
}

TByteBlock AllocateByteBlock(size_t bytes)
{
    constexpr size_t kHugePage = size_t(2) << 20;
    if (bytes < kHugePage)
        return TByteBlock(static_cast<uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes)));
    if (bytes > SIZE_MAX - kHugePage)
        return nullptr;
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    auto* block = static_cast<uint8_t*>(std::aligned_alloc(kHugePage, rounded));
    if (block)
        ::madvise(block, rounded, MADV_HUGEPAGE);  // advice only: a refusal changes nothing
    return TByteBlock(block);
}

TByteBuffer TByteBuffer::TryMake(size_t bytes)
{
    TByteBuffer buffer;
    buffer.block_ = AllocateByteBlock(bytes);
    if (buffer.block_)
        buffer.size_ = buffer.capacity_ = bytes;
    return buffer;
}

void TByteBuffer::Resize(size_t bytes)
{
    if (bytes > capacity_) {
        block_.reset();  // the old bytes are not kept: let go of them first
        size_ = capacity_ = 0;
        *this = TryMake(bytes);
        if (!block_)
            throw std::bad_alloc();
    }
    size_ = bytes;
}

void TByteBuffer::swap(TByteBuffer& other) noexcept
{
    std::swap(block_, other.block_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
}
