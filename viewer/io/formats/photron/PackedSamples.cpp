#include "viewer/io/formats/photron/PackedSamples.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TREMAX_X86 1
#endif

namespace {

#if TREMAX_X86
// The top 8 of 12 bits for `pairs` pairs, sixteen samples (24 bytes) a step; returns the pairs
// done. Stops early enough that no load reaches past the last pair's bytes. `Stream` writes past
// the caches (the block is written once and not read again soon); it needs `out` aligned to 16.
template <bool Stream>
__attribute__((target("ssse3"))) int64_t TopBitsOf12Ssse3(const uint8_t* in, int64_t pairs, uint8_t* out)
{
    // Word k of a step: the low byte is the first byte of pair k, and a word made of the
    // pair's middle (high) and last (low) byte, shifted, gives the second sample's top 8 bits.
    const __m128i firstLow = _mm_setr_epi8(0, -1, 3, -1, 6, -1, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i firstHigh = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, -1, 3, -1, 6, -1, 9, -1);
    const __m128i secondLow = _mm_setr_epi8(2, 1, 5, 4, 8, 7, 11, 10, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i secondHigh = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 2, 1, 5, 4, 8, 7, 11, 10);
    int64_t p = 0;
    for (; p + 10 <= pairs; p += 8, in += 24, out += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 12));
        const __m128i first = _mm_or_si128(_mm_shuffle_epi8(a, firstLow), _mm_shuffle_epi8(b, firstHigh));
        const __m128i words = _mm_or_si128(_mm_shuffle_epi8(a, secondLow), _mm_shuffle_epi8(b, secondHigh));
        const __m128i samples = _mm_or_si128(first, _mm_slli_epi16(_mm_srli_epi16(words, 4), 8));
        if constexpr (Stream)
            _mm_stream_si128(reinterpret_cast<__m128i*>(out), samples);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), samples);
    }
    if constexpr (Stream)
        _mm_sfence();
    return p;
}

// The same, thirty-two samples (48 bytes) a step: each half of the register does one step of
// the SSSE3 version.
template <bool Stream>
__attribute__((target("avx2"))) int64_t TopBitsOf12Avx2(const uint8_t* in, int64_t pairs, uint8_t* out)
{
    const __m256i firstLow = _mm256_setr_epi8(0, -1, 3, -1, 6, -1, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                              0, -1, 3, -1, 6, -1, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i firstHigh = _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, -1, 3, -1, 6, -1, 9, -1,
                                               -1, -1, -1, -1, -1, -1, -1, -1, 0, -1, 3, -1, 6, -1, 9, -1);
    const __m256i secondLow = _mm256_setr_epi8(2, 1, 5, 4, 8, 7, 11, 10, -1, -1, -1, -1, -1, -1, -1, -1,
                                               2, 1, 5, 4, 8, 7, 11, 10, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i secondHigh = _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 2, 1, 5, 4, 8, 7, 11, 10,
                                                -1, -1, -1, -1, -1, -1, -1, -1, 2, 1, 5, 4, 8, 7, 11, 10);
    auto load = [](const uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    int64_t p = 0;
    for (; p + 18 <= pairs; p += 16, in += 48, out += 32) {
        const __m256i a = _mm256_inserti128_si256(_mm256_castsi128_si256(load(in)), load(in + 24), 1);
        const __m256i b = _mm256_inserti128_si256(_mm256_castsi128_si256(load(in + 12)), load(in + 36), 1);
        const __m256i first = _mm256_or_si256(_mm256_shuffle_epi8(a, firstLow), _mm256_shuffle_epi8(b, firstHigh));
        const __m256i words = _mm256_or_si256(_mm256_shuffle_epi8(a, secondLow), _mm256_shuffle_epi8(b, secondHigh));
        const __m256i samples = _mm256_or_si256(first, _mm256_slli_epi16(_mm256_srli_epi16(words, 4), 8));
        if constexpr (Stream)
            _mm256_stream_si256(reinterpret_cast<__m256i*>(out), samples);
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), samples);
    }
    if constexpr (Stream)
        _mm_sfence();
    return p;
}

// Picks the widest the processor has; 0 pairs done without any.
int64_t TopBitsOf12Simd(const uint8_t* in, int64_t pairs, uint8_t* out)
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    const uintptr_t alignment = reinterpret_cast<uintptr_t>(out);
    if (avx2)
        return alignment % 32 == 0 ? TopBitsOf12Avx2<true>(in, pairs, out) : TopBitsOf12Avx2<false>(in, pairs, out);
    if (ssse3)
        return alignment % 16 == 0 ? TopBitsOf12Ssse3<true>(in, pairs, out) : TopBitsOf12Ssse3<false>(in, pairs, out);
    return 0;
}

