#include "export/session/CompositePicture.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kDotsPerMeter = 3780;  // 96 dots per inch

}  // namespace

TGreyMap::TGreyMap(int32_t blackLevel, int32_t whiteLevel)
{
    if (blackLevel == whiteLevel)
        throw EError(QStringLiteral("The black and white levels are both %1: the grey mapping needs two different "
                                    "levels")
                         .arg(blackLevel));
    const double span = double(whiteLevel) - double(blackLevel);
    for (int v = 0; v < 256; ++v) {
        const double grey = std::nearbyint(255.0 * (double(v) - double(blackLevel)) / span);  // halves to even
        table_[v] = uint8_t(std::clamp(grey, 0.0, 255.0));
    }
}

TAspect AspectFactors(int32_t width, int32_t height, bool fix)
{
    TAspect aspect;
    if (!fix)
        return aspect;
    if (width < height)
        aspect.sx = RoundToInt(double(height) / width);
    else
        aspect.sy = RoundToInt(double(width) / height);
    return aspect;
}

void CheckPictureSize(int64_t width, int64_t height)
{
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height > kMaxPicturePixels)
        throw EError(QStringLiteral("A picture of %1 x %2 pixels cannot be made: at most %3 pixels a side and %4 "
                                    "pixels in all")
                         .arg(width)
                         .arg(height)
                         .arg(kMaxPictureSide)
                         .arg(kMaxPicturePixels));
}

QImage NewCompositeBitmap(int32_t width, int32_t height)
{
    QImage bitmap(width, height, QImage::Format_RGB32);
    if (bitmap.isNull())
        throw EOutOfMemory(QStringLiteral("There is no memory for a picture of %1 x %2 pixels").arg(width).arg(height));
    bitmap.setDotsPerMeterX(kDotsPerMeter);
    bitmap.setDotsPerMeterY(kDotsPerMeter);
    bitmap.fill(Qt::white);
    return bitmap;
}

QFont CompositeFont(int points)
{
    QFont font;
    font.setPointSize(points);
    return font;
}

int32_t TextBandHeight(int points)
{
    const QImage probe = NewCompositeBitmap(1, 1);
    return QFontMetrics(CompositeFont(points), &probe).height();  // the font's ascent and descent
}

void PutFrameTile(QImage& bitmap, const uint8_t* frame, int32_t width, int32_t height, const TGreyMap& grey,
                  TAspect aspect, int32_t left, int32_t top)
{
    for (int32_t j = 0; j < height; ++j) {
        const uint8_t* source = frame + size_t(j) * size_t(width);
        auto* first = reinterpret_cast<QRgb*>(bitmap.scanLine(top + j * aspect.sy)) + left;
        QRgb* out = first;
        for (int32_t i = 0; i < width; ++i) {
            const uint8_t g = grey[source[i]];
            const QRgb colour = qRgb(g, g, g);
            for (int32_t m = 0; m < aspect.sx; ++m)
                *out++ = colour;
        }
        // The further copies of a stretched row are the same pixels.
        for (int32_t m = 1; m < aspect.sy; ++m)
            std::copy(first, out, reinterpret_cast<QRgb*>(bitmap.scanLine(top + j * aspect.sy + m)) + left);
    }
}
