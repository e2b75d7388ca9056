#pragma once
// The main window's setters for what the display controls edit. Each stores a value that
// differs, mirrors it back into the controls and redraws what depends on it.

#include <cstdint>

class TDisplaySettingsTarget {
public:
    virtual ~TDisplaySettingsTarget() = default;
    virtual void SetBlackLevel(int32_t level) = 0;
    virtual void SetGrayLevel(int32_t level) = 0;
    virtual void SetWhiteLevel(int32_t level) = 0;
    virtual void SetLoSat(double dB) = 0;
    virtual void SetHiSat(double dB) = 0;
    virtual void SetSpectrumBlack(double dB) = 0;
    virtual void SetSpectrumWhite(double dB) = 0;
    virtual void SetPlaybackRate(double framesPerSecond) = 0;
    virtual void SetShowPhase(bool on) = 0;
    virtual void SetEdgeEnhance(bool on) = 0;
};
