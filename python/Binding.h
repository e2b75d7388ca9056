#pragma once
// What every part of the Python module shares: the opened sequence, paths as bytes, errors as
// Python exceptions, and the list of parts that add their functions to the module.

#include "viewer/io/Sequence.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <QString>
#include <memory>
#include <mutex>

namespace py = pybind11;

// A recording opened from Python. The sequence's frame block is state: every call that moves it
// holds `lock` (taken with the GIL released, so other Python threads run meanwhile).
struct TPySequence {
    std::unique_ptr<TSequence> sequence;
    QString path;  // as given, decoded without loss (non-UTF-8 bytes kept)
    std::mutex lock;
};

// A path given as str, bytes or os.PathLike, as the file system holds it.
QString PathArgument(const py::object& path);
// The same name as Python shows it (undecodable bytes as surrogate escapes).
py::object PathObject(const QString& path);

// Pictures with text need fonts, which need a GUI application: made on the first call that
// draws one (offscreen unless QT_QPA_PLATFORM says otherwise); no window is ever shown.
void NeedGuiApplication();

// Runs `work` without the GIL, holding the sequence's lock; the program's errors leave as the
// Python exception that fits (see the translator in Module.cpp).
template <typename Work>
auto Unlocked(TPySequence& seq, Work&& work)
{
    py::gil_scoped_release release;
    std::lock_guard<std::mutex> guard(seq.lock);
    return work(*seq.sequence);
}

// A NumPy array owning `data` (moved in) without copying it.
template <typename T>
py::array_t<T> OwnedArray(std::vector<T>&& data, std::vector<py::ssize_t> shape)
{
    auto* held = new std::vector<T>(std::move(data));
    py::capsule owner(held, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>(shape, held->data(), owner);
}

// The parts of the module: each file registers one function that adds its calls.
using TBinder = void (*)(py::module_& module);
struct TBindingRegistration {
    TBindingRegistration(const char* name, TBinder binder);
};
#define TREMAX_PYTHON_BINDING(name)                                                   \
    static void Bind_##name(py::module_& module);                                     \
    static const TBindingRegistration registration_##name(#name, &Bind_##name); \
    static void Bind_##name(py::module_& module)
