#include "viewer/session/Readouts.h"

#include <cmath>

QString ImageReadoutText(int32_t column, int32_t row, int32_t value)
{
    const QString where = QStringLiteral("column %1, row %2").arg(column).arg(row);
    return value < 0 ? where : QStringLiteral("%1: %2").arg(where).arg(value);
}

QString KymogramReadoutText(int64_t frame, int32_t column)
{
    return QStringLiteral("frame %1, column %2").arg(frame).arg(column);
}

QString SpectrumReadoutText(double hz, double dB, bool hasValue)
{
    const QString frequency = QStringLiteral("%1 Hz").arg(hz, 0, 'f', 1);
    if (!hasValue || !std::isfinite(dB))
        return frequency;
    return QStringLiteral("%1: %2 dB").arg(frequency).arg(dB, 0, 'f', 1);
}
