// The analyses of tremax-cli as NumPy arrays: kymogram, point and row spectra, colorizing,
// waveform and the speckle trace. Keyword arguments are named like the tool's options, with the
// same defaults; each call works on the sequence's own frame block, as the tool's command does.
#include "Binding.h"

#include "analysis/Kymogram.h"
#include "analysis/PixelColour.h"
#include "analysis/PixelSource.h"
#include "analysis/SpeckleTracker.h"
#include "analysis/SpectrumStore.h"
#include "analysis/Waveform.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "viewer/render/FrameRenderer.h"
#include "viewer/io/formats/Recording.h"

#include <pybind11/stl.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <thread>
#include <utility>

namespace {

TRenderSettings GreyLevels(int32_t black, int32_t gray, int32_t white, bool edge)
{
    const auto level = [](const char* name, int32_t value) {
        if (value < 0 || value > 255)
            throw EError(QStringLiteral("--%1 %2 is outside the grey levels 0 to 255").arg(QLatin1String(name)).arg(value));
        return value;
    };
    TRenderSettings settings;
    settings.blackLevel = level("black", black);
    settings.grayLevel = level("gray", gray);
    settings.whiteLevel = level("white", white);
    settings.edgeEnhance = edge;
    return settings;
}

std::unique_ptr<TSpectrumStore> Store(TSequence& sequence, int32_t length)
{
    auto store = std::make_unique<TSpectrumStore>(sequence);
    store->SetSpectrumLength(length);
    return store;
}

py::array_t<double> Frequencies(const TSpectrumStore& store, int32_t bins)
{
    std::vector<double> hz(size_t(std::max(bins, 0)));
    for (int32_t k = 0; k < bins; ++k)
        hz[size_t(k)] = store.BinFrequency(k);
    return OwnedArray(std::move(hz), {py::ssize_t(hz.size())});
}

// The kymogram bitmap's grey bytes: (columns of the image, frames of the span).
py::array_t<uint8_t> Kymogram(TPySequence& seq, std::optional<int32_t> row, int32_t from, int32_t to, int32_t black,
                              int32_t gray, int32_t white, bool edge)
{
    const TRenderSettings levels = GreyLevels(black, gray, white, edge);
    return Unlocked(seq, [&](TSequence& sequence) {
        TKymogramSettings settings;
        settings.blackLevel = levels.blackLevel;
        settings.grayLevel = levels.grayLevel;
        settings.whiteLevel = levels.whiteLevel;
        settings.edgeEnhance = levels.edgeEnhance;
        const QImage bitmap = BuildAskedKymogram(sequence, row.value_or(sequence.Height() / 2), from, to, settings);
        const int32_t columns = sequence.Width();
        const int32_t frames = to - from + 1;
        std::vector<uint8_t> grey(size_t(columns) * size_t(frames));
        for (int32_t c = 0; c < columns; ++c)
            for (int32_t k = 0; k < frames; ++k)
                grey[size_t(c) * size_t(frames) + size_t(k)] = uint8_t(qBlue(bitmap.pixel(k, c)));
        return OwnedArray(std::move(grey), {columns, frames});
    });
}

// (frequency_hz, power_db, phase_rad) of bins 0 … N/2 − 1; empty when the pixel is constant.
py::tuple PointSpectrum(TPySequence& seq, int32_t x, int32_t y, int32_t start, int32_t length, int32_t cache)
{
    std::vector<float> power, phase;
    std::unique_ptr<TSpectrumStore> store;
    int32_t bins = 0;
    Unlocked(seq, [&](TSequence& sequence) {
        CheckPixel(sequence, QPoint(x, y));
        ApplyAnalysisBlock(sequence, start, length, cache);
        store = Store(sequence, length);
        store->ComputePixelSpectrum(x, y);
        if (store->SpectrumValid(y, x))
            bins = store->FFTLength() / 2;
        for (int32_t k = 0; k < bins; ++k) {
            power.push_back(store->Power(k, y, x));
            phase.push_back(store->Phase(k, y, x));
        }
        return 0;
    });
    return py::make_tuple(Frequencies(*store, bins), OwnedArray(std::move(power), {bins}),
                          OwnedArray(std::move(phase), {bins}));
}

// (frequency_hz of the bins, power_db as (rows, bins)).
py::tuple RowSpectra(TPySequence& seq, int32_t start, int32_t length, int32_t cache)
{
    std::unique_ptr<TSpectrumStore> store;
    std::vector<float> power;
    int32_t bins = 0, rows = 0;
    Unlocked(seq, [&](TSequence& sequence) {
        ApplyAnalysisBlock(sequence, start, length, cache);
        store = Store(sequence, length);
        store->ComputeRowSpectra();
        bins = store->FFTLength() / 2;
        rows = store->Height();
        power.resize(size_t(bins) * size_t(rows));
        for (int32_t y = 0; y < rows; ++y)
            for (int32_t k = 0; k < bins; ++k)
                power[size_t(y) * size_t(bins) + size_t(k)] = store->RowSpectrum(k, y);
        return 0;
    });
    return py::make_tuple(Frequencies(*store, bins), OwnedArray(std::move(power), {rows, bins}));
}

// The colorizing sweep at one frequency: every pixel's power and phase at the selected bin (NaN
// without spectra) and the colorized frame as RGB.
struct TColorized {
    int32_t bin = 0;
    double frequency = 0;
    py::array_t<float> power;
    py::array_t<float> phase;
    py::array_t<uint8_t> image;
};

TColorized Colorize(TPySequence& seq, double frequency, int32_t start, int32_t length, int32_t cache,
                    std::optional<int32_t> frame, double lo, double hi, std::optional<std::pair<int32_t, int32_t>> phaseRef,
                    int32_t black, int32_t gray, int32_t white, bool edge)
{
    TColourSettings colours;
    colours.loSat = lo;
    colours.hiSat = hi;
    TRenderSettings render = GreyLevels(black, gray, white, edge);
    TColorized result;
    std::vector<float> power, phase;
    std::vector<uint8_t> rgb;
    int32_t width = 0, height = 0;
    Unlocked(seq, [&](TSequence& sequence) {
        const double nyquist = sequence.Header().FramesPerSecond / 2;
        if (!(frequency >= 0 && frequency <= nyquist))
            throw EError(QStringLiteral("--frequency %1 is outside 0 to %2 Hz (half the frame rate)")
                             .arg(FloatToStrExact(frequency), FloatToStrExact(nyquist)));
        if (phaseRef) {
            colours.referenceColumn = phaseRef->first;
            colours.referenceRow = phaseRef->second;
            CheckColumn(sequence, colours.referenceColumn);
            CheckRow(sequence, colours.referenceRow);
            colours.showPhase = true;
        }
        ApplyAnalysisBlock(sequence, start, length, cache);
        const int32_t first = sequence.FirstCachedFrame();
        const int32_t shown = frame.value_or(first);
        CheckFrameOption(sequence, "frame", shown);
        if (!sequence.Cache().Holds(shown))
            throw EError(QStringLiteral("Frame %1 lies outside the analysis block (frames %2 to %3)")
                             .arg(shown)
                             .arg(first)
                             .arg(int64_t(first) + sequence.CacheSize() - 1));
        const auto store = Store(sequence, length);
        store->SetSelectedFrequency(frequency);
        store->ColorizeSweep(nullptr, int(std::max(1u, std::thread::hardware_concurrency())));
        width = store->Width();
        height = store->Height();
        const int32_t bin = store->SelectedBin();
        const size_t pixels = size_t(width) * size_t(height);
        power.assign(pixels, std::numeric_limits<float>::quiet_NaN());
        phase.assign(pixels, std::numeric_limits<float>::quiet_NaN());
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                if (store->SpectrumValid(y, x)) {
                    power[size_t(y) * size_t(width) + size_t(x)] = store->Power(bin, y, x);
                    phase[size_t(y) * size_t(width) + size_t(x)] = store->Phase(bin, y, x);
                }
        const TPixelColour colour(*store, colours);
        render.colourer = &colour;
        TFrameRenderer renderer;
        QImage bitmap;
        RenderCachedFrame(renderer, sequence.Cache(), shown, render, bitmap);
        const QImage picture = bitmap.convertToFormat(QImage::Format_RGB888);
        rgb.resize(pixels * 3);
        for (int32_t y = 0; y < height; ++y)
            std::copy_n(picture.constScanLine(y), size_t(width) * 3, rgb.data() + size_t(y) * size_t(width) * 3);
        result.bin = bin;
        result.frequency = store->SelectedFrequency();
        return 0;
    });
    result.power = OwnedArray(std::move(power), {height, width});
    result.phase = OwnedArray(std::move(phase), {height, width});
    result.image = OwnedArray(std::move(rgb), {height, width, 3});
    return result;
}

// (frame numbers, grey values) of the N samples the Waveform window draws.
py::tuple Waveform(TPySequence& seq, int32_t x, int32_t y, int32_t start, int32_t length, int32_t cache)
{
    TWaveformSeries series = Unlocked(seq, [&](TSequence& sequence) {
        CheckPixel(sequence, QPoint(x, y));
        ApplyAnalysisBlock(sequence, start, length, cache);
        const auto store = Store(sequence, length);
        return WaveformSeries(sequence.Cache(), x, y, store->FFTLength());
    });
    std::vector<int32_t> frames(series.values.size());
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = series.Frame(i);
    const py::ssize_t n = py::ssize_t(frames.size());
    return py::make_tuple(OwnedArray(std::move(frames), {n}), OwnedArray(std::move(series.values), {n}));
}

// The 100 trace points as (100, 2): x, y.
py::array_t<double> Track(TPySequence& seq, int32_t x, int32_t y, int32_t frame, std::pair<int32_t, int32_t> corr,
                          std::pair<int32_t, int32_t> scout, bool toFirst, bool xdiff)
{
    TSpeckleSettings settings;
    settings.CorrHalfX = corr.first;
    settings.CorrHalfY = corr.second;
    settings.ScoutHalfX = scout.first;
    settings.ScoutHalfY = scout.second;
    settings.CorrelateToFirst = toFirst;
    settings.XDifferentiate = xdiff;
    std::vector<double> xy(size_t(kSpecklePoints) * 2);
    Unlocked(seq, [&](TSequence& sequence) {
        CheckPixel(sequence, QPoint(x, y));
        CheckFrameOption(sequence, "frame", frame);
        TSequencePixels pixels(sequence);
        TSpeckleTracker tracker;
        TSpecklePoints points;
        tracker.Track(pixels, frame, QPoint(x, y), settings, {}, points);
        for (size_t n = 0; n < points.size(); ++n) {
            xy[2 * n] = points[n].x();
            xy[2 * n + 1] = points[n].y();
        }
        return 0;
    });
    return OwnedArray(std::move(xy), {kSpecklePoints, 2});
}

}  // namespace

