#pragma once
// The current ticks of an axis: recomputed on demand after anything that moves them, with the
// strategy the scale calls for.

#include "plot/AxisTick.h"
#include "plot/LinearTickStrategy.h"
#include "plot/LogTickStrategy.h"

enum class TAxisTickKind { linear, decade, note };

// Logarithmic ticks need a ratio above 4 (or the music scale); narrower logarithmic ranges get
// linear tick values on their logarithmic mapping.
TAxisTickKind ChooseTickKind(bool logarithmic, bool musicScale, double lo, double hi);

class TAxisTickTable {
public:
    bool Dirty() const { return dirty_; }
    void MarkDirty() { dirty_ = true; }

    // Recomputes now, dirty or not.
    void Recalc(TAxisTickKind kind, const TAxisTickInput& input);

    const TAxisTickList& Ticks() const { return ticks_; }
    // Throws EAxisError "Tickmark index out of range:<index>".
    const QString& Label(int32_t index) const;

private:
    const TAxisTickStrategy& StrategyFor(TAxisTickKind kind) const;

    TLinearTickStrategy linear_;
    TDecadeTickStrategy decade_;
    TNoteTickStrategy note_;
    TAxisTickList ticks_;
    bool dirty_ = true;
};
