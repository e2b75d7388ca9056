#include "viewer/FrameCache.h"

#include "platform/Errors.h"
#include "platform/SystemMemory.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString SystemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

TFrameCache::TFrameCache() : block_(size_t(slots_) * FrameBytes(), kFreshFill) {}

void TFrameCache::CheckFits(int64_t slots, int64_t height, int64_t width)
{
    if (slots < 1 || height < 1 || width < 1)
        throw EOutOfMemory(QStringLiteral("A frame block of %1 frames of %2 x %3 pixels is not possible")
                               .arg(slots)
                               .arg(width)
                               .arg(height));
    // Half the machine's memory at most: the spectra and bitmaps are sized by the frame too.
    const int64_t limit = PhysicalMemoryBytes() / 2;
    const int64_t frame = height * width;  // both < 2^31: no overflow
    if (frame > limit || slots > limit / frame)
        throw EOutOfMemory(QStringLiteral("A frame block of %1 frames of %2 x %3 pixels does not fit in memory")
                               .arg(slots)
                               .arg(width)
                               .arg(height));
}

void TFrameCache::Reshape(int32_t width, int32_t height)
{
    CheckFits(slots_, height, width);
    std::vector<uint8_t>().swap(block_);  // free the old block before the new one is made
    width_ = width;
    height_ = height;
    block_.assign(size_t(slots_) * FrameBytes(), kFreshFill);
}

void TFrameCache::SetSlotCount(int32_t slots)
{
    CheckFits(slots, height_, width_);
    block_.resize(size_t(slots) * FrameBytes(), kFreshFill);
    block_.shrink_to_fit();
    slots_ = slots;
}

void TFrameCache::Fill(const QString& fileName, int32_t first)
{
    first_ = std::max(first, 0);
    if (fileName.isEmpty() || !QFileInfo::exists(fileName)) {
        std::fill(block_.begin(), block_.end(), kMissingFill);
        return;
    }
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EInOutError(QStringLiteral("Cannot open \"%1\": %2").arg(fileName, SystemMessage(errno)));

    // One positioned read of the whole block; the rows that the file does not supply in full
    // (and every row after the first short one) read as the missing fill.
    const off_t offset = off_t(first_) * off_t(FrameBytes());
    uint8_t* const out = block_.data();
    const size_t wanted = block_.size();
    size_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(fd, out + got, wanted - got, offset + off_t(got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw EInOutError(QStringLiteral("Cannot read \"%1\": %2").arg(fileName, SystemMessage(error)));
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    ::close(fd);
    const size_t wholeRows = got / size_t(width_);
    std::fill(out + wholeRows * size_t(width_), out + wanted, kMissingFill);
}
