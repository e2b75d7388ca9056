#include "export/session/Montage.h"

#include "export/session/CompositePicture.h"
#include "export/io/MontageFrames.h"
#include "platform/Errors.h"

#include <QPainter>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr int kTimeDecimals = 4;

// `digits` (decimal digits only) plus one in the last place.
void Increment(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// The shortest decimal that reads back to `value`, rounded half away from zero to `decimals`
// places, so that what the division means decimally decides, not its binary remainder.
QString FixedDecimals(double value, int decimals, QChar separator)
{
    if (!std::isfinite(value))
        return QString::number(value);
    std::array<char, 400> buffer{};  // the largest double has 309 digits
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                                      std::chars_format::fixed);
    const std::string text(buffer.data(), result.ptr);
    const size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    fraction.resize(size_t(decimals) + 1, '0');
    const bool up = fraction[size_t(decimals)] >= '5';
    fraction.resize(size_t(decimals));
    std::string digits = whole + fraction;
    if (up)
        Increment(digits);
    whole = digits.substr(0, digits.size() - size_t(decimals));
    fraction = digits.substr(digits.size() - size_t(decimals));
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    QString out = value < 0 && !zero ? QStringLiteral("-") : QString();
    out += QString::fromStdString(whole);
    if (decimals > 0)
        out += separator + QString::fromStdString(fraction);
    return out;
}

}  // namespace

QString MontageTimeText(int32_t frame, double framesPerSecond, QChar decimalSeparator)
{
    return FixedDecimals(frame / framesPerSecond, kTimeDecimals, decimalSeparator) + QStringLiteral(" s");
}

QString MontageTileText(const TMontageSettings& settings, int32_t frame)
{
    switch (settings.text) {
    case mtframe:
        return QString::number(frame);
    case mttime:
        return MontageTimeText(frame, settings.framesPerSecond, settings.decimalSeparator);
    case mtnone:
        break;
    }
    return QString();
}

QImage BuildMontage(TMontageFrames& frames, const TMontageSettings& settings)
{
    const int32_t nx = settings.across;
    const int32_t ny = settings.down;
    const int32_t k = settings.skip;
    const int32_t f0 = settings.firstFrame;
    if (nx < 1)
        throw EError(QStringLiteral("The number of pictures across must be at least 1, not %1").arg(nx));
    if (ny < 1)
        throw EError(QStringLiteral("The number of pictures down must be at least 1, not %1").arg(ny));
    if (k < 0)
        throw EError(QStringLiteral("The skip factor must not be negative, not %1").arg(k));
    if (f0 < 0)
        throw EError(QStringLiteral("The first frame must not be negative, not %1").arg(f0));
    const int64_t lastFrame = f0 + (int64_t(nx) * ny - 1) * k;
    if (lastFrame > std::numeric_limits<int32_t>::max())
        throw EError(QStringLiteral("The montage would reach frame %1, past the largest frame number").arg(lastFrame));

    const int32_t width = frames.Width();
    const int32_t height = frames.Height();
    const TAspect aspect = AspectFactors(width, height, settings.fixAspect);
    const int32_t band = settings.text == mtnone ? 0 : TextBandHeight(kMontageFontPoints);
    const int64_t tileWidth = int64_t(width) * aspect.sx;
    const int64_t tileHeight = int64_t(band) + int64_t(height) * aspect.sy;
    CheckPictureSize(tileWidth * nx, tileHeight * ny);
    const TGreyMap grey(settings.blackLevel, settings.whiteLevel);

    QImage bitmap = NewCompositeBitmap(int32_t(tileWidth * nx), int32_t(tileHeight * ny));
    for (int32_t r = 0; r < ny; ++r)
        for (int32_t c = 0; c < nx; ++c) {
            const int32_t frame = (r * nx + c) * k + f0;
            PutFrameTile(bitmap, frames.Frame(frame), width, height, grey, aspect, int32_t(tileWidth * c),
                         int32_t(tileHeight * r + band));
        }
    if (band > 0) {
        QPainter painter(&bitmap);
        painter.setFont(CompositeFont(kMontageFontPoints));
        painter.setPen(Qt::black);
        const int ascent = painter.fontMetrics().ascent();
        for (int32_t r = 0; r < ny; ++r)
            for (int32_t c = 0; c < nx; ++c) {
                const int32_t frame = (r * nx + c) * k + f0;
                painter.drawText(QPoint(int(tileWidth * c), int(tileHeight * r) + ascent),
                                 MontageTileText(settings, frame));
            }
    }
    return bitmap;
}
