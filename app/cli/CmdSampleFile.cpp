// tremax-cli export-smp and smp-info: the waveform export, and a sample file's header as read.
#include "CliCommands.h"

#include "export/WaveformExport.h"
#include "platform/Errors.h"

namespace {

int RunExportSmp(const TCliArgs& args, QTextStream&, QTextStream&)
{
    const QPoint pixel = PixelOptions(args);
    const QString output = OutputPath(args);
    const auto sequence = OpenCliSequence(args);
    CheckPixel(*sequence, pixel);
    TSMPfile smp;
    ExportWaveform(smp, *sequence, pixel, output);
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
