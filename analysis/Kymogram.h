#pragma once
// The kymogram: one image row followed over a span of frames. Bitmap line c (top to bottom) is
// image column c; pixel k of a line is frame span.first + k. The frame axis of the kymogram
// window sets the span; its largest span is CacheSize − 1, so the block can always hold it.

#include "platform/SystemMemory.h"
#include "viewer/io/FrameCache.h"
#include "viewer/render/GrayCurve.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

class TSequence;

struct TKymogramSpan {
    int32_t first = 0;    // frame of pixel 0
    int32_t length = 101;  // frames, the bitmap width
    int64_t Last() const { return int64_t(first) + length - 1; }
    bool operator==(const TKymogramSpan&) const = default;
};

// The span of a frame axis showing lo … hi: first = rnd(lo), length = rnd(hi − lo + 1), at least
// 1 (rnd: nearest, halves to even).
TKymogramSpan KymogramSpanOf(double lo, double hi);

// The arithmetic of a frame-axis change: the session stops playback, sets the high value to
// hiValue, loads the block at the span's first frame, sets the current frame and the kymogram is
// rebuilt.
struct TKymogramAxisChange {
    TKymogramSpan span;
    double hiValue = 0;        // lo + L − 1: the axis shows whole frames
    int32_t currentFrame = 0;  // rnd(marker)
};
TKymogramAxisChange KymogramAxisChange(double lo, double hi, double marker);

// Gives the bitmap the span's width and the image width as height (black when resized). A bitmap
// that would not fit in the memory `room` leaves is refused (EOutOfMemory naming its size) before
// it is asked for, and the old one is kept.
void FitKymogramBitmap(const TKymogramSpan& span, int32_t imageWidth, QImage& bitmap,
                       const TMemoryRoomQuery& room = MemoryRoom);

// When `frame` lies outside lo … hi, moves the range to centre it, keeping hi − lo (an odd
// width has the extra frame after `frame`), and returns true: the kymogram must then be rebuilt. A range that would reach past firstFrame …
// lastFrame (the frames the file holds) is shifted inside instead, still keeping hi − lo; one
// wider than the file becomes the whole file.
bool KymogramRangeFollows(double& lo, double& hi, int32_t frame, double firstFrame = -1e300,
                          double lastFrame = 1e300);

// Makes the block hold the span when it can: nothing happens when it already holds the span's
// first frame and as many of the following as the cache has room for; otherwise the block is
// reloaded to start at the span's first frame (never refilled halfway through a build).
void CoverKymogramSpan(TSequence& sequence, const TKymogramSpan& span);

// The window caption: "Kymogram at row N".
QString KymogramCaption(int32_t row);

struct TKymogramSettings {
    int32_t row = 0;  // the selected row
    TKymogramSpan span;
    int32_t blackLevel = 0;
    int32_t grayLevel = 64;
    int32_t whiteLevel = 255;
    bool edgeEnhance = false;
};

// The kymogram of `row` over frames `from` … `to` as a script asks for it (tremax-cli, the
// Python module): row and frames checked with the messages scripts show (EError), the span at
// most the cache size, the block moved to the span as the frame axis moves it, then built.
QImage BuildAskedKymogram(TSequence& sequence, int32_t row, int32_t from, int32_t to, const TKymogramSettings& levels);

// Builds kymogram bitmaps. Keeps its look-up tables (and, with edge enhancement, a staging
// buffer) between builds, so a rebuild allocates nothing unless the bitmap size changes.
class TKymogramBuilder {
public:
    // `vectorised` allows the AVX-512 path where the processor has it; both paths give the same
    // bytes.
    explicit TKymogramBuilder(bool vectorised = true);

    // BuildKymogram: covers the span with the block (CoverKymogramSpan), then builds from it.
    // Throws ERangeError for a row outside the image.
    void Build(TSequence& sequence, const TKymogramSettings& settings, QImage& bitmap);
    // Builds from the block as it is: frames the block does not hold are drawn black. A bitmap of
    // a new size is refused as FitKymogramBitmap refuses it (Build asks the sequence for the room).
    void BuildFromCache(const TFrameCache& cache, const TKymogramSettings& settings, QImage& bitmap,
                        const TMemoryRoomQuery& room = MemoryRoom);

    // Builds so far, so that callers can tell whether a change rebuilt the kymogram.
    uint64_t BuildCount() const { return builds_; }
    // Whether builds take the vectorised path.
    bool Vectorised() const { return vectorised_; }
    static bool VectorisedAvailable();

private:
    void PrepareTables(const TGrayCurve& curve, bool edge);
    const uint8_t* StageEdgeRows(const TFrameCache& cache, int32_t row, int32_t firstSlot, int32_t frames);

    bool vectorised_;
    uint64_t builds_ = 0;
    TGrayCurve tableCurve_;
    bool tablesValid_ = false;
    bool edgeTableValid_ = false;
    uint8_t plain_[256] = {};
    uint8_t identity_[256] = {};
    std::vector<uint8_t> edge_;          // by squared gradient 0 … 2·255²
    std::vector<uint8_t> staged_;        // edge-enhanced grey bytes, one image row per frame
    std::vector<const uint8_t*> rows_;   // source row per frame
};
