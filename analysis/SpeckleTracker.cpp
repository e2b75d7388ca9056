#include "analysis/SpeckleTracker.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cmath>

// Every sum is a sum of integers (bytes or byte differences) far below 2^53, so adding them as
// integers gives exactly the doubles a straightforward accumulation would; only the products in
// the coefficient are rounded, in the same order as the formula.

double CorrelationCoefficient(const TCorrelationSums& s)
{
    if (s.n < 2)
        return 0;
    const double n = double(s.n);
    const double numerator = n * s.sab - s.sa * s.sb;
    const double variances = (n * s.sb2 - s.sb * s.sb) * (n * s.sa2 - s.sa * s.sa);
    if (!(variances > 0))
        return 0;
    const double c = numerator / std::sqrt(variances);
    return std::isfinite(c) ? c : 0;
}

QString CorrelationDebugText(const TCorrelationSums& s)
{
    return QStringLiteral("sa:") + FloatToStr(s.sa) + QStringLiteral("; sb:") + FloatToStr(s.sb) +
           QStringLiteral("; sab:") + FloatToStr(s.sab) + QStringLiteral("; sa2:") + FloatToStr(s.sa2) +
           QStringLiteral("; sb2:") + FloatToStr(s.sb2) + QStringLiteral("; n:") + FloatToStr(double(s.n));
}

QString SpeckleStepText(int32_t step) { return QStringLiteral("Step:") + QString::number(step); }

double ParabolaVertex(double left, double centre, double right)
{
    const double a1 = (right - left) / 2;
    const double a2 = (left + right - 2 * centre) / 2;
    if (!(a2 < 0))
        return 0;
    const double offset = -a1 / (2 * a2);
    return std::isfinite(offset) ? offset : 0;
}

void TSpeckleTracker::TPatch::Resize(int32_t w, int32_t h)
{
    width = w;
    height = h;
    values.assign(size_t(w) * size_t(h), 0);
    sum.resize(size_t(w + 1) * size_t(h + 1));
    squares.resize(sum.size());
}

void TSpeckleTracker::TPatch::Prefix()
{
    const size_t stride = size_t(width) + 1;
    std::fill(sum.begin(), sum.begin() + ptrdiff_t(stride), 0);
    std::fill(squares.begin(), squares.begin() + ptrdiff_t(stride), 0);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t* v = values.data() + size_t(y) * size_t(width);
        int64_t* s = sum.data() + size_t(y + 1) * stride;
        int64_t* q = squares.data() + size_t(y + 1) * stride;
        const int64_t* sAbove = s - stride;
        const int64_t* qAbove = q - stride;
        s[0] = 0;
        q[0] = 0;
        int64_t rowSum = 0;
        int64_t rowSquares = 0;
        for (int32_t x = 0; x < width; ++x) {
            rowSum += v[x];
            rowSquares += int64_t(v[x]) * v[x];
            s[x + 1] = sAbove[x + 1] + rowSum;
            q[x + 1] = qAbove[x + 1] + rowSquares;
        }
    }
}

int64_t TSpeckleTracker::TPatch::Sum(const std::vector<int64_t>& table, int32_t x0, int32_t y0, int32_t x1,
                                     int32_t y1) const
{
    const size_t stride = size_t(width) + 1;
    return table[size_t(y1 + 1) * stride + size_t(x1 + 1)] - table[size_t(y0) * stride + size_t(x1 + 1)] -
           table[size_t(y1 + 1) * stride + size_t(x0)] + table[size_t(y0) * stride + size_t(x0)];
}

