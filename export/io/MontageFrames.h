#pragma once
// Whole frames of the open sequence for the composite pictures and the glottis. A frame the frame block holds
// is read from it; any other is read from the frame file into a block of its own, so that
// building a picture never moves the analysis block (which would throw away the spectra).
//
// Holds a reference to the sequence, which must outlive it and must not change its frame size
// meanwhile. Interface thread only.

#include <cstdint>
#include <vector>

class TSequence;

class TMontageFrames {
public:
    // Frames outside the block are read `chunkFrames` at a time (fewer for large frames): more
    // for pictures that walk through consecutive frames.
    explicit TMontageFrames(const TSequence& sequence, int32_t chunkFrames = 1);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

    // The Width × Height bytes of `frame` (>= 0), rows from the top; valid until the next call.
    // Rows the file does not hold read as the missing fill, as through the block. Throws what
    // reading the frame file throws.
    const uint8_t* Frame(int32_t frame);

private:
    const TSequence& sequence_;
    int32_t width_;
    int32_t height_;
    int32_t chunk_;
    int32_t first_ = -1;  // frame of own_'s first frame; -1: nothing read
    std::vector<uint8_t> own_;
};
