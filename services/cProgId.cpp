#include "services/cProgId.h"

TProgId TProgId::DesignerDefaults()
{
    TProgId id;
    id.SetProductName(QStringLiteral("AppName"));
    id.SetAutoVersion(true);
    id.SetVersion(QStringLiteral("1.0"));
    id.SetCompany(QStringLiteral("VarnikData"));
    id.SetCopyright(TremaxCopyright());
    return id;
}

QString TremaxCopyright() { return QStringLiteral("Copyright \u00a9 VarnikData"); }

TProgId TremaxProgId()
{
    TProgId id;
    id.SetProductName(QStringLiteral("Tremax"));
    id.SetAutoVersion(false);
    id.SetVersion(QStringLiteral("3.0.0.3"));
    id.SetCompany(QStringLiteral("VarnikData"));
    id.SetCopyright(TremaxCopyright());
    return id;
}
