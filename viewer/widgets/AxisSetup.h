#pragma once
// Settings several windows give their axes.

#include "plot/widgets/saxes.h"

// No bounds on the range or its span.
inline void SetAxisUnbounded(TAxis& axis)
{
    axis.SetMinLoValue(-TAxisScale::kUnbounded);
    axis.SetMaxLoValue(TAxisScale::kUnbounded);
    axis.SetMinHiValue(-TAxisScale::kUnbounded);
    axis.SetMaxHiValue(TAxisScale::kUnbounded);
    axis.SetMaxValueDifference(TAxisScale::kUnbounded);
}

// Axes that show pixel positions of the image: limits and range 0 … size − 1, in the order that
// keeps every intermediate range legal.
inline void SetAxisExtent(TAxis& axis, int32_t size)
{
    axis.SetMinHiValue(0);
    axis.SetMinLoValue(0);
    axis.SetMaxHiValue(size - 1);
    axis.SetMaxLoValue(size - 1);
    axis.SetHiValue(size - 1);
    axis.SetLoValue(0);
}

// A frequency axis of a sequence recorded at `framesPerSecond`: 0 … the Nyquist frequency,
// which is also its largest high value.
inline void SetFrequencyAxisRate(TAxis& axis, double framesPerSecond)
{
    axis.SetLoValue(0);
    axis.SetHiValue(framesPerSecond / 2);
    axis.SetMaxHiValue(framesPerSecond / 2);
}
