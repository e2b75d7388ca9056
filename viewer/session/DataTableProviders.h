#pragma once
// The views that can write their data as a CSV table ("Export data..."), each under the name
// its file name carries ("kymogram", "pointspectrum", "rowspectra", "waveform", "colorize").
// A view registers with its owner object and is forgotten when that object is destroyed, so the
// registry never calls into a closed window. User-interface thread.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>

class TDataTableProviders {
public:
    using TProvider = std::function<QByteArray()>;

    // Replaces what `view` had; `owner` (never null) outlives `provider`'s captures.
    void Register(const QString& view, QObject* owner, TProvider provider);
    bool Has(const QString& view) const;
    // The table of `view`; throws EError naming the view when no living window provides it.
    QByteArray Table(const QString& view) const;

private:
    struct TEntry {
        QPointer<QObject> owner;
        TProvider provider;
    };
    std::map<QString, TEntry> providers_;
};
