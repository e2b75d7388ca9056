#include "analysis/KymogramTranspose.h"

#include <algorithm>

#include "platform/CpuFeatures.h"

#if TREMAX_X86_SIMD
#define TREMAX_TRANSPOSE_AVX512 1
#include <immintrin.h>
#else
#define TREMAX_TRANSPOSE_AVX512 0
#endif

namespace {

void TransposePortable(const uint8_t* const* rows, int32_t frames, int32_t width, const uint8_t* lut, uint8_t* out,
                       ptrdiff_t stride)
{
    // Sixteen slots at a time: their rows are read front to back side by side, and each bitmap
    // line gets 48 consecutive bytes per pass instead of 3 bytes per pass over all the lines.
    constexpr int32_t kBlock = 16;
    for (int32_t k0 = 0; k0 < frames; k0 += kBlock) {
        const int32_t count = std::min(kBlock, frames - k0);
        const uint8_t* const* block = rows + k0;
        uint8_t* line = out + 3 * ptrdiff_t(k0);
        for (int32_t c = 0; c < width; ++c, line += stride) {
            uint8_t* dst = line;
            for (int32_t k = 0; k < count; ++k, dst += 3) {
                const uint8_t q = lut[block[k][c]];
                dst[0] = q;
                dst[1] = q;
                dst[2] = q;
            }
        }
    }
}

#if TREMAX_TRANSPOSE_AVX512

#define TREMAX_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// A 256-entry byte table held in four registers.
struct TLut512 {
    __m512i t0, t1, t2, t3;
};

// The unmasked forms of these intrinsics trip GCC 12's -Wmaybe-uninitialized (their undefined
// pass-through operand); with every mask bit set the masked forms are the same instructions.
TREMAX_AVX512 inline __m512i Unpacklo32(__m512i a, __m512i b) { return _mm512_maskz_unpacklo_epi32(0xFFFF, a, b); }
TREMAX_AVX512 inline __m512i Unpackhi32(__m512i a, __m512i b) { return _mm512_maskz_unpackhi_epi32(0xFFFF, a, b); }
TREMAX_AVX512 inline __m512i Unpacklo64(__m512i a, __m512i b) { return _mm512_maskz_unpacklo_epi64(0xFF, a, b); }
TREMAX_AVX512 inline __m512i Unpackhi64(__m512i a, __m512i b) { return _mm512_maskz_unpackhi_epi64(0xFF, a, b); }
// Lanes 0, 1 of the result from a, lanes 2, 3 from b, chosen by the two-bit fields of `select`.
template <int select>
TREMAX_AVX512 inline __m512i ShuffleLanes(__m512i a, __m512i b)
{
    return _mm512_maskz_shuffle_i32x4(0xFFFF, a, b, select);
}
TREMAX_AVX512 inline __m512i Permute(__m512i index, __m512i a)
{
    return _mm512_maskz_permutexvar_epi8(~__mmask64(0), index, a);
}

TREMAX_AVX512 inline __m512i Lookup(const TLut512& lut, __m512i x)
{
    const __m512i low = _mm512_permutex2var_epi8(lut.t0, x, lut.t1);   // entries 0 … 127
    const __m512i high = _mm512_permutex2var_epi8(lut.t2, x, lut.t3);  // entries 128 … 255
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

// Blocks of 64 frames x 64 columns, each taken as four tiles of 16 frames. A tile's rows are
// looked up and each 128-bit lane is transposed as a 16 x 16 byte block, so that register i holds
// in lane j the 16 frames of column 16j + i. A 4 x 4 lane transpose over the four tiles then
// gathers a column's 64 frames in one register, and three byte permutes spread them over the
// 192 bytes (blue, green, red) of its bitmap line: whole cache lines, stored once.
TREMAX_AVX512 void TransposeAvx512(const uint8_t* const* rows, int32_t frames, int32_t width, const uint8_t* lut,
                                   uint8_t* out, ptrdiff_t stride)
{
    const TLut512 table{_mm512_loadu_si512(lut), _mm512_loadu_si512(lut + 64), _mm512_loadu_si512(lut + 128),
                        _mm512_loadu_si512(lut + 192)};
    __m512i spread[3];
    for (int o = 0; o < 3; ++o) {
        alignas(64) uint8_t index[64];
        for (int b = 0; b < 64; ++b)
            index[b] = uint8_t((64 * o + b) / 3);
        spread[o] = _mm512_load_si512(index);
    }
    __m512i tiles[4][16];

    for (int32_t k0 = 0; k0 < frames; k0 += 64) {
        const int32_t count = std::min(64, frames - k0);
        const int32_t last = k0 + count - 1;
        const int32_t tileCount = (count + 15) / 16;
        const int bytes = 3 * count;  // of each line in this block
        __mmask64 storeMask[3];
        for (int o = 0; o < 3; ++o) {
            const int n = std::clamp(bytes - 64 * o, 0, 64);
            storeMask[o] = n == 64 ? ~__mmask64(0) : (__mmask64(1) << n) - 1;
        }
        for (int32_t c0 = 0; c0 < width; c0 += 64) {
            const int32_t columns = std::min(64, width - c0);
            const __mmask64 loadMask = columns == 64 ? ~__mmask64(0) : (__mmask64(1) << columns) - 1;
            for (int t = 0; t < 4; ++t) {
                if (t >= tileCount) {  // past the last frame: never stored
                    for (int i = 0; i < 16; ++i)
                        tiles[t][i] = tiles[0][i];
                    continue;
                }
                __m512i r[16];
#pragma GCC unroll 16
                for (int f = 0; f < 16; ++f) {
                    // Past the last frame the last row stands in; its bytes are never stored.
                    const uint8_t* src = rows[std::min(k0 + 16 * t + f, last)] + c0;
                    r[f] = Lookup(table, columns == 64 ? _mm512_loadu_si512(src) : _mm512_maskz_loadu_epi8(loadMask, src));
                }
                __m512i b[16], c[16], d[16];
#pragma GCC unroll 16
                for (int i = 0; i < 8; ++i) {
                    b[2 * i] = _mm512_unpacklo_epi8(r[2 * i], r[2 * i + 1]);
                    b[2 * i + 1] = _mm512_unpackhi_epi8(r[2 * i], r[2 * i + 1]);
                }
#pragma GCC unroll 16
                for (int g = 0; g < 4; ++g) {
                    c[4 * g] = _mm512_unpacklo_epi16(b[4 * g], b[4 * g + 2]);
                    c[4 * g + 1] = _mm512_unpackhi_epi16(b[4 * g], b[4 * g + 2]);
                    c[4 * g + 2] = _mm512_unpacklo_epi16(b[4 * g + 1], b[4 * g + 3]);
                    c[4 * g + 3] = _mm512_unpackhi_epi16(b[4 * g + 1], b[4 * g + 3]);
                }
#pragma GCC unroll 16
                for (int h = 0; h < 2; ++h)
#pragma GCC unroll 16
                    for (int m = 0; m < 4; ++m) {
                        d[8 * h + 2 * m] = Unpacklo32(c[8 * h + m], c[8 * h + 4 + m]);
                        d[8 * h + 2 * m + 1] = Unpackhi32(c[8 * h + m], c[8 * h + 4 + m]);
                    }
#pragma GCC unroll 16
                for (int i = 0; i < 8; ++i) {
                    tiles[t][2 * i] = Unpacklo64(d[i], d[8 + i]);
                    tiles[t][2 * i + 1] = Unpackhi64(d[i], d[8 + i]);
                }
            }

            uint8_t* base = out + ptrdiff_t(c0) * stride + 3 * ptrdiff_t(k0);
#pragma GCC unroll 2
            for (int i = 0; i < 16; ++i) {
                const __m512i t01lo = ShuffleLanes<0x44>(tiles[0][i], tiles[1][i]);
                const __m512i t01hi = ShuffleLanes<0xEE>(tiles[0][i], tiles[1][i]);
                const __m512i t23lo = ShuffleLanes<0x44>(tiles[2][i], tiles[3][i]);
                const __m512i t23hi = ShuffleLanes<0xEE>(tiles[2][i], tiles[3][i]);
                const __m512i column[4] = {
                    ShuffleLanes<0x88>(t01lo, t23lo), ShuffleLanes<0xDD>(t01lo, t23lo),
                    ShuffleLanes<0x88>(t01hi, t23hi), ShuffleLanes<0xDD>(t01hi, t23hi)};
#pragma GCC unroll 4
                for (int j = 0; j < 4; ++j) {
                    if (16 * j + i >= columns)
                        continue;
                    uint8_t* line = base + (16 * j + i) * stride;
                    const __m512i o0 = Permute(spread[0], column[j]);
                    const __m512i o1 = Permute(spread[1], column[j]);
                    const __m512i o2 = Permute(spread[2], column[j]);
                    if (count == 64) {
                        _mm512_storeu_si512(line, o0);
                        _mm512_storeu_si512(line + 64, o1);
                        _mm512_storeu_si512(line + 128, o2);
                    } else {
                        _mm512_mask_storeu_epi8(line, storeMask[0], o0);
                        _mm512_mask_storeu_epi8(line + 64, storeMask[1], o1);
                        _mm512_mask_storeu_epi8(line + 128, storeMask[2], o2);
                    }
                }
            }
        }
    }
}

#endif

}  // namespace

bool TransposeVectorisedAvailable()
{
#if TREMAX_TRANSPOSE_AVX512
    return CpuHas(TCpuFeature::avx512f) && CpuHas(TCpuFeature::avx512bw) && CpuHas(TCpuFeature::avx512vbmi);
#else
    return false;
#endif
}

void TransposeRowsToBgr(const uint8_t* const* rows, int32_t frames, int32_t width, const uint8_t* lut,
                        uint8_t* out, ptrdiff_t stride, bool vectorised)
{
    if (frames <= 0 || width <= 0)
        return;
#if TREMAX_TRANSPOSE_AVX512
    if (vectorised && TransposeVectorisedAvailable()) {
        TransposeAvx512(rows, frames, width, lut, out, stride);
        return;
    }
#else
    (void)vectorised;
#endif
    TransposePortable(rows, frames, width, lut, out, stride);
}
