// tremax-cli sound-info and f0: a sound file's facts, and its fundamental-frequency track.
#include "CliCommands.h"

#include "sound/Pitch.h"
#include "sound/Sound.h"

#include <QFileInfo>
#include <cmath>

namespace {

int32_t ChannelOption(const TCliArgs& args)
{
    const int32_t channel = args.Int("channel", 0);
    if (channel < 0)
        throw EError(QStringLiteral("--channel %1 is not a channel (channels count from 0)").arg(channel));
    return channel;
}

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
    const double from = args.Float("from", 0);
    const double to = args.Float("to", 0);
    if (!std::isfinite(from) || !std::isfinite(to) || from < 0)
        throw EError(QStringLiteral("--from and --to are seconds from 0 on"));
    if (args.Has("to") && to <= from)
        throw EError(QStringLiteral("--to %1 is not after --from %2").arg(CliNumber(to), CliNumber(from)));
    const TSound sound = ReadSound(path, ChannelOption(args));
    if (from > sound.Info.Duration())
        throw EError(QStringLiteral("--from %1 is after the end of the sound (%2 s)")
                         .arg(CliNumber(from), CliNumber(sound.Info.Duration())));
    const std::vector<TPitchPoint> track = PitchTrack(sound.Samples, sound.Info.SampleRate, from, to);
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