#endif

// One sample of a packed stream, read from the bytes that hold its bits.
uint32_t PackedSample(const uint8_t* stream, int bits, int64_t index)
{
    const int64_t firstBit = index * bits;
    const int64_t lastBit = firstBit + bits - 1;
    uint32_t window = 0;
    for (int64_t byte = firstBit / 8; byte <= lastBit / 8; ++byte)
        window = (window << 8) | stream[byte];
    const int unusedLow = int(7 - lastBit % 8);
    return (window >> unusedLow) & ((uint32_t(1) << bits) - 1);
}

void Unpack12(const uint8_t* stream, int64_t first, int64_t count, const TDepthMap& map, uint8_t* out)
{
    int64_t i = first;
    const int64_t end = first + count;
    if (i < end && i % 2 != 0)
        *out++ = map(PackedSample(stream, 12, i++));
    const uint8_t* in = stream + i / 2 * 3;
    const int64_t pairs = (end - i) / 2;
    if (map.IsPlainShift()) {
        // The top 8 of 12 bits: the first byte of a pair, and the middle and last bytes' nibbles.
        int64_t p = 0;
#if TREMAX_X86
        p = TopBitsOf12Simd(in, pairs, out);
        in += p * 3;
        out += p * 2;
#endif
        for (; p < pairs; ++p, in += 3, out += 2) {
            out[0] = in[0];
            out[1] = uint8_t((in[1] << 4) | (in[2] >> 4));
        }
    } else {
        const uint8_t* table = map.Table();
        for (int64_t p = 0; p < pairs; ++p, in += 3, out += 2) {
            out[0] = table[(uint32_t(in[0]) << 4) | (in[1] >> 4)];
            out[1] = table[(uint32_t(in[1] & 0x0F) << 8) | in[2]];
        }
    }
    i += pairs * 2;
    if (i < end)
        *out = map(PackedSample(stream, 12, i));
}

void Unpack10(const uint8_t* stream, int64_t first, int64_t count, const TDepthMap& map, uint8_t* out)
{
    int64_t i = first;
    const int64_t end = first + count;
    while (i < end && i % 4 != 0)
        *out++ = map(PackedSample(stream, 10, i++));
    const uint8_t* in = stream + i / 4 * 5;
    const int64_t groups = (end - i) / 4;
    const uint8_t* table = map.Table();
    for (int64_t g = 0; g < groups; ++g, in += 5, out += 4) {
        out[0] = table[(uint32_t(in[0]) << 2) | (in[1] >> 6)];
        out[1] = table[(uint32_t(in[1] & 0x3F) << 4) | (in[2] >> 4)];
        out[2] = table[(uint32_t(in[2] & 0x0F) << 6) | (in[3] >> 2)];
        out[3] = table[(uint32_t(in[3] & 0x03) << 8) | in[4]];
    }
    for (i += groups * 4; i < end; ++i)
        *out++ = map(PackedSample(stream, 10, i));
}

void Unpack16(const uint8_t* stream, int64_t first, int64_t count, const TDepthMap& map, uint8_t* out)
{
    const uint8_t* in = stream + first * 2;
    if (map.IsPlainShift() && map.Shift() == 8) {
        int64_t i = 0;
#if TREMAX_X86
        // The high bytes of sixteen samples a step.
        for (; i + 16 <= count; i += 16) {
            const __m128i a = _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i)), 8);
            const __m128i b = _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i + 16)), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
        }
#endif
        for (; i < count; ++i)
            out[i] = in[2 * i + 1];
        return;
    }
    const uint8_t* table = map.Table();
    for (int64_t i = 0; i < count; ++i)
        out[i] = table[in[2 * i] | (uint32_t(in[2 * i + 1]) << 8)];
}

}  // namespace

bool IsPhotronSampleWidth(int bits) { return bits == 8 || bits == 10 || bits == 12 || bits == 16; }

void UnpackSamples(const uint8_t* stream, int bits, int64_t first, int64_t count, const TDepthMap& map, uint8_t* out)
{
    switch (bits) {
    case 8:
        if (map.IsPlainShift()) {
            std::memcpy(out, stream + first, size_t(count));
        } else {
            const uint8_t* table = map.Table();
            for (int64_t i = 0; i < count; ++i)
                out[i] = table[stream[first + i]];
        }
        break;
    case 10:
        Unpack10(stream, first, count, map, out);
        break;
    case 12:
        Unpack12(stream, first, count, map, out);
        break;
    case 16:
        Unpack16(stream, first, count, map, out);
        break;
    default:
        break;
    }
}
