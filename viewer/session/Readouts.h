#pragma once
// The status bar's readouts of what lies under the mouse: they select nothing.

#include <QString>
#include <cstdint>

// Over the image: "column 12, row 5: 200", the grey value of the current frame (without the
// value when the block does not hold the frame, value < 0).
QString ImageReadoutText(int32_t column, int32_t row, int32_t value);
// Over the kymogram: "frame 123, column 45".
QString KymogramReadoutText(int64_t frame, int32_t column);
// Over a spectrum: "123.4 Hz: -35.2 dB", the frequency alone without a curve.
QString SpectrumReadoutText(double hz, double dB, bool hasValue);
