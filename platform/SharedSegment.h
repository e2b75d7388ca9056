#pragma once
// Small blocks of memory shared between this user's programs, named by a 16-bit handle: POSIX
// shared memory objects "/tremax-<uid>-<tag>-<hhhh>" (mode 0600) holding a 16-byte header (magic,
// version, size) and the bytes. Any process may read, write or remove a block by its handle.
// The environment variable TREMAX_SHM_NAMESPACE, when set, puts a namespace of its own into the
// names ("/tremax-<namespace>-<uid>-..."): programs that share it see each other's blocks and no
// others (tests run beside a working Tremax). Blocks are opened without ever waiting and used
// only when they are regular files of this user with mode 0600; anything else under a block's
// name (a FIFO another user planted, say) is ignored and logged, also by the sweep.
//
// The creating process keeps a shared flock on each block it made until the block has been
// removed (by anyone); blocks nobody holds a lock on belong to processes that have gone and are
// removed by RemoveStale (run by Create now and then). Thread-safe: one lock per object.
// Blocks live beyond this object; destroying it only closes the descriptors it holds.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

class TSharedSegments {
public:
    // Handles first..last (first >= 1) of the named family ("blk", "atom": letters only).
    TSharedSegments(std::string tag, uint16_t first, uint16_t last);
    ~TSharedSegments();
    TSharedSegments(const TSharedSegments&) = delete;
    TSharedSegments& operator=(const TSharedSegments&) = delete;

    static constexpr size_t kMaxSize = size_t(1) << 30;

    // A new block of `size` bytes holding `data` (zeros when null); 0 when none can be made.
    uint16_t Create(const void* data, size_t size);
    // Copies `count` bytes to or from the start of the block; false when there is no such block
    // or it is smaller than `count` (nothing is copied then).
    bool Write(uint16_t handle, const void* source, size_t count) const;
    bool Read(uint16_t handle, void* destination, size_t count) const;
    // The whole block; false when there is none or it holds more than maxSize bytes.
    bool ReadAll(uint16_t handle, std::string& bytes, size_t maxSize) const;
    // Size of the block, -1 when there is none.
    int64_t Size(uint16_t handle) const;
    // Unlinks the block; false when there was none.
    bool Remove(uint16_t handle);
    // Removes the blocks of processes that have gone; returns how many.
    int RemoveStale();

    // The object's name, for shm_open ("/tremax-...") and as a file under /dev/shm.
    std::string Name(uint16_t handle) const;
    // The prefix every name of this family starts with (without the leading "/").
    std::string FilePrefix() const;
    // That prefix for a family, as the environment sets it now.
    static std::string NamePrefix(const std::string& tag);

private:
    // Closes the descriptors of our blocks that someone has removed.
    void ReleaseRemoved();
    int RemoveStaleLocked();

    std::string tag_;
    std::string prefix_;
    uint16_t first_;
    uint16_t last_;
    mutable std::mutex mutex_;
    std::map<uint16_t, int> held_;  // handle -> descriptor with our shared lock
    uint32_t next_;
    std::chrono::steady_clock::time_point lastSweep_{};
    bool swept_ = false;
};
