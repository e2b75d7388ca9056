#pragma once
// Photron recordings: the ".mraw" frame file with its ".cih"/".cihx" header, opened through
// either. Frames follow each other in the frame file, each a stream of Width x Height samples
// (see PackedSamples.h); deeper samples are mapped to 8 bits by the effective bit depth.

#include "viewer/io/FrameSource.h"
#include "viewer/io/FormatSupport.h"
#include "viewer/io/formats/photron/PhotronHeader.h"

#include <memory>

class TPhotronSource : public TFrameSource {
public:
    explicit TPhotronSource(QString path);

    QString FileName() const override { return path_; }
    // "Photron MRAW" with the sample width once the header is read ("Photron MRAW, 12-bit packed").
    QString FormatName() const override;
    // The effective bit depth of the samples.
    int BitDepth() const override;

    // Height, width, rate, frame count ("Total Frame", else the whole frames in the file), first
    // frame and trigger.
    void ReadHeader(THeaderTarget& target) override;
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override;

private:
    struct TLayout;
    // Reads the header and checks the frame file.
    std::shared_ptr<const TLayout> ReadLayout() const;

    const QString path_;
    TReadOnce<TLayout> layout_;
};

class TFrameSourceFactory;
// ".cih", ".cihx" and ".mraw"; a ".cih" is recognised by its first line too.
void RegisterPhotronFormat(TFrameSourceFactory& factory);
// True when the leading bytes are those of a ".cih" header.
bool LooksLikePhotronHeader(const QByteArray& leadingBytes);
