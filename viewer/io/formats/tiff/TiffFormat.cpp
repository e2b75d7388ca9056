// Registration apart from the source, so that code using the source alone does not need the factory.
#include "viewer/io/FrameSource.h"
#include "viewer/io/formats/tiff/TiffSource.h"

void RegisterTiffFormat(TFrameSourceFactory& factory)
{
    factory.Register({QStringLiteral("tif"), QStringLiteral("tiff")}, QStringLiteral("Multipage TIFF"),
                     [](const QString& path) { return std::make_unique<TTiffSource>(path); }, LooksLikeTiff);
}
