// Registration apart from the source, so that code using the source alone does not need the factory.
#include "viewer/io/formats/photron/PhotronSource.h"

#include "viewer/io/FrameSource.h"

void RegisterPhotronFormat(TFrameSourceFactory& factory)
{
    factory.Register({QStringLiteral("cih"), QStringLiteral("cihx"), QStringLiteral("mraw")},
                     QStringLiteral("Photron recordings"),
                     [](const QString& path) { return std::make_unique<TPhotronSource>(path); },
                     LooksLikePhotronHeader);
}
