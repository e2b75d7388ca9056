#include "viewer/formats/photron/PackedSamples.h"

#include <cstring>

namespace {

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
        for (int64_t p = 0; p < pairs; ++p, in += 3, out += 2) {
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
        for (int64_t i = 0; i < count; ++i)
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
