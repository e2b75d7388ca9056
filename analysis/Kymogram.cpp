#include "analysis/Kymogram.h"

#include "analysis/KymogramTranspose.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "viewer/render/FrameRenderer.h"
#include "viewer/io/Sequence.h"
#include "viewer/io/SequenceChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr int kMaxEdgeSquare = 2 * 255 * 255;

void FreeAligned(void* data) { std::free(data); }

// A 24-bit bitmap whose lines start on cache-line boundaries: the vectorised build then writes
// whole cache lines. Its size is checked against the memory room before it is asked for.
QImage AlignedBitmap(int32_t length, int32_t height, const TMemoryRoomQuery& room)
{
    const int64_t lineBytes = CheckedProduct(length, 3);
    const int64_t bytesPerLine = lineBytes < 0 ? -1 : (lineBytes + 63) / 64 * 64;
    const int64_t bytes = bytesPerLine < 0 ? -1 : CheckedProduct(bytesPerLine, height);
    const QString what = QStringLiteral("A kymogram of %1 x %2 pixels").arg(length).arg(height);
    CheckMemoryRoom(bytes, what, room());
    void* data = std::aligned_alloc(64, size_t(bytes));
    if (!data)
        throw EOutOfMemory(what + QStringLiteral(" does not fit in memory"));
    QImage image(static_cast<uchar*>(data), length, height, qsizetype(bytesPerLine), QImage::Format_BGR888,
                 FreeAligned, data);
    if (image.isNull()) {  // beyond what a picture may hold
        std::free(data);
        throw EOutOfMemory(what + QStringLiteral(" is too large for a picture"));
    }
    return image;
}

void FitBitmap(QImage& bitmap, int32_t length, int32_t height, const TMemoryRoomQuery& room)
{
    if (bitmap.width() != length || bitmap.height() != height || bitmap.format() != QImage::Format_BGR888)
        bitmap = AlignedBitmap(length, height, room);
}

}  // namespace

TKymogramSpan KymogramSpanOf(double lo, double hi)
{
    return {RoundToInt(lo), std::max(RoundToInt(hi - lo + 1), 1)};
}

TKymogramAxisChange KymogramAxisChange(double lo, double hi, double marker)
{
    TKymogramAxisChange change;
    change.span = KymogramSpanOf(lo, hi);
    change.hiValue = lo + change.span.length - 1;
    change.currentFrame = RoundToInt(marker);
    return change;
}

void FitKymogramBitmap(const TKymogramSpan& span, int32_t imageWidth, QImage& bitmap, const TMemoryRoomQuery& room)
{
    const bool resized = bitmap.width() != span.length || bitmap.height() != imageWidth;
    FitBitmap(bitmap, span.length, imageWidth, room);
    if (resized)
        bitmap.fill(Qt::black);  // shown black until the build that follows
}

bool KymogramRangeFollows(double& lo, double& hi, int32_t frame, double firstFrame, double lastFrame)
{
    if (frame >= lo && frame <= hi)
        return false;
    const double d = hi - lo;
    // Whole frames each side: n ± d/2 with an odd width would be two halves that the frame
    // axis rounds to even, one up and one down, making the span a frame wider or narrower.
    lo = frame - std::floor(d / 2);
    hi = lo + d;
    // Near an end of the file the span is shifted inside it rather than cut by the axis'
    // limits, which would shorten it a little more at every jump to an end.
    if (d >= lastFrame - firstFrame) {
        lo = firstFrame;
        hi = lastFrame;
    } else if (lo < firstFrame) {
        lo = firstFrame;
        hi = firstFrame + d;
    } else if (hi > lastFrame) {
        hi = lastFrame;
        lo = lastFrame - d;
    }
    return true;
}

void CoverKymogramSpan(TSequence& sequence, const TKymogramSpan& span)
{
    const TFrameCache& cache = sequence.Cache();
    // Frames before 0 do not exist; everything else the cache has room for should be held.
    const int64_t first = std::max<int64_t>(span.first, 0);
    const int64_t last = std::min<int64_t>({span.Last(), first + cache.CacheSize() - 1,
                                            std::numeric_limits<int32_t>::max()});
    if (last < first)
        return;
    if (cache.Holds(int32_t(first)) && cache.Holds(int32_t(last)))
        return;
    sequence.LoadFrames(int32_t(first));
}

QString KymogramCaption(int32_t row) { return QStringLiteral("Kymogram at row %1").arg(row); }

TKymogramBuilder::TKymogramBuilder(bool vectorised) : vectorised_(vectorised && VectorisedAvailable())
{
    for (int g = 0; g < 256; ++g)
        identity_[g] = uint8_t(g);
}

bool TKymogramBuilder::VectorisedAvailable() { return TransposeVectorisedAvailable(); }

void TKymogramBuilder::PrepareTables(const TGrayCurve& curve, bool edge)
{
    if (!tablesValid_ || !(curve == tableCurve_)) {
        for (int g = 0; g < 256; ++g)
            plain_[g] = GrayByte(curve(double(g)), false);
        tableCurve_ = curve;
        tablesValid_ = true;
        edgeTableValid_ = false;
    }
    if (edge && !edgeTableValid_) {
        // Squared gradients are integers: one entry each keeps the square root exact.
        edge_.resize(kMaxEdgeSquare + 1);
        for (int d2 = 0; d2 <= kMaxEdgeSquare; ++d2)
            edge_[size_t(d2)] = GrayByte(curve(std::sqrt(double(d2))), false);
        edgeTableValid_ = true;
    }
}

