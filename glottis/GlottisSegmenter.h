#pragma once
// Finds the glottis in one frame. The segmenter is an interface so that another method (a learned
// model, say) can replace the threshold rule without touching the waveform, the parameters or the
// phonovibrogram, which see only the region it returns.

#include <QPoint>
#include <QRect>
#include <cstdint>
#include <vector>

// One horizontal run of glottis pixels: row y, columns x0 … x1 (inclusive).
struct TGlottisRun {
    int32_t y = 0;
    int32_t x0 = 0;
    int32_t x1 = 0;
};

// The glottis in one frame: its pixels as runs (sorted by row, then column) and its area.
struct TGlottisRegion {
    std::vector<TGlottisRun> runs;
    int64_t area = 0;    // pixels; 0 when the glottis is closed
    int32_t threshold = -1;  // grey level at or below which a pixel counted as dark; -1: none
};

class TGlottisSegmenter {
public:
    virtual ~TGlottisSegmenter() = default;
    // Starts a new span: the point inside the glottis and the region of interest (inside the image).
    virtual void Start(QPoint seed, QRect roi) = 0;
    // The glottis in the next frame of the span (Width × Height bytes, rows from the top).
    virtual void Segment(const uint8_t* frame, int32_t width, int32_t height, TGlottisRegion& out) = 0;
    // Where the segmenter looks for the glottis in the next frame.
    virtual QPoint Seed() const = 0;
};

// The region of interest a click gets: 48 pixels on each side of the seed, inside the image.
QRect DefaultGlottisRoi(QPoint seed, int32_t width, int32_t height);

// The threshold rule: in every frame the glottis is the dark 4-connected region inside the region
// of interest that contains the seed (or the darkest pixel within kSeedSearch pixels of it), dark
// meaning at or below a grey level chosen for this frame by Otsu's method on the region of
// interest's histogram (every second row). The floor: that level is at most half the mean of the bright class, so
// that tissue alone (a closed glottis) leaves nothing dark near the seed, and a region smaller
// than kMinimumArea pixels counts as closed. After a frame the seed moves to the region's darkest
// point near its centre (of its pixels within kSeedRows rows of its centroid and within
// kDarkTolerance of the darkest of them, the one nearest the centroid), so that a slowly moving
// larynx is followed; a closed frame leaves it where it was.
class TThresholdSegmenter : public TGlottisSegmenter {
public:
    static constexpr int32_t kSeedSearch = 4;
    static constexpr int64_t kMinimumArea = 3;
    static constexpr double kFloorFraction = 0.5;
    static constexpr int32_t kDarkTolerance = 4;
    static constexpr int32_t kSeedRows = 4;

    void Start(QPoint seed, QRect roi) override;
    void Segment(const uint8_t* frame, int32_t width, int32_t height, TGlottisRegion& out) override;
    QPoint Seed() const override { return seed_; }

private:
    QPoint seed_;
    QRect roi_;
    std::vector<uint32_t> stamp_;  // per region-of-interest pixel: the frame that reached it
    uint32_t generation_ = 0;
    std::vector<int32_t> stack_;  // x, y pairs still to look at
};

// Otsu's threshold of a 256-bin histogram: the level t that maximises the between-class variance
// of {<= t} and {> t}; -1 when the histogram holds a single level. `brightMean` receives the
// mean of the class above t.
int32_t OtsuThreshold(const int64_t (&histogram)[256], double* brightMean = nullptr);
