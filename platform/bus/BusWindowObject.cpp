#include "platform/bus/BusWindowObject.h"

#include "platform/bus/ApplicationWindow.h"

#include <QDBusConnection>
#include <QDBusMessage>

uint TBusWindowObject::Send(uint sender, const QString& message, uint wParam, uint lParam)
{
    return window_.Deliver(QDBusContext::message().service(), sender, message, wParam, lParam);
}

void TBusWindowObject::OnPosted(uint sender, const QString& message, uint wParam, uint lParam)
{
    // A subscriber also receives its own signals.
    if (QDBusContext::message().service() == connection().baseService())
        return;
    window_.Deliver(QDBusContext::message().service(), sender, message, wParam, lParam);
}

void TBusWindowObject::OnNameOwnerChanged(const QString& name, const QString&, const QString& newOwner)
{
    window_.NameOwnerChanged(name, newOwner);
}
