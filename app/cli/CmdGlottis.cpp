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
    TGlottisSpan span;
    int32_t x = 0, y = 0;
    if (!args.IntPair("seed", x, y))
        throw ECliUsage("option --seed X,Y is required");
    span.seed = QPoint(x, y);
    CheckPixel(sequence, span.seed);
    span.first = args.Int("from", 0);
    span.last = args.Int("to", 100);
    CheckFrameOption(sequence, "from", span.first);
    CheckFrameOption(sequence, "to", span.last);
    if (span.last < span.first)
        throw EError(QStringLiteral("The span's last frame (%1) lies before its first (%2)").arg(span.last).arg(span.first));
    if (args.Has("roi")) {
        const QStringList parts = args.Text("roi").split(QLatin1Char(','));
        if (parts.size() != 4)
            throw ECliUsage("option --roi takes four numbers: X0,Y0,X1,Y1");
        const QPoint a(StrToInt(parts[0]), StrToInt(parts[1])), b(StrToInt(parts[2]), StrToInt(parts[3]));
        CheckPixel(sequence, a);
        CheckPixel(sequence, b);
        span.roi = QRect(a, b).normalized();
        if (!span.roi.contains(span.seed))
            throw EError(QStringLiteral("The seed %1,%2 lies outside the region of interest %3,%4,%5,%6")
                             .arg(x).arg(y).arg(span.roi.left()).arg(span.roi.top())
                             .arg(span.roi.right()).arg(span.roi.bottom()));
    }
    return span;
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
    const TPhonovibrogram pvg = Phonovibrogram(SegmentGlottis(*sequence, span));
    if (pvg.positions <= 0)
        throw EError(QStringLiteral("No glottis found at %1,%2 in frames %3 to %4")
                         .arg(span.seed.x()).arg(span.seed.y()).arg(span.first).arg(span.last));
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
