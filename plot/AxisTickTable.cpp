#include "plot/AxisTickTable.h"

#include "plot/AxisError.h"

TAxisTickKind ChooseTickKind(bool logarithmic, bool musicScale, double lo, double hi)
{
    if (logarithmic && musicScale)
        return TAxisTickKind::note;
    if (logarithmic && lo > 0 && hi / lo > 4)
        return TAxisTickKind::decade;
    return TAxisTickKind::linear;
}

const TAxisTickStrategy& TAxisTickTable::StrategyFor(TAxisTickKind kind) const
{
    switch (kind) {
    case TAxisTickKind::decade:
        return decade_;
    case TAxisTickKind::note:
        return note_;
    case TAxisTickKind::linear:
        break;
    }
    return linear_;
}

void TAxisTickTable::Recalc(TAxisTickKind kind, const TAxisTickInput& input)
{
    dirty_ = false;
    ticks_ = StrategyFor(kind).Ticks(input);
}

const QString& TAxisTickTable::Label(int32_t index) const
{
    if (index < 0 || size_t(index) >= ticks_.size())
        throw EAxisError(QStringLiteral("Tickmark index out of range:") + QString::number(index));
    return ticks_[size_t(index)].label;
}
