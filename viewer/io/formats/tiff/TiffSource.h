#pragma once
// Multipage TIFF through libtiff: each page (image file directory) is one frame. Grey pages of
// 8 or 16-bit unsigned samples, in strips or tiles, with any compression libtiff reads; every
// page must have the first page's size and sample format. 16-bit samples are mapped to 8 bits
// by their effective depth: the bits "MaxSampleValue" needs when the file states it, else 16.
// The frame rate comes from an ImageJ description ("finterval=", else "fps=") when there is one.

#include "viewer/io/FrameSource.h"
#include "viewer/io/FormatSupport.h"

#include <memory>

class TTiffSource : public TFrameSource {
public:
    explicit TTiffSource(QString path);

    QString FileName() const override { return path_; }
    // "Multipage TIFF", with the sample width once the pages are known ("Multipage TIFF, 16-bit").
    QString FormatName() const override;
    int BitDepth() const override;

    // Height, width, rate (ImageJ only) and the number of pages. Walks every page once.
    void ReadHeader(THeaderTarget& target) override;
    // A page that cannot be decoded, or that differs from the first, throws EInOutError; parts of
    // a page beyond the end of a truncated file read as the missing fill.
    void ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const override;

    struct TLayout;

private:
    const QString path_;
    TReadOnce<TLayout> layout_;
};

class TFrameSourceFactory;
// ".tif" and ".tiff"; recognised by the byte-order mark and magic number too.
void RegisterTiffFormat(TFrameSourceFactory& factory);
bool LooksLikeTiff(const QByteArray& leadingBytes);
