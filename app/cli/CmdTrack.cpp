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
    CheckFrameOption(*sequence, "frame", frame);

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
    {{"x", "X", "column of the start pixel"},
     {"y", "Y", "row of the start pixel"},
     {"frame", "F", "frame the trace starts in (default 0)"},
     {"corr", "CX,CY", "half-sizes of the correlation area (default 24,10)"},
     {"scout", "SX,SY", "half-sizes of the scouting area (default 8,2)"},
     {"to-first", nullptr, "correlate to the first image instead of the previous one"},
     {"xdiff", nullptr, "correlate x-wise differences"}},
    RunTrack};