TREMAX_PYTHON_BINDING(analyses)
{
    using py::arg;
    const int32_t cache = TSequence::kOpenCacheSize;
    module.def("kymogram", &Kymogram, arg("seq"), py::kw_only(), arg("row") = py::none(), arg("from_") = 0,
               arg("to") = 100, arg("black") = 0, arg("gray") = 64, arg("white") = 255, arg("edge") = false,
               "The kymogram bitmap's grey values, (width, to - from_ + 1) uint8: image column by frame.");
    module.def("point_spectrum", &PointSpectrum, arg("seq"), py::kw_only(), arg("x"), arg("y"), arg("start") = 0,
               arg("length") = 256, arg("cache") = cache,
               "(frequency_hz, power_db, phase_rad) of one pixel, bins 0 ... N/2 - 1; empty for a constant pixel.");
    module.def("row_spectra", &RowSpectra, arg("seq"), py::kw_only(), arg("start") = 0, arg("length") = 256,
               arg("cache") = cache, "(frequency_hz, power_db (rows, bins)): the spectrum of every row's mean.");
    py::class_<TColorized>(module, "Colorized", "The colorizing at one frequency.")
        .def_readonly("bin", &TColorized::bin)
        .def_readonly("frequency", &TColorized::frequency)
        .def_readonly("power", &TColorized::power, "power_db (height, width) float32, NaN without spectra")
        .def_readonly("phase", &TColorized::phase, "phase_rad (height, width) float32, NaN without spectra")
        .def_readonly("image", &TColorized::image, "the colorized frame, (height, width, 3) uint8 RGB");
    module.def("colorize", &Colorize, arg("seq"), py::kw_only(), arg("frequency"), arg("start") = 0,
               arg("length") = 256, arg("cache") = cache, arg("frame") = py::none(), arg("lo") = -50.0,
               arg("hi") = -30.0, arg("phase_ref") = py::none(), arg("black") = 0, arg("gray") = 64,
               arg("white") = 255, arg("edge") = false,
               "A full colorizing sweep at `frequency` (snapped to a bin as a click selects it).");
    module.def("waveform", &Waveform, arg("seq"), py::kw_only(), arg("x"), arg("y"), arg("start") = 0,
               arg("length") = 256, arg("cache") = cache, "(frame, value) of the N samples of the block.");
    module.def("track", &Track, arg("seq"), py::kw_only(), arg("x"), arg("y"), arg("frame") = 0,
               arg("corr") = std::pair<int32_t, int32_t>(24, 10), arg("scout") = std::pair<int32_t, int32_t>(8, 2),
               arg("to_first") = false, arg("xdiff") = false, "The speckle trace: (100, 2) float64, x and y.");
}
