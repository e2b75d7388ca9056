// tremax.open and the Sequence: the header's numbers, frames as (count, height, width) uint8.
#include "Binding.h"

#include "platform/Errors.h"
#include "viewer/io/FrameSource.h"
#include "viewer/io/formats/Recording.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kIterationBlock = 256;  // frames read at a time while iterating

std::shared_ptr<TPySequence> Open(const py::object& path)
{
    auto seq = std::make_shared<TPySequence>();
    seq->path = PathArgument(path);
    py::gil_scoped_release release;
    seq->sequence = OpenRecording(seq->path);
    return seq;
}

// Frames first … first + count − 1 read from the recording, as the frame block reads them.
py::array_t<uint8_t> Frames(TPySequence& seq, int64_t first, int64_t count)
{
    const TSequenceHeader& header = seq.sequence->Header();
    if (count < 0 || first < 0 || first + count > header.FrameCount)
        throw py::index_error(QStringLiteral("Frames %1 to %2 lie outside the sequence (frames 0 to %3)")
                                  .arg(first)
                                  .arg(first + count - 1)
                                  .arg(header.FrameCount - 1)
                                  .toStdString());
    const int32_t width = header.Width;
    const int32_t height = header.Height;
    std::vector<uint8_t> bytes(size_t(count) * size_t(width) * size_t(height));
    if (count > 0)
        Unlocked(seq, [&](TSequence& sequence) {
            const TFrameSource* source = sequence.Source();
            if (!source)
                throw EInOutError(QStringLiteral("Cannot read \"%1\": no frame source").arg(seq.path));
            source->ReadFrames(int32_t(first), int32_t(count), width, height, bytes.data());
            return 0;
        });
    return OwnedArray(std::move(bytes), {py::ssize_t(count), height, width});
}

// Iteration: one frame at a time, read in blocks.
struct TFrameIterator {
    std::shared_ptr<TPySequence> seq;
    int64_t next = 0;
    int64_t blockFirst = 0;
    py::array_t<uint8_t> block;

    py::object Next()
    {
        const int64_t frames = seq->sequence->Header().FrameCount;
        if (next >= frames)
            throw py::stop_iteration();
        if (!block || next >= blockFirst + block.shape(0)) {
            blockFirst = next;
            block = Frames(*seq, next, std::min<int64_t>(kIterationBlock, frames - next));
        }
        return block[py::int_(next++ - blockFirst)];
    }
};

}  // namespace

TREMAX_PYTHON_BINDING(sequence)
{
    py::class_<TPySequence, std::shared_ptr<TPySequence>>(module, "Sequence",
                                                         "A recording opened as the program opens it.")
        .def_property_readonly("path", [](const TPySequence& s) { return PathObject(s.path); })
        .def_property_readonly("width", [](const TPySequence& s) { return s.sequence->Header().Width; })
        .def_property_readonly("height", [](const TPySequence& s) { return s.sequence->Header().Height; })
        .def_property_readonly("frame_count", [](const TPySequence& s) { return s.sequence->Header().FrameCount; })
        .def_property_readonly("frames_per_second",
                               [](const TPySequence& s) { return s.sequence->Header().FramesPerSecond; })
        .def_property_readonly("first_frame", [](const TPySequence& s) { return s.sequence->Header().FirstFrame; })
        .def_property_readonly("trigger", [](const TPySequence& s) { return s.sequence->Header().Trigger; })
        .def("frames", &Frames, py::arg("first"), py::arg("count"),
             "Frames first … first + count - 1 as an array (count, height, width) of uint8.")
        .def("__len__", [](const TPySequence& s) { return s.sequence->Header().FrameCount; })
        .def("__getitem__",
             [](TPySequence& s, int64_t index) {
                 const int64_t frames = s.sequence->Header().FrameCount;
                 if (index < 0)
                     index += frames;
                 if (index < 0 || index >= frames)
                     throw py::index_error("frame index out of range");
                 py::array_t<uint8_t> one = Frames(s, index, 1);
                 return py::object(one[py::int_(0)]);
             })
        .def("__iter__",
             [](const std::shared_ptr<TPySequence>& s) { TFrameIterator it;
                 it.seq = s;
                 return it;
             })
        .def("__repr__", [](const TPySequence& s) {
            const TSequenceHeader& h = s.sequence->Header();
            return QStringLiteral("<tremax.Sequence %1x%2, %3 frames at %4 frames/s>")
                .arg(h.Width)
                .arg(h.Height)
                .arg(h.FrameCount)
                .arg(h.FramesPerSecond)
                .toStdString();
        });
    py::class_<TFrameIterator>(module, "_FrameIterator")
        .def("__iter__", [](TFrameIterator& it) -> TFrameIterator& { return it; })
        .def("__next__", &TFrameIterator::Next);
    module.def("open", &Open, py::arg("path"),
               "Opens any recording the program reads (.bld/.par/.dsc, Photron, TIFF, video).");
}
