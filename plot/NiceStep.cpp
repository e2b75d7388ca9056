#include "plot/NiceStep.h"

#include <cmath>

std::optional<double> NiceStep(double x)
{
    if (x == 0)
        return 0.0;
    if (!(x > 0) || !std::isfinite(x))
        return std::nullopt;
    const double magnitude = std::pow(10.0, std::floor(std::log10(x)));
    const double ratio = x / magnitude;
    double factor = 10;
    if (ratio < std::sqrt(2.0))
        factor = 1;
    else if (ratio < std::sqrt(10.0))
        factor = 2;
    else if (ratio < std::sqrt(50.0))
        factor = 5;
    const double step = magnitude * factor;
    if (!(step > 0) || !std::isfinite(step))
        return std::nullopt;
    return step;
}
