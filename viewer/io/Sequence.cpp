#include "viewer/io/Sequence.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "platform/SystemMemory.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

// The frames of one read ahead, beyond a block of `slots`: starts up to a quarter block apart
// share it.
constexpr int32_t kReadAheadGrid = 16;
int64_t ReadAheadFrames(int32_t slots) { return int64_t(slots) + slots / 4 + 2 * kReadAheadGrid; }

// Fills `cache` from `source` at `first`; the time it took in seconds.
double TimedFill(TFrameCache& cache, const TFrameSource* source, int32_t first)
{
    const auto start = std::chrono::steady_clock::now();
    cache.Fill(source, first);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int64_t TOpenPlan::BlockBytes() const { return TFrameCache::BlockBytes(cacheSize, header.Height, header.Width); }

TSequence::TSequence(QObject* parent, const TFrameSourceFactory* formats)
    : QObject(parent), formats_(formats ? *formats : rawOnly_)
{
}

TSequence::~TSequence() = default;

void TSequence::SetFileName(const QString& fileName)
{
    openBlock_ = false;
    prefetcher_.Cancel();
    cache_.ForgetRead();  // its frames beyond the block are the old file's
    header_.FileName = fileName;
    source_ = fileName.isEmpty() ? nullptr : formats_.Create(fileName);
    Q_EMIT fileNameChanged(fileName);
}

QStringList TSequence::SourceFiles() const { return source_ ? source_->SourceFiles() : QStringList(); }

void TSequence::LoadFrames(int32_t first)
{
    if (first == cache_.FirstCachedFrame() && first > 0)
        return;
    // The open's own block from frame 0, still being read or just read: read again, it would
    // only be the same frames later.
    if (first <= 0 && openBlock_ && cache_.FirstCachedFrame() == 0) {
        Q_EMIT blockChanging();
        Q_EMIT blockLoaded();
        return;
    }
    openBlock_ = false;
    const bool moveWithinRead = BlockReadHolds(first);
    Q_EMIT blockChanging();
    const int32_t start = std::max(first, 0);
    if (moveWithinRead && cache_.MoveWithinRead(start)) {
        ++movesWithinRead_;
        Q_EMIT blockLoaded();
        return;
    }
    TByteBuffer frames;
    // Frame 0 is the refresh from the file: always read now, never taken from a read ahead.
    if (const std::optional<int32_t> framesFirst =
            first == 0 ? std::nullopt
                       : prefetcher_.Take(source_.get(), start, cache_.CacheSize(), Width(), Height(), frames)) {
        cache_.Adopt(frames, *framesFirst, start);
        prefetcher_.Return(frames);
    } else {
        prefetcher_.Cancel();  // one read of the source at a time
        const double seconds = TimedFill(cache_, source_.get(), first);
        if (source_)
            prefetcher_.NoteRead(size_t(cache_.CacheSize()) * cache_.FrameBytes(), seconds);
    }
    Q_EMIT blockLoaded();
}

bool TSequence::BlockReadHolds(int32_t first) const
{
    return first > 0 && first != cache_.FirstCachedFrame() && cache_.ReadHolds(first);
}

void TSequence::ReadAhead(int32_t firstLo, int32_t firstHi, bool prepare)
{
    if (!source_)
        return;
    // On a grid of frames, so that the guesses of successive ticks ask for the same read.
    constexpr int32_t kGrid = kReadAheadGrid;
    firstLo = std::max(firstLo, 0) / kGrid * kGrid;
    firstHi = std::max(firstHi, firstLo);
    firstHi = int32_t(std::min<int64_t>((int64_t(firstHi) / kGrid + 1) * kGrid, std::numeric_limits<int32_t>::max()));
    // One size for every read ahead: their buffers then serve each other.
    if (firstHi - firstLo > cache_.CacheSize() / 4)
        return;
    const int64_t count = ReadAheadFrames(cache_.CacheSize());
    const int64_t bytes = count * int64_t(cache_.FrameBytes());
    if (count > std::numeric_limits<int32_t>::max() || 3 * bytes > PhysicalMemoryBytes() / 4)
        return;
    prefetcher_.Request(source_.get(), firstLo, int32_t(count), Width(), Height(), prepare);
}

double TSequence::ReadAheadSeconds() const
{
    return prefetcher_.ReadSeconds(size_t(ReadAheadFrames(cache_.CacheSize())) * cache_.FrameBytes());
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
    TFrameCache::CheckFits(slots, header_.Height, header_.Width, memoryRoom_());
    prefetcher_.Cancel();
    Q_EMIT cacheSizeChanging();  // readers of the block on other threads let go first
    openBlock_ = false;
    cache_.SetSlotCount(slots);
    Q_EMIT cacheSizeChanged(slots);
}

void TSequence::SetImageWidth(int32_t width)
{
    CheckImageWidth(width);
    TFrameCache::CheckFits(cache_.CacheSize(), header_.Height, width, memoryRoom_());
    prefetcher_.Cancel();
    openBlock_ = false;
    Q_EMIT blockChanging();
    cache_.Reshape(width, header_.Height);
    header_.Width = width;
    Q_EMIT imageWidthChanged(width);
}

void TSequence::SetImageHeight(int32_t height)
{
    CheckImageHeight(height);
    TFrameCache::CheckFits(cache_.CacheSize(), height, header_.Width, memoryRoom_());
    prefetcher_.Cancel();
    openBlock_ = false;
    Q_EMIT blockChanging();
    cache_.Reshape(header_.Width, height);
    header_.Height = height;
    Q_EMIT imageHeightChanged(height);
}

void TSequence::SetRecordingRate(double framesPerSecond)
{
    CheckRecordingRate(framesPerSecond);
    header_.FramesPerSecond = framesPerSecond;
    Q_EMIT recordingRateChanged(framesPerSecond);
}

void TSequence::SetFrameCount(int32_t frames)
{
    CheckFrameCount(frames);
    header_.FrameCount = frames;
}

TOpenPlan TSequence::PlanOpen(const QString& fileName, int32_t minCacheSize) const
{
    TOpenPlan plan;
    plan.source = fileName.isEmpty() ? nullptr : formats_.Create(fileName);
    plan.header = header_;
    plan.header.FileName = fileName;
    plan.cacheSize = std::max(kOpenCacheSize, minCacheSize);
    if (!plan.source)
        return plan;
    THeaderCollector collector;
    plan.source->ReadHeader(collector);
    const THeaderValues& values = collector.Values();
    TSequenceHeader& h = plan.header;
    h.Width = values.width.value_or(h.Width);
    h.Height = values.height.value_or(h.Height);
    h.FramesPerSecond = values.framesPerSecond.value_or(h.FramesPerSecond);
    h.FrameCount = values.frameCount.value_or(h.FrameCount);
    h.FirstFrame = values.firstFrame.value_or(h.FirstFrame);
    h.Trigger = values.trigger.value_or(h.Trigger);
    plan.sizePlace = values.sizePlace.isEmpty() ? FileNamePart(fileName) : values.sizePlace;
    plan.sizeKey = values.sizeKey;
    return plan;
}

void TSequence::CheckOpenFits(const TOpenPlan& plan, int64_t followerBytes) const
{
    const TSequenceHeader& h = plan.header;
    const QString what = QStringLiteral("A sequence of %1 x %2 pixels with a frame block of %3 frames")
                             .arg(h.Width)
                             .arg(h.Height)
                             .arg(plan.cacheSize);
    try {
        CheckMemoryRoom(CheckedSum(plan.BlockBytes(), followerBytes), what, memoryRoom_());
    } catch (const EOutOfMemory& e) {
        throw EOutOfMemory(HeaderMessage(plan.sizePlace, e.Message(), plan.sizeKey));
    }
}

void TSequence::ApplyOpen(TOpenPlan plan)
{
    // Made beside the old block, its first frame read: until the swap below nothing has
    // changed. The rest of the block is read in the background; readers of a frame not read
    // yet wait for it.
    TFrameCache next(plan.header.Width, plan.header.Height, plan.cacheSize);
    const auto start = std::chrono::steady_clock::now();
    std::shared_ptr<TBlockFill> rest = next.FillFirst(plan.source.get(), 0, kFramesReadAtOpen);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    prefetcher_.Cancel();  // it reads the source about to go
    cache_.AwaitFill();
    Q_EMIT blockChanging();
    const TSequenceHeader old = header_;
    const int32_t oldSlots = cache_.CacheSize();
    cache_ = std::move(next);
    header_ = plan.header;
    source_ = std::move(plan.source);
    if (source_) {
        const int32_t read = rest ? rest->Ready() : cache_.CacheSize();
        prefetcher_.NoteRead(size_t(read) * cache_.FrameBytes(), seconds);
    }
    prefetcher_.FillBlock(source_.get(), cache_, std::move(rest));
    openBlock_ = true;

    // Sizes first: followers of the cache size may already draw from the new block.
    Q_EMIT fileNameChanged(header_.FileName);
    if (header_.Width != old.Width)
        Q_EMIT imageWidthChanged(header_.Width);
    if (header_.Height != old.Height)
        Q_EMIT imageHeightChanged(header_.Height);
    if (header_.FramesPerSecond != old.FramesPerSecond)
        Q_EMIT recordingRateChanged(header_.FramesPerSecond);
    if (cache_.CacheSize() != oldSlots)
        Q_EMIT cacheSizeChanged(cache_.CacheSize());
    Q_EMIT blockLoaded();
}

void TSequence::FinishOpen()
{
    EndOpen();
    cache_.AwaitFill();
}

void TSequence::ReadSequenceFiles()
{
    TOpenPlan plan = PlanOpen(header_.FileName);
    CheckOpenFits(plan);
    ApplyOpen(std::move(plan));
    FinishOpen();
    // The first read into fresh memory is slow (the pages are made as it goes): the read-ahead's
    // buffers are filled now, in the background, so that they are quick when playback needs them.
    ReadAhead(0, 0, true);
}
