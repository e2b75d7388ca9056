// The glottis measures of tremax-cli glottis and pvg: the area waveform with its vibration
// parameters, and the phonovibrogram. The span is checked and segmented by the tool's own code.
#include "Binding.h"

#include "glottis/GlottisAnalysis.h"
#include "glottis/GlottisParameters.h"
#include "glottis/Phonovibrogram.h"

#include <pybind11/stl.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <utility>

namespace {

using TPair = std::pair<int32_t, int32_t>;
using TCorners = std::array<int32_t, 4>;

TGlottisSpan Span(const TSequence& sequence, TPair seed, int32_t from, int32_t to, const std::optional<TCorners>& roi)
{
    std::optional<std::pair<QPoint, QPoint>> corners;
    if (roi)
        corners.emplace(QPoint((*roi)[0], (*roi)[1]), QPoint((*roi)[2], (*roi)[3]));
    return CheckedGlottisSpan(sequence, QPoint(seed.first, seed.second), from, to, corners);
}

// The area waveform and the parameters as the tool's CSV lists them (value NaN where the CSV
// leaves it empty).
struct TGlottis {
    py::array_t<int32_t> frame;
    py::array_t<double> area;
    py::dict parameters;
    py::dict units;
};

TGlottis Glottis(TPySequence& seq, TPair seed, int32_t from, int32_t to, std::optional<TCorners> roi)
{
    TGlottisResult result;
    std::vector<TParameterRow> rows;
    Unlocked(seq, [&](TSequence& sequence) {
        result = SegmentGlottis(sequence, Span(sequence, seed, from, to, roi));
        rows = GlottisParameterRows(GlottisParameters(result.area, sequence.Header().FramesPerSecond, result.first));
        return 0;
    });
    TGlottis glottis;
    std::vector<int32_t> frames(result.area.size());
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = result.first + int32_t(i);
    const py::ssize_t n = py::ssize_t(frames.size());
    glottis.frame = OwnedArray(std::move(frames), {n});
    glottis.area = OwnedArray(std::move(result.area), {n});
    for (const TParameterRow& row : rows) {
        // The rows' numbers are written shortest round-trip: reading one back gives the double.
        const double value = row.value.isEmpty() ? std::numeric_limits<double>::quiet_NaN() : row.value.toDouble();
        const py::str name(row.name.toStdString());
        glottis.parameters[name] = value;
        glottis.units[name] = row.unit.toStdString();
    }
    return glottis;
}

struct TPvg {
    int32_t firstFrame = 0;
    py::array_t<float> left;
    py::array_t<float> right;
    float maxDistance = 0;
    std::pair<double, double> anterior;
    std::pair<double, double> posterior;
    py::array_t<uint8_t> image;
};

TPvg Pvg(TPySequence& seq, TPair seed, int32_t from, int32_t to, std::optional<TCorners> roi)
{
    TPhonovibrogram pvg;
    std::vector<uint8_t> rgb;
    int32_t width = 0, height = 0;
    NeedGuiApplication();  // the legend's text
    Unlocked(seq, [&](TSequence& sequence) {
        pvg = FoundPhonovibrogram(sequence, Span(sequence, seed, from, to, roi));
        const QImage picture = PhonovibrogramImage(pvg).convertToFormat(QImage::Format_RGB888);
        width = picture.width();
        height = picture.height();
        rgb.resize(size_t(width) * size_t(height) * 3);
        for (int32_t y = 0; y < height; ++y)
            std::copy_n(picture.constScanLine(y), size_t(width) * 3, rgb.data() + size_t(y) * size_t(width) * 3);
        return 0;
    });
    TPvg result;
    result.firstFrame = pvg.firstFrame;
    result.maxDistance = pvg.maxDistance;
    result.anterior = {pvg.axis.anterior.x(), pvg.axis.anterior.y()};
    result.posterior = {pvg.axis.posterior.x(), pvg.axis.posterior.y()};
    result.left = OwnedArray(std::move(pvg.left), {pvg.frames, pvg.positions});
    result.right = OwnedArray(std::move(pvg.right), {pvg.frames, pvg.positions});
    result.image = OwnedArray(std::move(rgb), {height, width, 3});
    return result;
}

}  // namespace

TREMAX_PYTHON_BINDING(glottis)
{
    using py::arg;
    py::class_<TGlottis>(module, "Glottis", "The glottis over a span: area waveform and vibration parameters.")
        .def_readonly("frame", &TGlottis::frame, "frame numbers, int32")
        .def_readonly("area", &TGlottis::area, "glottal area of each frame in pixels, float64")
        .def_readonly("parameters", &TGlottis::parameters, "name -> value, as tremax-cli glottis lists them")
        .def_readonly("units", &TGlottis::units, "name -> unit");
    module.def("glottis", &Glottis, arg("seq"), py::kw_only(), arg("seed"), arg("from_") = 0, arg("to") = 100,
               arg("roi") = py::none(),
               "The glottis segmented from `seed` (x, y) over frames from_ ... to; roi=(x0, y0, x1, y1).");
    py::class_<TPvg>(module, "Phonovibrogram", "The folds' edge distances from the glottal main axis.")
        .def_readonly("first_frame", &TPvg::firstFrame)
        .def_readonly("left", &TPvg::left, "left fold, (frames, positions) float32 pixels")
        .def_readonly("right", &TPvg::right, "right fold, (frames, positions) float32 pixels")
        .def_readonly("max_distance", &TPvg::maxDistance)
        .def_readonly("anterior", &TPvg::anterior, "the axis' anterior end (x, y)")
        .def_readonly("posterior", &TPvg::posterior, "the axis' posterior end (x, y)")
        .def_readonly("image", &TPvg::image, "the picture tremax-cli pvg writes, (height, width, 3) uint8 RGB");
    module.def("pvg", &Pvg, arg("seq"), py::kw_only(), arg("seed"), arg("from_") = 0, arg("to") = 100,
               arg("roi") = py::none(), "The phonovibrogram of the glottis segmented from `seed` (x, y).");
}
