#pragma once
// Frames in memory as a pixel source: counts the reads and refuses any read outside the image
// or the sequence, so a test sees both.

#include "analysis/PixelSource.h"
#include "platform/Errors.h"

#include <functional>
#include <vector>

class TMemoryPixels : public TPixelSource {
public:
    // Pixel (frame, row, column) is value(frame, row, column).
    TMemoryPixels(int32_t width, int32_t height, int32_t frames,
                  const std::function<uint8_t(int32_t, int32_t, int32_t)>& value)
        : width_(width), height_(height), frames_(frames)
    {
        bytes_.reserve(size_t(width) * size_t(height) * size_t(frames));
        for (int32_t f = 0; f < frames; ++f)
            for (int32_t r = 0; r < height; ++r)
                for (int32_t c = 0; c < width; ++c)
                    bytes_.push_back(value(f, r, c));
    }

    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    int32_t FrameCount() const override { return frames_; }
    uint8_t GetPixel(int32_t frame, int32_t row, int32_t column) override
    {
        if (frame < 0 || frame >= frames_ || row < 0 || row >= height_ || column < 0 || column >= width_)
            throw ERangeError();
        if (frame == failingFrame)
            throw EInOutError(QStringLiteral("cannot read frame %1").arg(frame));
        ++reads;
        return bytes_[(size_t(frame) * size_t(height_) + size_t(row)) * size_t(width_) + size_t(column)];
    }

    int64_t reads = 0;
    int32_t failingFrame = -1;  // a frame whose reads fail as a broken file would

private:
    int32_t width_;
    int32_t height_;
    int32_t frames_;
    std::vector<uint8_t> bytes_;
};
