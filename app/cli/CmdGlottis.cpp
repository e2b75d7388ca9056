// tremax-cli glottis and pvg: the glottis segmented from a seed over a span of frames, its area
// waveform and vibration parameters, or its phonovibrogram.
#include "CliCommands.h"

#include "glottis/GlottisAnalysis.h"
#include "glottis/GlottisParameters.h"
#include "glottis/Phonovibrogram.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"

namespace {

// The span, seed and region of interest of the options, checked against the sequence.
TGlottisSpan GlottisSpanOptions(const TCliArgs& args, const TSequence& sequence)
{
    int32_t x = 0, y = 0;
    if (!args.IntPair("seed", x, y))
        throw ECliUsage("option --seed X,Y is required");
    std::optional<std::pair<QPoint, QPoint>> corners;
    if (args.Has("roi")) {
        const QStringList parts = args.Text("roi").split(QLatin1Char(','));
        if (parts.size() != 4)
            throw ECliUsage("option --roi takes four numbers: X0,Y0,X1,Y1");
        corners.emplace(QPoint(StrToInt(parts[0]), StrToInt(parts[1])), QPoint(StrToInt(parts[2]), StrToInt(parts[3])));
    }
    return CheckedGlottisSpan(sequence, QPoint(x, y), args.Int("from", 0), args.Int("to", 100), corners);
}

int RunGlottis(const TCliArgs& args, QTextStream& out, QTextStream&)
{
    const QString output = args.Has("o") ? OutputPath(args) : QString();
    if (!output.isEmpty() && !IsCsvPath(output))
        throw EError(QStringLiteral("%1: the waveform is written as CSV; name a file ending in \".csv\"").arg(output));
    const auto sequence = OpenCliSequence(args);
    const TGlottisSpan span = GlottisSpanOptions(args, *sequence);
    const TGlottisResult result = SegmentGlottis(*sequence, span);
    const TGlottisParameters parameters =
        GlottisParameters(result.area, sequence->Header().FramesPerSecond, result.first);
    if (!output.isEmpty())
        WriteCliFile(GlottisWaveformCsv(result.area, result.first).toUtf8(), output, *sequence);
    out << GlottisParameterCsv(parameters);
    return 0;
}

int RunPvg(const TCliArgs& args, QTextStream&, QTextStream& err)
{
    const QString output = OutputPath(args);
    const auto sequence = OpenCliSequence(args);
    const TGlottisSpan span = GlottisSpanOptions(args, *sequence);
    const TPhonovibrogram pvg = FoundPhonovibrogram(*sequence, span);
    WriteCliImage(PhonovibrogramImage(pvg).convertToFormat(QImage::Format_RGB888), output, sequence.get());
    (void)err;
    return 0;
}

std::vector<TCliOption> GlottisOptions()
{
    return {{"seed", "X,Y", "a point inside the glottis (required)"},
            {"from", "A", "first frame of the span (default 0)"},
            {"to", "B", "last frame of the span (default 100)"},
            {"roi", "X0,Y0,X1,Y1", "corners of the region of interest (default: 48 pixels around the seed)"}};
}

}  // namespace

const TCliCommand kGlottisCommand{
    "glottis", "--seed X,Y [--from A --to B] [--roi X0,Y0,X1,Y1] [-o FILE.csv] SEQUENCE.bld",
    "the glottis' vibration parameters as CSV (name,value,unit); -o: its area waveform (frame,area)",
    Join({GlottisOptions(), {OutputOption()}}), RunGlottis};

const TCliCommand kPvgCommand{
    "pvg", "--seed X,Y [--from A --to B] [--roi X0,Y0,X1,Y1] -o FILE SEQUENCE.bld",
    "the phonovibrogram of the glottis as an image",
    Join({GlottisOptions(), {OutputOption()}}), RunPvg};
