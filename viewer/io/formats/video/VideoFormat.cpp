// Registration apart from the source, so that code using the source alone does not need the factory.
#include "viewer/io/FrameSource.h"
#include "viewer/io/formats/video/VideoSource.h"

void RegisterVideoFormat(TFrameSourceFactory& factory)
{
    factory.Register({QStringLiteral("avi"), QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("m4v"),
                      QStringLiteral("mkv")},
                     QStringLiteral("Video files"),
                     [](const QString& path) { return std::make_unique<TVideoSource>(path); }, LooksLikeVideo);
}
