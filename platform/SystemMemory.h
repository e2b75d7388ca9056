#pragma once
// How much more memory the process may take: sizes beyond it are refused before allocating.
// Any thread.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>

// Physical memory in bytes (4 GiB when the system does not say).
int64_t PhysicalMemoryBytes();
// Physical memory in bytes as the system reports it; 0 when it does not say.
int64_t ReportedPhysicalMemoryBytes();

// The memory the system can still give ("MemAvailable" of /proc/meminfo: free memory and the
// caches it may drop) in bytes; -1 when it does not say. `root` is prepended to the path, for tests.
int64_t AvailableMemoryBytes(const QString& root = {});

// Room for more memory: the smallest of the memory available (or, where the system does not say
// it, physical memory less what the process holds resident), what is left under the
// address-space limit RLIMIT_AS (less the address space in use) and under the control group's
// memory limit (less what the group uses), with the name of the limit that binds.
struct TMemoryRoom {
    int64_t bytes = 0;
    QString limit;
};
TMemoryRoom MemoryRoom();
// The same with `root` prepended to every file read under /proc and /sys, for tests.
TMemoryRoom MemoryRoomUnder(const QString& root);
// How a test or the caller asks for the room (MemoryRoom unless replaced).
using TMemoryRoomQuery = std::function<TMemoryRoom()>;

// Room under the control group's memory limit (v2 "memory.max", v1 "memory.limit_in_bytes", the
// tightest of the group and its parents), or -1 when there is none. `root` is prepended to every
// path read (/proc/self/cgroup, /proc/self/mountinfo, the group's files), for tests.
int64_t CgroupMemoryRoom(const QString& root = {});

// "512 bytes", "1.5 MB", "5.1 TB": decimal units, one decimal.
QString ByteSizeText(int64_t bytes);

// Throws EOutOfMemory "<what> needs <size> of memory, but only <room> are left within <limit>" when
// `bytes` (negative: beyond 64 bits) exceeds the room.
void CheckMemoryRoom(int64_t bytes, const QString& what, const TMemoryRoom& room);

// a * b (* c) in 64 bits, or -1 when the product does not fit or a factor is negative.
int64_t CheckedProduct(int64_t a, int64_t b, int64_t c = 1);
// a + b, or -1 when either is -1 or the sum does not fit.
int64_t CheckedSum(int64_t a, int64_t b);

// A large block of bytes, left unset. Blocks of megabytes are asked for in huge pages where the
// system offers them: filling them then costs a fraction of the page faults. Null when the
// memory cannot be had.
struct TFreeBytes {
    void operator()(uint8_t* p) const { std::free(p); }
};
using TByteBlock = std::unique_ptr<uint8_t[], TFreeBytes>;
TByteBlock AllocateByteBlock(size_t bytes);

// A byte block that knows its size and how much it may grow into without new memory, so that
// buffers can be handed between owners and reused. Not thread-safe; movable only.
class TByteBuffer {
public:
    TByteBuffer() = default;
    // A buffer of `bytes` bytes, left unset; an empty buffer when the memory cannot be had.
    static TByteBuffer TryMake(size_t bytes);

    uint8_t* data() { return block_.get(); }
    const uint8_t* data() const { return block_.get(); }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    // Sets the size. Within the capacity the bytes stay; beyond it the buffer gets new memory
    // whose bytes are unset (std::bad_alloc when there is none).
    void Resize(size_t bytes);
    void swap(TByteBuffer& other) noexcept;

private:
    TByteBlock block_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
