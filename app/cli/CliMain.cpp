// tremax-cli COMMAND [OPTIONS] SEQUENCE.bld: every analysis of the program without a window.
#include "CliCommands.h"

#include "platform/Diagnostics.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/SafeFileWriter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIODevice>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

const std::vector<const TCliCommand*>& AllCliCommands()
{
    static const std::vector<const TCliCommand*> commands{
        &kInfoCommand,
        &kRenderCommand,
        &kKymogramCommand,
        &kWaveformCommand,
        &kSpectrumCommand,
        &kRowSpectraCommand,
        &kColorizeCommand,
        &kTrackCommand,
        &kGlottisCommand,
        &kPvgCommand,
        &kMontageCommand,
        &kExportSmpCommand,
        &kLegendCommand,
        &kSmpInfoCommand,
        &kSoundInfoCommand,
        &kF0Command,
    };
    return commands;
}

namespace {

// Qt's own notices (no runtime folder under the offscreen platform, ...) are not ours to print.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tremax-cli: %s\n", qPrintable(message));
}

void PrintUsage(QTextStream& to)
{
    to << "usage: tremax-cli COMMAND [OPTIONS] SEQUENCE.bld\n"
          "       tremax-cli COMMAND --help\n"
          "       tremax-cli --version\n\n"
          "--verbose with any command also prints the video library's own messages\n\ncommands:\n";
    for (const TCliCommand* command : AllCliCommands())
        to << "  " << QString::fromLatin1(command->name).leftJustified(12) << command->summary << '\n';
}

void PrintCommandUsage(const TCliCommand& command, QTextStream& to)
{
    to << "usage: tremax-cli " << command.name << ' ' << command.synopsis << "\n\n" << command.summary << '\n';
    to << "\noptions:\n";
    for (const TCliOption& option : command.options) {
        // Written as the usage line writes it: "--frame N", "-o FILE".
        const QString name = QLatin1String(option.dashes) + QLatin1String(option.name) +
                             (option.TakesValue() ? QLatin1Char(' ') + QLatin1String(option.value) : QString());
        to << "  " << name.leftJustified(16) << ' ' << option.help << '\n';
    }
    to << "  " << QStringLiteral("--").leftJustified(16) << " end of the options: every word after it is a file\n";
}

// Standard output as a device that keeps the system's reason when a write fails (a full disk, a
// closed pipe, a closed descriptor).
class TStandardOutput : public QIODevice {
public:
    TStandardOutput() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    int Error() const { return error_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (error_ != 0)
            return -1;
        if (!WriteAllToDescriptor(STDOUT_FILENO, data, size)) {
            error_ = errno;
            return -1;
        }
        return size;
    }

private:
    int error_ = 0;
};

// A standard descriptor that was closed gets /dev/null, read-only, in its place: no file the
// tool opens can take its number, and writes to it still fail as they should.
void HoldStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int null = ::open("/dev/null", O_RDONLY);
            if (null >= 0 && null != fd) {
                ::dup2(null, fd);
                ::close(null);
            }
        }
}

int ReportOutputError(int error, QTextStream& err)
{
    err << "tremax-cli: cannot write to standard output: " << QString::fromLocal8Bit(std::strerror(error)) << '\n';
    return 1;
}

int RunCommand(const TCliCommand& command, const QStringList& words, QTextStream& out, QTextStream& err)
{
    try {
        const TCliArgs args(words, command.options);
        return command.run(args, out, err);
    } catch (const ECliUsage& e) {
        err << "tremax-cli " << command.name << ": " << e.what() << '\n';
        PrintCommandUsage(command, err);
        return 2;
    } catch (const EError& e) {
        out.flush();
        err << "tremax-cli: " << e.Message() << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        out.flush();
        err << "tremax-cli: Out of memory\n";
        return 1;
    } catch (const std::exception& e) {
        out.flush();
        err << "tremax-cli: " << e.what() << '\n';
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    HoldStandardDescriptors();
    // Write failures are reported with the system's reason, not by dying of a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // Pictures with text need fonts, which need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QGuiApplication app(argc, argv);
    TStandardOutput standardOutput;
    QTextStream out(&standardOutput);
    QTextStream err(stderr);
    // The words as the bytes they are (the application has taken its own options out of argv):
    // any file name on disk can be given.
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << DecodeFileName(QByteArray(argv[i]));

    // --verbose, anywhere before "--", lets the libraries' own messages through.
    const qsizetype optionsEnd = words.contains(QLatin1String("--")) ? words.indexOf(QLatin1String("--")) : words.size();
    if (words.mid(0, optionsEnd).contains(QLatin1String("--verbose"))) {
        SetVerboseDiagnostics(true);
        for (qsizetype i = optionsEnd - 1; i >= 0; --i)
            if (words[i] == QLatin1String("--verbose"))
                words.removeAt(i);
    }
    if (words.isEmpty()) {
        PrintUsage(err);
        return 2;
    }
    const QString first = words.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        PrintUsage(out);
        out.flush();
        return standardOutput.Error() ? ReportOutputError(standardOutput.Error(), err) : 0;
    }
    if (first == QLatin1String("--version")) {
        out << "tremax-cli " << TREMAX_VERSION << '\n';
        out.flush();
        return standardOutput.Error() ? ReportOutputError(standardOutput.Error(), err) : 0;
    }
    const TCliCommand* command = nullptr;
    for (const TCliCommand* candidate : AllCliCommands())
        if (first == QLatin1String(candidate->name))
            command = candidate;
    if (!command) {
        err << "tremax-cli: unknown command '" << first << "'\n";
        PrintUsage(err);
        return 2;
    }
    const QStringList options = words.mid(0, words.indexOf(QLatin1String("--")));
    int status = 0;
    if (options.contains(QLatin1String("--help")) || options.contains(QLatin1String("-h")))
        PrintCommandUsage(*command, out);
    else
        status = RunCommand(*command, words, out, err);
    out.flush();
    if (standardOutput.Error() != 0)
        return ReportOutputError(standardOutput.Error(), err);
    return status;
}
