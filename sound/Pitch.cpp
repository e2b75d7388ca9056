#include "sound/Pitch.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "sound/Sound.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Sum of squares of samples [a, b) from the running sums.
double Energy(const std::vector<double>& cumulative, int64_t a, int64_t b) { return cumulative[size_t(b)] - cumulative[size_t(a)]; }

}  // namespace

std::vector<TPitchPoint> PitchTrack(const std::vector<float>& samples, double rate, double from, double to,
                                    const TPitchSettings& settings)
{
    std::vector<TPitchPoint> track;
    if (samples.empty() || !(rate > 0) || !(settings.MinF0 > 0) || !(settings.MaxF0 > settings.MinF0) ||
        !(settings.Step > 0))
        return track;
    const auto size = int64_t(samples.size());
    const int64_t minLag = std::max<int64_t>(2, int64_t(std::floor(rate / settings.MaxF0)));
    const int64_t maxLag = int64_t(std::ceil(rate / settings.MinF0));
    const int64_t window = std::max<int64_t>(int64_t(std::ceil(settings.WindowPeriods * rate / settings.MinF0)), maxLag);
    const int64_t span = window + maxLag + 1;  // samples one frame looks at
    if (span > size)
        return track;

    std::vector<double> cumulative(size_t(size) + 1, 0.0);
    float peak = 0;
    for (int64_t i = 0; i < size; ++i) {
        cumulative[size_t(i) + 1] = cumulative[size_t(i)] + double(samples[size_t(i)]) * samples[size_t(i)];
        peak = std::max(peak, std::abs(samples[size_t(i)]));
    }
    const double silence = settings.SilenceLevel * peak;

    const double duration = double(size) / rate;
    if (!(to > from))
        to = duration;
    from = std::max(from, 0.0);
    to = std::min(to, duration);
    std::vector<double> r(size_t(maxLag + 2), 0.0);
    for (int64_t k = 0;; ++k) {
        const double centre = from + double(k) * settings.Step;
        if (centre > to + 1e-12)
            break;
        const int64_t start = int64_t(std::llround(centre * rate)) - span / 2;
        if (start < 0)
            continue;
        if (start + span > size)
            break;
        TPitchPoint point;
        point.Time = centre;
        const float* x = samples.data() + start;
        float framePeak = 0;
        for (int64_t i = 0; i < span; ++i)
            framePeak = std::max(framePeak, std::abs(x[i]));
        if (framePeak > silence && framePeak > 0) {
            const double e0 = Energy(cumulative, start, start + window);
            for (int64_t lag = minLag - 1; lag <= maxLag + 1; ++lag) {
                double sum = 0;
                for (int64_t i = 0; i < window; ++i)
                    sum += double(x[i]) * x[i + lag];
                const double norm = std::sqrt(e0 * Energy(cumulative, start + lag, start + lag + window));
                r[size_t(lag)] = norm > 0 ? sum / norm : 0;
            }
            double best = 0;
            for (int64_t lag = minLag; lag <= maxLag; ++lag)
                if (r[size_t(lag)] >= r[size_t(lag) - 1] && r[size_t(lag)] >= r[size_t(lag) + 1])
                    best = std::max(best, r[size_t(lag)]);
            if (best >= settings.VoicingThreshold) {
                for (int64_t lag = minLag; lag <= maxLag; ++lag) {
                    const double a = r[size_t(lag) - 1], b = r[size_t(lag)], c = r[size_t(lag) + 1];
                    if (b >= a && b >= c && b >= best - settings.OctaveTolerance) {
                        const double curvature = a - 2 * b + c;
                        const double shift = curvature < 0 ? 0.5 * (a - c) / curvature : 0;
                        point.Frequency = rate / (double(lag) + shift);
                        point.Strength = b;
                        break;
                    }
                }
            }
        }
        track.push_back(point);
    }
    return track;
}

double MedianFrequency(const std::vector<TPitchPoint>& track)
{
    std::vector<double> voiced;
    for (const TPitchPoint& point : track)
        if (point.Frequency > 0)
            voiced.push_back(point.Frequency);
    if (voiced.empty())
        return 0;
    const size_t middle = voiced.size() / 2;
    std::nth_element(voiced.begin(), voiced.begin() + std::ptrdiff_t(middle), voiced.end());
    if (voiced.size() % 2 == 1)
        return voiced[middle];
    const double upper = voiced[middle];
    return (upper + *std::max_element(voiced.begin(), voiced.begin() + std::ptrdiff_t(middle))) / 2;
}

int32_t CheckedChannel(int32_t channel)
{
    if (channel < 0)
        throw EError(QStringLiteral("--channel %1 is not a channel (channels count from 0)").arg(channel));
    return channel;
}

std::vector<TPitchPoint> SoundFilePitchTrack(const QString& path, int32_t channel, double from, std::optional<double> to)
{
    if (!std::isfinite(from) || !std::isfinite(to.value_or(0)) || from < 0)
        throw EError(QStringLiteral("--from and --to are seconds from 0 on"));
    if (to && *to <= from)
        throw EError(QStringLiteral("--to %1 is not after --from %2").arg(FloatToStrExact(*to), FloatToStrExact(from)));
    const TSound sound = ReadSound(path, CheckedChannel(channel));
    if (from > sound.Info.Duration())
        throw EError(QStringLiteral("--from %1 is after the end of the sound (%2 s)")
                         .arg(FloatToStrExact(from), FloatToStrExact(sound.Info.Duration())));
    return PitchTrack(sound.Samples, sound.Info.SampleRate, from, to.value_or(0));
}
