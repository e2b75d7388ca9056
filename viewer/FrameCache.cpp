#include "viewer/FrameCache.h"

#include "platform/Errors.h"
#include "platform/SystemMemory.h"

#include "viewer/FrameSource.h"

#include <algorithm>

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
    origin_ = 0;
    width_ = width;
    height_ = height;
    block_.assign(size_t(slots_) * FrameBytes(), kFreshFill);
}

void TFrameCache::Compact()
{
    if (origin_ != 0) {
        const size_t bytes = size_t(slots_) * FrameBytes();
        std::copy(block_.begin() + ptrdiff_t(origin_ * FrameBytes()),
                  block_.begin() + ptrdiff_t(origin_ * FrameBytes() + bytes), block_.begin());
        origin_ = 0;
    }
    block_.resize(size_t(slots_) * FrameBytes());
}

void TFrameCache::SetSlotCount(int32_t slots)
{
    CheckFits(slots, height_, width_);
    Compact();
    block_.resize(size_t(slots) * FrameBytes(), kFreshFill);
    block_.shrink_to_fit();
    slots_ = slots;
}

void TFrameCache::Fill(const TFrameSource* source, int32_t first)
{
    origin_ = 0;
    block_.resize(size_t(slots_) * FrameBytes());  // a block taken over may have been longer
    first_ = std::max(first, 0);
    if (!source) {
        std::fill(block_.begin(), block_.end(), kMissingFill);
        return;
    }
    source->ReadFrames(first_, slots_, width_, height_, block_.data());
}

void TFrameCache::Adopt(std::vector<uint8_t>& frames, int32_t framesFirst, int32_t first)
{
    block_.swap(frames);
    origin_ = size_t(first - framesFirst);
    first_ = first;
}
