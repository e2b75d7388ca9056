// The sound of tremax-cli sound-info and f0, and a sound's samples as an array. Sound files are
// read without the GIL by the program's readers.
#include "Binding.h"

#include "sound/Pitch.h"
#include "sound/Sound.h"

#include <pybind11/stl.h>

#include <QFileInfo>
#include <optional>
#include <utility>

namespace {

// The name as tremax-cli reports it: absolute.
QString SoundPath(const py::object& path) { return QFileInfo(PathArgument(path)).absoluteFilePath(); }

// Runs `work` without the GIL; a sound file that is not there raises FileNotFoundError, one that
// is not a readable file OSError, each with the reader's message.
template <typename Work>
auto SoundWork(const QString& path, Work&& work)
{
    try {
        py::gil_scoped_release release;
        return work();
    } catch (const ESoundError& e) {
        const QFileInfo file(path);  // the GIL is held again here
        if (!file.exists() || !file.isFile()) {
            PyErr_SetString(file.exists() ? PyExc_OSError : PyExc_FileNotFoundError, e.what());
            throw py::error_already_set();
        }
        throw;
    }
}

struct TPySoundInfo {
    TSoundInfo info;
    QString path;
};

TPySoundInfo SoundInfo(const py::object& given)
{
    const QString path = SoundPath(given);
    return {SoundWork(path, [&] { return ReadSoundInfo(path); }), path};
}

py::tuple F0(const py::object& given, double from, std::optional<double> to, int32_t channel)
{
    const QString path = SoundPath(given);
    const std::vector<TPitchPoint> track = SoundWork(path, [&] { return SoundFilePitchTrack(path, channel, from, to); });
    std::vector<double> time(track.size()), hz(track.size());
    for (size_t i = 0; i < track.size(); ++i) {
        time[i] = track[i].Time;
        hz[i] = track[i].Frequency;
    }
    const py::ssize_t n = py::ssize_t(track.size());
    return py::make_tuple(OwnedArray(std::move(time), {n}), OwnedArray(std::move(hz), {n}));
}

// One channel (None: the mean of all) scaled to [-1, 1), handed over without a copy.
py::array_t<float> SoundSamples(const py::object& given, std::optional<int32_t> channel)
{
    const QString path = SoundPath(given);
    const int32_t read = channel ? CheckedChannel(*channel) : TSound::kMixChannels;
    TSound sound = SoundWork(path, [&] { return ReadSound(path, read); });
    const py::ssize_t n = py::ssize_t(sound.Samples.size());
    return OwnedArray(std::move(sound.Samples), {n});
}

}  // namespace

TREMAX_PYTHON_BINDING(sound)
{
    using py::arg;
    py::class_<TPySoundInfo>(module, "SoundInfo", "A sound file's facts, as tremax-cli sound-info prints them.")
        .def_property_readonly("file", [](const TPySoundInfo& s) { return PathObject(s.path); })
        .def_property_readonly("format", [](const TPySoundInfo& s) { return s.info.Format.toStdString(); })
        .def_property_readonly("rate_hz", [](const TPySoundInfo& s) { return s.info.SampleRate; })
        .def_property_readonly("channels", [](const TPySoundInfo& s) { return s.info.ChannelCount; })
        .def_property_readonly("samples", [](const TPySoundInfo& s) { return s.info.SampleCount; })
        .def_property_readonly("seconds", [](const TPySoundInfo& s) { return s.info.Duration(); })
        .def_property_readonly("sync_time", [](const TPySoundInfo& s) { return s.info.SyncTime; });
    module.def("sound_info", &SoundInfo, arg("path"), "Rate, channels, samples and length of a sound file.");
    module.def("f0", &F0, arg("path"), py::kw_only(), arg("from_") = 0.0, arg("to") = py::none(),
               arg("channel") = 0, "(time_s, f0_hz) every 5 ms, float64; f0 0 where unvoiced.");
    module.def("sound_samples", &SoundSamples, arg("path"), py::kw_only(), arg("channel") = 0,
               "The samples of one channel (None: the mean of all), float32 scaled to [-1, 1).");
}
