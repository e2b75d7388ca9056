#pragma once
// Shared by the axis widget tests: axes as the windows set them up, and event counting.

#include "plot/widgets/saxes.h"

#include <QObject>

// Bounds of +-1E300 as every window gives its axes, a size, a side and a range.
inline void SetUpAxis(TAxis& axis, tposition position, int width, int height, double lo, double hi)
{
    axis.SetMinLoValue(-TAxisScale::kUnbounded);
    axis.SetMaxLoValue(TAxisScale::kUnbounded);
    axis.SetMinHiValue(-TAxisScale::kUnbounded);
    axis.SetMaxHiValue(TAxisScale::kUnbounded);
    axis.SetMaxValueDifference(TAxisScale::kUnbounded);
    axis.SetPosition(position);
    axis.resize(width, height);
    axis.SetRange(lo, hi);
}

// Counts OnScaleChanging and OnScaleChanged and remembers the sender.
struct TScaleEvents {
    explicit TScaleEvents(TAxis& axis)
    {
        QObject::connect(&axis, &TAxis::OnScaleChanging, [this](TAxis* sender) {
            ++changing;
            last = sender;
        });
        QObject::connect(&axis, &TAxis::OnScaleChanged, [this](TAxis* sender) {
            ++changed;
            last = sender;
        });
    }
    int changing = 0;
    int changed = 0;
    TAxis* last = nullptr;
};
