#include "viewer/render/FrameRenderer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxEdgeSquare = 2 * 255 * 255;

}  // namespace

uint8_t GrayByte(double f, bool marked)
{
    double q = std::nearbyint(f * 255);  // ties to even in the default rounding mode
    if (marked)
        q = 255 - q;
    if (!(q >= 0))  // also NaN
        return 0;
    return q >= 255 ? 255 : uint8_t(q);
}

double EdgeInput(const uint8_t* frame, int32_t width, int32_t height, int32_t row, int32_t column)
{
    if (row >= height - 1 || column >= width - 1)
        return 0;
    const uint8_t* p = frame + size_t(row) * size_t(width) + size_t(column);
    const int dx = int(p[0]) - int(p[1]);
    const int dy = int(p[0]) - int(p[width]);
    return std::sqrt(double(dx * dx + dy * dy));
}

void TFrameRenderer::PrepareTables(const TGrayCurve& curve, bool edge)
{
    if (!tablesValid_ || !(curve == tableCurve_)) {
        for (int g = 0; g < 256; ++g) {
            const double f = curve(double(g));
            plain_[0][g] = GrayByte(f, false);
            plain_[1][g] = GrayByte(f, true);
        }
        tableCurve_ = curve;
        tablesValid_ = true;
        edgeTableValid_ = false;
    }
    if (edge && !edgeTableValid_) {
        edge_[0].resize(kMaxEdgeSquare + 1);
        edge_[1].resize(kMaxEdgeSquare + 1);
        for (int d2 = 0; d2 <= kMaxEdgeSquare; ++d2) {
            const double f = curve(std::sqrt(double(d2)));
            edge_[0][size_t(d2)] = GrayByte(f, false);
            edge_[1][size_t(d2)] = GrayByte(f, true);
        }
        edgeTableValid_ = true;
    }
}

void TFrameRenderer::Render(const uint8_t* frame, int32_t width, int32_t height, const TRenderSettings& settings,
                            QImage& bitmap)
{
    if (bitmap.width() != width || bitmap.height() != height || bitmap.format() != QImage::Format_BGR888)
        bitmap = QImage(width, height, QImage::Format_BGR888);
    const TGrayCurve curve = FitGrayCurve(settings.blackLevel, settings.grayLevel, settings.whiteLevel);
    PrepareTables(curve, settings.edgeEnhance);

    for (int32_t y = 0; y < height; ++y) {
        const bool marked = y == settings.markedRow;
        const uint8_t* src = frame + size_t(y) * size_t(width);
        uchar* dst = bitmap.scanLine(y);
        const bool hasBelow = y < height - 1;
        if (!settings.edgeEnhance) {
            const uint8_t* lut = plain_[marked];
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t q = lut[src[x]];
                dst[3 * x] = q;
                dst[3 * x + 1] = q;
                dst[3 * x + 2] = q;
            }
        } else {
            const uint8_t* lut = edge_[marked].data();
            const uint8_t* below = src + width;
            const int32_t inner = hasBelow ? width - 1 : 0;
            for (int32_t x = 0; x < inner; ++x) {
                const int dx = int(src[x]) - int(src[x + 1]);
                const int dy = int(src[x]) - int(below[x]);
                const uint8_t q = lut[dx * dx + dy * dy];
                dst[3 * x] = q;
                dst[3 * x + 1] = q;
                dst[3 * x + 2] = q;
            }
            const uint8_t zero = lut[0];
            for (int32_t x = inner; x < width; ++x) {
                dst[3 * x] = zero;
                dst[3 * x + 1] = zero;
                dst[3 * x + 2] = zero;
            }
        }
        if (const TPixelColourer* colourer = settings.colourer) {
            for (int32_t x = 0; x < width; ++x) {
                if (!colourer->HasColour(y, x))
                    continue;
                const double g = settings.edgeEnhance ? EdgeInput(frame, width, height, y, x) : double(src[x]);
                colourer->Colour(y, x, curve(g), marked, dst + 3 * x);
            }
        }
    }
}

int32_t SlotShowing(const TFrameCache& cache, int32_t frame)
{
    const int64_t slot = int64_t(frame) - cache.FirstCachedFrame();
    return int32_t(std::clamp<int64_t>(slot, 0, cache.CacheSize() - 1));
}

void RenderCachedFrame(TFrameRenderer& renderer, const TFrameCache& cache, int32_t frame,
                       const TRenderSettings& settings, QImage& bitmap)
{
    renderer.Render(cache.Slot(SlotShowing(cache, frame)), cache.Width(), cache.Height(), settings, bitmap);
}
