#include "viewer/io/formats/AllFormats.h"

#include "viewer/io/FrameSource.h"
#include "viewer/io/formats/photron/PhotronSource.h"
#if TREMAX_HAVE_TIFF
#include "viewer/io/formats/tiff/TiffSource.h"
#endif
#if TREMAX_HAVE_VIDEO
#include "viewer/io/formats/video/VideoSource.h"
#endif

void RegisterOptionalFormats(TFrameSourceFactory& factory)
{
    RegisterPhotronFormat(factory);
#if TREMAX_HAVE_TIFF
    RegisterTiffFormat(factory);
#endif
#if TREMAX_HAVE_VIDEO
    RegisterVideoFormat(factory);
#endif
}

QStringList LackingFormats()
{
    QStringList lacking;
#if !TREMAX_HAVE_TIFF
    lacking << QStringLiteral("multipage TIFF");
#endif
#if !TREMAX_HAVE_VIDEO
    lacking << QStringLiteral("video");
#endif
    return lacking;
}
