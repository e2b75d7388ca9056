#include "viewer/session/DataTableProviders.h"

#include "platform/Errors.h"

void TDataTableProviders::Register(const QString& view, QObject* owner, TProvider provider)
{
    providers_[view] = TEntry{owner, std::move(provider)};
}

bool TDataTableProviders::Has(const QString& view) const
{
    const auto found = providers_.find(view);
    return found != providers_.end() && found->second.owner;
}

QByteArray TDataTableProviders::Table(const QString& view) const
{
    if (!Has(view))
        throw EError(QStringLiteral("The %1 window is not there to export from").arg(view));
    return providers_.at(view).provider();
}
