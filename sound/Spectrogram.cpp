#include "sound/Spectrogram.h"

#include "analysis/CFFT.h"

#include <algorithm>
#include <cmath>

QImage Spectrogram(const TSound& sound, double from, double to, int width, int height,
                   const TSpectrogramSettings& settings)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    const double rate = sound.Info.SampleRate;
    if (sound.Samples.empty() || !(rate > 0) || !(to > from) || width <= 0 || height <= 0)
        return image;
    const int32_t windowSamples = std::clamp(int32_t(std::lround(settings.WindowSeconds * rate)), 8, 65536);
    // Zero-padded to four times the window: the spectrum is sampled finely enough that a tone's
    // peak row lies within a few hertz of its frequency, not a whole bin of the window away.
    int32_t fftSize = 16;
    while (fftSize < 4 * windowSamples)
        fftSize *= 2;
    TFFT fft;
    fft.SetFFTSize(fftSize);
    fft.SetWindowSize(windowSamples);
    fft.SetWindow(TFFTWindow::Hanning);
    fft.SetSubtractMean(false);

    // Row y (0 at the bottom) shows the frequency at its centre: the bottom row MinFrequency, the
    // top row MaxFrequency, as a value axis of `height` pixels places its ends.
    const double lowHz = settings.MinFrequency, highHz = settings.MaxFrequency;
    const auto rowHz = [&](int y) {
        return height > 1 ? lowHz + (highHz - lowHz) * y / (height - 1) : (lowHz + highHz) / 2;
    };
    const double nyquist = rate / 2;
    // dB between the two bins around hz, linearly (rows finer than the bins show no steps).
    const auto powerAt = [fftSize, rate](const std::vector<double>& power, double hz) {
        const double at = std::clamp(hz * fftSize / rate, 0.0, double(fftSize / 2));
        const auto below = std::min(size_t(at), power.size() - 1);
        const size_t above = std::min(below + 1, power.size() - 1);
        const double share = at - double(below);
        return power[below] + (power[above] - power[below]) * share;
    };

    const auto size = int64_t(sound.Samples.size());
    std::vector<std::vector<double>> columns(static_cast<size_t>(width));
    double loudest = TFFT::kNoPower;
    tdoublearr series(static_cast<size_t>(windowSamples));
    for (int x = 0; x < width; ++x) {
        const double centre = from + (x + 0.5) * (to - from) / width;
        const int64_t start = int64_t(std::llround(centre * rate)) - windowSamples / 2;
        if (start + windowSamples <= 0 || start >= size)
            continue;
        for (int32_t i = 0; i < windowSamples; ++i) {
            const int64_t at = start + i;
            series[size_t(i)] = at >= 0 && at < size ? sound.Samples[size_t(at)] : 0.0;
        }
        fft.SetData(series);
        columns[size_t(x)] = fft.GetPowerDB();
        for (int y = 0; y < height; ++y)
            if (const double hz = rowHz(y); hz <= nyquist)
                loudest = std::max(loudest, powerAt(columns[size_t(x)], hz));
    }
    const double range = std::max(settings.DynamicRangeDb, 1.0);
    for (int x = 0; x < width; ++x) {
        const std::vector<double>& power = columns[size_t(x)];
        if (power.empty())
            continue;
        for (int y = 0; y < height; ++y) {
            const double hz = rowHz(y);
            if (hz > nyquist)
                continue;  // nothing recorded up there: left white
            const double level = std::clamp((powerAt(power, hz) - (loudest - range)) / range, 0.0, 1.0);
            const int grey = int(std::lround(255 * (1 - level)));
            image.setPixel(x, height - 1 - y, qRgb(grey, grey, grey));
        }
    }
    return image;
}

std::vector<std::pair<float, float>> WaveformColumns(const TSound& sound, double from, double to, int width)
{
    std::vector<std::pair<float, float>> columns(size_t(std::max(width, 0)), {0.0f, 0.0f});
    const double rate = sound.Info.SampleRate;
    const auto size = int64_t(sound.Samples.size());
    if (size == 0 || !(rate > 0) || !(to > from))
        return columns;
    for (int x = 0; x < width; ++x) {
        const int64_t a = std::max<int64_t>(0, int64_t(std::floor((from + x * (to - from) / width) * rate)));
        const int64_t b = std::min<int64_t>(size, std::max(a + 1, int64_t(std::floor((from + (x + 1) * (to - from) / width) * rate))));
        if (a >= size || b <= 0)
            continue;
        const auto [lo, hi] = std::minmax_element(sound.Samples.begin() + a, sound.Samples.begin() + b);
        columns[size_t(x)] = {*lo, *hi};
    }
    return columns;
}
