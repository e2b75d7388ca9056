#include "viewer/session/DisplayLevels.h"

#include "platform/Conversions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace DisplayLevels {

namespace {

// One unit up or down; at the end of the integer range the step goes the other way, so the
// result still differs from the partner.
int32_t StepInt(int32_t value, bool up)
{
    if (up)
        return value == std::numeric_limits<int32_t>::max() ? value - 1 : value + 1;
    return value == std::numeric_limits<int32_t>::min() ? value + 1 : value - 1;
}

int32_t ClampPosition(int64_t position, int32_t maximum)
{
    return int32_t(std::clamp<int64_t>(position, 0, maximum));
}

}  // namespace

int32_t SeparateWhiteLevel(int32_t value, int32_t previousWhite, int32_t black)
{
    if (value != black)
        return value;
    return StepInt(value, !(value < previousWhite));
}

int32_t SeparateGrayLevel(int32_t value, int32_t white, int32_t black)
{
    if (value != black)
        return value;
    return StepInt(value, !(value < white));
}

int32_t SeparateBlackLevel(int32_t value, int32_t previousBlack, int32_t white)
{
    if (value != white)
        return value;
    return StepInt(value, value < previousBlack);
}

double SeparateLoSat(double value, double previousLo, double hi)
{
    if (value != hi)
        return value;
    return value < previousLo ? value - 1 : value + 1;
}

double SeparateHiSat(double value, double previousHi, double lo)
{
    if (value != lo)
        return value;
    return value < previousHi ? value + 1 : value - 1;
}

double SeparateSpectrumBlack(double value, double previousBlack, double white)
{
    if (value != white)
        return value;
    return value < previousBlack ? value + 1 : value - 1;
}

double SeparateSpectrumWhite(double value, double previousWhite, double black)
{
    if (value != black)
        return value;
    return value < previousWhite ? value + 1 : value - 1;
}

int32_t GrayLevelPosition(int32_t level)
{
    return ClampPosition(int64_t(kGrayTrackMax) - level, kGrayTrackMax);
}

int32_t DecibelPosition(double dB)
{
    // Held within the range before rounding, so that huge typed values cannot overflow.
    const double position = std::clamp(-dB, 0.0, double(kDecibelTrackMax));
    return RoundToInt(position);
}

int32_t RateTenthsPosition(int32_t tenths)
{
    return ClampPosition(int64_t(kRateTrackCentre) - tenths, kRateTrackMax);
}

bool RateToTenths(double framesPerSecond, int32_t& tenths)
{
    const double scaled = std::nearbyint(framesPerSecond * 10);
    if (!(scaled >= double(std::numeric_limits<int32_t>::min()) &&
          scaled <= double(std::numeric_limits<int32_t>::max())))
        return false;
    tenths = int32_t(scaled);
    return true;
}

QString GrayLevelText(int32_t level) { return QString::number(level); }

QString DecibelText(double dB, QChar decimalSeparator) { return FloatToStr(dB, decimalSeparator); }

QString RateText(int32_t tenths, QChar decimalSeparator)
{
    return FloatToStr(RateFromTenths(tenths), decimalSeparator);
}

bool ReadGrayLevel(const QString& text, int32_t& level) { return TryStrToInt(text, level); }

bool ReadDecibel(const QString& text, QChar decimalSeparator, double& dB)
{
    return TryStrToFloat(text, dB, decimalSeparator);
}

bool ReadRateTenths(const QString& text, QChar decimalSeparator, int32_t& tenths)
{
    double rate = 0;
    return TryStrToFloat(text, rate, decimalSeparator) && RateToTenths(rate, tenths);
}

}  // namespace DisplayLevels
