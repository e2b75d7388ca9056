#pragma once
// Ticks of a logarithmic scale: the successors of the low value up to the first one beyond the
// high value, labelled and then thinned so labels do not overlap. Subclasses say what the next
// tick is, how it is labelled and in which order labels claim their room.

#include "plot/AxisTick.h"
#include "plot/LabelOverlap.h"

#include <optional>

class TLogTickStrategy : public TAxisTickStrategy {
public:
    // A guard against successors that crawl: no scale of doubles needs more.
    static constexpr size_t kMaxTicks = 100000;

    TAxisTickList Ticks(const TAxisTickInput& input) const final;

protected:
    // The next tick above `value`; nothing where there is none (value <= 0, overflow).
    virtual std::optional<double> Next(double value) const = 0;
    virtual QString Label(double value, QChar decimalSeparator) const = 0;
    virtual const TLabelPassPolicy& PassPolicy() const = 0;
    virtual int PassKey(const TAxisTick& tick) const = 0;
};

// Ticks on 1, 2, ..., 9 times the powers of ten, labels claiming room by their leading digit in
// the order 1, 2, 5, 3, 4, 8, 6, 7, 9.
class TDecadeTickStrategy final : public TLogTickStrategy {
protected:
    std::optional<double> Next(double value) const override;
    QString Label(double value, QChar decimalSeparator) const override;
    const TLabelPassPolicy& PassPolicy() const override;
    int PassKey(const TAxisTick& tick) const override;

private:
    const TLabelPassPolicy policy_{{1, 2, 5, 3, 4, 8, 6, 7, 9}, 1, SIZE_MAX};
};

// Ticks on the natural notes, labelled with note names; A first, then C, D, E, F, G, B.
class TNoteTickStrategy final : public TLogTickStrategy {
protected:
    std::optional<double> Next(double value) const override;
    QString Label(double value, QChar decimalSeparator) const override;
    const TLabelPassPolicy& PassPolicy() const override;
    int PassKey(const TAxisTick& tick) const override;

private:
    // The five sharps come last and never keep a label.
    const TLabelPassPolicy policy_{{9, 0, 2, 4, 5, 7, 11, 1, 3, 6, 8, 10}, 0, 7};
};

// The decade successor: 1 -> 2 -> ... -> 9 -> 10 -> 20, 0.5 -> 0.6; nothing for x <= 0.
std::optional<double> NextLogTick(double x);
