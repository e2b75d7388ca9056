#pragma once
// The options of speckle tracking, as the "Speckle properties" window edits them. The main
// window owns one instance; the tracker and the overlay read it.

#include <cstdint>

struct TSpeckleSettings {
    static constexpr int32_t kMaxHalfSize = 100;  // the spin edits' range is 0 … 100

    int32_t CorrHalfX = 24;  // correlation area: (2·CorrHalfX + 1) columns
    int32_t CorrHalfY = 10;  // … by (2·CorrHalfY + 1) rows
    int32_t ScoutHalfX = 8;  // displacements tried: −ScoutHalfX … ScoutHalfX
    int32_t ScoutHalfY = 2;
    bool CorrelateToFirst = false;  // reference: the trace's first frame, else the previous one
    bool XDifferentiate = false;    // correlate x-wise differences instead of grey values

    bool operator==(const TSpeckleSettings&) const = default;
};
