#pragma once
// A sound recording read whole into memory: one channel (or the mean of all) as samples scaled
// to [-1, 1), with its rate. Read from WAV, FLAC and AIFF (libsndfile), the audio track of a
// video file (FFmpeg) and our own ".smp" sample files, whose "hspsync" item comes along.
//
// Window-free and thread-neutral: ReadSound may run on any thread; a TSound is a plain value.

#include "platform/Errors.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// A sound file that cannot be read: the message names the file and the problem.
class ESoundError : public EError {
public:
    using EError::EError;
};

struct TSoundInfo {
    QString FileName;
    QString Format;             // "WAV", "FLAC", "AIFF", "smp", or the container FFmpeg names
    double SampleRate = 0;      // samples per second of one channel
    int32_t ChannelCount = 0;
    int64_t SampleCount = 0;    // per channel
    std::optional<double> SyncTime;  // the ".smp" item "hspsync", when present and a number
    double Duration() const { return SampleRate > 0 ? double(SampleCount) / SampleRate : 0; }
};

struct TSound {
    static constexpr int32_t kMixChannels = -1;

    TSoundInfo Info;
    int32_t Channel = 0;         // the channel read (0-based), or kMixChannels for the mean of all
    std::vector<float> Samples;  // the chosen channel, full scale = 1

    bool IsEmpty() const { return Samples.empty(); }
    // The sample index at `seconds` (rounded down), clamped to the samples.
    int64_t IndexAt(double seconds) const;
};

// Header facts only; reads no samples where the format allows.
TSoundInfo ReadSoundInfo(const QString& path);
// The samples of `channel` (0-based) or of all channels mixed. Throws ESoundError for a file
// that cannot be read or a channel it does not have.
TSound ReadSound(const QString& path, int32_t channel = 0);

// The file kinds "Open sound..." offers, as a file-dialog filter.
QString SoundFileFilter();
// Whether a file of that name is a sound the program reads by its extension (for drops and the
// sound found beside a sequence).
bool LooksLikeSound(const QString& path);

namespace soundformats {
// The parts, one per library; each fills `sound` when `wantSamples`, else only its Info.
bool ReadWithSndfile(const QString& path, int32_t channel, bool wantSamples, TSound& sound);
void ReadWithFfmpeg(const QString& path, int32_t channel, bool wantSamples, TSound& sound);
void ReadSmp(const QString& path, int32_t channel, bool wantSamples, TSound& sound);
// Throws ESoundError naming the file when `channel` is neither a channel of it nor the mix.
void CheckChannel(const QString& path, int32_t channel, int32_t channels);
// Takes one channel or the mean of all out of interleaved frames.
void TakeChannel(const float* interleaved, int64_t frames, int32_t channels, int32_t channel, std::vector<float>& out);
}  // namespace soundformats
