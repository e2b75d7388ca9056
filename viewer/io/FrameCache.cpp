#include "viewer/io/FrameCache.h"

#include "platform/Errors.h"

#include "viewer/io/FrameSource.h"

#include <algorithm>
#include <cstring>

void TBlockFill::WaitFor(int32_t slot) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return slot < ready_.load(std::memory_order_acquire) || ready_ >= slots_; });
}

void TBlockFill::Advance(int32_t ready)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ready_.store(ready, std::memory_order_release);
    }
    changed_.notify_all();
}

TFrameCache::TFrameCache() : block_(Allocate(BlockBytes(slots_, height_, width_)))
{
    std::fill_n(block_.data(), size_t(slots_) * FrameBytes(), kFreshFill);
}

TFrameCache::TFrameCache(int32_t width, int32_t height, int32_t slots)
    : slots_(slots), width_(width), height_(height), block_(Allocate(BlockBytes(slots, height, width)))
{
}

int64_t TFrameCache::BlockBytes(int64_t slots, int64_t height, int64_t width)
{
    return CheckedProduct(slots, height, width);
}

TByteBuffer TFrameCache::Allocate(int64_t bytes)
{
    // Left unset: every byte is written by the caller before it is read.
    TByteBuffer block = bytes < 0 || uint64_t(bytes) > SIZE_MAX ? TByteBuffer() : TByteBuffer::TryMake(size_t(bytes));
    if (!block.data())
        throw EOutOfMemory(QStringLiteral("Out of memory (a frame block of %1)").arg(ByteSizeText(bytes)));
    return block;
}

void TFrameCache::CheckFits(int64_t slots, int64_t height, int64_t width, const TMemoryRoom& room)
{
    const QString block =
        QStringLiteral("a frame block of %1 frames of %2 x %3 pixels").arg(slots).arg(width).arg(height);
    if (slots < 1 || height < 1 || width < 1)
        throw EOutOfMemory(block + QStringLiteral(" is not possible"));
    CheckMemoryRoom(BlockBytes(slots, height, width), block, room);
}

void TFrameCache::Reshape(int32_t width, int32_t height)
{
    AwaitFill();
    TByteBuffer block = Allocate(BlockBytes(slots_, height, width));
    std::fill_n(block.data(), block.size(), kFreshFill);
    block_.swap(block);
    origin_ = 0;
    held_ = 0;
    width_ = width;
    height_ = height;
}

void TFrameCache::SetSlotCount(int32_t slots)
{
    AwaitFill();
    TByteBuffer block = Allocate(BlockBytes(slots, height_, width_));
    const size_t kept = size_t(std::min(slots, slots_)) * FrameBytes();
    std::memcpy(block.data(), Slot(0), kept);
    std::fill(block.data() + kept, block.data() + block.size(), kFreshFill);
    block_.swap(block);
    origin_ = 0;
    held_ = 0;
    slots_ = slots;
}

void TFrameCache::Fill(const TFrameSource* source, int32_t first)
{
    AwaitFill();
    // A block taken over from a read ahead holds at least CacheSize slots: slot 0 moves back to
    // its start.
    origin_ = 0;
    held_ = 0;  // until the read below is whole
    first_ = std::max(first, 0);
    if (!source) {
        std::fill_n(block_.data(), size_t(slots_) * FrameBytes(), kMissingFill);
        return;
    }
    source->ReadFrames(first_, slots_, width_, height_, block_.data());
    held_ = size_t(slots_);
}

void TFrameCache::Adopt(TByteBuffer& frames, int32_t framesFirst, int32_t first)
{
    AwaitFill();
    block_.swap(frames);
    origin_ = size_t(first - framesFirst);
    held_ = block_.size() / FrameBytes();
    first_ = first;
}

bool TFrameCache::ReadHolds(int32_t first) const
{
    const int64_t readFirst = int64_t(first_) - int64_t(origin_);
    return first >= readFirst && int64_t(first) + slots_ <= readFirst + int64_t(held_);
}

bool TFrameCache::MoveWithinRead(int32_t first)
{
    AwaitFill();
    if (!ReadHolds(first))
        return false;
    origin_ = size_t(int64_t(origin_) + first - first_);
    first_ = first;
    return true;
}

std::shared_ptr<TBlockFill> TFrameCache::FillFirst(const TFrameSource* source, int32_t first, int32_t now)
{
    if (!source || now >= slots_) {
        Fill(source, first);
        return nullptr;
    }
    AwaitFill();
    origin_ = 0;
    held_ = 0;
    first_ = std::max(first, 0);
    now = std::max(now, 1);
    source->ReadFrames(first_, now, width_, height_, block_.data());
    fill_ = std::make_shared<TBlockFill>(slots_, now);
    return fill_;
}

void TFrameCache::AwaitFill()
{
    if (!fill_)
        return;
    fill_->WaitFor(fill_->Slots() - 1);
    fill_.reset();
    held_ = size_t(slots_);
}
