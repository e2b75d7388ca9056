#include "export/session/ImageSeries.h"

#include "export/io/BitmapFile.h"
#include "export/io/FileNameParts.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "viewer/session/ViewerSession.h"

QString ImageSeriesFileName(const QString& sequenceFile, int32_t frame)
{
    return sequenceFile.left(ExtensionDot(sequenceFile)) + QString::number(frame) + QStringLiteral(".bmp");
}

int32_t ImageSeriesCount(const QString& text, int32_t frameCount)
{
    const int32_t count = StrToInt(text);
    if (count < 0 || count > frameCount)
        throw EError(QStringLiteral("The number of images must lie between 0 and %1 (the frames of the sequence), "
                                    "not %2")
                         .arg(frameCount)
                         .arg(count));
    return count;
}

void CheckImagesToSave(const TViewerSession& session)
{
    if (session.Sequence().Header().FileName.isEmpty())
        throw EError(QStringLiteral("No image sequence is open: there are no images to save"));
}

void SaveImageSeries(TViewerSession& session, int32_t count, const std::function<const QImage&()>& frameBitmap)
{
    CheckImagesToSave(session);
    const QString sequenceFile = session.Sequence().Header().FileName;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t frame = session.View().CurrentFrame;
        SaveImageFile(frameBitmap(), ImageSeriesFileName(sequenceFile, frame));
        session.SetCurrentFrame(frame + 1);
    }
}
