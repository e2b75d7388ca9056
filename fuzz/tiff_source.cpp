// Multipage TIFF: the input is the file, opened as the program opens it.
#include "fuzz/FuzzSupport.h"
#include "viewer/io/FrameSource.h"
#include "viewer/io/formats/tiff/TiffSource.h"

void Fuzz_tiff_source(const uint8_t* data, size_t size)
{
    const QString path = WriteFuzzFile(QStringLiteral("rec.tif"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    static const TFrameSourceFactory formats = [] {
        TFrameSourceFactory factory;
        RegisterTiffFormat(factory);
        return factory;
    }();
    FuzzOpenSequence(FuzzSequence(formats), path);
}
