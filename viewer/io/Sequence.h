#pragma once
// The open sequence: its header and its frame block, with the setters that re-dimension them and
// the file side of the open procedure. Windows and the spectrum store follow its signals.
//
// Opening is all or nothing: PlanOpen reads and checks the whole header into a plan without
// changing anything, CheckOpenFits checks the memory the plan needs, and ApplyOpen makes and
// reads the new block before it replaces anything, so a failure at any step leaves the open
// sequence exactly as it was.

#include "platform/SystemMemory.h"
#include "viewer/io/FrameCache.h"
#include "viewer/io/FramePrefetcher.h"
#include "viewer/io/FrameSource.h"
#include "viewer/io/HeaderFile.h"
#include "viewer/io/SequenceHeader.h"

#include <QObject>
#include <memory>

// A sequence to be opened, read and checked but not applied.
struct TOpenPlan {
    std::unique_ptr<TFrameSource> source;  // null for no file
    TSequenceHeader header;                // the header as it will be: keys not given keep their values
    int32_t cacheSize = 512;
    QString sizePlace;  // where the frame size came from ("seq.par, line 3"), for messages
    QString sizeKey;
    // The new frame block's bytes, or -1 beyond 64 bits.
    int64_t BlockBytes() const;
};

class TSequence : public QObject, public THeaderTarget {
    Q_OBJECT
public:
    static constexpr int32_t kOpenCacheSize = 512;
    // Frames an open reads before it returns; the block's others follow in the background.
    static constexpr int32_t kFramesReadAtOpen = 1;

    // `formats` picks the frame source for a file name; it must outlive the sequence. Without
    // one, every file is read as raw frames.
    explicit TSequence(QObject* parent = nullptr, const TFrameSourceFactory* formats = nullptr);
    ~TSequence() override;

    const TSequenceHeader& Header() const { return header_; }
    const TFrameCache& Cache() const { return cache_; }
    int32_t Width() const { return header_.Width; }
    int32_t Height() const { return header_.Height; }
    int32_t FirstCachedFrame() const { return cache_.FirstCachedFrame(); }
    int32_t CacheSize() const { return cache_.CacheSize(); }

    // The name of the open frame file; empty when none is open. Makes the frame source for it.
    void SetFileName(const QString& fileName);
    // What picks a file's frame source.
    const TFrameSourceFactory& Formats() const { return formats_; }
    // The source of the open file's frames; null when none is open.
    const TFrameSource* Source() const { return source_.get(); }
    // The files the open sequence is read from (frame file, header); output must not replace them.
    QStringList SourceFiles() const;

    // How much more memory the process may take; the system's figures unless replaced (tests).
    void SetMemoryRoomQuery(TMemoryRoomQuery query) { memoryRoom_ = std::move(query); }
    TMemoryRoom MemoryRoomNow() const { return memoryRoom_(); }

    // The whole frames the open file holds at the current frame size; -1 when unknown.
    int64_t FramesHeld() const { return source_ ? source_->FramesHeld(Width(), Height()) : -1; }

    // Refills the block so that it starts at `first` (negative: 0). A block that already starts
    // there is kept unless `first` is 0, which always re-reads the file. For any other start,
    // frames read ahead for it (see ReadAhead) are taken over instead of reading again, and a
    // block taken over from a read that holds the new block's frames too just moves within it.
    void LoadFrames(int32_t first);
    // Whether LoadFrames(first) would find its frames without reading the source.
    bool BlockReadHolds(int32_t first) const;
    // Reads, on a worker thread, the frames a refill starting anywhere in firstLo … firstHi
    // would need (the frames of a block and a quarter, for starts up to a quarter block apart),
    // unless three such reads would take more than a quarter of the memory. The refill itself
    // decides whether it uses them. `prepare` also makes the memory for the next such read.
    void ReadAhead(int32_t firstLo, int32_t firstHi, bool prepare = false);
    // About how long a read ahead takes now, in seconds (from the reads measured so far);
    // negative before any was measured.
    double ReadAheadSeconds() const;
    // What came of raising the read-ahead's priority.
    TThreadPriorityResult ReadAheadPriority() const { return prefetcher_.WorkerPriority(); }
    // Refills that took frames read ahead or moved within them.
    int64_t RefillsReadAhead() const { return prefetcher_.Taken() + movesWithinRead_; }
    // The grey value of any pixel of any frame; refills the block at `frame` when it misses.
    // Callers pass frame >= 0 and a pixel inside the image.
    uint8_t GetPixel(int32_t frame, int32_t row, int32_t column);
    // Keeps the block around the current frame: when `frame` lies outside it, the block is
    // reloaded centred on it.
    void FollowFrame(int32_t frame);

