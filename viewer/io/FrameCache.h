#pragma once
// The frame block: CacheSize consecutive frames of the sequence, slot s holding frame
// FirstCachedFrame + s, every slot Height rows of Width bytes. The slots lie one after the other
// in memory; a block taken over from a read-ahead may start some frames into its buffer. Every
// change of shape makes the new block before it lets go of the old one, so a failure leaves the
// block as it was.

#include "platform/SystemMemory.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

class TFrameSource;

// The slots of a block still being read after its first ones: one thread fills them in order
// and says how far it got; a reader of a slot not filled yet waits for it. Every slot is written
// by the time the fill ends (the source's frames, or the missing fill where a read failed).
class TBlockFill {
public:
    TBlockFill(int32_t slots, int32_t ready) : slots_(slots), ready_(ready) {}

    int32_t Slots() const { return slots_; }
    // Slots from 0 on that hold their frames.
    int32_t Ready() const { return ready_.load(std::memory_order_acquire); }
    // Returns once `slot` is filled.
    void WaitFor(int32_t slot) const;
    // The filling thread: slots up to `ready` (exclusive) are written.
    void Advance(int32_t ready);

private:
    const int32_t slots_;
    std::atomic<int32_t> ready_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
};

class TFrameCache {
public:
    static constexpr uint8_t kFreshFill = 64;   // slots nothing was read into yet
    static constexpr uint8_t kMissingFill = 127;  // rows the frame file does not supply

    // 512 slots of 64 x 64, every byte the fresh fill.
    TFrameCache();
    // A block of that shape whose bytes are left for Fill. Throws EOutOfMemory ("Out of
    // memory ...") when the allocation fails.
    TFrameCache(int32_t width, int32_t height, int32_t slots);

    int32_t FirstCachedFrame() const { return first_; }
    int32_t CacheSize() const { return slots_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Holds(int32_t frame) const { return frame >= first_ && int64_t(frame) <= int64_t(first_) + slots_ - 1; }

    // A slot the block's fill has not reached yet is waited for: never shown unread.
    const uint8_t* Slot(int32_t slot) const
    {
        if (fill_ && slot >= fill_->Ready())
            fill_->WaitFor(slot);
        return block_.data() + (origin_ + size_t(slot)) * FrameBytes();
    }
    const uint8_t* Row(int32_t slot, int32_t row) const { return Slot(slot) + size_t(row) * size_t(width_); }
    size_t FrameBytes() const { return size_t(width_) * size_t(height_); }
    // The bytes a block of that shape takes, or -1 when that is beyond 64 bits.
    static int64_t BlockBytes(int64_t slots, int64_t height, int64_t width);

    // Throws EOutOfMemory naming the block's size when a block of that shape cannot be made
    // (no slot, an empty frame, or more than `room` holds).
    static void CheckFits(int64_t slots, int64_t height, int64_t width, const TMemoryRoom& room);

    // Every byte of a block of the new shape becomes the fresh fill.
    void Reshape(int32_t width, int32_t height);
    // Slots that remain keep their frames; new slots get the fresh fill.
    void SetSlotCount(int32_t slots);
    // Reads the block from `source` starting at frame `first` (clamped to 0); without a source
    // every byte is the missing fill. Throws what the source throws; FirstCachedFrame has moved
    // by then.
    void Fill(const TFrameSource* source, int32_t first);
    // Like Fill, but reads only the first `now` slots before it returns; the rest is left to
    // the fill returned (null when nothing is left), whose thread writes slot s at FillTarget(s)
    // with frame FirstCachedFrame() + s. Until it ends, readers of those slots wait.
    std::shared_ptr<TBlockFill> FillFirst(const TFrameSource* source, int32_t first, int32_t now);
    uint8_t* FillTarget(int32_t slot) { return block_.data() + size_t(slot) * FrameBytes(); }
    // Returns once the fill under way (if any) has written every slot.
    void AwaitFill();
    bool Filling() const { return fill_ && fill_->Ready() < fill_->Slots(); }
    // Takes `frames`, a read of the frames from `framesFirst` on at the block's frame size, as
    // the block starting at `first` (which the read must cover for CacheSize slots), and hands
    // the old block's memory back in `frames` for reuse.
    void Adopt(TByteBuffer& frames, int32_t framesFirst, int32_t first);
    // Moves the block to start at `first` without reading, when the read it was taken from
    // already holds those CacheSize frames; false (and nothing moved) otherwise.
    bool MoveWithinRead(int32_t first);
    bool ReadHolds(int32_t first) const;
    // What the buffer holds beyond the block no longer counts as frames (another file).
    void ForgetRead() { held_ = 0; }

private:
    static TByteBuffer Allocate(int64_t bytes);

    int32_t first_ = 0;
    int32_t slots_ = 512;
    int32_t width_ = 64;
    int32_t height_ = 64;
    TByteBuffer block_;
    size_t origin_ = 0;  // frames of block_ before slot 0
    size_t held_ = 0;  // frames of block_, from its start, that hold frames read from the source
    std::shared_ptr<TBlockFill> fill_;  // the slots still being read, if any
};
