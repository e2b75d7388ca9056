#include "sound/praat/ShowTimeBus.h"

#include "platform/Errors.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <cmath>

TShowTimeService::TShowTimeService(QObject* parent) : QObject(parent) {}

TShowTimeService::~TShowTimeService()
{
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QString::fromLatin1(kPath));
        bus.unregisterService(QString::fromLatin1(kName));
    }
}

bool TShowTimeService::Register()
{
    if (registered_)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(QString::fromLatin1(kPath), this, QDBusConnection::ExportScriptableSlots))
        return false;
    // Never queued behind another owner: the second Tremax must learn at once that it is second.
    const auto reply = bus.interface()->registerService(QString::fromLatin1(kName),
                                                        QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(QString::fromLatin1(kPath));
        return false;
    }
    registered_ = true;
    return true;
}

void TShowTimeService::ShowTime(double seconds)
{
    Q_EMIT showTimeRequested(seconds);
}

bool SendShowTime(double seconds, int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(TShowTimeService::kName),
                                                       QString::fromLatin1(TShowTimeService::kPath),
                                                       QString::fromLatin1(TShowTimeService::kName),
                                                       QStringLiteral("ShowTime"));
    call << seconds;
    // No owner: no service to start; the bus answers with an error at once.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::optional<double> TakeShowTimeArgument(QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--show-time"));
    if (at < 0)
        return std::nullopt;
    bool ok = false;
    const QString text = arguments.value(at + 1);
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds))
        throw EError(QStringLiteral("--show-time needs a time in seconds, not \"%1\"").arg(text));
    arguments.remove(at, 2);
    return seconds;
}
