#pragma once
// "Fit to data" of the plots' value axes: the range that shows a curve whole, within the axis'
// own limits.

#include <cstdint>

struct TFitRange {
    double lo = 0;
    double hi = 0;
    bool valid = false;  // false: no finite value, the axis stays as it is
};

// The point spectrum's dB axis for `count` powers: whole decibels around the lowest and highest
// finite value, at least 1 dB apart and at most `maxSpan` (the top kept, where the peaks are),
// inside lowest … highest.
TFitRange FitPowerRange(const float* powers, int32_t count, double maxSpan, double lowest, double highest);

// The waveform's grey axis for `count` samples: lowest … highest sample, widened upwards (then
// downwards at 255) to at least `minSpan` grey values.
TFitRange FitGreyRange(const uint8_t* values, int32_t count, double minSpan);
