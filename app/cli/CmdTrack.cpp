// tremax-cli track: the speckle trace of a clicked pixel, as the main window computes it.
#include "CliCommands.h"

#include "analysis/PixelSource.h"
#include "analysis/SpeckleTracker.h"

namespace {

int RunTrack(const TCliArgs& args, QTextStream& out, QTextStream&)
{
    const QPoint pixel = PixelOptions(args);
    const int32_t frame = args.Int("frame", 0);
    TSpeckleSettings settings;
    args.IntPair("corr", settings.CorrHalfX, settings.CorrHalfY);
    args.IntPair("scout", settings.ScoutHalfX, settings.ScoutHalfY);
    settings.CorrelateToFirst = args.Has("to-first");
    settings.XDifferentiate = args.Has("xdiff");
    const auto sequence = OpenCliSequence(args);
    CheckPixel(*sequence, pixel);
    CheckFrame(*sequence, frame);

    TSequencePixels pixels(*sequence);
    TSpeckleTracker tracker;
    TSpecklePoints points;
    tracker.Track(pixels, frame, pixel, settings, {}, points);
    out << "step,frame,x,y\n";
    for (int32_t n = 0; n < kSpecklePoints; ++n)
        out << n << ',' << int64_t(frame) + n << ',' << CliNumber(points[size_t(n)].x()) << ','
            << CliNumber(points[size_t(n)].y()) << '\n';
    return 0;
}

}  // namespace

const TCliCommand kTrackCommand{
    "track", "--x X --y Y [OPTIONS] SEQUENCE.bld",
    "the speckle trace of a pixel over the next 99 frames as CSV",
    {{"x", true, "column of the start pixel"},
     {"y", true, "row of the start pixel"},
     {"frame", true, "frame the trace starts in (default 0)"},
     {"corr", true, "half-sizes of the correlation area CX,CY (default 24,10)"},
     {"scout", true, "half-sizes of the scouting area SX,SY (default 8,2)"},
     {"to-first", false, "correlate to the first image instead of the previous one"},
     {"xdiff", false, "correlate x-wise differences"}},
    RunTrack};
