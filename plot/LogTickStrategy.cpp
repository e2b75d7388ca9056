#include "plot/LogTickStrategy.h"

#include "plot/AxisNumberText.h"
#include "plot/MusicNotes.h"

#include <cmath>

TAxisTickList TLogTickStrategy::Ticks(const TAxisTickInput& input) const
{
    TAxisTickList ticks;
    double value = input.map.lo;
    // Stops at the first tick beyond the high end, or where the successor fails or stalls.
    while (ticks.size() < kMaxTicks) {
        const std::optional<double> next = Next(value);
        if (!next || !(*next > value))
            break;
        value = *next;
        TAxisTick tick;
        tick.value = value;
        tick.pixel = input.map.UnclampedPixel(value);
        tick.label = Label(value, input.decimalSeparator);
        ticks.push_back(std::move(tick));
        if (value > input.map.hi)
            break;
    }
    if (input.metrics)
        RemoveOverlappingLabels(ticks, input.map.length, input.vertical, *input.metrics, PassPolicy(),
                                [this](const TAxisTick& tick) { return PassKey(tick); });
    return ticks;
}

std::optional<double> NextLogTick(double x)
{
    if (!(x > 0) || !std::isfinite(x))
        return std::nullopt;
    double k = std::trunc(std::log10(1.0000001 * x));
    if (x < 0.99)
        k -= 1;
    const double magnitude = std::pow(10.0, k);
    const double multiple = std::trunc(x / magnitude + 1e-10);
    const double next = magnitude * (multiple + 1);
    if (!std::isfinite(next))
        return std::nullopt;
    return next;
}

std::optional<double> TDecadeTickStrategy::Next(double value) const { return NextLogTick(value); }

QString TDecadeTickStrategy::Label(double value, QChar decimalSeparator) const
{
    return FormatSignificant(value, 8, decimalSeparator);
}

const TLabelPassPolicy& TDecadeTickStrategy::PassPolicy() const { return policy_; }

int TDecadeTickStrategy::PassKey(const TAxisTick& tick) const
{
    for (const QChar c : tick.label)
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            return c.unicode() - u'0';
    return -1;
}

std::optional<double> TNoteTickStrategy::Next(double value) const { return NextNoteTick(value); }

QString TNoteTickStrategy::Label(double value, QChar) const { return NoteName(value); }

const TLabelPassPolicy& TNoteTickStrategy::PassPolicy() const { return policy_; }

int TNoteTickStrategy::PassKey(const TAxisTick& tick) const
{
    const double note = std::nearbyint(NoteNumber(tick.value) + 120);
    if (!std::isfinite(note))
        return -1;
    return int(std::fmod(std::fmod(note, 12) + 12, 12));
}
