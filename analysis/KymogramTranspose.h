#pragma once
// The inner loop of the kymogram: image rows of successive frames become bitmap columns.

#include <cstddef>
#include <cstdint>

// For k < frames and c < width: bytes 3k … 3k + 2 of output line c (lines `stride` bytes apart,
// starting at `out`) all become lut[rows[k][c]]. Nothing outside those bytes is touched and no
// row is read past `width` bytes.
void TransposeRowsToBgr(const uint8_t* const* rows, int32_t frames, int32_t width, const uint8_t* lut,
                        uint8_t* out, ptrdiff_t stride, bool vectorised);

// Whether the processor runs the vectorised loop (AVX-512 with byte permutes).
bool TransposeVectorisedAvailable();
