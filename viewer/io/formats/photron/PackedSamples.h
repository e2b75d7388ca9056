#pragma once
// Photron frame data: a stream of 8, 10, 12 or 16-bit samples. 10 and 12-bit samples are packed
// without gaps, most significant bit first (four 10-bit samples in five bytes, two 12-bit
// samples in three); 16-bit samples are little-endian.

#include "viewer/io/FormatSupport.h"

#include <cstdint>

// True for the sample widths the stream may have.
bool IsPhotronSampleWidth(int bits);

// Converts `count` samples, starting at sample `first` of the stream at `stream`, to 8 bits
// through `map`, into `out`. Reads only the bytes that hold those samples.
void UnpackSamples(const uint8_t* stream, int bits, int64_t first, int64_t count, const TDepthMap& map, uint8_t* out);