const uint8_t* TKymogramBuilder::StageEdgeRows(const TFrameCache& cache, int32_t row, int32_t firstSlot,
                                               int32_t frames)
{
    const int32_t width = cache.Width();
    staged_.resize(size_t(frames) * size_t(width));
    const uint8_t zero = edge_[0];
    const bool lastRow = row == cache.Height() - 1;
    for (int32_t k = 0; k < frames; ++k) {
        uint8_t* dst = staged_.data() + size_t(k) * size_t(width);
        if (lastRow) {
            std::memset(dst, zero, size_t(width));
            continue;
        }
        const uint8_t* p = cache.Row(firstSlot + k, row);
        const uint8_t* below = p + width;
        for (int32_t c = 0; c < width - 1; ++c) {
            const int dx = int(p[c]) - int(p[c + 1]);
            const int dy = int(p[c]) - int(below[c]);
            dst[c] = edge_[size_t(dx * dx + dy * dy)];
        }
        dst[width - 1] = zero;
    }
    return staged_.data();
}

void TKymogramBuilder::Build(TSequence& sequence, const TKymogramSettings& settings, QImage& bitmap)
{
    CoverKymogramSpan(sequence, settings.span);
    BuildFromCache(sequence.Cache(), settings, bitmap, [&sequence] { return sequence.MemoryRoomNow(); });
}

void TKymogramBuilder::BuildFromCache(const TFrameCache& cache, const TKymogramSettings& settings, QImage& bitmap,
                                      const TMemoryRoomQuery& room)
{
    const int32_t row = settings.row;
    const TKymogramSpan span = settings.span;
    if (row < 0 || row >= cache.Height() || span.length < 1)
        throw ERangeError();
    const int32_t width = cache.Width();
    FitBitmap(bitmap, span.length, width, room);
    PrepareTables(FitGrayCurve(settings.blackLevel, settings.grayLevel, settings.whiteLevel), settings.edgeEnhance);

    // Pixels k in [held, heldEnd) show frames the block holds; the others are black.
    const int64_t blockFirst = cache.FirstCachedFrame();
    const int64_t blockEnd = blockFirst + cache.CacheSize();
    const int32_t held = int32_t(std::clamp<int64_t>(blockFirst - span.first, 0, span.length));
    const int32_t heldEnd = int32_t(std::clamp<int64_t>(blockEnd - span.first, held, span.length));

    uint8_t* bits = bitmap.bits();
    const ptrdiff_t stride = bitmap.bytesPerLine();
    if (held > 0 || heldEnd < span.length)
        for (int32_t c = 0; c < width; ++c) {
            uint8_t* line = bits + c * stride;
            std::memset(line, 0, 3 * size_t(held));
            std::memset(line + 3 * ptrdiff_t(heldEnd), 0, 3 * size_t(span.length - heldEnd));
        }

    const int32_t frames = heldEnd - held;
    if (frames > 0) {
        const int32_t firstSlot = int32_t(span.first + held - blockFirst);
        rows_.resize(size_t(frames));
        const uint8_t* lut = plain_;
        if (settings.edgeEnhance) {
            const uint8_t* staged = StageEdgeRows(cache, row, firstSlot, frames);
            for (int32_t k = 0; k < frames; ++k)
                rows_[size_t(k)] = staged + size_t(k) * size_t(width);
            lut = identity_;
        } else {
            for (int32_t k = 0; k < frames; ++k)
                rows_[size_t(k)] = cache.Row(firstSlot + k, row);
        }
        TransposeRowsToBgr(rows_.data(), frames, width, lut, bits + 3 * ptrdiff_t(held), stride, vectorised_);
    }
    ++builds_;
}

QImage BuildAskedKymogram(TSequence& sequence, int32_t row, int32_t from, int32_t to, const TKymogramSettings& levels)
{
    CheckRow(sequence, row);
    CheckFrameOption(sequence, "from", from);
    CheckFrameOption(sequence, "to", to);
    if (to < from)
        throw EError(QStringLiteral("The kymogram's last frame (%1) lies before its first (%2)").arg(to).arg(from));
    // The frame axis never spans more frames than the block holds.
    const int64_t length = int64_t(to) - from + 1;
    if (length > sequence.CacheSize())
        throw EError(QStringLiteral("The kymogram spans at most %1 frames (the cache size), not %2")
                         .arg(sequence.CacheSize())
                         .arg(length));
    TKymogramSettings settings = levels;
    settings.row = row;
    settings.span = KymogramSpanOf(from, to);
    // As the frame axis' scale change does: the block starts at the span, then the build.
    QImage bitmap;
    FitKymogramBitmap(settings.span, sequence.Width(), bitmap);
    sequence.LoadFrames(settings.span.first);
    TKymogramBuilder builder;
    builder.Build(sequence, settings, bitmap);
    return bitmap;
}