void TSpeckleTracker::ReadPatch(TPixelSource& pixels, int32_t frame, int64_t left, int64_t top, int64_t firstRow,
                                int64_t firstColumn, TPatch& patch)
{
    std::fill(patch.values.begin(), patch.values.end(), 0);
    const int64_t width = pixels.Width();
    const int64_t height = pixels.Height();
    const int64_t c0 = std::max(left, firstColumn);
    const int64_t c1 = std::min(left + patch.width - 1, width - 1);
    const int64_t r0 = std::max(top, firstRow);
    const int64_t r1 = std::min(top + patch.height - 1, height - 1);
    if (c0 > c1 || r0 > r1)
        return;
    // With differences each pixel needs its left neighbour, which lies in the image: only
    // columns from 1 on take part then.
    const bool differences = settings_.XDifferentiate;
    const int64_t readFrom = differences ? c0 - 1 : c0;
    for (int64_t r = r0; r <= r1; ++r) {
        for (int64_t c = readFrom; c <= c1; ++c)
            row_[size_t(c - readFrom)] = pixels.GetPixel(frame, int32_t(r), int32_t(c));
        int32_t* out = patch.values.data() + size_t(r - top) * size_t(patch.width) + size_t(c0 - left);
        const uint8_t* in = row_.data() + (differences ? 1 : 0);
        for (int64_t k = 0; k <= c1 - c0; ++k)
            out[k] = differences ? int32_t(in[k]) - int32_t(in[k - 1]) : int32_t(in[k]);
    }
}

QPointF TSpeckleTracker::Step(TPixelSource& pixels, int32_t referenceFrame, int32_t testFrame, int64_t rx,
                              int64_t ry)
{
    const int32_t cx = settings_.CorrHalfX;
    const int32_t cy = settings_.CorrHalfY;
    const int32_t sx = settings_.ScoutHalfX;
    const int32_t sy = settings_.ScoutHalfY;
    const int64_t width = pixels.Width();
    const int64_t height = pixels.Height();
    const int64_t testFirstColumn = settings_.XDifferentiate ? 1 : 0;

    // Reference pixels of row 0 and column 0 never take part; test pixels must lie in the image.
    ReadPatch(pixels, referenceFrame, rx - cx, ry - cy, 1, 1, reference_);
    ReadPatch(pixels, testFrame, rx - sx - cx, ry - sy - cy, 0, testFirstColumn, test_);
    reference_.Prefix();
    test_.Prefix();

    const size_t columns = size_t(2 * sx + 1);
    double best = 0;
    int32_t bx = 0;
    int32_t by = 0;
    for (int32_t dy = -sy; dy <= sy; ++dy) {
        // Rows j of the correlation area where both pixels of the pair take part.
        const int64_t j0 = std::max({int64_t(-cy), 1 - ry, -ry - dy});
        const int64_t j1 = std::min({int64_t(cy), height - 1 - ry, height - 1 - ry - dy});
        for (int32_t dx = -sx; dx <= sx; ++dx) {
            const int64_t i0 = std::max({int64_t(-cx), 1 - rx, testFirstColumn - rx - dx});
            const int64_t i1 = std::min({int64_t(cx), width - 1 - rx, width - 1 - rx - dx});
            double c = 0;
            if (i0 <= i1 && j0 <= j1 && (i1 - i0 + 1) * (j1 - j0 + 1) > 1) {
                // Patch coordinates: reference (i + cx, j + cy), test (i + dx + sx + cx, j + dy + sy + cy).
                const int32_t bx0 = int32_t(i0 + cx);
                const int32_t bx1 = int32_t(i1 + cx);
                const int32_t by0 = int32_t(j0 + cy);
                const int32_t by1 = int32_t(j1 + cy);
                const int32_t ax0 = bx0 + dx + sx;
                const int32_t ay0 = by0 + dy + sy;
                const int32_t length = bx1 - bx0 + 1;
                int64_t sab = 0;
                for (int32_t y = 0; y <= by1 - by0; ++y) {
                    const int32_t* a = test_.values.data() + size_t(ay0 + y) * size_t(test_.width) + size_t(ax0);
                    const int32_t* b =
                        reference_.values.data() + size_t(by0 + y) * size_t(reference_.width) + size_t(bx0);
                    // One row is at most 201 products of at most 255², well inside 32 bits.
                    int32_t rowSum = 0;
                    for (int32_t k = 0; k < length; ++k)
                        rowSum += a[k] * b[k];
                    sab += rowSum;
                }
                TCorrelationSums& s = latest_;
                s.sa = double(test_.Sum(test_.sum, ax0, ay0, ax0 + length - 1, ay0 + by1 - by0));
                s.sa2 = double(test_.Sum(test_.squares, ax0, ay0, ax0 + length - 1, ay0 + by1 - by0));
                s.sb = double(reference_.Sum(reference_.sum, bx0, by0, bx1, by1));
                s.sb2 = double(reference_.Sum(reference_.squares, bx0, by0, bx1, by1));
                s.sab = double(sab);
                s.n = int64_t(length) * (by1 - by0 + 1);
                latestPending_ = true;
                c = CorrelationCoefficient(s);
            }
            coefficients_[size_t(dy + sy) * columns + size_t(dx + sx)] = c;
            // Strictly better only: ties keep the displacement met first.
            if (c > best) {
                best = c;
                bx = dx;
                by = dy;
            }
        }
    }

    // Parabolas only through a true maximum inside the scouting area: on its border one
    // neighbour is missing, and without any positive coefficient there is no peak to refine.
    double ox = 0;
    double oy = 0;
    if (best > 0 && std::abs(bx) < sx && std::abs(by) < sy) {
        const auto at = [&](int32_t dx, int32_t dy) {
            return coefficients_[size_t(dy + sy) * columns + size_t(dx + sx)];
        };
        ox = ParabolaVertex(at(bx - 1, by), best, at(bx + 1, by));
        oy = ParabolaVertex(at(bx, by - 1), best, at(bx, by + 1));
    }
    return QPointF(bx + ox, by + oy);
}

