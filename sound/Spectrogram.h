#pragma once
// The pictures of a sound over a time span, window-free: a spectrogram through the project's FFT
// engine (Hanning window, power in dB, grey from white = quiet to black = loudest) and the
// waveform's per-column minimum and maximum.

#include "sound/Sound.h"

#include <QImage>
#include <utility>
#include <vector>

struct TSpectrogramSettings {
    double WindowSeconds = 0.005;  // analysis window length (5 ms: the harmonics of a voice blur into formants)
    double DynamicRangeDb = 70;    // the loudest bin of the picture is black, this much below it white
    double MinFrequency = 0;       // Hz at the centre of the bottom row
    double MaxFrequency = 5000;    // Hz at the centre of the top row
};

// width x height grey picture of [from, to) seconds; time runs left to right, frequency upwards
// (rows above the Nyquist frequency stay white).
QImage Spectrogram(const TSound& sound, double from, double to, int width, int height,
                   const TSpectrogramSettings& settings);

// Per column of [from, to): the smallest and largest sample in it (0, 0 outside the sound).
std::vector<std::pair<float, float>> WaveformColumns(const TSound& sound, double from, double to, int width);
