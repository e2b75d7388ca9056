// The Python module `tremax`: the recording as NumPy arrays and the analyses of the program,
// through the same core code as tremax-cli. Each analysis lives in a file of its own here and
// registers itself with TREMAX_PYTHON_BINDING.
#include "Binding.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <QGuiApplication>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<const char*, TBinder>>& Binders()
{
    static std::vector<std::pair<const char*, TBinder>> binders;
    return binders;
}

}  // namespace

TBindingRegistration::TBindingRegistration(const char* name, TBinder binder) { Binders().emplace_back(name, binder); }

QString PathArgument(const py::object& path)
{
    // os.fsencode keeps the bytes of a str that came from a non-UTF-8 name (surrogate escapes).
    const py::bytes bytes = py::module_::import("os").attr("fsencode")(path);
    const std::string raw = bytes;
    return DecodeFileName(QByteArray(raw.data(), qsizetype(raw.size())));
}

py::object PathObject(const QString& path)
{
    const QByteArray raw = EncodeFileName(path);
    return py::module_::import("os").attr("fsdecode")(py::bytes(raw.constData(), size_t(raw.size())));
}

void NeedGuiApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tremax";
    static char* argv[] = {name, nullptr};
    // Qt's own notices while it starts (no runtime folder under offscreen, ...) are not the
    // script's business; the handler in place before is put back.
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QGuiApplication application(argc, argv);  // lives as long as the process
    qInstallMessageHandler(previous);
}

PYBIND11_MODULE(tremax, module)
{
    module.doc() = "Tremax's recordings and analyses as NumPy arrays";
    module.attr("__version__") = TREMAX_VERSION;
    // The program's messages, unchanged: a file that is not there is FileNotFoundError, one that
    // cannot be read OSError, a value or header that does not fit ValueError.
    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const EOutOfMemory& e) {
            PyErr_SetString(PyExc_MemoryError, e.what());
        } catch (const EInOutError& e) {
            const bool missing = e.Message().endsWith(QLatin1String(": no such file"));
            PyErr_SetString(missing ? PyExc_FileNotFoundError : PyExc_OSError, e.what());
        } catch (const EError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });
    for (const auto& [name, bind] : Binders())
        bind(module);
}
