#pragma once
// What the parts of TSMPfile share: the item names they treat specially, how names compare,
// how files appear in messages.

#include <QString>

namespace smpnames {

inline const QString kHead = QStringLiteral("head");
inline const QString kLabels = QStringLiteral("labels");

// Looking an item up ignores case; storing and replacing does not.
inline bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

inline QString LabelItemName(qsizetype n) { return QStringLiteral("L%1").arg(n); }

inline QString Quoted(const QString& path) { return QLatin1Char('"') + path + QLatin1Char('"'); }

}  // namespace smpnames
