#pragma once
// The grey-level curve: the quadratic through (black, 0), (gray, 0.5) and (white, 1).

#include <cstdint>

struct TGrayCurve {
    double c2 = 0;
    double c1 = 1;
    double c0 = 0;
    // Brightness 0 … 1 (not clamped) of a grey input.
    double operator()(double g) const { return c2 * g * g + c1 * g + c0; }
    bool operator==(const TGrayCurve&) const = default;
};

// Gaussian elimination with row exchange, the pivot being the largest value (not magnitude) at
// or below the diagonal. A singular system (two levels equal) falls back to f(g) = g.
TGrayCurve FitGrayCurve(int32_t black, int32_t gray, int32_t white);
