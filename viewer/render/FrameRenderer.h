#pragma once
// Turns one frame of bytes into the 24-bit blue-green-red picture of the main window.

#include "viewer/io/FrameCache.h"
#include "viewer/render/GrayCurve.h"

#include <QImage>
#include <cstdint>
#include <vector>

// The colour path of spectral colorizing, asked for each pixel while colorizing is on.
class TPixelColourer {
public:
    virtual ~TPixelColourer() = default;
    // Whether the pixel is coloured (its spectra are valid).
    virtual bool HasColour(int32_t row, int32_t column) const = 0;
    // Blue, green, red of a coloured pixel; v is the grey curve's value (not times 255) and
    // `marked` says that the pixel's row is drawn inverted.
    virtual void Colour(int32_t row, int32_t column, double v, bool marked, uint8_t* bgr) const = 0;
};

struct TRenderSettings {
    int32_t blackLevel = 0;
    int32_t grayLevel = 64;
    int32_t whiteLevel = 255;
    bool edgeEnhance = false;
    int32_t markedRow = -1;                   // drawn inverted; -1 for none
    const TPixelColourer* colourer = nullptr;  // null: every pixel grey
};

// The grey byte for a curve value: f × 255 rounded (halves to even), inverted for a marked
// row, clamped to 0 … 255.
uint8_t GrayByte(double f, bool marked);

// The edge-enhanced grey input at (row, column): the magnitude of the forward differences to
// the right and downward neighbours; 0 on the last row and column.
double EdgeInput(const uint8_t* frame, int32_t width, int32_t height, int32_t row, int32_t column);

class TFrameRenderer {
public:
    // Renders `frame` (width × height bytes, rows from the top) into `bitmap`, which becomes a
    // width × height Format_BGR888 image. Allocates only when the size or format changes.
    void Render(const uint8_t* frame, int32_t width, int32_t height, const TRenderSettings& settings,
                QImage& bitmap);

private:
    void PrepareTables(const TGrayCurve& curve, bool edge);

    TGrayCurve tableCurve_;
    bool tablesValid_ = false;
    bool edgeTableValid_ = false;
    uint8_t plain_[2][256] = {};  // [marked][g]
    // Edge magnitudes squared are integers 0 … 2·255²: one entry each keeps the result exact.
    std::vector<uint8_t> edge_[2];
};

// The slot that shows `frame`: its own when the block holds it, else the nearest end slot.
int32_t SlotShowing(const TFrameCache& cache, int32_t frame);

// Renders the block's picture of `frame` (the cache is not refilled here).
void RenderCachedFrame(TFrameRenderer& renderer, const TFrameCache& cache, int32_t frame,
                       const TRenderSettings& settings, QImage& bitmap);
