// tremax-cli spectrum, rowspectra, colorize and legend: the spectral analysis without a window.
#include "CliCommands.h"

#include "analysis/DataTables.h"
#include "analysis/PixelColour.h"
#include "analysis/SpectrumStore.h"
#include "platform/Errors.h"

#include <algorithm>
#include <thread>

namespace {

int RunSpectrum(const TCliArgs& args, QTextStream& out, QTextStream& err)
{
    const QPoint pixel = PixelOptions(args);
    const int32_t x = pixel.x();
    const int32_t y = pixel.y();
    const auto sequence = OpenCliSequence(args);
    CheckPixel(*sequence, pixel);
    const int32_t length = ApplyBlockOptions(args, *sequence);
    const auto store = OpenCliStore(*sequence, length);
    store->ComputePixelSpectrum(x, y);

    const QByteArray table = PointSpectrumTable(*store, x, y);
    out << table;
    if (!store->SpectrumValid(y, x)) {
        out.flush();
        err << "tremax-cli: pixel " << x << ',' << y << " does not change over the " << length
            << " frames of the block: it has no spectrum\n";
    }
    return 0;
}

int RunRowSpectra(const TCliArgs& args, QTextStream&, QTextStream& err)
{
    const QString output = OutputPath(args);
    const double black = args.Float("black", -50);
    const double white = args.Float("white", -90);
    const auto sequence = OpenCliSequence(args);
    const int32_t length = ApplyBlockOptions(args, *sequence);
    const auto store = OpenCliStore(*sequence, length);

    if (IsCsvPath(output)) {
        store->ComputeRowSpectra();
        WriteCliFile(RowSpectraTable(*store), output, *sequence);
        return 0;
    }
    QImage bitmap;
    const QString status = store->DrawRowSpectrum(black, white, bitmap);
    if (!status.isEmpty())
        err << "tremax-cli: some pixels could not be set (the last: " << status << ")\n";
    WriteCliImage(bitmap, output, sequence.get());
    return 0;
}

int RunColorize(const TCliArgs& args, QTextStream& out, QTextStream&)
{
    const QString output = OutputPath(args);
    if (!args.Has("frequency"))
        throw ECliUsage("the frequency is required: --frequency HZ");
    const double frequency = args.Float("frequency", 0);
    TColourSettings colours;
    colours.loSat = args.Float("lo", -50);
    colours.hiSat = args.Float("hi", -30);
    TRenderSettings render = GrayLevelSettings(args);
    // Only the frames the analysis and the rendered frame need are read: the block's first S, or
    // up to the frame. Options that do not make sense leave the whole cache to the checks below.
    const int32_t cache = args.Int("cache", TSequence::kOpenCacheSize);
    const int32_t start = args.Int("start", 0);
    const int64_t needed = IsCsvPath(output) ? 0 : int64_t(args.Int("frame", start)) - start + 1;
    int32_t slots = 0;
    if (start >= 0 && needed <= cache && args.Int("length", 256) <= cache)
        slots = int32_t(std::clamp<int64_t>(std::max<int64_t>(args.Int("length", 256), needed), 1, cache));
    const auto sequence = OpenCliSequence(args, slots);
    // Checked before it is rounded to a bin: a bin outside the spectrum would be taken to its
    // nearest end.
    const double nyquist = sequence->Header().FramesPerSecond / 2;
    if (!(frequency >= 0 && frequency <= nyquist))
        throw EError(QStringLiteral("--frequency %1 is outside 0 to %2 Hz (half the frame rate)")
                         .arg(CliNumber(frequency), CliNumber(nyquist)));
    if (args.Has("phase-ref")) {
        if (!args.IntPair("phase-ref", colours.referenceColumn, colours.referenceRow))
            throw ECliUsage("--phase-ref takes X,Y");
        CheckColumn(*sequence, colours.referenceColumn);
        CheckRow(*sequence, colours.referenceRow);
        colours.showPhase = true;
    }
    const int32_t length = ApplyBlockOptions(args, *sequence, slots);
    const int32_t first = sequence->FirstCachedFrame();
    const int32_t frame = args.Int("frame", first);
    CheckFrameOption(*sequence, "frame", frame);
    if (frame < first || int64_t(frame) > int64_t(first) + cache - 1)
        throw EError(QStringLiteral("Frame %1 lies outside the analysis block (frames %2 to %3)")
                         .arg(frame)
                         .arg(first)
                         .arg(int64_t(first) + cache - 1));

    const auto store = OpenCliStore(*sequence, length);
    store->SetSelectedFrequency(frequency);
    // Only the selected bin is kept: the other bins' spectra would be made and never read.
    store->HoldOnlyBin(store->SelectedBin());
    // Rows on every core: the stored spectra are the same with any number of threads.
    store->ColorizeSweep(nullptr, int(std::max(1u, std::thread::hardware_concurrency())));
    if (IsCsvPath(output)) {
        WriteCliFile(ColorizeTable(*store), output, *sequence);
    } else {
        const TPixelColour colour(*store, colours);
        render.colourer = &colour;
        TFrameRenderer renderer;
        QImage bitmap;
        RenderCachedFrame(renderer, sequence->Cache(), frame, render, bitmap);
        WriteCliImage(bitmap, output, sequence.get());
    }
    out << "bin: " << store->SelectedBin() << '\n' << "frequency_hz: " << CliNumber(store->SelectedFrequency()) << '\n';
    return 0;
}

int RunLegend(const TCliArgs& args, QTextStream&, QTextStream&)
{
    const QString output = OutputPath(args);
    const QString kind = args.OnlyPositional("legend (color or gray)");
    QImage legend;
    if (kind == QLatin1String("color"))
        legend = ColourLegend(args.Float("lo", -50), args.Float("hi", -30), args.Has("phase"));
    else if (kind == QLatin1String("gray"))
        legend = GrayscaleLegend(args.Float("black", -50), args.Float("white", -90));
    else
        throw ECliUsage("the legend is color or gray, not " + kind.toStdString());
    WriteCliImage(legend, output, nullptr);
    return 0;
}

}  // namespace

