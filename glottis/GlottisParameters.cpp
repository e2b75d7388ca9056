#include "glottis/GlottisParameters.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TMeanSd MeanSd(const std::vector<TGlottalCycle>& cycles, double TGlottalCycle::*field)
{
    TMeanSd r;
    if (cycles.empty())
        return r;
    for (const TGlottalCycle& c : cycles)
        r.mean += c.*field;
    r.mean /= double(cycles.size());
    if (cycles.size() > 1) {
        double s = 0;
        for (const TGlottalCycle& c : cycles)
            s += (c.*field - r.mean) * (c.*field - r.mean);
        r.sd = std::sqrt(s / double(cycles.size() - 1));
    }
    return r;
}

// Local perturbation (Baken & Orlikoff 2000; Praat's "local" jitter and shimmer): the mean
// absolute difference of consecutive values over their mean, in %.
double LocalPerturbation(const std::vector<double>& v)
{
    if (v.size() < 2)
        return std::numeric_limits<double>::quiet_NaN();
    double diff = 0, sum = 0;
    for (size_t i = 0; i + 1 < v.size(); ++i)
        diff += std::abs(v[i + 1] - v[i]);
    for (const double x : v)
        sum += x;
    const double mean = sum / double(v.size());
    return mean > 0 ? 100 * (diff / double(v.size() - 1)) / mean : std::numeric_limits<double>::quiet_NaN();
}

// Periodicity (Qiu et al. 2003): the mean over consecutive cycles of the smaller value over the
// larger; 1 for a perfectly regular vibration.
double Periodicity(const std::vector<double>& v)
{
    if (v.size() < 2)
        return std::numeric_limits<double>::quiet_NaN();
    double sum = 0;
    for (size_t i = 0; i + 1 < v.size(); ++i) {
        const double hi = std::max(v[i], v[i + 1]);
        sum += hi > 0 ? std::min(v[i], v[i + 1]) / hi : 1;
    }
    return sum / double(v.size() - 1);
}

