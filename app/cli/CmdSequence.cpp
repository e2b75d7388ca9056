// tremax-cli info and render: the header as read, and one rendered frame.
#include "CliCommands.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <QIODevice>

namespace {

int RunInfo(const TCliArgs& args, QTextStream& out, QTextStream&)
{
    // Shows no frame: the header is read and checked, no frame block is made.
    const TSequenceHeader header = ReadCliHeader(args);
    // The name as the bytes the file system holds: a name that is not UTF-8 is printed as it is,
    // so that it can be used again.
    out << "file: ";
    out.flush();
    out.device()->write(EncodeFileName(header.FileName));
    out << '\n'
        << "width: " << header.Width << '\n'
        << "height: " << header.Height << '\n'
        << "frames: " << header.FrameCount << '\n'
        << "first_frame: " << header.FirstFrame << '\n'
        << "trigger: " << header.Trigger << '\n'
        << "frames_per_second: " << CliNumber(header.FramesPerSecond) << '\n';
    return 0;
}

int RunRender(const TCliArgs& args, QTextStream&, QTextStream&)
{
    const QString output = OutputPath(args);
    TRenderSettings settings = GrayLevelSettings(args);
    const auto sequence = OpenCliSequence(args);
    const int32_t frame = args.Int("frame", 0);
    CheckFrameOption(*sequence, "frame", frame);
    if (args.Has("mark-row")) {
        settings.markedRow = args.Int("mark-row", -1);
        CheckRow(*sequence, settings.markedRow);
    }
    sequence->FollowFrame(frame);
    TFrameRenderer renderer;
    QImage bitmap;
    RenderCachedFrame(renderer, sequence->Cache(), frame, settings, bitmap);
    WriteCliImage(bitmap, output, sequence.get());
    return 0;
}

}  // namespace

const TCliCommand kInfoCommand{"info", "SEQUENCE.bld", "print the sequence's header as read", {}, RunInfo};

const TCliCommand kRenderCommand{
    "render", "[OPTIONS] -o FILE SEQUENCE.bld", "render one frame as the main window shows it",
    Join({{{"frame", "N", "frame to render (default 0)"},
           {"mark-row", "R", "draw row R inverted, as with the kymogram window shown"},
           OutputOption()},
          GrayLevelOptions()}),
    RunRender};
