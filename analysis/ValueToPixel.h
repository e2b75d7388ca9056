#pragma once
// An axis' mapping of a value to a pixel position along it, for drawing data over a plot or the
// image in the axes' own scale.

#include <functional>

using TValueToPixel = std::function<double(double)>;