void TSpeckleTracker::Track(TPixelSource& pixels, int32_t startFrame, QPoint start, const TSpeckleSettings& settings,
                            const TSpeckleHooks& hooks, TSpecklePoints& points)
{
    const auto checkHalf = [](int32_t value, const char* what) {
        if (value < 0 || value > TSpeckleSettings::kMaxHalfSize)
            throw EError(QStringLiteral("The %1 must lie between 0 and %2, not %3")
                             .arg(QLatin1String(what))
                             .arg(TSpeckleSettings::kMaxHalfSize)
                             .arg(value));
    };
    checkHalf(settings.CorrHalfX, "correlation area's half-width");
    checkHalf(settings.CorrHalfY, "correlation area's half-height");
    checkHalf(settings.ScoutHalfX, "scouting area's half-width");
    checkHalf(settings.ScoutHalfY, "scouting area's half-height");
    settings_ = settings;
    const int32_t cx = settings.CorrHalfX;
    const int32_t cy = settings.CorrHalfY;
    const int32_t sx = settings.ScoutHalfX;
    const int32_t sy = settings.ScoutHalfY;
    reference_.Resize(2 * cx + 1, 2 * cy + 1);
    test_.Resize(2 * (sx + cx) + 1, 2 * (sy + cy) + 1);
    row_.resize(size_t(test_.width) + 1);
    coefficients_.assign(size_t(2 * sx + 1) * size_t(2 * sy + 1), 0);
    latestPending_ = false;

    points.fill(QPointF(0, 0));
    points[0] = QPointF(start);
    const int64_t lastFrame = int64_t(pixels.FrameCount()) - 1;
    const auto reportSums = [&] {
        if (latestPending_ && hooks.sums)
            hooks.sums(latest_);
        latestPending_ = false;
    };
    try {
        for (int32_t n = 1; n < kSpecklePoints; ++n) {
            const QPointF& base = settings.CorrelateToFirst ? points[0] : points[size_t(n - 1)];
            const int64_t referenceFrame = settings.CorrelateToFirst ? startFrame : int64_t(startFrame) + n - 1;
            const int64_t testFrame = int64_t(startFrame) + n;
            // Frames the sequence does not have: the trace stays where it was last found.
            if (referenceFrame < 0 || testFrame > lastFrame) {
                for (int32_t m = n; m < kSpecklePoints; ++m)
                    points[size_t(m)] = points[size_t(n - 1)];
                break;
            }
            if (hooks.stepStarted)
                hooks.stepStarted(n);
            // Halves to even, as every rounding of the program.
            const int64_t rx = int64_t(std::nearbyint(base.x()));
            const int64_t ry = int64_t(std::nearbyint(base.y()));
            points[size_t(n)] = base + Step(pixels, int32_t(referenceFrame), int32_t(testFrame), rx, ry);
            reportSums();
        }
    } catch (...) {
        reportSums();
        if (hooks.finished)
            hooks.finished();
        throw;
    }
    if (hooks.finished)
        hooks.finished();
}
