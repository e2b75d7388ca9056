#pragma once
// Axes that show pixel positions of the image: limits and range 0 … size − 1, in the order that
// keeps every intermediate range legal.

#include "plot/saxes.h"

inline void SetAxisExtent(TAxis& axis, int32_t size)
{
    axis.SetMinHiValue(0);
    axis.SetMinLoValue(0);
    axis.SetMaxHiValue(size - 1);
    axis.SetMaxLoValue(size - 1);
    axis.SetHiValue(size - 1);
    axis.SetLoValue(0);
}
