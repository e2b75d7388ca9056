#include "viewer/Sequence.h"

#include "platform/Errors.h"
#include "platform/SystemMemory.h"

#include <algorithm>
#include <cmath>
#include <limits>

TSequence::TSequence(QObject* parent, const TFrameSourceFactory* formats)
    : QObject(parent), formats_(formats ? *formats : rawOnly_)
{
}

TSequence::~TSequence() = default;

void TSequence::SetFileName(const QString& fileName)
{
    prefetcher_.Cancel();
    header_.FileName = fileName;
    source_ = fileName.isEmpty() ? nullptr : formats_.Create(fileName);
    Q_EMIT fileNameChanged(fileName);
}

void TSequence::LoadFrames(int32_t first)
{
    if (first == cache_.FirstCachedFrame() && first > 0)
        return;
    Q_EMIT blockChanging();
    const int32_t start = std::max(first, 0);
    std::vector<uint8_t> frames;
    // Frame 0 is the refresh from the file: always read now, never taken from a read ahead.
    if (const std::optional<int32_t> framesFirst =
            first == 0 ? std::nullopt
                       : prefetcher_.Take(source_.get(), start, cache_.CacheSize(), Width(), Height(), frames)) {
        cache_.Adopt(frames, *framesFirst, start);
        prefetcher_.Return(frames);
    } else {
        prefetcher_.Cancel();  // one read of the source at a time
        cache_.Fill(source_.get(), first);
    }
    Q_EMIT blockLoaded();
}

void TSequence::ReadAhead(int32_t firstLo, int32_t firstHi, bool prepare)
{
    if (!source_)
        return;
    // On a grid of 16 frames, so that the guesses of successive ticks ask for the same read.
    constexpr int32_t kGrid = 16;
    firstLo = std::max(firstLo, 0) / kGrid * kGrid;
    firstHi = std::max(firstHi, firstLo);
    firstHi = int32_t(std::min<int64_t>((int64_t(firstHi) / kGrid + 1) * kGrid, std::numeric_limits<int32_t>::max()));
    // One size for every read ahead: their buffers then serve each other.
    if (firstHi - firstLo > cache_.CacheSize() / 4)
        return;
    const int64_t count = int64_t(cache_.CacheSize()) + cache_.CacheSize() / 4 + 2 * kGrid;
    const int64_t bytes = count * int64_t(cache_.FrameBytes());
    if (count > std::numeric_limits<int32_t>::max() || 3 * bytes > PhysicalMemoryBytes() / 4)
        return;
    prefetcher_.Request(source_.get(), firstLo, int32_t(count), Width(), Height(), prepare);
}

uint8_t TSequence::GetPixel(int32_t frame, int32_t row, int32_t column)
{
    if (!cache_.Holds(frame))
        LoadFrames(frame);
    return cache_.Row(frame - cache_.FirstCachedFrame(), row)[column];
}

void TSequence::FollowFrame(int32_t frame)
{
    if (!cache_.Holds(frame))
        LoadFrames(frame - cache_.CacheSize() / 2);
}

void TSequence::SetCacheSize(int32_t slots)
{
    if (slots == cache_.CacheSize())
        return;
    prefetcher_.Cancel();
    cache_.SetSlotCount(slots);
    Q_EMIT cacheSizeChanged(slots);
}

void TSequence::SetImageWidth(int32_t width)
{
    if (width < 1)
        throw EInvalidHeaderValue(QStringLiteral("the image width must be at least 1 pixel, not %1").arg(width));
    TFrameCache::CheckFits(cache_.CacheSize(), header_.Height, width);
    prefetcher_.Cancel();
    header_.Width = width;
    Q_EMIT blockChanging();
    cache_.Reshape(width, header_.Height);
    Q_EMIT imageWidthChanged(width);
}

void TSequence::SetImageHeight(int32_t height)
{
    if (height < 1)
        throw EInvalidHeaderValue(QStringLiteral("the image height must be at least 1 row, not %1").arg(height));
    TFrameCache::CheckFits(cache_.CacheSize(), height, header_.Width);
    prefetcher_.Cancel();
    header_.Height = height;
    Q_EMIT blockChanging();
    cache_.Reshape(header_.Width, height);
    Q_EMIT imageHeightChanged(height);
}

void TSequence::SetRecordingRate(double framesPerSecond)
{
    if (!(framesPerSecond > 0) || !std::isfinite(framesPerSecond))
        throw EInvalidHeaderValue(
            QStringLiteral("the frame rate must be a positive number, not %1").arg(framesPerSecond));
    header_.FramesPerSecond = framesPerSecond;
    Q_EMIT recordingRateChanged(framesPerSecond);
}

void TSequence::SetFrameCount(int32_t frames)
{
    if (frames < 1)
        throw EInvalidHeaderValue(QStringLiteral("the number of frames must be at least 1, not %1").arg(frames));
    header_.FrameCount = frames;
}

void TSequence::ReadSequenceFiles()
{
    SetCacheSize(kOpenCacheSize);
    if (source_)
        source_->ReadHeader(*this);
    LoadFrames(0);
    // The first read into fresh memory is slow (the pages are made as it goes): the read-ahead's
    // buffers are filled now, in the background, so that they are quick when playback needs them.
    ReadAhead(0, 0, true);
}
