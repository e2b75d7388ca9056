// Reading a sound: which library reads which file, the ".smp" reader, choosing a channel.
#include "sound/Sound.h"

#include "export/io/sSMP.h"
#include "platform/FileNames.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace {

const QStringList kSndfileSuffixes{"wav", "wave", "flac", "aif", "aiff", "aifc", "au", "snd", "ogg", "oga"};
const QStringList kVideoSuffixes{"mkv", "mka", "mp4", "m4a", "mov", "avi", "webm", "mp3", "opus"};

QString Quote(const QString& path) { return QLatin1Char('"') + path + QLatin1Char('"'); }

TSound Read(const QString& path, int32_t channel, bool wantSamples)
{
    // By the name's own bytes: a name that is not UTF-8 is a file like any other.
    const TFileKind kind = FileKindOf(path);
    if (kind == TFileKind::missing)
        throw ESoundError(QStringLiteral("The sound file %1 does not exist").arg(Quote(path)));
    if (kind != TFileKind::regular || ::access(EncodeFileName(path).constData(), R_OK) != 0)
        throw ESoundError(QStringLiteral("The sound file %1 cannot be read").arg(Quote(path)));
    const QFileInfo file(path);
    TSound sound;
    sound.Channel = channel;
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("smp"))
        soundformats::ReadSmp(path, channel, wantSamples, sound);
    else if (!soundformats::ReadWithSndfile(path, channel, wantSamples, sound))
        soundformats::ReadWithFfmpeg(path, channel, wantSamples, sound);  // containers and codecs libsndfile lacks
    sound.Info.FileName = path;
    return sound;
}

}  // namespace

int64_t TSound::IndexAt(double seconds) const
{
    if (Samples.empty() || !(seconds > 0))
        return 0;
    const double index = std::floor(seconds * Info.SampleRate);
    return index >= double(Samples.size()) ? int64_t(Samples.size()) - 1 : int64_t(index);
}

TSoundInfo ReadSoundInfo(const QString& path) { return Read(path, 0, false).Info; }

TSound ReadSound(const QString& path, int32_t channel) { return Read(path, channel, true); }

QString SoundFileFilter()
{
    QStringList patterns;
    for (const QString& suffix : kSndfileSuffixes + kVideoSuffixes + QStringList{QStringLiteral("smp")})
        patterns << QStringLiteral("*.") + suffix;
    return QStringLiteral("Sound files (%1);;All files (*)").arg(patterns.join(QLatin1Char(' ')));
}

bool LooksLikeSound(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("smp") || kSndfileSuffixes.contains(suffix) || kVideoSuffixes.contains(suffix);
}

namespace soundformats {

void TakeChannel(const float* interleaved, int64_t frames, int32_t channels, int32_t channel, std::vector<float>& out)
{
    const size_t start = out.size();
    out.resize(start + size_t(frames));
    float* to = out.data() + start;
    if (channel == TSound::kMixChannels) {
        for (int64_t f = 0; f < frames; ++f) {
            double sum = 0;
            for (int32_t c = 0; c < channels; ++c)
                sum += interleaved[f * channels + c];
            to[f] = float(sum / channels);
        }
    } else {
        for (int64_t f = 0; f < frames; ++f)
            to[f] = interleaved[f * channels + channel];
    }
}

void CheckChannel(const QString& path, int32_t channel, int32_t channels)
{
    if (channel != TSound::kMixChannels && (channel < 0 || channel >= channels))
        throw ESoundError(QStringLiteral("The sound file %1 has no channel %2 (channels 0 to %3)")
                              .arg(Quote(path)).arg(channel).arg(channels - 1));
}

void ReadSmp(const QString& path, int32_t channel, bool wantSamples, TSound& sound)
{
    TSMPfile smp;
    if (!smp.open_file(path, true))
        throw ESoundError(smp.LastError());
    TSoundInfo& info = sound.Info;
    info.Format = QStringLiteral("smp");
    info.ChannelCount = smp.ChannelCount();
    bool ok = false;
    info.SampleRate = smp.get_item(QStringLiteral("sftot")).toDouble(&ok);
    if (!ok || !(info.SampleRate > 0) || !std::isfinite(info.SampleRate))
        throw ESoundError(QStringLiteral("The sample file %1 has no usable sample rate (\"sftot\")").arg(Quote(path)));
    if (info.ChannelCount <= 0)
        throw ESoundError(QStringLiteral("The sample file %1 has no channels").arg(Quote(path)));
    // The synchronisation time is written with "." whatever the locale; anything else is no time.
    const double sync = smp.get_item(QStringLiteral("hspsync")).trimmed().toDouble(&ok);
    if (ok && std::isfinite(sync))
        info.SyncTime = sync;
    CheckChannel(path, channel, info.ChannelCount);
    try {
        info.SampleCount = smp.SampleCount(0);
        for (int32_t c = 1; c < info.ChannelCount; ++c)
            info.SampleCount = std::min(info.SampleCount, smp.SampleCount(c));
        if (!wantSamples)
            return;
        const int32_t firstChannel = channel == TSound::kMixChannels ? 0 : channel;
        const int32_t lastChannel = channel == TSound::kMixChannels ? info.ChannelCount - 1 : channel;
        std::vector<double> sum(size_t(info.SampleCount), 0.0);
        for (int32_t c = firstChannel; c <= lastChannel; ++c) {
            const std::vector<int16_t> samples = smp.ReadChannel(c, 0, info.SampleCount);
            for (size_t i = 0; i < samples.size() && i < sum.size(); ++i)
                sum[i] += samples[i];
        }
        const double scale = 1.0 / (32768.0 * (lastChannel - firstChannel + 1));
        sound.Samples.resize(sum.size());
        std::transform(sum.begin(), sum.end(), sound.Samples.begin(), [scale](double v) { return float(v * scale); });
    } catch (const EError& e) {
        throw ESoundError(QString(e.Message()).replace(QLatin1Char('\r'), QLatin1Char(' ')));
    }
}

}  // namespace soundformats
