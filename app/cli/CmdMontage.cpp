// tremax-cli montage: the image-sequence montage of the "Sequence" window as a bitmap.
#include "CliCommands.h"

#include "export/session/Montage.h"
#include "export/io/MontageFrames.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"

namespace {

TMontageText MontageTextOption(const QString& text)
{
    if (text == QLatin1String("none"))
        return mtnone;
    if (text == QLatin1String("frame"))
        return mtframe;
    if (text == QLatin1String("time"))
        return mttime;
    throw EError(QStringLiteral("'%1' is not a montage text: none, frame or time").arg(text));
}

int RunMontage(const TCliArgs& args, QTextStream&, QTextStream&)
{
    const QString output = OutputPath(args);
    TMontageSettings settings;
    settings.firstFrame = args.Int("frame", 0);
    settings.skip = args.Int("skip", settings.skip);
    settings.across = args.Int("nx", settings.across);
    settings.down = args.Int("ny", settings.down);
    settings.text = MontageTextOption(args.Text("text", QStringLiteral("frame")));
    settings.fixAspect = !args.Has("no-aspect");
    settings.blackLevel = GreyLevelOption(args, "black", 0);
    settings.whiteLevel = GreyLevelOption(args, "white", 255);
    // The picture's numbers follow the locale, as in the program's own picture.
    settings.decimalSeparator = UserDecimalSeparator();
    const auto sequence = OpenCliSequence(args);
    CheckFrameOption(*sequence, "frame", settings.firstFrame);
    settings.framesPerSecond = sequence->Header().FramesPerSecond;
    TMontageFrames frames(*sequence);
    WriteCliImage(BuildMontage(frames, settings), output, sequence.get());
    return 0;
}

}  // namespace

const TCliCommand kMontageCommand{
    "montage", "[OPTIONS] -o FILE SEQUENCE.bld", "the image-sequence montage: frames k apart in tiles, as a bitmap",
    {{"frame", "N", "first frame (default 0)"},
     {"skip", "K", "frames from one tile to the next (default 4)"},
     {"nx", "N", "tiles across (default 4)"},
     {"ny", "N", "tiles down (default 3)"},
     {"text", "KIND", "text above each tile: none, frame or time (default frame)"},
     {"no-aspect", nullptr, "no stretching of non-square frames"},
     {"black", "B", "black level (default 0)"},
     {"white", "W", "white level (default 255)"},
     OutputOption()},
    RunMontage};
