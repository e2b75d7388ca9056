#include "glottis/GlottisAnalysis.h"

#include "export/io/MontageFrames.h"
#include "platform/Errors.h"
#include "viewer/io/Sequence.h"
#include "viewer/io/formats/Recording.h"

#include <algorithm>

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
    TMontageFrames frames(sequence, kGlottisChunkFrames);
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
