#pragma once
// What the recording formats share: messages that name the file, the fill for rows a recording
// does not supply, whole positioned reads, and the mapping of deeper samples to 8 bits.
//
// Mapping rule: a sample whose values use its low D bits (the recording's effective bit depth)
// becomes its top 8 of those bits, v >> (D - 8); a value above 2^D - 1, which the recording
// says cannot occur, saturates at 255. D <= 8 keeps the value as it is. Samples whose effective
// bits sit at the top of a wider sample use the whole sample width as D.

#include "platform/Errors.h"
#include "viewer/io/FrameSource.h"
#include "viewer/io/HeaderFile.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

inline QString CannotOpen(const QString& fileName, const QString& problem)
{
    return QStringLiteral("Cannot open \"%1\": %2").arg(fileName, problem);
}

inline QString CannotRead(const QString& fileName, const QString& problem)
{
    return QStringLiteral("Cannot read \"%1\": %2").arg(fileName, problem);
}

inline QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Runs `apply` (calls of the target's setters) and puts the file in front of a value the
// target refuses, keeping the exception's class.
template <class Apply>
void ApplyNamingFile(const QString& fileName, Apply&& apply)
{
    try {
        apply();
    } catch (const EInvalidHeaderValue& e) {
        throw EInvalidHeaderValue(CannotOpen(fileName, e.Message()));
    } catch (const EOutOfMemory& e) {
        throw EOutOfMemory(CannotOpen(fileName, e.Message()));
    }
}

inline void FillMissing(uint8_t* from, size_t bytes) { std::memset(from, TFrameSource::kMissingFill, bytes); }

// A block of `count` frames of `frameBytes` from frame `first` of a recording of `frames`
// frames: fills the slots past the recording's end and returns the slots it supplies.
inline int32_t FillPastEnd(int64_t frames, int32_t first, int32_t count, size_t frameBytes, uint8_t* block)
{
    const int32_t present = int32_t(std::clamp<int64_t>(frames - first, 0, count));
    FillMissing(block + size_t(present) * frameBytes, size_t(count - present) * frameBytes);
    return present;
}

// What a source learns from its file once (header, page offsets, frame index): read again by
// ReadHeader, kept for the reads after it. Any thread; the value itself never changes.
template <class T>
class TReadOnce {
public:
    // The value read before, or read now by `read` when there is none.
    template <class Read>
    std::shared_ptr<const T> Get(Read&& read) const
    {
        std::lock_guard lock(mutex_);
        if (!value_)
            value_ = read();
        return value_;
    }
    // Reads the value anew (outside the lock) and keeps it.
    template <class Read>
    std::shared_ptr<const T> Renew(Read&& read)
    {
        std::shared_ptr<const T> fresh = read();
        std::lock_guard lock(mutex_);
        value_ = fresh;
        return fresh;
    }
    // The value read so far; empty before the first read.
    std::shared_ptr<const T> Peek() const
    {
        std::lock_guard lock(mutex_);
        return value_;
    }

private:
    mutable std::mutex mutex_;
    mutable std::shared_ptr<const T> value_;
};

// A native row of `nativeWidth` pixels placed in a block row of `width`: the overlap is copied,
// columns the recording lacks read as the missing fill.
inline void PlaceRow(const uint8_t* row, int32_t nativeWidth, uint8_t* out, int32_t width)
{
    const int32_t n = std::min(nativeWidth, width);
    std::memcpy(out, row, size_t(n));
    if (n < width)
        FillMissing(out + n, size_t(width - n));
}

// A file opened read-only for one operation, closed when it goes.
class TReadOnlyFile {
public:
    explicit TReadOnlyFile(const QString& fileName)
        : name_(fileName), fd_(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC))
    {
        if (fd_ < 0)
            throw EInOutError(CannotOpen(fileName, SystemMessage(errno)));
    }
    ~TReadOnlyFile() { ::close(fd_); }
    TReadOnlyFile(const TReadOnlyFile&) = delete;
    TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

    // Reads up to `bytes` from `offset`; fewer only at the end of the file.
    size_t ReadAt(void* buffer, size_t bytes, int64_t offset) const
    {
        size_t got = 0;
        while (got < bytes) {
            const ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + got, bytes - got, off_t(offset + int64_t(got)));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw EInOutError(CannotRead(name_, SystemMessage(errno)));
            }
            if (n == 0)
                break;
            got += size_t(n);
        }
        return got;
    }

    int64_t Size() const
    {
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (end < 0)
            throw EInOutError(CannotRead(name_, SystemMessage(errno)));
        return int64_t(end);
    }

private:
    QString name_;
    int fd_;
};

// Maps samples of up to 16 bits to 8 by the rule at the top of this file, through a table made
// once per recording.
class TDepthMap {
public:
    // Samples `sampleBits` wide whose values use their low `usedBits` bits; `invert` for
    // recordings that store white as 0.
    TDepthMap(int sampleBits, int usedBits, bool invert = false)
        : shift_(std::max(0, usedBits - 8)), table_(size_t(1) << sampleBits)
    {
        const uint32_t usedMax = (uint32_t(1) << usedBits) - 1;
        for (uint32_t v = 0; v < table_.size(); ++v) {
            const uint32_t value = invert ? usedMax - std::min(v, usedMax) : v;
            table_[v] = uint8_t(std::min<uint32_t>(255, value >> shift_));
        }
        plain_ = !invert && ((uint32_t(table_.size()) - 1) >> shift_) <= 255;
    }

    int Shift() const { return shift_; }
    // True when every sample maps by the plain shift: nothing saturates, nothing is inverted.
    bool IsPlainShift() const { return plain_; }
    uint8_t operator()(uint32_t sample) const { return table_[sample]; }
    const uint8_t* Table() const { return table_.data(); }

private:
    int shift_;
    bool plain_ = false;
    std::vector<uint8_t> table_;
};
