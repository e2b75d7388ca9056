#pragma once
// The explanatory sequence: a row of n raw frames, k frames apart from the current one, above
// the selected pixel's waveform over those n·k frames; a line joins the pixel in each image to
// its sample, and squares mark the samples.
//
// Frames narrower than tall are stretched sideways by sx, and the whole layout follows the
// stretched tile (W·sx wide): the picture is W·sx·n wide and the axis, the waveform and the
// marker points are placed in stretched pixels, so nothing is cut off. For other frames sx is 1
// and this is the plain layout.

#include <QImage>
#include <QLine>
#include <QPoint>
#include <cstdint>
#include <vector>

class TMontageFrames;

struct TExplanatorySettings {
    int32_t images = 10;  // n
    int32_t skip = 2;     // k
    int32_t firstFrame = 0;
    QPoint point{0, 0};  // the selected pixel (column, row)
    int32_t blackLevel = 0;
    int32_t whiteLevel = 255;
    // The waveform window's value axis: lo on the base line, hi one tile height above it.
    double valueLo = 0;
    double valueHi = 255;
};

constexpr int kExplanatoryFontPoints = 32;
// More samples than this make no readable waveform and would read frames for minutes.
constexpr int64_t kMaxExplanatorySamples = 65536;

struct TExplanatoryPicture {
    QImage bitmap;
    std::vector<QPoint> samples;    // (x_t, y_t) for t = 0 … n·k − 1
    std::vector<QLine> connectors;  // from the pixel in image q to sample q·k
};

// Height T + 2·L (L = H·sy; the bottom T rows, T being the band height at 32 points, stay
// empty), width W·sx·n. Refused with EError before anything is read: fewer than one image, a
// skip below 1, n·k below 2 (one sample draws no waveform) or above kMaxExplanatorySamples,
// frames past the largest frame number, a pixel outside the image, an empty value range, a
// picture too large, equal black and white levels.
TExplanatoryPicture BuildExplanatorySequence(TMontageFrames& frames, const TExplanatorySettings& settings);
