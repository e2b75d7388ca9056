#include "analysis/PixelColour.h"

#include "analysis/SpectrumStore.h"

#include <QFontMetrics>
#include <QPainter>
#include <array>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFontSize = 24;

uint8_t ColourByte(double value)
{
    const double q = std::nearbyint(value);  // halves to even in the default rounding mode
    if (!(q >= 0))  // also NaN
        return 0;
    return q >= 255 ? 255 : uint8_t(q);
}

double Clamp01(double value) { return value < 0 ? 0 : value > 1 ? 1 : value; }

// Nearest integer, halves to even; false where that is no pixel position at all.
bool PixelPosition(double value, int& position)
{
    const double r = std::nearbyint(value);
    if (!(std::fabs(r) < 1e9))
        return false;
    position = int(r);
    return true;
}

QFont LegendFont()
{
    QFont font;
    font.setPointSize(kFontSize);
    return font;
}

// Lines as the canvas draws them: from the first point up to, not including, the second.
void LineTo(QPainter& painter, QPoint& pen, int x, int y)
{
    const int dx = x > pen.x() ? 1 : x < pen.x() ? -1 : 0;
    const int dy = y > pen.y() ? 1 : y < pen.y() ? -1 : 0;
    if (dx != 0 || dy != 0)
        painter.drawLine(pen, QPoint(x - dx, y - dy));
    pen = QPoint(x, y);
}

void Segment(QPainter& painter, int x0, int y0, int x1, int y1)
{
    QPoint pen(x0, y0);
    LineTo(painter, pen, x1, y1);
}

struct TLegendText {
    QFont font = LegendFont();
    int tw;  // width of "-100"
    int th;  // text height + 10
    int ascent;
    int height;

    TLegendText()
    {
        // Measured on the kind of image the legend is drawn on.
        const QImage probe(1, 1, QImage::Format_RGB32);
        const QFontMetrics metrics(font, &probe);
        tw = metrics.horizontalAdvance(QStringLiteral("-100"));
        height = metrics.height();
        th = height + 10;
        ascent = metrics.ascent();
    }
    int Width(QPainter& painter, const QString& text) const { return painter.fontMetrics().horizontalAdvance(text); }
    // Text with its cell's top left corner at (x, y).
    void Draw(QPainter& painter, int x, int y, const QString& text) const { painter.drawText(x, y + ascent, text); }
};

void SetPixel(QImage& image, int x, int y, const uint8_t* bgr)
{
    image.setPixel(x, y, qRgb(bgr[2], bgr[1], bgr[0]));
}

}  // namespace

double ColourSaturation(double power, double loSat, double hiSat)
{
    if (loSat == hiSat)  // the division faults
        return 0.5;
    return (loSat - power) / (loSat - hiSat);
}

double ColourHue(double phase, double referencePhase)
{
    // The difference first, so that equal phases give exactly 1.
    return (2 * kPi + (phase - referencePhase)) / (2 * kPi);
}

void ColourRule(double h, double s, double v, bool marked, uint8_t* bgr)
{
    if (h > 1)
        h -= std::floor(h);
    if (h < 0)
        h = 0;
    s = Clamp01(s);
    v = Clamp01(v);
    if (marked)
        v = 1 - v;
    // Hue 0 is every pixel of a colorizing without phase: its three cosines are taken from the
    // same libm calls once (volatile: never folded by the compiler, whose rounding may differ).
    static const std::array<double, 3> hueZero = [] {
        volatile double zero = 0;
        const double a = zero;
        return std::array<double, 3>{std::cos(a), std::cos(a - kPi / 3), std::cos(a - 2 * kPi / 3)};
    }();
    const double a = kPi * h;
    const bool atZero = h == 0;
    const double r = atZero ? hueZero[0] : std::cos(a);
    const double g = atZero ? hueZero[1] : std::cos(a - kPi / 3);
    const double b = atZero ? hueZero[2] : std::cos(a - 2 * kPi / 3);
    bgr[2] = ColourByte((r * r * s + (1 - s)) * v * 255);
    bgr[1] = ColourByte((g * g * s + (1 - s)) * v * 255);
    bgr[0] = ColourByte((b * b * s + (1 - s)) * v * 255);
}

