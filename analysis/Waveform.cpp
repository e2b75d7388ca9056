#include "analysis/Waveform.h"

#include "platform/Errors.h"

#include <algorithm>

int32_t WaveformLength(const TFrameCache& cache, int32_t samples)
{
    return std::clamp(samples, 0, cache.CacheSize());
}

TWaveformRange WaveformFrameRange(const TFrameCache& cache, int32_t spectrumLength)
{
    const double lo = cache.FirstCachedFrame();
    return {lo, lo + spectrumLength};
}

TWaveformSeries WaveformSeries(const TFrameCache& cache, int32_t column, int32_t row, int32_t samples)
{
    if (column < 0 || column >= cache.Width() || row < 0 || row >= cache.Height())
        throw ERangeError();
    TWaveformSeries series;
    series.firstFrame = cache.FirstCachedFrame();
    const int32_t length = WaveformLength(cache, samples);
    series.values.resize(size_t(length));
    for (int32_t i = 0; i < length; ++i)
        series.values[size_t(i)] = cache.Row(i, row)[column];
    return series;
}

std::vector<QPointF> WaveformPolyline(const TWaveformSeries& series, const TValueToPixel& x, const TValueToPixel& y)
{
    std::vector<QPointF> points;
    points.reserve(series.values.size());
    for (size_t i = 0; i < series.values.size(); ++i)
        points.emplace_back(x(double(series.Frame(i))), y(double(series.values[i])));
    return points;
}