const TCliCommand kSpectrumCommand{
    "spectrum", "--x X --y Y [OPTIONS] SEQUENCE.bld",
    "one pixel's power and phase spectrum over the analysis block as CSV",
    Join({{{"x", "X", "column of the pixel"}, {"y", "Y", "row of the pixel"}}, BlockOptions()}), RunSpectrum};

const TCliCommand kRowSpectraCommand{
    "rowspectra", "[OPTIONS] -o FILE SEQUENCE.bld",
    "the spectrum of every row's mean as the row-spectrum image, or as CSV with -o FILE.csv",
    Join({{{"black", "DB", "power drawn black and above, dB (default -50)"},
           {"white", "DB", "power drawn white and below, dB (default -90)"},
           OutputOption()},
          BlockOptions()}),
    RunRowSpectra};

const TCliCommand kColorizeCommand{
    "colorize", "--frequency HZ [OPTIONS] -o FILE SEQUENCE.bld",
    "a frame coloured by every pixel's power (and phase) at one frequency, or with -o FILE.csv every "
    "pixel's power and phase at that frequency as CSV",
    Join({{{"frequency", "HZ", "analysis frequency in Hz, 0 to half the frame rate, snapped as a click selects it"},
           {"frame", "N", "frame to render (default: the block's first frame)"},
           {"lo", "DB", "power left uncoloured and below, dB (default -50)"},
           {"hi", "DB", "power fully coloured and above, dB (default -30)"},
           {"phase-ref", "X,Y", "phase reference pixel; shows phase as hue"},
           OutputOption()},
          BlockOptions(), GrayLevelOptions()}),
    RunColorize};

const TCliCommand kLegendCommand{
    "legend", "color|gray [OPTIONS] -o FILE", "the colour legend of colorizing or the grey-scale legend",
    {{"phase", nullptr, "colour legend with phase as hue"},
     {"lo", "DB", "colour legend: low saturation level, dB (default -50)"},
     {"hi", "DB", "colour legend: high saturation level, dB (default -30)"},
     {"black", "DB", "grey-scale legend: black level, dB (default -50)"},
     {"white", "DB", "grey-scale legend: white level, dB (default -90)"},
     OutputOption()},
    RunLegend};
