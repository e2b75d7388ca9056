#include "tools/DemoSequence.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// Cheap deterministic hash noise in −amplitude … amplitude.
int Noise(uint32_t frame, uint32_t row, uint32_t column, int amplitude)
{
    if (amplitude <= 0)
        return 0;
    uint32_t h = frame * 0x9E3779B1u ^ row * 0x85EBCA77u ^ column * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return int(h % uint32_t(2 * amplitude + 1)) - amplitude;
}

// A smooth texture periodic over the image width, so that it wraps without a seam.
double Texture(const TDemoParameters& p, double x, int32_t row)
{
    const double u = kTwoPi * x / p.width;
    const int r = row - p.textureTop;
    return 0.5 * std::sin(7 * u + 0.7 * r) + 0.3 * std::sin(13 * u - 1.3 * r + 1.0) +
           0.2 * std::sin(29 * u + 2.1 * r + 2.0);
}

// A grey level under the illumination gradient.
double Lit(const TDemoParameters& p, int32_t x, int32_t y, double grey)
{
    if (p.illuminationGradient == 0)
        return grey;
    return grey * (1 + p.illuminationGradient * (double(x) / (p.width - 1) + double(y) / (p.height - 1) - 1));
}

uint8_t Clamp(double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

double DemoPhaseLag(const TDemoParameters& p, int32_t row)
{
    return p.phaseLagPerRow * (row - p.foldTop);
}

double DemoGapHalfWidth(const TDemoParameters& p, int32_t row, int32_t frame)
{
    if (row < p.foldTop || row > p.foldBottom)
        return 0;
    const double span = p.foldBottom - p.foldTop;
    const double along = (row - p.foldTop) / span;  // 0 … 1 down the folds
    const double amplitude = p.closedEnds ? p.maxAmplitude * std::sin(3.14159265358979323846 * along)
                                          : p.maxAmplitude * std::sin(3.14159265358979323846 * (0.05 + 0.9 * along));
    const double t = frame / p.framesPerSecond;
    const double phase = kTwoPi * p.fundamentalHz * t - DemoPhaseLag(p, row);
    const double motion = std::sin(phase) + p.secondHarmonicRatio * std::sin(2 * phase);
    return std::max(0.0, amplitude * (0.35 + motion) / 1.35);
}

double DemoEdgeDistance(const TDemoParameters& p, int32_t row, int32_t frame, bool left)
{
    return DemoGapHalfWidth(p, row, frame) * (left ? 1 + p.asymmetry : 1 - p.asymmetry);
}

TDemoParameters GlottisDemoParameters()
{
    TDemoParameters p;
    p.frames = 1024;
    p.fundamentalHz = 230;
    p.phaseLagPerRow = 0;
    p.closedEnds = true;
    p.asymmetry = 0.1;
    p.illuminationGradient = 0.3;
    return p;
}

void DemoFrame(const TDemoParameters& p, int32_t frame, std::vector<uint8_t>& out)
{
    out.assign(size_t(p.width) * size_t(p.height), p.background);
    const double centre = (p.width - 1) / 2.0;
    const double middleRow = (p.foldTop + p.foldBottom) / 2.0;
    const double halfLength = (p.foldBottom - p.foldTop) / 2.0 + 1.5;
    const double shift = p.textureSpeed * frame;
    for (int32_t y = 0; y < p.height; ++y) {
        uint8_t* row = out.data() + size_t(y) * size_t(p.width);
        if (y >= p.foldTop && y <= p.foldBottom) {
            const double gapLeft = DemoEdgeDistance(p, y, frame, true);
            const double gapRight = DemoEdgeDistance(p, y, frame, false);
            // The folds together form a lens; each is brightest along its middle.
            const double along = (y - middleRow) / halfLength;
            const double foldHalfWidth = p.width * 0.3 * std::sqrt(std::max(0.0, 1 - along * along));
            for (int32_t x = 0; x < p.width; ++x) {
                const double d = std::abs(x - centre);
                const double gap = x < centre ? gapLeft : gapRight;
                // Soft edges one pixel wide, so sub-pixel motion changes the grey values.
                const double inFold = std::clamp(d - gap + 0.5, 0.0, 1.0) *
                                      std::clamp(foldHalfWidth - d + 0.5, 0.0, 1.0);
                const double across = foldHalfWidth > 0 ? (d - gap) / std::max(1.0, foldHalfWidth - gap) : 1;
                const double shade = p.foldBrightness * (0.75 + 0.35 * std::sin(3.14159265358979323846 *
                                                                                  std::clamp(across, 0.0, 1.0)));
                const double outside = d < gap ? p.glottisDarkness : p.background;
                row[x] = Clamp(Lit(p, x, y, inFold * shade + (1 - inFold) * outside) + Noise(frame, y, x, p.noiseAmplitude));
            }
        } else if (y >= p.textureTop) {
            for (int32_t x = 0; x < p.width; ++x)
                row[x] = Clamp(Lit(p, x, y, 70 + 45 * Texture(p, x - shift, y)) + Noise(frame, y, x, p.noiseAmplitude));
        } else {
            for (int32_t x = 0; x < p.width; ++x)
                row[x] = Clamp(Lit(p, x, y, p.background) + Noise(frame, y, x, p.noiseAmplitude));
        }
    }
}

void WriteDemoSequence(const QString& bldPath, const TDemoParameters& p)
{
    QFile bld(bldPath);
    if (!bld.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + bldPath.toStdString() + ": " + bld.errorString().toStdString());
    std::vector<uint8_t> frame;
    for (int32_t f = 0; f < p.frames; ++f) {
        DemoFrame(p, f, frame);
        if (bld.write(reinterpret_cast<const char*>(frame.data()), qint64(frame.size())) != qint64(frame.size()))
            throw std::runtime_error("cannot write " + bldPath.toStdString());
    }
    bld.close();

    const QFileInfo info(bldPath);
    QFile par(info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".par"));
    if (!par.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw std::runtime_error("cannot write " + par.fileName().toStdString());
    const QString header = QStringLiteral(
                               "Synthetic vocal-fold sequence\n"
                               "RESOLUTION: %1x%2\n"
                               "FRAMES/S: %3\n"
                               "FRAMES: %4\n"
                               "FIRSTFRAME: 0\n"
                               "TRIGGER: 0\n")
                               .arg(p.width)
                               .arg(p.height)
                               .arg(p.framesPerSecond, 0, 'g', 17)
                               .arg(p.frames);
    par.write(header.toLatin1());
}
