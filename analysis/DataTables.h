#pragma once
// The analysis results as CSV tables: one header line, comma-separated, no quoting, "\n" line
// ends, numbers with "." in the shortest form that reads back to the same value. tremax-cli and
// the windows' "Export data..." write these very bytes, so a table exported from a window can be
// checked against the tool's output for the same sequence and selection.

#include "analysis/Kymogram.h"
#include "analysis/Waveform.h"

#include <QByteArray>
#include <QImage>
#include <cstdint>

class TFrameCache;
class TSpectrumStore;

// "bin,frequency_hz,power_db,phase_rad" for bins 0 … N/2 − 1 of the pixel's stored spectra; the
// header only when the pixel has none (constant over the block, or not computed).
QByteArray PointSpectrumTable(const TSpectrumStore& store, int32_t column, int32_t row);

// "row,bin,frequency_hz,power_db" for every row and bins 0 … N/2 − 1; the row spectra must have
// been computed (EError otherwise).
QByteArray RowSpectraTable(const TSpectrumStore& store);

// "index,frame,value": the waveform's samples.
QByteArray WaveformTable(const TWaveformSeries& series);

// "column,frame,value,grey" for every bitmap line (image column) and frame of the span: value is
// the pixel's byte at (row, column) in that frame, empty when the block does not hold the frame;
// grey is what the kymogram bitmap shows there.
QByteArray KymogramTable(const TFrameCache& cache, int32_t row, const TKymogramSpan& span, const QImage& bitmap);

// "row,column,frequency_hz,power_db,phase_rad" for every pixel at the selected bin (the colorized
// image's data); power and phase empty for a pixel without spectra.
QByteArray ColorizeTable(const TSpectrumStore& store);
