#include "viewer/io/SequenceChecks.h"

#include "platform/Errors.h"

void CheckRow(const TSequence& sequence, int32_t row)
{
    if (row < 0 || row >= sequence.Height())
        throw EError(QStringLiteral("Row %1 is outside the image (0 to %2)").arg(row).arg(sequence.Height() - 1));
}

void CheckColumn(const TSequence& sequence, int32_t column)
{
    if (column < 0 || column >= sequence.Width())
        throw EError(
            QStringLiteral("Column %1 is outside the image (0 to %2)").arg(column).arg(sequence.Width() - 1));
}

void CheckPixel(const TSequence& sequence, QPoint pixel)
{
    CheckColumn(sequence, pixel.x());
    CheckRow(sequence, pixel.y());
}

void CheckFrameOption(const TSequence& sequence, const char* option, int32_t frame)
{
    const int32_t last = sequence.Header().FrameCount - 1;
    if (frame < 0 || frame > last)
        throw EError(QStringLiteral("--%1 %2 is outside the sequence (frames 0 to %3)")
                         .arg(QLatin1String(option))
                         .arg(frame)
                         .arg(last));
}
