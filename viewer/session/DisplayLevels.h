#pragma once
// The arithmetic behind the display controls: how a level steps aside when it meets its
// partner, and how slider positions, edit texts and values map onto each other.

#include <QChar>
#include <QString>
#include <cstdint>

namespace DisplayLevels {

// Slider ranges. Every slider runs from 0 at the top to its maximum at the bottom.
constexpr int32_t kGrayTrackMax = 255;
constexpr int32_t kDecibelTrackMax = 100;
constexpr int32_t kRateTrackMax = 1000;
constexpr int32_t kRateTrackCentre = 500;  // rate 0
constexpr int32_t kTrackTicks = 32;
constexpr int32_t kRateTrackTicks = 128;

// A level that would equal its partner is moved by one unit first. White and dB low jump over
// their partner in the direction they moved; black, dB high and the two spectrum levels
// bounce back towards where they came from; gray steps below black while black lies below
// white and above it otherwise.
int32_t SeparateWhiteLevel(int32_t value, int32_t previousWhite, int32_t black);
int32_t SeparateGrayLevel(int32_t value, int32_t white, int32_t black);
int32_t SeparateBlackLevel(int32_t value, int32_t previousBlack, int32_t white);
double SeparateLoSat(double value, double previousLo, double hi);
double SeparateHiSat(double value, double previousHi, double lo);
double SeparateSpectrumBlack(double value, double previousBlack, double white);
double SeparateSpectrumWhite(double value, double previousWhite, double black);

// Grey levels: value = 255 - position.
inline int32_t GrayLevelAt(int32_t position) { return kGrayTrackMax - position; }
// The position showing a level, held within the slider's range.
int32_t GrayLevelPosition(int32_t level);

// dB levels: value = -position.
inline double DecibelAt(int32_t position) { return -double(position); }
int32_t DecibelPosition(double dB);

// The playback rate is held in tenths of a frame per second: tenths = 500 - position.
inline int32_t RateTenthsAt(int32_t position) { return kRateTrackCentre - position; }
int32_t RateTenthsPosition(int32_t tenths);
inline double RateFromTenths(int32_t tenths) { return tenths / 10.0; }
// Ten times the rate, rounded (halves to even); false when that leaves the 32-bit range.
bool RateToTenths(double framesPerSecond, int32_t& tenths);

// Edit texts: grey levels as decimal integers, dB and rates in the shortest general decimal
// form with the given separator. The readers return false for a text that does not convert.
QString GrayLevelText(int32_t level);
QString DecibelText(double dB, QChar decimalSeparator);
QString RateText(int32_t tenths, QChar decimalSeparator);
bool ReadGrayLevel(const QString& text, int32_t& level);
bool ReadDecibel(const QString& text, QChar decimalSeparator, double& dB);
bool ReadRateTenths(const QString& text, QChar decimalSeparator, int32_t& tenths);

}  // namespace DisplayLevels
