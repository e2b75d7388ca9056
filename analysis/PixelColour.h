#pragma once
// Spectral colorizing: the colour of a pixel from its power and phase at the selected bin over the
// grey-level brightness, and the two legend bitmaps.

#include "viewer/render/FrameRenderer.h"

#include <QImage>
#include <cstdint>

class TSpectrumStore;

struct TColourSettings {
    double loSat = -50;      // dB at and below which a pixel is uncoloured
    double hiSat = -30;      // dB at and above which it is fully coloured
    bool showPhase = false;  // "Show phase info as hue"
    int32_t referenceColumn = 0;  // PhaseReference
    int32_t referenceRow = 0;
};

// (LoSat − P) / (LoSat − HiSat), 0.5 when the levels are equal. Not clamped.
double ColourSaturation(double power, double loSat, double hiSat);
// (2π + Φ − Φref) / 2π. Not reduced.
double ColourHue(double phase, double referencePhase);
// Steps 4 to 6 of the rule: h above 1 to its fractional part, below 0 to 0, s and v clamped,
// v inverted for a marked row; blue, green, red each rounded (halves to even) and clamped.
void ColourRule(double h, double s, double v, bool marked, uint8_t* bgr);

// The colour path the frame renderer asks while colorizing is on: pixels with valid spectra, at
// the store's selected bin. A phase reference outside the image or without valid spectra counts
// as phase 0.
class TPixelColour : public TPixelColourer {
public:
    TPixelColour(const TSpectrumStore& store, const TColourSettings& settings);

    bool HasColour(int32_t row, int32_t column) const override;
    void Colour(int32_t row, int32_t column, double v, bool marked, uint8_t* bgr) const override;

private:
    const TSpectrumStore& store_;
    TColourSettings settings_;
    int32_t bin_;
    double referencePhase_;
};

// "Copy color legend": the colour field (hue across, saturation down, with phase) or bar, with
// dB labels for 0 … −100 placed by the saturation levels. 24-bit (Format_BGR888).
QImage ColourLegend(double loSat, double hiSat, bool showPhase);
// "Copy grayscale": the grey bar of the row-spectrum image with dB labels placed by its levels.
QImage GrayscaleLegend(double spectrumBlack, double spectrumWhite);
