#pragma once
// What the analysis views can give for the main window's commands, by view name: their data as
// a CSV table ("Export data...": "kymogram", "pointspectrum", "rowspectra", "waveform",
// "colorize") and their pictures ("Copy kymogram", ...). A view registers with its owner object
// and is forgotten when that object is destroyed, so nothing calls into a closed window.
// User-interface thread.

#include "platform/Errors.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>

template <typename T>
class TViewProviders {
public:
    using TProvider = std::function<T()>;

    // Replaces what `view` had; `owner` (never null) outlives what `provider` captures.
    void Register(const QString& view, QObject* owner, TProvider provider)
    {
        providers_[view] = TEntry{owner, std::move(provider)};
    }
    bool Has(const QString& view) const
    {
        const auto found = providers_.find(view);
        return found != providers_.end() && found->second.owner;
    }
    // What `view` gives; throws EError naming the view when no living window provides it.
    T Get(const QString& view) const
    {
        if (!Has(view))
            throw EError(QStringLiteral("The %1 window is not there to export from").arg(view));
        return providers_.at(view).provider();
    }

private:
    struct TEntry {
        QPointer<QObject> owner;
        TProvider provider;
    };
    std::map<QString, TEntry> providers_;
};

using TDataTableProviders = TViewProviders<QByteArray>;
using TPictureProviders = TViewProviders<QImage>;
