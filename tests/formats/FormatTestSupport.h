#pragma once
// What the format tests share: a header target that records its calls, and blocks read from a
// source or, as the reference, from a raw frame file through the frame cache.

#include "viewer/io/BldFrameSource.h"
#include "viewer/io/FrameCache.h"
#include "viewer/io/FrameSource.h"
#include "viewer/io/HeaderFile.h"

#include <QStringList>
#include <cstdint>
#include <vector>

// Each setter call as "name value", in order.
class TRecordingTarget : public THeaderTarget {
public:
    void SetImageWidth(int32_t v) override { calls << QStringLiteral("width %1").arg(v); }
    void SetImageHeight(int32_t v) override { calls << QStringLiteral("height %1").arg(v); }
    void SetRecordingRate(double v) override { calls << QStringLiteral("rate %1").arg(v, 0, 'g', 17); }
    void SetFrameCount(int32_t v) override { calls << QStringLiteral("count %1").arg(v); }
    void SetFirstFrame(int32_t v) override { calls << QStringLiteral("first %1").arg(v); }
    void SetTrigger(int32_t v) override { calls << QStringLiteral("trigger %1").arg(v); }
    QStringList calls;
};

inline std::vector<uint8_t> ReadBlock(const TFrameSource& source, int32_t first, int32_t count, int32_t width,
                                      int32_t height)
{
    std::vector<uint8_t> block(size_t(count) * size_t(width) * size_t(height), 0xEE);
    source.ReadFrames(first, count, width, height, block.data());
    return block;
}

// The same block as the raw frame file gives it.
inline std::vector<uint8_t> ReadRawBlock(const QString& bld, int32_t first, int32_t count, int32_t width,
                                         int32_t height)
{
    TFrameCache cache;
    cache.Reshape(width, height);
    cache.SetSlotCount(count);
    const TBldFrameSource source(bld);
    cache.Fill(&source, first);
    return std::vector<uint8_t>(cache.Slot(0), cache.Slot(0) + size_t(count) * cache.FrameBytes());
}

// Bits packed most significant first, as a Photron 10 or 12-bit stream.
inline QByteArray PackMsbFirst(const std::vector<uint32_t>& samples, int bits)
{
    QByteArray bytes;
    uint64_t window = 0;
    int held = 0;
    for (uint32_t s : samples) {
        window = (window << bits) | s;
        held += bits;
        while (held >= 8) {
            bytes.append(char((window >> (held - 8)) & 0xFF));
            held -= 8;
        }
    }
    if (held > 0)
        bytes.append(char((window << (8 - held)) & 0xFF));
    return bytes;
}
