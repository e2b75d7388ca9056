#pragma once
// Videos for the tests, made by the ffmpeg tool from raw grey frames; tests skip without it.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

inline QString FfmpegTool() { return QStandardPaths::findExecutable(QStringLiteral("ffmpeg")); }

// Encodes a file of raw 8-bit grey frames: `codec` are the tool's output options.
inline bool EncodeGreyVideo(const QString& raw, int width, int height, int rate, const QStringList& codec,
                            const QString& video)
{
    QProcess tool;
    tool.start(FfmpegTool(), QStringList({"-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "gray", "-s",
                                          QStringLiteral("%1x%2").arg(width).arg(height), "-r", QString::number(rate),
                                          "-i", raw})
                                 + codec + QStringList({video}));
    return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}
