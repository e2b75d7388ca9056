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

    // The histogram in four interleaved tables, so that runs of equal bytes do not serialise.
    int64_t parts[4][256];
    std::memset(parts, 0, sizeof parts);
    for (int32_t y = 0; y < rh; ++y) {
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

    // 4-connected fill inside the region of interest.
    if (++generation_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0);
        generation_ = 1;
    }
    stack_.clear();
    members_.clear();
    auto visit = [&](int32_t x, int32_t y) {
        const int32_t i = (y - roi.top()) * rw + (x - roi.left());
        if (stamp_[size_t(i)] == generation_ || pixel(x, y) > level)
            return;
        stamp_[size_t(i)] = generation_;
        stack_.push_back(i);
    };
    visit(start.x(), start.y());
    int32_t yMin = rh, yMax = -1, darkest = 256;
    double sumX = 0, sumY = 0;
    while (!stack_.empty()) {
        const int32_t i = stack_.back();
        stack_.pop_back();
        members_.push_back(i);
        const int32_t x = roi.left() + i % rw, y = roi.top() + i / rw;
        yMin = std::min(yMin, i / rw);
        yMax = std::max(yMax, i / rw);
        darkest = std::min<int32_t>(darkest, pixel(x, y));
        sumX += x;
        sumY += y;
        if (x > roi.left())
            visit(x - 1, y);
        if (x < roi.right())
            visit(x + 1, y);
        if (y > roi.top())
            visit(x, y - 1);
        if (y < roi.bottom())
            visit(x, y + 1);
    }
    const int64_t area = int64_t(members_.size());
    if (area < kMinimumArea)
        return;
    out.area = area;

    // Runs, row by row over the rows the region reached.
    for (int32_t ry = yMin; ry <= yMax; ++ry) {
        const uint32_t* row = stamp_.data() + size_t(ry) * size_t(rw);
        for (int32_t rx = 0; rx < rw;) {
            if (row[rx] != generation_) {
                ++rx;
                continue;
            }
            const int32_t x0 = rx;
            while (rx < rw && row[rx] == generation_)
                ++rx;
            out.runs.push_back({roi.top() + ry, roi.left() + x0, roi.left() + rx - 1});
        }
    }

    // The next seed: of the pixels nearly as dark as the darkest, the one nearest the centre.
    const double cx = sumX / double(area), cy = sumY / double(area);
    double nearest = 1e300;
    for (const int32_t i : members_) {
        const int32_t x = roi.left() + i % rw, y = roi.top() + i / rw;
        if (pixel(x, y) > darkest + kDarkTolerance)
            continue;
        const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        if (d < nearest) {
            nearest = d;
            seed_ = QPoint(x, y);
        }
    }
}
