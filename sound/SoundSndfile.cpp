// WAV, FLAC, AIFF and the other formats libsndfile reads.
#include "sound/Sound.h"

#include "platform/FileNames.h"

#include <sndfile.h>

namespace soundformats {

bool ReadWithSndfile(const QString& path, int32_t channel, bool wantSamples, TSound& sound)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(EncodeFileName(path).constData(), SFM_READ, &info);
    if (!file)
        return false;  // not a format of libsndfile's: FFmpeg may know it
    struct Closer {
        SNDFILE* file;
        ~Closer() { sf_close(file); }
    } closer{file};

    TSoundInfo& out = sound.Info;
    switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: case SF_FORMAT_WAVEX: case SF_FORMAT_RF64: out.Format = QStringLiteral("WAV"); break;
    case SF_FORMAT_FLAC: out.Format = QStringLiteral("FLAC"); break;
    case SF_FORMAT_AIFF: out.Format = QStringLiteral("AIFF"); break;
    default: {
        SF_FORMAT_INFO format{};
        format.format = info.format & SF_FORMAT_TYPEMASK;
        sf_command(nullptr, SFC_GET_FORMAT_INFO, &format, sizeof(format));
        out.Format = format.name ? QString::fromUtf8(format.name) : QStringLiteral("sound");
    }
    }
    out.SampleRate = info.samplerate;
    out.ChannelCount = info.channels;
    out.SampleCount = info.frames;
    if (info.channels <= 0 || info.samplerate <= 0)
        throw ESoundError(QStringLiteral("The sound file \"%1\" has no channels or no sample rate").arg(path));
    CheckChannel(path, channel, info.channels);
    if (!wantSamples)
        return true;

    // Full scale is 1 whatever the sample width; floats as they are.
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    constexpr sf_count_t kFrames = 16384;
    std::vector<float> block(size_t(kFrames * info.channels));
    sound.Samples.reserve(size_t(std::max<sf_count_t>(info.frames, 0)));
    for (;;) {
        const sf_count_t got = sf_readf_float(file, block.data(), kFrames);
        if (got <= 0)
            break;
        TakeChannel(block.data(), got, info.channels, channel, sound.Samples);
    }
    if (sf_error(file) != SF_ERR_NO_ERROR)
        throw ESoundError(QStringLiteral("Cannot read the sound file \"%1\": %2").arg(path, QString::fromUtf8(sf_strerror(file))));
    out.SampleCount = int64_t(sound.Samples.size());
    return true;
}

}  // namespace soundformats
