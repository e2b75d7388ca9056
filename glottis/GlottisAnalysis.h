#pragma once
// The glottis over a span of frames: one segmentation per frame, in steps so that a window can
// stay responsive and a long span can be cancelled. Frames are read the way the composite
// pictures read them: from the frame block when it holds them, otherwise straight from the frame
// source into a block of our own, so the analysis block (and its spectra) never moves.

#include "glottis/GlottisSegmenter.h"

#include <QPoint>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TSequence;

// What to segment: frames first … last (inclusive), the seed and the region of interest.
struct TGlottisSpan {
    int32_t first = 0;
    int32_t last = 100;
    QPoint seed;
    QRect roi;  // empty: DefaultGlottisRoi around the seed
};

// The outcome: area and region of every frame of the span, in frame order.
struct TGlottisResult {
    int32_t first = 0;
    std::vector<double> area;                       // pixels per frame
    std::vector<std::vector<TGlottisRun>> regions;  // the glottis of each frame
    std::vector<int32_t> thresholds;                // the level used in each frame (-1: none)
};

// Frames are read through TMontageFrames (never moving the frame block), this many at a time.
constexpr int32_t kGlottisChunkFrames = 64;

class TGlottisAnalysis {
public:
    using FrameReader = std::function<const uint8_t*(int32_t frame)>;

    // `segmenter` defaults to the threshold rule. The span must lie inside the frames `read`
    // serves; an empty region of interest becomes the default one around the seed.
    TGlottisAnalysis(FrameReader read, int32_t width, int32_t height, const TGlottisSpan& span,
                     std::unique_ptr<TGlottisSegmenter> segmenter = {});

    // Segments up to `frames` more frames; true when the span is done.
    bool Step(int32_t frames);
    bool Finished() const { return next_ > span_.last; }
    int32_t FramesDone() const { return next_ - span_.first; }
    int32_t FrameCount() const { return span_.last - span_.first + 1; }
    const TGlottisSpan& Span() const { return span_; }
    const TGlottisResult& Result() const { return result_; }
    TGlottisResult TakeResult() { return std::move(result_); }

private:
    FrameReader read_;
    int32_t width_;
    int32_t height_;
    TGlottisSpan span_;
    std::unique_ptr<TGlottisSegmenter> segmenter_;
    int32_t next_;
    TGlottisResult result_;
};

// The whole span at once (tremax-cli, tests).
TGlottisResult SegmentGlottis(const TSequence& sequence, const TGlottisSpan& span);

// The span as tremax-cli glottis/pvg's options and the Python module's keywords give it, checked
// against the sequence with the tool's messages: the seed and the corners inside the image, the
// frames inside the sequence and in order, the seed inside the region between the two corners
// (none: the default region around the seed).
TGlottisSpan CheckedGlottisSpan(const TSequence& sequence, QPoint seed, int32_t first, int32_t last,
                                const std::optional<std::pair<QPoint, QPoint>>& roiCorners);
