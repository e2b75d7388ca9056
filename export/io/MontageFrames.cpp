#include "export/io/MontageFrames.h"

#include "viewer/io/Sequence.h"

#include <algorithm>

namespace {

constexpr int64_t kChunkBytes = 8 << 20;

}  // namespace

TMontageFrames::TMontageFrames(const TSequence& sequence, int32_t chunkFrames)
    : sequence_(sequence), width_(sequence.Cache().Width()), height_(sequence.Cache().Height())
{
    const int64_t frameBytes = std::max<int64_t>(1, int64_t(width_) * height_);
    chunk_ = int32_t(std::max<int64_t>(1, std::min<int64_t>(chunkFrames, kChunkBytes / frameBytes)));
}

const uint8_t* TMontageFrames::Frame(int32_t frame)
{
    const TFrameCache& cache = sequence_.Cache();
    if (cache.Holds(frame))
        return cache.Slot(frame - cache.FirstCachedFrame());
    const size_t frameBytes = size_t(width_) * size_t(height_);
    if (first_ < 0 || frame < first_ || int64_t(frame) - first_ >= chunk_) {
        first_ = -1;  // a failed read leaves nothing that looks valid
        own_.resize(frameBytes * size_t(chunk_));
        if (const TFrameSource* source = sequence_.Source())
            source->ReadFrames(frame, chunk_, width_, height_, own_.data());
        else
            std::fill(own_.begin(), own_.end(), TFrameSource::kMissingFill);
        first_ = frame;
    }
    return own_.data() + size_t(frame - first_) * frameBytes;
}
