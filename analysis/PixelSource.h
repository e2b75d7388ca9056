#pragma once
// Single pixels of any frame of a sequence, for analyses that read a few pixels of many frames.
// The open sequence is one (TSequencePixels); tests use frames in memory.

#include <cstdint>

class TSequence;

class TPixelSource {
public:
    virtual ~TPixelSource() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual int32_t FrameCount() const = 0;
    // Callers pass 0 <= frame < FrameCount and a pixel inside the image. May throw what reading
    // the frame file throws.
    virtual uint8_t GetPixel(int32_t frame, int32_t row, int32_t column) = 0;
};

// The open sequence through TSequence::GetPixel, which moves the frame block when it misses.
// Holds a reference: the sequence must outlive it.
class TSequencePixels : public TPixelSource {
public:
    explicit TSequencePixels(TSequence& sequence) : sequence_(sequence) {}
    int32_t Width() const override;
    int32_t Height() const override;
    int32_t FrameCount() const override;
    uint8_t GetPixel(int32_t frame, int32_t row, int32_t column) override;

private:
    TSequence& sequence_;
};
