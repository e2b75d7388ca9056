#include "glottis/GlottisSegmenter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

QRect DefaultGlottisRoi(QPoint seed, int32_t width, int32_t height)
{
    constexpr int32_t kHalf = 48;
    return QRect(QPoint(seed.x() - kHalf, seed.y() - kHalf), QPoint(seed.x() + kHalf, seed.y() + kHalf))
        .intersected(QRect(0, 0, width, height));
}

int32_t OtsuThreshold(const int64_t (&histogram)[256], double* brightMean)
{
    double total = 0, sum = 0;
    for (int v = 0; v < 256; ++v) {
        total += double(histogram[v]);
        sum += double(v) * double(histogram[v]);
    }
    double below = 0, belowSum = 0, best = -1;
    int32_t level = -1;
    for (int t = 0; t < 255; ++t) {
        below += double(histogram[t]);
        belowSum += double(t) * double(histogram[t]);
        const double above = total - below;
        if (below <= 0 || above <= 0)
            continue;
        const double m0 = belowSum / below;
        const double m1 = (sum - belowSum) / above;
        const double between = below * above * (m0 - m1) * (m0 - m1);
        if (between > best) {
            best = between;
            level = t;
            if (brightMean)
                *brightMean = m1;
        }
    }
    return level;
}

void TThresholdSegmenter::Start(QPoint seed, QRect roi)
{
    seed_ = seed;
    roi_ = roi;
    stamp_.assign(size_t(std::max(0, roi.width() * roi.height())), 0);
    generation_ = 0;
}

void TThresholdSegmenter::Segment(const uint8_t* frame, int32_t width, int32_t height, TGlottisRegion& out)
{
    out.runs.clear();
    out.area = 0;
    out.threshold = -1;
    const QRect roi = roi_.intersected(QRect(0, 0, width, height));
    if (roi.isEmpty() || roi != roi_)
        return;
    const int32_t rw = roi.width(), rh = roi.height();

    // The histogram of every second row, in four interleaved tables so that runs of equal bytes
    // do not serialise; half the rows describe the two classes as well as all of them.
    int64_t parts[4][256];
    std::memset(parts, 0, sizeof parts);
    for (int32_t y = 0; y < rh; y += 2) {
        const uint8_t* p = frame + size_t(roi.top() + y) * size_t(width) + size_t(roi.left());
        int32_t x = 0;
        for (; x + 4 <= rw; x += 4) {
            ++parts[0][p[x]];
            ++parts[1][p[x + 1]];
            ++parts[2][p[x + 2]];
            ++parts[3][p[x + 3]];
        }
        for (; x < rw; ++x)
            ++parts[0][p[x]];
    }
    int64_t histogram[256];
    for (int v = 0; v < 256; ++v)
        histogram[v] = parts[0][v] + parts[1][v] + parts[2][v] + parts[3][v];
    double brightMean = 0;
    const int32_t otsu = OtsuThreshold(histogram, &brightMean);
    if (otsu < 0)
        return;
    const int32_t level = std::min(otsu, int32_t(std::floor(kFloorFraction * brightMean)));
    out.threshold = level;

    auto pixel = [&](int32_t x, int32_t y) { return frame[size_t(y) * size_t(width) + size_t(x)]; };
    // The start: the darkest pixel within kSeedSearch of the seed.
    QPoint start(-1, -1);
    int32_t startValue = 256;
    for (int32_t y = seed_.y() - kSeedSearch; y <= seed_.y() + kSeedSearch; ++y)
        for (int32_t x = seed_.x() - kSeedSearch; x <= seed_.x() + kSeedSearch; ++x)
            if (roi.contains(x, y) && pixel(x, y) < startValue) {
                startValue = pixel(x, y);
                start = QPoint(x, y);
            }
    if (startValue > level)
        return;

    // 4-connected fill inside the region of interest, a row's run at a time (scanline fill):
    // each run is widened to the whole dark stretch of its row, then the rows above and below are
    // searched along it for dark pixels not yet reached.
    if (++generation_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0);
        generation_ = 1;
    }
    const uint32_t g = generation_;
    stack_.clear();
    auto reached = [&](int32_t x, int32_t y) { return stamp_[size_t(y - roi.top()) * size_t(rw) + size_t(x - roi.left())] == g; };
    auto dark = [&](int32_t x, int32_t y) { return pixel(x, y) <= level && !reached(x, y); };
    stack_.push_back(start.x());
    stack_.push_back(start.y());
    int64_t area = 0;
    double sumX = 0, sumY = 0;
    while (!stack_.empty()) {
        const int32_t y = stack_.back();
        stack_.pop_back();
        const int32_t x = stack_.back();
        stack_.pop_back();
        if (!dark(x, y))
            continue;
        int32_t x0 = x, x1 = x;
        while (x0 > roi.left() && dark(x0 - 1, y))
            --x0;
        while (x1 < roi.right() && dark(x1 + 1, y))
            ++x1;
        uint32_t* stamps = stamp_.data() + size_t(y - roi.top()) * size_t(rw) - size_t(roi.left());
        for (int32_t k = x0; k <= x1; ++k)
            stamps[k] = g;
        out.runs.push_back({y, x0, x1});
        const int32_t n = x1 - x0 + 1;
        area += n;
        sumX += double(n) * (x0 + x1) / 2;
        sumY += double(n) * y;
        for (const int32_t ny : {y - 1, y + 1}) {
            if (ny < roi.top() || ny > roi.bottom())
                continue;
            for (int32_t k = x0; k <= x1; ++k) {
                if (!dark(k, ny))
                    continue;
                stack_.push_back(k);
                stack_.push_back(ny);
                while (k < x1 && dark(k + 1, ny))
                    ++k;
            }
        }
    }
    if (area < kMinimumArea) {
        out.runs.clear();
        return;
    }
    out.area = area;
    std::sort(out.runs.begin(), out.runs.end(),
              [](const TGlottisRun& a, const TGlottisRun& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });

    // The next seed: near the region's centre (rows within kSeedRows of its centroid), of the
    // pixels nearly as dark as the darkest there, the one nearest the centroid.
    const double cx = sumX / double(area), cy = sumY / double(area);
    auto near = [&](const TGlottisRun& r) { return std::abs(r.y - cy) <= kSeedRows; };
    const bool anyNear = std::any_of(out.runs.begin(), out.runs.end(), near);
    int32_t darkestNear = 256;
    for (const TGlottisRun& r : out.runs)
        if (!anyNear || near(r))
            darkestNear = std::min<int32_t>(darkestNear, *std::min_element(frame + size_t(r.y) * size_t(width) + r.x0,
                                                                        frame + size_t(r.y) * size_t(width) + r.x1 + 1));
    double nearest = 1e300;
    for (const TGlottisRun& r : out.runs) {
        if (anyNear && !near(r))
            continue;
        const uint8_t* row = frame + size_t(r.y) * size_t(width);
        for (int32_t x = r.x0; x <= r.x1; ++x) {
            if (row[x] > darkestNear + kDarkTolerance)
                continue;
            const double d = (x - cx) * (x - cx) + (r.y - cy) * (r.y - cy);
            if (d < nearest) {
                nearest = d;
                seed_ = QPoint(x, r.y);
            }
        }
    }
}
