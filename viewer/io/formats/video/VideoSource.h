#pragma once
// Video files through FFmpeg's libraries: the best video stream of the file, each decoded frame
// converted to 8-bit grey: the luma plane as it is for grey and full-range YUV frames of 8 bits;
// for every other pixel format swscale's conversion to grey (limited-range luma 16 ... 235
// stretched to 0 ... 255, deeper samples to their top 8 bits, colour to its luma).
//
// Frame count: the video packets the container holds (every packet one frame), counted once
// when the header is read by reading the whole file without decoding; packets the container
// marks as not to be shown do not count. Frame rate: the stream's average frame rate, else its
// base rate ("r_frame_rate"); neither known leaves the rate alone. No first frame or trigger.
//
// A refill seeks to the key frame at or before the block's first frame and decodes forward
// only up to the last packet the block's frames need; frames past the end read as the missing
// fill, and so do frames the decoder does not give.

#include "viewer/io/FrameSource.h"
#include "viewer/io/FormatSupport.h"

#include <atomic>
#include <memory>

class TVideoSource : public TFrameSource {
public:
    explicit TVideoSource(QString path);
    ~TVideoSource() override;

    QString FileName() const override { return path_; }
    // "Video" with the codec and container once the header is read ("Video (ffv1, Matroska / WebM)").
    QString FormatName() const override;
    // The bit depth of the luma (or grey) samples.
    int BitDepth() const override;

    // Height, width, rate and frame count.
    void ReadHeader(THeaderTarget& target) override;
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override;

    // Packets sent to the decoder by the last refill.
    int64_t PacketsDecoded() const { return packetsDecoded_; }

    struct TLayout;

private:
    const QString path_;
    TReadOnce<TLayout> layout_;
    mutable std::atomic<int64_t> packetsDecoded_ = 0;
};

class TFrameSourceFactory;
// ".avi", ".mp4", ".mov", ".m4v", ".mkv"; recognised by the leading bytes of AVI, MP4/QuickTime
// and Matroska files too.
void RegisterVideoFormat(TFrameSourceFactory& factory);
bool LooksLikeVideo(const QByteArray& leadingBytes);
