#pragma once
// Raw frames (".bld"): the frame file holds nothing but 8-bit frames, one after the other; the
// header file beside it (".par", else ".dsc") says their size and rate.

#include "viewer/io/FrameSource.h"

class TBldFrameSource : public TFrameSource {
public:
    explicit TBldFrameSource(QString fileName) : fileName_(std::move(fileName)) {}

    QString FileName() const override { return fileName_; }
    QString FormatName() const override { return QStringLiteral("Raw frames (.bld)"); }
    // The frame file and every header file that belongs to it.
    QStringList SourceFiles() const override;

    // The header file's lines in file order; without a header file the defaults of a recording
    // of 2048 frames of 256 x 64 at 1904 frames/s.
    void ReadHeader(THeaderTarget& target) override;
    // One positioned read of the whole run; the rows that the file does not supply in full (and
    // every row after the first short one) read as the missing fill, and so does everything when
    // the file does not exist. A frame file that is not a regular file is refused (EInOutError)
    // rather than waited on.
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override;
    // From the file's size; 0 when it does not exist.
    int64_t FramesHeld(int32_t width, int32_t height) const override;

private:
    QString fileName_;
};
