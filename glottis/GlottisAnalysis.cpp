#include "glottis/GlottisAnalysis.h"

#include "platform/Errors.h"
#include "viewer/Sequence.h"
#include "viewer/formats/Recording.h"

#include <algorithm>

namespace {

constexpr int64_t kChunkBytes = 8 << 20;

}  // namespace

TGlottisFrames::TGlottisFrames(const TSequence& sequence, int32_t chunkFrames)
    : sequence_(sequence), width_(sequence.Cache().Width()), height_(sequence.Cache().Height())
{
    const int64_t frameBytes = std::max<int64_t>(1, int64_t(width_) * height_);
    chunk_ = int32_t(std::max<int64_t>(1, std::min<int64_t>(chunkFrames, kChunkBytes / frameBytes)));
}

const uint8_t* TGlottisFrames::Frame(int32_t frame)
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

TGlottisAnalysis::TGlottisAnalysis(FrameReader read, int32_t width, int32_t height, const TGlottisSpan& span,
                                   std::unique_ptr<TGlottisSegmenter> segmenter)
    : read_(std::move(read)), width_(width), height_(height), span_(span), segmenter_(std::move(segmenter)),
      next_(span.first)
{
    if (!segmenter_)
        segmenter_ = std::make_unique<TThresholdSegmenter>();
    if (span_.roi.isEmpty())
        span_.roi = DefaultGlottisRoi(span_.seed, width, height);
    span_.roi = span_.roi.intersected(QRect(0, 0, width, height));
    segmenter_->Start(span_.seed, span_.roi);
    result_.first = span_.first;
    const size_t n = size_t(std::max(0, FrameCount()));
    result_.area.reserve(n);
    result_.regions.reserve(n);
    result_.thresholds.reserve(n);
}

bool TGlottisAnalysis::Step(int32_t frames)
{
    TGlottisRegion region;
    for (int32_t k = 0; k < frames && next_ <= span_.last; ++k, ++next_) {
        segmenter_->Segment(read_(next_), width_, height_, region);
        result_.area.push_back(double(region.area));
        result_.regions.push_back(region.runs);
        result_.thresholds.push_back(region.threshold);
    }
    return Finished();
}

TGlottisResult SegmentGlottis(const TSequence& sequence, const TGlottisSpan& span)
{
    TGlottisFrames frames(sequence);
    TGlottisAnalysis analysis([&](int32_t f) { return frames.Frame(f); }, frames.Width(), frames.Height(), span);
    analysis.Step(analysis.FrameCount());
    return analysis.TakeResult();
}

TGlottisSpan CheckedGlottisSpan(const TSequence& sequence, QPoint seed, int32_t first, int32_t last,
                                const std::optional<std::pair<QPoint, QPoint>>& roiCorners)
{
    TGlottisSpan span;
    span.seed = seed;
    CheckPixel(sequence, span.seed);
    span.first = first;
    span.last = last;
    CheckFrameOption(sequence, "from", span.first);
    CheckFrameOption(sequence, "to", span.last);
    if (span.last < span.first)
        throw EError(QStringLiteral("The span's last frame (%1) lies before its first (%2)").arg(span.last).arg(span.first));
    if (roiCorners) {
        CheckPixel(sequence, roiCorners->first);
        CheckPixel(sequence, roiCorners->second);
        span.roi = QRect(roiCorners->first, roiCorners->second).normalized();
        if (!span.roi.contains(span.seed))
            throw EError(QStringLiteral("The seed %1,%2 lies outside the region of interest %3,%4,%5,%6")
                             .arg(seed.x()).arg(seed.y()).arg(span.roi.left()).arg(span.roi.top())
                             .arg(span.roi.right()).arg(span.roi.bottom()));
    }
    return span;
}
