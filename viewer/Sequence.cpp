#include "viewer/Sequence.h"

#include "platform/Errors.h"

#include <cmath>

TSequence::TSequence(QObject* parent, const TFrameSourceFactory* formats)
    : QObject(parent), formats_(formats ? *formats : rawOnly_)
{
}

TSequence::~TSequence() = default;

void TSequence::SetFileName(const QString& fileName)
{
    header_.FileName = fileName;
    source_ = fileName.isEmpty() ? nullptr : formats_.Create(fileName);
    Q_EMIT fileNameChanged(fileName);
}

void TSequence::LoadFrames(int32_t first)
{
    if (first == cache_.FirstCachedFrame() && first > 0)
        return;
    Q_EMIT blockChanging();
    cache_.Fill(source_.get(), first);
    Q_EMIT blockLoaded();
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
    cache_.SetSlotCount(slots);
    Q_EMIT cacheSizeChanged(slots);
}

void TSequence::SetImageWidth(int32_t width)
{
    if (width < 1)
        throw EInvalidHeaderValue(QStringLiteral("the image width must be at least 1 pixel, not %1").arg(width));
    TFrameCache::CheckFits(cache_.CacheSize(), header_.Height, width);
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
}
