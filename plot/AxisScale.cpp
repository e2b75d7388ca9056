#include "plot/AxisScale.h"

#include "platform/Conversions.h"
#include "plot/AxisError.h"
#include "plot/AxisNumberText.h"

#include <cmath>

namespace {

double Clamp(double value, double lower, double upper)
{
    // Lower bound first: when the bounds cross, the upper one wins.
    if (value < lower)
        value = lower;
    if (value > upper)
        value = upper;
    return value;
}

}  // namespace

QString LogScaleMessage(const char* end, double value)
{
    return QLatin1String(end) + QLatin1Char('=') + GeneralFloatText(value, UserDecimalSeparator()) +
           QStringLiteral(", must be >0 for log scale!");
}

double TAxisScale::ReadLo(double raw) const
{
    if (!isInteger_)
        return Clamp(raw, minLo_, maxLo_);
    return Clamp(std::nearbyint(raw), std::ceil(minLo_), std::floor(maxLo_));
}

double TAxisScale::LoValue() const { return ReadLo(rawLo_); }

double TAxisScale::HiValue() const
{
    // The differences count from the stored low value, and the least difference wins a conflict.
    if (!isInteger_) {
        double value = Clamp(rawHi_, minHi_, maxHi_);
        if (value > rawLo_ + maxDifference_)
            value = rawLo_ + maxDifference_;
        if (value < rawLo_ + minDifference_)
            value = rawLo_ + minDifference_;
        return value;
    }
    double value = Clamp(std::nearbyint(rawHi_), std::ceil(minHi_), std::floor(maxHi_));
    if (value > std::floor(rawLo_ + maxDifference_))
        value = std::floor(rawLo_ + maxDifference_);
    if (value < std::ceil(rawLo_ + minDifference_))
        value = std::ceil(rawLo_ + minDifference_);
    return value;
}

void TAxisScale::PullMarkerIntoRange()
{
    if (LoValue() > marker_)
        marker_ = LoValue();
    if (HiValue() < marker_)
        marker_ = HiValue();
}

bool TAxisScale::StoreLo(double value)
{
    if (!std::isfinite(value) || value == rawLo_)
        return false;
    if (logarithmic_ && !(value > 0))
        throw EAxisError(LogScaleMessage("LoValue", value));
    rawLo_ = value;
    PullMarkerIntoRange();
    return true;
}

bool TAxisScale::StoreHi(double value)
{
    if (!std::isfinite(value) || value == rawHi_)
        return false;
    if (logarithmic_ && !(value > 0))
        throw EAxisError(LogScaleMessage("HiValue", value));
    rawHi_ = value;
    PullMarkerIntoRange();
    return true;
}

bool TAxisScale::SetLoValue(double value)
{
    if (!std::isfinite(value))
        return false;
    const double old = LoValue();
    StoreLo(value);
    return old != value;
}

bool TAxisScale::SetHiValue(double value)
{
    if (!std::isfinite(value))
        return false;
    const double old = HiValue();
    StoreHi(value);
    return old != value;
}

bool TAxisScale::SetRange(double lo, double hi)
{
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return false;
    const bool changed = LoValue() != lo || HiValue() != hi;
    StoreLo(lo);
    StoreHi(hi);
    return changed;
}

bool TAxisScale::SetMinLoValue(double value)
{
    if (!std::isfinite(value))
        return false;
    minLo_ = value;
    return rawLo_ < value && SetLoValue(value);
}

bool TAxisScale::SetMaxLoValue(double value)
{
    if (!std::isfinite(value))
        return false;
    maxLo_ = value;
    return rawLo_ > value && SetLoValue(value);
}

bool TAxisScale::SetMinHiValue(double value)
{
    if (!std::isfinite(value))
        return false;
    minHi_ = value;
    return rawHi_ < value && SetHiValue(value);
}

bool TAxisScale::SetMaxHiValue(double value)
{
    if (!std::isfinite(value))
        return false;
    maxHi_ = value;
    return rawHi_ > value && SetHiValue(value);
}

bool TAxisScale::SetMinValueDifference(double value)
{
    if (!std::isfinite(value))
        return false;
    minDifference_ = value;
    return rawHi_ - rawLo_ < value && SetHiValue(LoValue() + value);
}

bool TAxisScale::SetMaxValueDifference(double value)
{
    if (!std::isfinite(value))
        return false;
    maxDifference_ = value;
    return rawHi_ - rawLo_ > value && SetHiValue(LoValue() + value);
}

void TAxisScale::SetLogarithmic(bool value)
{
    if (value) {
        if (!(rawLo_ > 0))
            throw EAxisError(LogScaleMessage("LoValue", rawLo_));
        if (!(rawHi_ > 0))
            throw EAxisError(LogScaleMessage("HiValue", rawHi_));
    }
    logarithmic_ = value;
}

void TAxisScale::SetMarkerValue(double value)
{
    if (std::isfinite(value))
        marker_ = value;
}
