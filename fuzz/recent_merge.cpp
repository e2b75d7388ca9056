// The recent-files merge: this instance's additions, the stored list, what it removed and its
// hidden entries, as lines of the input. Whatever they hold: no name twice, none empty, the
// additions first and in their order, nothing removed comes back from the store, at most
// `shown` entries besides the hidden ones, and every entry comes from the input.
#include "fuzz/FuzzSupport.h"
#include "services/srecent.h"

#include <QSet>
#include <cstdio>
#include <cstdlib>

namespace {

QStringList Lines(const QByteArray& bytes)
{
    return bytes.isEmpty() ? QStringList() : QString::fromUtf8(bytes).split(QLatin1Char('\n'));
}

[[noreturn]] void Finding(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

void Fuzz_recent_merge(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = SplitFuzzInput(data, size, 5);
    const int shown = parts[0].isEmpty() ? 9 : uint8_t(parts[0][0]) % 17;
    const QStringList touched = Lines(parts[1]);
    const QStringList stored = Lines(parts[2]);
    const QStringList removedList = Lines(parts[3]);
    const QSet<QString> removed(removedList.begin(), removedList.end());
    const QStringList hidden = Lines(parts[4]);

    const QStringList merged = MergeRecentFiles(touched, stored, removed, hidden, shown);
    QSet<QString> seen;
    for (const QString& name : merged) {
        if (name.isEmpty())
            Finding("an empty entry");
        if (seen.contains(name))
            Finding("an entry twice");
        seen.insert(name);
        if (!touched.contains(name) && !stored.contains(name) && !hidden.contains(name))
            Finding("an entry from nowhere");
    }
    // The additions lead, in their order, as far as they fit.
    QStringList leading;
    for (const QString& name : touched)
        if (!name.isEmpty() && !leading.contains(name) && leading.size() < shown)
            leading << name;
    if (merged.mid(0, leading.size()) != leading)
        Finding("this instance's additions do not lead");
    // Entries that are neither additions nor hidden come from the store, and were not removed.
    for (const QString& name : merged)
        if (!touched.contains(name) && !hidden.contains(name) && (!stored.contains(name) || removed.contains(name)))
            Finding("a removed entry came back from the store");
    QSet<QString> hiddenNames(hidden.begin(), hidden.end());
    hiddenNames.remove(QString());
    if (merged.size() > shown + hiddenNames.size())
        Finding("more entries than shown besides the hidden ones");
}
