// tremax-cli COMMAND [OPTIONS] SEQUENCE.bld: every analysis of the program without a window.
#include "CliCommands.h"

#include "platform/Errors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>

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
        &kExportSmpCommand,
        &kLegendCommand,
        &kSmpInfoCommand,
    };
    return commands;
}

void CheckFrame(const TSequence& sequence, int32_t frame)
{
    const int32_t last = sequence.Header().FrameCount - 1;
    if (frame < 0 || frame > last)
        throw EError(QStringLiteral("Frame %1 is outside the sequence (0 to %2)").arg(frame).arg(last));
}

void CheckRow(const TSequence& sequence, int32_t row)
{
    if (row < 0 || row >= sequence.Height())
        throw EError(QStringLiteral("Row %1 is outside the image (0 to %2)").arg(row).arg(sequence.Height() - 1));
}

void CheckColumn(const TSequence& sequence, int32_t column)
{
    if (column < 0 || column >= sequence.Width())
        throw EError(
            QStringLiteral("Column %1 is outside the image (0 to %2)").arg(column).arg(sequence.Width() - 1));
}

void CheckPixel(const TSequence& sequence, QPoint pixel)
{
    CheckColumn(sequence, pixel.x());
    CheckRow(sequence, pixel.y());
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
          "       tremax-cli --version\n\ncommands:\n";
    for (const TCliCommand* command : AllCliCommands())
        to << "  " << QString::fromLatin1(command->name).leftJustified(12) << command->summary << '\n';
}

void PrintCommandUsage(const TCliCommand& command, QTextStream& to)
{
    to << "usage: tremax-cli " << command.name << ' ' << command.synopsis << "\n\n" << command.summary << '\n';
    if (!command.options.empty())
        to << "\noptions:\n";
    for (const TCliOption& option : command.options) {
        const QString name = (std::strlen(option.name) == 1 ? QStringLiteral("-") : QStringLiteral("--")) +
                             QLatin1String(option.name) + (option.takesValue ? QStringLiteral(" VALUE") : QString());
        to << "  " << name.leftJustified(16) << ' ' << option.help << '\n';
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Pictures with text need fonts, which need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList words = app.arguments().mid(1);

    if (words.isEmpty()) {
        PrintUsage(err);
        return 2;
    }
    const QString first = words.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        PrintUsage(out);
        return 0;
    }
    if (first == QLatin1String("--version")) {
        out << "tremax-cli " << TREMAX_VERSION << '\n';
        return 0;
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
    if (words.contains(QLatin1String("--help")) || words.contains(QLatin1String("-h"))) {
        PrintCommandUsage(*command, out);
        return 0;
    }
    try {
        const TCliArgs args(words, command->options);
        return command->run(args, out, err);
    } catch (const ECliUsage& e) {
        err << "tremax-cli " << command->name << ": " << e.what() << '\n';
        PrintCommandUsage(*command, err);
        return 2;
    } catch (const EError& e) {
        out.flush();
        err << "tremax-cli: " << e.Message() << '\n';
        return 1;
    } catch (const std::exception& e) {
        out.flush();
        err << "tremax-cli: " << e.what() << '\n';
        return 1;
    }
}
