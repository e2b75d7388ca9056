#pragma once
// Where a path's extension begins: the last "." of its file name part, or the path's end when
// the file name has none (a "." in a folder name is not an extension).

#include <QString>

inline qsizetype ExtensionDot(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? dot : path.size();
}
