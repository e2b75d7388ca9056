#pragma once
// The 1-2-5 rounding of tick steps.

#include <optional>

// 0 for 0; otherwise 1, 2, 5 or 10 times the power of ten below x, switching at the geometric
// means sqrt(2), sqrt(10), sqrt(50). Nothing for a negative or non-finite x.
std::optional<double> NiceStep(double x);
