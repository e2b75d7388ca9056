#pragma once
// The main window's status bar panels, named by what they show. The session names the panel it
// reports in (the speckle tracking's steps, a refused "Go to", a row spectrum that failed).

#include <cstddef>

enum class TStatusPanel { frame = 0, frequency = 1, speckle = 2, notice = 3, time = 4, readout = 5 };
constexpr std::size_t kStatusPanelCount = 6;
