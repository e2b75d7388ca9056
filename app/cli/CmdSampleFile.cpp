// tremax-cli export-smp and smp-info: the waveform export, and a sample file's header as read.
#include "CliCommands.h"

#include "export/io/WaveformExport.h"
#include "platform/Errors.h"

#include <unistd.h>

namespace {

int RunExportSmp(const TCliArgs& args, QTextStream&, QTextStream& err)
{
    const QPoint pixel = PixelOptions(args);
    const QString output = OutputPath(args);
    const auto sequence = OpenCliSequence(args);
    CheckPixel(*sequence, pixel);
    TSMPfile smp;
    // A long export says how far it got, on a terminal only; Ctrl+C stops it and leaves any old
    // file as it was.
    TExportProgress progress;
    if (::isatty(STDERR_FILENO))
        progress = [&err, shown = -1](int64_t done, int64_t total) mutable {
            const int percent = total > 0 ? int(done * 100 / total) : 100;
            if (percent != shown)
                err << "\rexport-smp: " << percent << " %" << (done == total ? "\n" : "") << Qt::flush;
            shown = percent;
            return true;
        };
    ExportWaveform(smp, *sequence, pixel, output, progress);
    return 0;
}

int RunSmpInfo(const TCliArgs& args, QTextStream& out, QTextStream&)
{
    const QString path = args.OnlyPositional("sample file");
    TSMPfile smp;
    if (!smp.open_file(path, true))
        throw EInOutError(smp.LastError());
    int64_t samples = 0;
    try {
        samples = smp.SampleCount(0);
    } catch (const EError& e) {
        // The component's message has line breaks for a message box; one line here.
        throw EError(QString(e.Message()).replace(QLatin1Char('\r'), QLatin1Char(' ')));
    }
    for (const QString& line : smp.ItemLines())
        out << line << '\n';
    out << "=\n";
    for (const QString& line : smp.Comment)
        out << line << '\n';
    out << "samples: " << samples << '\n';
    return 0;
}

}  // namespace

const TCliCommand kExportSmpCommand{
    "export-smp", "--x X --y Y -o FILE SEQUENCE.bld",
    "one pixel's grey value over all frames as a \".smp\" sample file",
    {{"x", "X", "column of the pixel"}, {"y", "Y", "row of the pixel"}, OutputOption()}, RunExportSmp};

const TCliCommand kSmpInfoCommand{"smp-info", "FILE.smp",
                                  "print a sample file's header as read and its number of samples", {}, RunSmpInfo};