QString Number(double v)
{
    if (!std::isfinite(v))
        return QString();
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

TGlottisParameters GlottisParameters(const std::vector<double>& area, double framesPerSecond, int32_t firstFrame)
{
    TGlottisParameters p;
    p.jitter = p.shimmer = p.amplitudePeriodicity = p.timePeriodicity = std::numeric_limits<double>::quiet_NaN();
    if (area.empty())
        return p;
    const auto [lo, hi] = std::minmax_element(area.begin(), area.end());
    p.minArea = *lo;
    p.maxArea = *hi;
    const double range = p.maxArea - p.minArea;
    if (range <= 0 || framesPerSecond <= 0)
        return p;

    // Peaks with hysteresis: the waveform rises above half its range and falls below a fifth of
    // it once per cycle, so noise near either level does not split a cycle.
    const double upper = p.minArea + 0.5 * range, lower = p.minArea + 0.2 * range;
    std::vector<std::pair<size_t, size_t>> highs;  // [rise, fall) of each peak episode
    bool high = false;
    for (size_t i = 0; i < area.size(); ++i) {
        if (!high && area[i] >= upper) {
            high = true;
            highs.push_back({i, area.size()});
        } else if (high && area[i] <= lower) {
            high = false;
            highs.back().second = i;
        }
    }
    // The minimum between two peak episodes bounds a cycle; a flat minimum (a closed phase) at
    // the middle of its frames.
    std::vector<double> bounds;
    for (size_t k = 0; k + 1 < highs.size(); ++k) {
        const size_t a = highs[k].second, b = highs[k + 1].first;
        if (a >= b)
            continue;
        const double m = *std::min_element(area.begin() + std::ptrdiff_t(a), area.begin() + std::ptrdiff_t(b));
        size_t firstMin = b, lastMin = a;
        for (size_t i = a; i < b; ++i)
            if (area[i] == m) {
                firstMin = std::min(firstMin, i);
                lastMin = i;
            }
        bounds.push_back(0.5 * double(firstMin + lastMin));
    }

    std::vector<double> periods, amplitudes;
    for (size_t k = 0; k + 1 < bounds.size(); ++k) {
        const double b0 = bounds[k], b1 = bounds[k + 1];
        const size_t n0 = size_t(std::ceil(b0)), n1 = size_t(std::ceil(b1));  // frames b0 <= n < b1
        if (n1 <= n0)
            continue;
        TGlottalCycle c;
        c.start = firstFrame + b0;
        c.end = firstFrame + b1;
        size_t peak = n0;
        c.minArea = area[n0];
        for (size_t n = n0; n < n1; ++n) {
            if (area[n] > area[peak])
                peak = n;
            c.minArea = std::min(c.minArea, area[n]);
        }
        c.peak = firstFrame + int32_t(peak);
        c.maxArea = area[peak];
        const double frames = b1 - b0;
        // Period T and fundamental frequency F0 = 1 / T.
        c.periodSeconds = frames / framesPerSecond;
        c.f0 = 1 / c.periodSeconds;
        // The open phase is the run of open frames around the peak, a frame being closed when its
        // area is at most kGlottisClosedFraction of the cycle's maximum; it begins and ends halfway
        // between an open and a closed frame (or at the cycle's bound when the glottis stays open).
        const double closed = kGlottisClosedFraction * c.maxArea;
        size_t o0 = peak, o1 = peak;
        while (o0 > n0 && area[o0 - 1] > closed)
            --o0;
        while (o1 + 1 < n1 && area[o1 + 1] > closed)
            ++o1;
        const double opening = double(peak) - std::max(b0, double(o0) - 0.5);
        const double closing = std::min(b1, double(o1) + 0.5) - double(peak);
        // Open quotient OQ = open phase / T (Timcke, von Leden & Moore 1958).
        c.openQuotient = (opening + closing) / frames;
        // Speed quotient SQ = opening phase / closing phase (Timcke, von Leden & Moore 1958).
        c.speedQuotient = closing > 0 ? opening / closing : std::numeric_limits<double>::quiet_NaN();
        // Closing quotient ClQ = closing phase / T (Holmberg, Hillman & Perkell 1988).
        c.closingQuotient = closing / frames;
        // Glottal gap index GGI = minimum area / maximum area of the cycle (Patel et al. 2014).
        c.gapIndex = c.maxArea > 0 ? c.minArea / c.maxArea : 0;
        c.amplitude = c.maxArea - c.minArea;
        periods.push_back(c.periodSeconds);
        amplitudes.push_back(c.amplitude);
        p.cycles.push_back(c);
    }
    if (p.cycles.empty())
        return p;
    p.f0 = MeanSd(p.cycles, &TGlottalCycle::f0);
    p.period = MeanSd(p.cycles, &TGlottalCycle::periodSeconds);
    p.openQuotient = MeanSd(p.cycles, &TGlottalCycle::openQuotient);
    p.speedQuotient = MeanSd(p.cycles, &TGlottalCycle::speedQuotient);
    p.closingQuotient = MeanSd(p.cycles, &TGlottalCycle::closingQuotient);
    p.gapIndex = MeanSd(p.cycles, &TGlottalCycle::gapIndex);
    p.amplitude = MeanSd(p.cycles, &TGlottalCycle::amplitude);
    // Jitter (local) from the periods, shimmer (local) from the cycle amplitudes.
    p.jitter = LocalPerturbation(periods);
    p.shimmer = LocalPerturbation(amplitudes);
    p.timePeriodicity = Periodicity(periods);
    p.amplitudePeriodicity = Periodicity(amplitudes);
    return p;
}

std::vector<TParameterRow> GlottisParameterRows(const TGlottisParameters& p)
{
    const bool any = !p.cycles.empty();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto v = [&](double x) { return Number(any ? x : nan); };
    return {
        {QStringLiteral("cycles"), QString::number(p.cycles.size()), QString()},
        {QStringLiteral("f0_mean"), v(p.f0.mean), QStringLiteral("Hz")},
        {QStringLiteral("f0_sd"), v(p.f0.sd), QStringLiteral("Hz")},
        {QStringLiteral("period_mean"), v(1000 * p.period.mean), QStringLiteral("ms")},
        {QStringLiteral("period_sd"), v(1000 * p.period.sd), QStringLiteral("ms")},
        {QStringLiteral("open_quotient_mean"), v(p.openQuotient.mean), QString()},
        {QStringLiteral("open_quotient_sd"), v(p.openQuotient.sd), QString()},
        {QStringLiteral("speed_quotient_mean"), v(p.speedQuotient.mean), QString()},
        {QStringLiteral("speed_quotient_sd"), v(p.speedQuotient.sd), QString()},
        {QStringLiteral("closing_quotient_mean"), v(p.closingQuotient.mean), QString()},
        {QStringLiteral("closing_quotient_sd"), v(p.closingQuotient.sd), QString()},
        {QStringLiteral("glottal_gap_index_mean"), v(p.gapIndex.mean), QString()},
        {QStringLiteral("glottal_gap_index_sd"), v(p.gapIndex.sd), QString()},
        {QStringLiteral("amplitude_mean"), v(p.amplitude.mean), QStringLiteral("px")},
        {QStringLiteral("amplitude_sd"), v(p.amplitude.sd), QStringLiteral("px")},
        {QStringLiteral("jitter_local"), Number(p.jitter), QStringLiteral("%")},
        {QStringLiteral("shimmer_local"), Number(p.shimmer), QStringLiteral("%")},
        {QStringLiteral("amplitude_periodicity"), Number(p.amplitudePeriodicity), QString()},
        {QStringLiteral("time_periodicity"), Number(p.timePeriodicity), QString()},
        {QStringLiteral("area_max"), Number(p.maxArea), QStringLiteral("px")},
        {QStringLiteral("area_min"), Number(p.minArea), QStringLiteral("px")},
        {QStringLiteral("closed_threshold"), Number(kGlottisClosedFraction), QStringLiteral("of cycle maximum")},
    };
}

QString GlottisParameterCsv(const TGlottisParameters& parameters)
{
    QString text = QStringLiteral("name,value,unit\n");
    for (const TParameterRow& row : GlottisParameterRows(parameters))
        text += row.name + QLatin1Char(',') + row.value + QLatin1Char(',') + row.unit + QLatin1Char('\n');
    return text;
}

QString GlottisWaveformCsv(const std::vector<double>& area, int32_t firstFrame)
{
    QString text = QStringLiteral("frame,area\n");
    for (size_t i = 0; i < area.size(); ++i)
        text += QString::number(int64_t(firstFrame) + int64_t(i)) + QLatin1Char(',') + Number(area[i]) + QLatin1Char('\n');
    return text;
}
