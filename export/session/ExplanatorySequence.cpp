#include "export/session/ExplanatorySequence.h"

#include "export/session/CompositePicture.h"
#include "export/io/MontageFrames.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"

#include <QPainter>
#include <limits>

namespace {

void CheckSettings(const TExplanatorySettings& s, int32_t width, int32_t height)
{
    if (s.images < 1)
        throw EError(QStringLiteral("The number of images must be at least 1, not %1").arg(s.images));
    if (s.skip < 1)
        throw EError(QStringLiteral("The skip must be at least 1, not %1").arg(s.skip));
    const int64_t samples = int64_t(s.images) * s.skip;
    if (samples < 2)
        throw EError(QStringLiteral("One image with a skip of 1 gives a waveform of a single sample: take more "
                                    "images or a larger skip"));
    if (samples > kMaxExplanatorySamples)
        throw EError(QStringLiteral("%1 images with a skip of %2 make %3 waveform samples; at most %4 can be drawn")
                         .arg(s.images)
                         .arg(s.skip)
                         .arg(samples)
                         .arg(kMaxExplanatorySamples));
    if (s.firstFrame < 0)
        throw EError(QStringLiteral("The first frame must not be negative, not %1").arg(s.firstFrame));
    if (s.firstFrame + samples - 1 > std::numeric_limits<int32_t>::max())
        throw EError(QStringLiteral("The sequence would reach frame %1, past the largest frame number")
                         .arg(s.firstFrame + samples - 1));
    if (s.point.x() < 0 || s.point.x() >= width || s.point.y() < 0 || s.point.y() >= height)
        throw EError(QStringLiteral("The selected point (%1, %2) lies outside the image of %3 x %4 pixels")
                         .arg(s.point.x())
                         .arg(s.point.y())
                         .arg(width)
                         .arg(height));
    if (!(s.valueHi > s.valueLo))
        throw EError(QStringLiteral("The waveform's value range %1 … %2 is empty").arg(s.valueLo).arg(s.valueHi));
}

}  // namespace

TExplanatoryPicture BuildExplanatorySequence(TMontageFrames& frames, const TExplanatorySettings& s)
{
    const int32_t width = frames.Width();
    const int32_t height = frames.Height();
    CheckSettings(s, width, height);
    const TAspect aspect = AspectFactors(width, height, true);
    const int64_t tileWidth = int64_t(width) * aspect.sx;
    const int64_t tileHeight = int64_t(height) * aspect.sy;  // L
    const int32_t band = TextBandHeight(kExplanatoryFontPoints);
    CheckPictureSize(tileWidth * s.images, band + 2 * tileHeight);
    const TGreyMap grey(s.blackLevel, s.whiteLevel);

    TExplanatoryPicture picture;
    const int32_t n = s.images;
    const int32_t k = s.skip;
    const int32_t samples = n * k;
    const int32_t tile = int32_t(tileWidth);
    const int32_t L = int32_t(tileHeight);
    const int32_t pictureWidth = tile * n;
    picture.bitmap = NewCompositeBitmap(pictureWidth, band + 2 * L);

    // One pass over the frames: every k-th is also drawn as an image.
    std::vector<uint8_t> values(size_t(samples), 0);
    for (int32_t t = 0; t < samples; ++t) {
        const uint8_t* frame = frames.Frame(s.firstFrame + t);
        values[size_t(t)] = frame[size_t(s.point.y()) * size_t(width) + size_t(s.point.x())];
        if (t % k == 0)
            PutFrameTile(picture.bitmap, frame, width, height, grey, aspect, tile * (t / k), 0);
    }

    QPainter painter(&picture.bitmap);
    painter.setBrush(Qt::white);
    QPen pen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const QPoint axisTop(tile / 4, L);
    const QPoint axisCorner(tile / 4, 2 * L);
    painter.drawLine(axisTop, axisCorner);
    painter.drawLine(axisCorner, QPoint(pictureWidth - 1, 2 * L));

    const double span = s.valueHi - s.valueLo;
    const QPoint inTile(s.point.x() * aspect.sx + aspect.sx / 2, s.point.y() * aspect.sy + aspect.sy / 2);
    QPoint previous;
    QPoint marker;
    picture.samples.reserve(size_t(samples));
    picture.connectors.reserve(size_t(n));
    for (int32_t t = 0; t < samples; ++t) {
        const QPoint sample(RoundToInt(double(t) * (pictureWidth - tile / 2) / (samples - 1) + tile / 2),
                            RoundToInt(2.0 * L - L * (values[size_t(t)] - s.valueLo) / span));
        picture.samples.push_back(sample);
        pen.setWidth(3);
        painter.setPen(pen);
        if (t > 0)
            painter.drawLine(previous, sample);
        previous = sample;
        if (t % k == 0) {
            marker = QPoint((t / k) * tile, 0) + inTile;
            picture.connectors.emplace_back(marker, sample);
            painter.drawLine(marker, sample);
        }
        pen.setWidth(2);
        painter.setPen(pen);
        painter.setBrush(Qt::white);
        painter.drawRect(marker.x() - 5, marker.y() - 5, 10, 10);
        painter.setBrush(Qt::black);
        painter.drawRect(sample.x() - 5, sample.y() - 5, 10, 10);
    }
    return picture;
}