TPixelColour::TPixelColour(const TSpectrumStore& store, const TColourSettings& settings)
    : store_(store), settings_(settings), bin_(store.SelectedBin()), referencePhase_(0)
{
    const int32_t column = settings.referenceColumn;
    const int32_t row = settings.referenceRow;
    if (settings.showPhase && store.HoldsBin(bin_) && row >= 0 && row < store.Height() && column >= 0 &&
        column < store.Width() && store.SpectrumValid(row, column))
        referencePhase_ = store.Phase(bin_, row, column);
}

bool TPixelColour::HasColour(int32_t row, int32_t column) const
{
    return store_.HoldsBin(bin_) && row < store_.Height() && column < store_.Width() &&
           store_.SpectrumValid(row, column);
}

void TPixelColour::Colour(int32_t row, int32_t column, double v, bool marked, uint8_t* bgr) const
{
    const double s = ColourSaturation(store_.Power(bin_, row, column), settings_.loSat, settings_.hiSat);
    const double h = settings_.showPhase ? ColourHue(store_.Phase(bin_, row, column), referencePhase_) : 0;
    ColourRule(h, s, v, marked, bgr);
}

QImage ColourLegend(double loSat, double hiSat, bool showPhase)
{
    const TLegendText text;
    const int tw = text.tw;
    const int th = text.th;
    const int d = tw + 10;
    QImage image(showPhase ? 2 * tw + 276 : 2 * tw + 40, 2 * th + 256, QImage::Format_RGB32);
    image.fill(Qt::white);

    uint8_t bgr[3];
    for (int j = 0; j < 256; ++j) {
        const double s = 1 - j / 255.0;
        if (showPhase) {
            for (int i = 0; i < 256; ++i) {
                ColourRule(i / 255.0, s, 1, false, bgr);
                SetPixel(image, d + i, th + j, bgr);
            }
        } else {
            ColourRule(0, s, 1, false, bgr);
            for (int i = 0; i < 20; ++i)
                SetPixel(image, d + i, th + j, bgr);
        }
    }

    QPainter painter(&image);
    painter.setFont(text.font);
    painter.setPen(Qt::black);
    QPoint pen(d, th);
    LineTo(painter, pen, d, th + 256);
    LineTo(painter, pen, showPhase ? tw + 266 : tw + 30, th + 256);
    if (showPhase) {
        // Labels every 90 degrees while they stand apart; a large font gets every 180 degrees
        // (they would run together as "180270360"). Every tick stays.
        const int apart = text.Width(painter, QStringLiteral("360")) + text.Width(painter, QStringLiteral(" "));
        const int labelStep = apart > 64 ? 180 : 90;
        for (int a = 0; a <= 360; a += 90) {
            const QString label = QString::number(a);
            const int x = d + int(std::nearbyint(a / 360.0 * 256));
            if (a % labelStep == 0)
                text.Draw(painter, x - text.Width(painter, label) / 2, th + 266, label);
            Segment(painter, x, th + 266, x, th + 256);
        }
    }
    for (int g = 0; g >= -100; g -= 10) {
        int y = 0;
        if (!PixelPosition(th + (1 - (g - loSat) / (hiSat - loSat)) * 256, y))
            continue;
        text.Draw(painter, 0, y - text.height / 2, QString::number(g));
        Segment(painter, d, y, tw, y);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_BGR888);
}

QImage GrayscaleLegend(double spectrumBlack, double spectrumWhite)
{
    const TLegendText text;
    const int th = text.th;
    const int e = text.tw + 10;
    QImage image(2 * e + 20, 2 * th + 256, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int j = 0; j < 256; ++j)
        for (int i = 0; i < 20; ++i)
            image.setPixel(e + i, th + j, qRgb(j, j, j));

    QPainter painter(&image);
    painter.setFont(text.font);
    painter.setPen(Qt::black);
    QPoint pen(e, th);
    LineTo(painter, pen, e, th + 256);
    LineTo(painter, pen, e + 20, th + 256);
    for (int g = 0; g >= -100; g -= 10) {
        int y = 0;
        if (!PixelPosition(th + (spectrumBlack - g) / (spectrumBlack - spectrumWhite) * 256, y))
            continue;
        text.Draw(painter, 0, y - text.height / 2, QString::number(g));
        Segment(painter, e, y, e - 10, y);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_BGR888);
}
