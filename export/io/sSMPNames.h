#pragma once
// What the parts of TSMPfile share: the item names they treat specially, how names compare,
// how files appear in messages.

#include <QFile>
#include <QString>

namespace smpnames {

inline const QString kHead = QStringLiteral("head");
inline const QString kLabels = QStringLiteral("labels");

// Looking an item up ignores case; storing and replacing does not.
inline bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

inline QString LabelItemName(qsizetype n) { return QStringLiteral("L%1").arg(n); }

inline QString Quoted(const QString& path) { return QLatin1Char('"') + path + QLatin1Char('"'); }

// Writes all `size` bytes. A short write (a full disk, a file size limit) is tried again for the
// rest, which fails with the system's reason: the file's errorString then says why.
inline bool WriteAll(QFile& file, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 written = file.write(data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace smpnames
