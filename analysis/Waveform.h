#pragma once
// The waveform: the raw grey value of one pixel over the frame block, the samples the point
// spectrum's transform takes (slots 0 … N − 1, N the FFT length of SpectrumLength).
//
// Frame reference: curve and marker both count absolute frame numbers. Sample i is frame
// FirstCachedFrame + i, the x axis runs from the block's first frame (WaveformFrameRange, to be
// set again whenever the block moves or SpectrumLength changes), and the marker shows
// CurrentFrame as it is, so the marker sits on the sample of the frame shown.

#include "analysis/ValueToPixel.h"
#include "viewer/io/FrameCache.h"

#include <QPointF>
#include <cstdint>
#include <vector>

// Samples drawn: N, but the curve stops at the block's end.
int32_t WaveformLength(const TFrameCache& cache, int32_t samples);

// The x axis range for the current block: low value FirstCachedFrame, high value low + S.
struct TWaveformRange {
    double lo = 0;
    double hi = 0;
};
TWaveformRange WaveformFrameRange(const TFrameCache& cache, int32_t spectrumLength);

struct TWaveformSeries {
    int32_t firstFrame = 0;       // frame of sample 0: the block's first frame
    std::vector<uint8_t> values;  // the byte at (row, column) in slot i
    int32_t Frame(size_t i) const { return firstFrame + int32_t(i); }
};

// DrawWaveform's data for the pixel (column, row): `samples` (N) of them, up to the block's end;
// throws ERangeError for a pixel outside the image.
TWaveformSeries WaveformSeries(const TFrameCache& cache, int32_t column, int32_t row, int32_t samples);

// The polyline DrawWaveform draws: point i at (x(frame of sample i), y(value of sample i)).
std::vector<QPointF> WaveformPolyline(const TWaveformSeries& series, const TValueToPixel& x, const TValueToPixel& y);
