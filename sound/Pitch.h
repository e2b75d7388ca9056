#pragma once
// The fundamental frequency of a voice over time by normalised autocorrelation.
//
// Method (docs/sound.md): every `Step` seconds, the analysis window of `WindowPeriods` periods
// of the lowest frequency is compared with itself shifted by every lag between 1/MaxF0 and
// 1/MinF0; the normalised correlation r(lag) = sum x[n]x[n+lag] / sqrt(sum x[n]^2 sum x[n+lag]^2)
// is 1 for a perfectly periodic signal at its period. The shortest lag whose peak comes within
// `OctaveTolerance` of the best peak is taken (against octave-down errors), refined between
// samples by a parabola through the peak and its neighbours. A frame is voiced when its peak is at
// least `VoicingThreshold` and its level above `SilenceLevel` of the sound's peak.
//
// Limits: MinF0 to MaxF0 only; one frequency per frame (no two voices); the resolution of the
// parabola is about 0.1 % for clean tones; frames within half a window of either end are not
// analysed.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct TPitchSettings {
    double MinF0 = 60;             // Hz
    double MaxF0 = 1000;           // Hz
    double Step = 0.005;           // seconds between frames
    double WindowPeriods = 3;      // window length in periods of MinF0
    double VoicingThreshold = 0.5; // peak correlation of a voiced frame
    double OctaveTolerance = 0.03; // a shorter lag wins when its peak is within this of the best
    double SilenceLevel = 0.01;    // frames whose peak is below this part of the sound's peak are silent
};

struct TPitchPoint {
    double Time = 0;       // seconds, the window's centre
    double Frequency = 0;  // Hz; 0 where unvoiced
    double Strength = 0;   // the peak's normalised correlation
};

// The F0 track of `samples` (rate in Hz) between `from` and `to` seconds (the whole sound when
// to <= from). Frames lie at from, from + Step, ... as far as the samples allow.
std::vector<TPitchPoint> PitchTrack(const std::vector<float>& samples, double rate, double from, double to,
                                    const TPitchSettings& settings = {});
// The median frequency of the voiced points (0 when none is voiced).
double MedianFrequency(const std::vector<TPitchPoint>& track);

// Refuses a channel below 0 with tremax-cli's message (EError).
int32_t CheckedChannel(int32_t channel);
// The F0 track of a sound file's `channel` from `from` to `to` seconds (the end when absent), as
// tremax-cli f0 and the Python module's f0 compute it: the options refused with the tool's
// messages, the file's errors as ReadSound throws them.
std::vector<TPitchPoint> SoundFilePitchTrack(const QString& path, int32_t channel, double from, std::optional<double> to);
