#pragma once
// The range of an axis with its limits and rules: what is stored, what callers read, and when a
// change is worth an OnScaleChanged. No pixels here (see TAxisScaleMap).
//
// Values are stored raw and read through the limits, so a limit can be widened again later
// without losing what the user asked for. The setters mirror the axis properties; each one that
// may raise OnScaleChanged returns whether it should (the axis raises it, honouring its
// in-event flag). NaN and infinite arguments are ignored by every setter: they can only come
// from a failed computation and would poison the mapping.
//
// A new scale has all bounds and difference limits at 0, so it reads 0..0 until its owner
// gives it bounds (kUnbounded for "none").

#include <QString>

class TAxisScale {
public:
    static constexpr double kUnbounded = 1e300;

    // Read through the limits.
    double LoValue() const;
    double HiValue() const;
    double RawLoValue() const { return rawLo_; }
    double RawHiValue() const { return rawHi_; }

    // The property setters: store, then report whether the requested value differs from what was
    // read before (the requested value, not the clamped one, so re-asking for a clamped value
    // reports again).
    bool SetLoValue(double value);
    bool SetHiValue(double value);
    // Both ends in one step: reports once, when either end as read differs from the request.
    bool SetRange(double lo, double hi);

    // The store rules without a report, used while dragging. They return whether the raw value
    // changed. On a logarithmic scale a value that is not > 0 throws EAxisError and is not stored.
    bool StoreLo(double value);
    bool StoreHi(double value);

    double MinLoValue() const { return minLo_; }
    double MaxLoValue() const { return maxLo_; }
    double MinHiValue() const { return minHi_; }
    double MaxHiValue() const { return maxHi_; }
    double MinValueDifference() const { return minDifference_; }
    double MaxValueDifference() const { return maxDifference_; }
    // A bound that excludes the stored value moves it, with the report of SetLoValue/SetHiValue.
    bool SetMinLoValue(double value);
    bool SetMaxLoValue(double value);
    bool SetMinHiValue(double value);
    bool SetMaxHiValue(double value);
    bool SetMinValueDifference(double value);
    bool SetMaxValueDifference(double value);

    bool IsInteger() const { return isInteger_; }
    void SetIsInteger(bool value) { isInteger_ = value; }

    // Switching on checks the stored low end, then the high end, and throws EAxisError with the
    // store rule's message (leaving the scale linear) when one is not > 0.
    bool Logarithmic() const { return logarithmic_; }
    void SetLogarithmic(bool value);

    // The marker follows the range: every successful store pulls it inside [LoValue, HiValue].
    double MarkerValue() const { return marker_; }
    void SetMarkerValue(double value);

private:
    double ReadLo(double raw) const;
    void PullMarkerIntoRange();

    double rawLo_ = 0;
    double rawHi_ = 1;
    double minLo_ = 0;
    double maxLo_ = 0;
    double minHi_ = 0;
    double maxHi_ = 0;
    double minDifference_ = 0;
    double maxDifference_ = 0;
    bool isInteger_ = false;
    bool logarithmic_ = false;
    double marker_ = 0;
};

// "LoValue=0, must be >0 for log scale!" and its "HiValue=" twin.
QString LogScaleMessage(const char* end, double value);
