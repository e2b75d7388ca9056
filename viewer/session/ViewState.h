#pragma once
// What the main window shows and how: one instance, changed only through the main window's
// setters.

#include <QPoint>
#include <cstdint>

struct TViewState {
    int32_t CurrentFrame = 0;
    int32_t SelectedRow = 0;
    QPoint SelectedPoint{0, 0};   // column, row
    QPoint PhaseReference{0, 0};  // column, row
    int32_t BlackLevel = 0;
    int32_t GrayLevel = 64;
    int32_t WhiteLevel = 255;
    double LoSat = -50;
    double HiSat = -30;
    double SpectrumBlack = -50;
    double SpectrumWhite = -90;
    double PlaybackRate = 20;  // frames per second; negative plays backwards
    bool ShowPhase = false;
    bool EdgeEnhance = false;
    bool ColorizeOn = false;
    bool KymogramShown = false;
    bool SpeckleOn = false;
    double PlayAnchorTime = 0;  // days
    int32_t PlayAnchorFrame = 0;
    // The speckle window's sizes live with the trace (TSpeckleSettings in the session).
};
