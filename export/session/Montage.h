#pragma once
// The image-sequence montage ("Sequence"): nx × ny raw frames, k frames apart from the current
// one, in tiles row by row, each under an optional band with its frame number or time.

#include <QChar>
#include <QImage>
#include <QString>
#include <cstdint>

class TMontageFrames;

enum TMontageText { mtnone, mtframe, mttime };

struct TMontageSettings {
    int32_t skip = 4;    // k: frames from one tile to the next
    int32_t across = 4;  // nx
    int32_t down = 3;    // ny
    TMontageText text = mtframe;
    bool fixAspect = true;
    int32_t firstFrame = 0;  // f0, the current frame
    int32_t blackLevel = 0;
    int32_t whiteLevel = 255;
    double framesPerSecond = 1;
    QChar decimalSeparator = QLatin1Char('.');  // the user's, as on screen
};

constexpr int kMontageFontPoints = 24;

// "0.0000 s": the time of `frame` with four decimals, rounded half away from zero as the
// decimal number the division gives (3 frames at 20000 frames/s are 0.0002 s), with the
// separator given.
QString MontageTimeText(int32_t frame, double framesPerSecond, QChar decimalSeparator);
// The band text of a tile showing `frame`: empty for mtnone.
QString MontageTileText(const TMontageSettings& settings, int32_t frame);

// Width W·nx·sx, height ny·(T + H·sy), T being the band height for text and 0 without; tile
// (r, c) shows frame f0 + (r·nx + c)·k. Refused with EError before anything is read: fewer
// than one tile across or down, a negative skip or first frame, frames past the largest frame
// number, a picture too large (CheckPictureSize), equal black and white levels.
QImage BuildMontage(TMontageFrames& frames, const TMontageSettings& settings);
