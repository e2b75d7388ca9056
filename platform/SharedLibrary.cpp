#include "platform/SharedLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

bool LoadSharedLibrary(QLibrary& library, const QString& name)
{
    if (library.isLoaded())
        library.unload();
    if (name.isEmpty())
        return false;
    QString base = name;
    if (base.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        base.chop(4);
    QStringList candidates;
    if (base.contains(QLatin1Char('/'))) {
        candidates << base;
    } else {
        if (QCoreApplication::instance())
            candidates << QDir(QCoreApplication::applicationDirPath()).filePath(base);
        candidates << base;
    }
    for (const QString& candidate : candidates) {
        library.setFileName(candidate);
        if (library.load())
            return true;
    }
    return false;
}