    // Changes the number of slots; throws EOutOfMemory (changing nothing) when it cannot be held.
    void SetCacheSize(int32_t slots);

    // THeaderTarget: what a header line sets. Values the sequence cannot take are refused with
    // EInvalidHeaderValue (or EOutOfMemory) before anything changes.
    void SetImageWidth(int32_t width) override;
    void SetImageHeight(int32_t height) override;
    void SetRecordingRate(double framesPerSecond) override;
    void SetFrameCount(int32_t frames) override;
    void SetFirstFrame(int32_t frame) override { header_.FirstFrame = frame; }
    void SetTrigger(int32_t frame) override { header_.Trigger = frame; }

    // Reads `fileName`'s header (".par" before ".dsc", or the defaults without one) into a plan,
    // with the cache back to 512 frames, or to `minCacheSize` when that is more (the series
    // analysed are taken from the block, so it must hold the analysis length). Throws what the
    // header's reading throws, with the file, line and key in the message; nothing changes.
    TOpenPlan PlanOpen(const QString& fileName, int32_t minCacheSize = 0) const;
    // Throws EOutOfMemory naming the sizes when the plan's block together with
    // `followerBytes` (what the sequence's followers make for its frame size) does not fit in
    // the memory the process may still take.
    void CheckOpenFits(const TOpenPlan& plan, int64_t followerBytes = 0) const;
    // Makes the plan's block and reads it from frame 0, then replaces header, source and block
    // and signals what changed. An allocation or read that fails throws (EOutOfMemory
    // "Out of memory ...", EInOutError) with nothing changed.
    void ApplyOpen(TOpenPlan plan);
    // The open is over: a refill from frame 0 reads the file again from now on. Until then it
    // keeps the block the open is reading.
    void EndOpen() { openBlock_ = false; }
    // EndOpen, and returns once the whole block is read, as an open without a window to show
    // its first frame in needs (nothing then reads on after it: a forked child finds no thread).
    void FinishOpen();
    // The three steps for the stored file name.
    void ReadSequenceFiles();

Q_SIGNALS:
    // The block is about to change: spectra of the old block must never be shown with the new.
    void blockChanging();
    // The block has been read.
    void blockLoaded();
    // The frame size has changed; everything sized by the frame follows.
    void imageWidthChanged(int32_t width);
    void imageHeightChanged(int32_t height);
    // The block's slots are about to be reallocated (before cacheSizeChanged).
    void cacheSizeChanging();
    void cacheSizeChanged(int32_t slots);
    void recordingRateChanged(double framesPerSecond);
    // Another file (or none, or the same one again) is open: its frames are other pixels.
    void fileNameChanged(const QString& fileName);

private:
    TSequenceHeader header_;
    TFrameCache cache_;
    TFrameSourceFactory rawOnly_;
    const TFrameSourceFactory& formats_;
    std::unique_ptr<TFrameSource> source_;
    TMemoryRoomQuery memoryRoom_ = MemoryRoom;
    int64_t movesWithinRead_ = 0;
    bool openBlock_ = false;  // the block is the one ApplyOpen made, until EndOpen
    TFramePrefetcher prefetcher_;  // last: it stops reading source_ before that goes
};
