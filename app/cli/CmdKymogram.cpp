// tremax-cli kymogram and waveform: a row over a span of frames, a pixel over the block.
#include "CliCommands.h"

#include "analysis/DataTables.h"
#include "analysis/Kymogram.h"
#include "analysis/SpectrumStore.h"
#include "analysis/Waveform.h"
#include "platform/Errors.h"

namespace {

int RunKymogram(const TCliArgs& args, QTextStream&, QTextStream&)
{
    const QString output = OutputPath(args);
    const int32_t from = args.Int("from", 0);
    const int32_t to = args.Int("to", 100);
    const TRenderSettings levels = GrayLevelSettings(args);
    const auto sequence = OpenCliSequence(args);
    const int32_t row = args.Int("row", sequence->Height() / 2);
    TKymogramSettings settings;
    settings.blackLevel = levels.blackLevel;
    settings.grayLevel = levels.grayLevel;
    settings.whiteLevel = levels.whiteLevel;
    settings.edgeEnhance = levels.edgeEnhance;
    const QImage bitmap = BuildAskedKymogram(*sequence, row, from, to, settings);
    if (IsCsvPath(output))
        WriteCliFile(KymogramTable(sequence->Cache(), row, KymogramSpanOf(from, to), bitmap), output, *sequence);
    else
        WriteCliImage(bitmap, output, sequence.get());
    return 0;
}

int RunWaveform(const TCliArgs& args, QTextStream& out, QTextStream&)
{
    const QPoint pixel = PixelOptions(args);
    const int32_t x = pixel.x();
    const int32_t y = pixel.y();
    const auto sequence = OpenCliSequence(args);
    CheckPixel(*sequence, pixel);
    const int32_t length = ApplyBlockOptions(args, *sequence);

    // The samples the Waveform window draws: N, the FFT length of the analysis length, up to
    // the block's end.
    const auto store = OpenCliStore(*sequence, length);
    const TWaveformSeries series = WaveformSeries(sequence->Cache(), x, y, store->FFTLength());
    out << WaveformTable(series);
    return 0;
}

}  // namespace

const TCliCommand kKymogramCommand{
    "kymogram", "[OPTIONS] -o FILE SEQUENCE.bld", "one image row over a span of frames as a bitmap, or as CSV with -o FILE.csv",
    Join({{{"row", "R", "image row (default: the middle row)"},
           {"from", "A", "first frame of the span (default 0)"},
           {"to", "B", "last frame of the span (default 100)"},
           OutputOption()},
          GrayLevelOptions()}),
    RunKymogram};

const TCliCommand kWaveformCommand{
    "waveform", "--x X --y Y [OPTIONS] SEQUENCE.bld", "one pixel's grey value over the N samples of the frame block the Waveform window draws, as CSV",
    Join({{{"x", "X", "column of the pixel"}, {"y", "Y", "row of the pixel"}}, BlockOptions()}),
    RunWaveform};
