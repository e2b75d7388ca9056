#pragma once
// What the main window asks of the analysis windows. Each window implements its part; the main
// window works (and is tested) with any of them absent.

#include <cstdint>

class TAxis;

class TKymogramPeer {
public:
    virtual ~TKymogramPeer() = default;
    virtual TAxis& TimeAxis() = 0;    // the frame span; playback loops over it
    virtual TAxis& ColumnAxis() = 0;  // its marker shows the picked column
    virtual void BuildKymogram() = 0;
    virtual void ShowKymogram() = 0;
};

class TSpectrumPeer {
public:
    virtual ~TSpectrumPeer() = default;
    virtual void DrawPointSpectrum(int32_t column, int32_t row) = 0;
    virtual void DrawRowSpectrum() = 0;
    virtual void ShowPointSpectrum() = 0;
    virtual void ShowRowSpectrum() = 0;
};

class TWaveformPeer {
public:
    virtual ~TWaveformPeer() = default;
    virtual void DrawWaveform(int32_t column, int32_t row) = 0;
    virtual void SetFrameMarker(int32_t frame) = 0;
    virtual void ShowWaveform() = 0;
};
