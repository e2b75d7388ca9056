// Video files: the input is the file (its container found by FFmpeg's probe), opened as the
// program opens it.
#include "fuzz/FuzzSupport.h"
#include "viewer/io/FrameSource.h"
#include "viewer/io/formats/video/VideoSource.h"

void Fuzz_video_source(const uint8_t* data, size_t size)
{
    const QString path = WriteFuzzFile(QStringLiteral("rec.avi"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    static const TFrameSourceFactory formats = [] {
        TFrameSourceFactory factory;
        RegisterVideoFormat(factory);
        return factory;
    }();
    FuzzOpenSequence(FuzzSequence(formats), path);
}
