// tremax-cli sound-info and f0: a sound file's facts, and its fundamental-frequency track.
#include "CliCommands.h"

#include "sound/Pitch.h"
#include "sound/Sound.h"

#include <QFileInfo>
#include <optional>

namespace {

int RunSoundInfo(const TCliArgs& args, QTextStream& out, QTextStream&)
{
    const QString path = QFileInfo(args.OnlyPositional("sound file")).absoluteFilePath();
    const TSoundInfo info = ReadSoundInfo(path);
    out << "file: " << path << '\n'
        << "rate_hz: " << CliNumber(info.SampleRate) << '\n'
        << "channels: " << info.ChannelCount << '\n'
        << "samples: " << info.SampleCount << '\n'
        << "seconds: " << CliNumber(info.Duration()) << '\n';
    return 0;
}

int RunF0(const TCliArgs& args, QTextStream& out, QTextStream& err)
{
    const QString path = QFileInfo(args.OnlyPositional("sound file")).absoluteFilePath();
    const std::optional<double> to = args.Has("to") ? std::optional<double>(args.Float("to", 0)) : std::nullopt;
    const std::vector<TPitchPoint> track =
        SoundFilePitchTrack(path, args.Int("channel", 0), args.Float("from", 0), to);
    out << "time_s,f0_hz\n";
    for (const TPitchPoint& point : track)
        out << CliNumber(point.Time) << ',' << CliNumber(point.Frequency) << '\n';
    if (track.empty())
        err << "tremax-cli: the sound is too short for one analysis window\n";
    return 0;
}

const TCliOption kChannel{"channel", "N", "channel to read, from 0 (default 0)"};

}  // namespace

const TCliCommand kSoundInfoCommand{"sound-info", "SOUNDFILE",
                                    "a sound file's rate, channels, samples and length (WAV, FLAC, AIFF, "
                                    "a video's sound track, .smp)",
                                    {}, RunSoundInfo};

const TCliCommand kF0Command{"f0", "[--from S --to S] [--channel N] SOUNDFILE",
                             "the fundamental frequency every 5 ms as CSV time_s,f0_hz (0 where unvoiced)",
                             {{"from", "S", "first analysis time in seconds (default 0)"},
                              {"to", "S", "last analysis time in seconds (default: the end)"},
                              kChannel},
                             RunF0};
