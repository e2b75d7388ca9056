#include "platform/bus/ApplicationWindow.h"

#include "platform/bus/BusWindowObject.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDebug>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <unistd.h>

namespace {

const QString kBusPrefix = QStringLiteral("org.tremax.Desktop.");
const QString kWindowPrefix = QStringLiteral("org.tremax.Desktop.Window.w");
const QString kClassPrefix = QStringLiteral("org.tremax.Desktop.Class.");
const QString kDaemon = QStringLiteral("org.freedesktop.DBus");
const QString kDaemonPath = QStringLiteral("/org/freedesktop/DBus");
constexpr uint16_t kFirstMessage = 0xC000;
constexpr int kMaxMessages = 0x4000;
constexpr int kMaxMessageName = 255;
constexpr int kMaxRememberedSenders = 1024;

QDBusConnection Bus() { return QDBusConnection::sessionBus(); }

// A bus name element: letters, digits and "_"; anything else as "_XX" (UTF-8 bytes); never a
// leading digit.
QString BusElement(const QString& text)
{
    QString element;
    for (const char c : text.toUtf8()) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (plain)
            element += QLatin1Char(c);
        else
            element += QStringLiteral("_%1").arg(unsigned(uint8_t(c)), 2, 16, QLatin1Char('0'));
    }
    if (element.isEmpty() || element[0].isDigit())
        element.prepend(QLatin1Char('_'));
    return element;
}

// "…w0123abcd" at the end of a name: the handle, 0 when the name does not end so.
uint32_t HandleSuffix(const QString& name, qsizetype from)
{
    if (name.size() - from != 8)
        return 0;
    bool ok = false;
    const uint32_t handle = name.mid(from).toUInt(&ok, 16);
    return ok ? handle : 0;
}

// A call to the bus daemon itself (it answers at once; nothing is served meanwhile).
QDBusMessage DaemonCall(const QString& method, const QVariantList& arguments, int timeoutMs)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kDaemon, kDaemonPath, kDaemon, method);
    call.setArguments(arguments);
    return Bus().call(call, QDBus::Block, timeoutMs);
}

// A call that waits for its reply while serving other events (user input excepted), so that
// messages the receiver sends back meanwhile are handled nested. This is what QDBus::BlockWithGui
// promises, but Qt 6.4's BlockWithGui was seen to wait for ever, its timeout never firing, in
// most runs of a few thousand sends; a watcher takes the reply under the call's lock, and a timer
// of our own bounds the wait.
QDBusMessage BlockingCall(const QDBusMessage& call, int timeoutMs)
{
    QDBusPendingCall pending = Bus().asyncCall(call, timeoutMs);
    if (!pending.isFinished()) {
        QEventLoop loop;
        QDBusPendingCallWatcher watcher(pending);
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        if (!pending.isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return pending.isFinished() ? pending.reply() : QDBusMessage();
}

}  // namespace

TApplicationWindow::TApplicationWindow() = default;

TApplicationWindow::~TApplicationWindow()
{
    if (handle_ != 0) {
        QDBusConnection bus = Bus();
        bus.unregisterObject(QString::fromLatin1(TBusWindowObject::kPath));
        bus.unregisterService(ClassBusPrefix(class_) + QStringLiteral("%1").arg(handle_, 8, 16, QLatin1Char('0')));
        bus.unregisterService(WindowBusName(handle_));
    }
}

QString TApplicationWindow::WindowBusName(uint32_t window)
{
    return kWindowPrefix + QStringLiteral("%1").arg(window, 8, 16, QLatin1Char('0'));
}

QString TApplicationWindow::ClassBusPrefix(const QString& windowClass)
{
    return kClassPrefix + BusElement(windowClass) + QStringLiteral(".w");
}

bool TApplicationWindow::Connect(const QString& windowClass)
{
    if (handle_ != 0)
        return true;
    QDBusConnection bus = Bus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // A handle of our own: above the 16-bit range (so never the broadcast address), taken by
    // owning its bus name.
    uint32_t candidate = 0x40000000u | (uint32_t(getpid()) & 0x0FFFFFFFu);
    uint32_t handle = 0;
    for (int attempt = 0; attempt < 64 && handle == 0; ++attempt, ++candidate) {
        const auto reply = bus.interface()->registerService(WindowBusName(candidate),
            QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
            handle = candidate;
    }
    if (handle == 0)
        return false;
    const QString className = ClassBusPrefix(windowClass) + QStringLiteral("%1").arg(handle, 8, 16, QLatin1Char('0'));
    auto object = std::make_unique<TBusWindowObject>(*this);
    if (!bus.registerService(className)
        || !bus.registerObject(QString::fromLatin1(TBusWindowObject::kPath), object.get(),
                               QDBusConnection::ExportScriptableSlots)) {
        bus.unregisterService(className);
        bus.unregisterService(WindowBusName(handle));
        return false;
    }
    // Subscribed before the names are listed, so that no change falls between.
    bus.connect(kDaemon, kDaemonPath, kDaemon, QStringLiteral("NameOwnerChanged"), object.get(),
                SLOT(OnNameOwnerChanged(QString, QString, QString)));
    bus.connect(QString(), QString::fromLatin1(TBusWindowObject::kPath),
                QString::fromLatin1(TBusWindowObject::kInterface), QStringLiteral("Posted"), object.get(),
                SLOT(OnPosted(uint, QString, uint, uint)));
    object_ = std::move(object);
    class_ = windowClass;
    uniqueName_ = bus.baseService();
    handle_ = handle;
    senders_.insert(uniqueName_, handle_);
    RefreshNames();
    names_.insert(WindowBusName(handle_));
    names_.insert(className);
    return true;
}

uint16_t TApplicationWindow::RegisterWindowMessage(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxMessageName)
        return 0;
    const QString key = name.toLower();
    if (const auto it = messageIds_.constFind(key); it != messageIds_.constEnd())
        return it.value();
    if (messageNames_.size() >= kMaxMessages)
        return 0;
    const uint16_t id = uint16_t(kFirstMessage + messageNames_.size());
    messageIds_.insert(key, id);
    messageNames_.append(name);
    return id;
}

QString TApplicationWindow::MessageName(uint32_t msg) const
{
    if (msg < kFirstMessage || msg - kFirstMessage >= uint32_t(messageNames_.size()))
        return QString();
    return messageNames_[qsizetype(msg - kFirstMessage)];
}

void TApplicationWindow::RefreshNames() const
{
    if (handle_ == 0)
        return;
    const QDBusMessage reply = DaemonCall(QStringLiteral("ListNames"), {}, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return;
    names_.clear();
    for (const QString& name : reply.arguments().front().toStringList())
        if (name.startsWith(kBusPrefix))
            names_.insert(name);
}

void TApplicationWindow::NameOwnerChanged(const QString& name, const QString& newOwner)
{
    if (!name.startsWith(kBusPrefix))
        return;
    if (newOwner.isEmpty())
        names_.remove(name);
    else
        names_.insert(name);
}

uint32_t TApplicationWindow::FindWindow(const QString& windowClass) const
{
    const QString prefix = ClassBusPrefix(windowClass);
    const auto lowest = [&] {
        uint32_t found = 0;
        for (const QString& name : std::as_const(names_)) {
            if (!name.startsWith(prefix))
                continue;
            const uint32_t handle = HandleSuffix(name, prefix.size());
            if (handle != 0 && (found == 0 || handle < found))
                found = handle;
        }
        return found;
    };
    uint32_t found = lowest();
    if (found == 0 && handle_ != 0) {
        RefreshNames();
        found = lowest();
    }
    return found;
}

std::vector<uint32_t> TApplicationWindow::Windows() const
{
    std::vector<uint32_t> windows;
    for (const QString& name : std::as_const(names_))
        if (name.startsWith(kWindowPrefix))
            if (const uint32_t handle = HandleSuffix(name, kWindowPrefix.size()); handle != 0)
                windows.push_back(handle);
    std::sort(windows.begin(), windows.end());
    return windows;
}

bool TApplicationWindow::IsWindow(uint32_t window) const
{
    if (handle_ == 0 || window == 0 || window == kBroadcast)
        return false;
    return window == handle_ || names_.contains(WindowBusName(window));
}

uint32_t TApplicationWindow::CallWindow(uint32_t window, const QString& name, uint32_t wParam, uint32_t lParam)
{
    QDBusMessage call = QDBusMessage::createMethodCall(WindowBusName(window),
        QString::fromLatin1(TBusWindowObject::kPath), QString::fromLatin1(TBusWindowObject::kInterface),
        QStringLiteral("Send"));
    call.setAutoStartService(false);
    call << uint(handle_) << name << uint(wParam) << uint(lParam);
    const QDBusMessage reply = BlockingCall(call, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return 0;
    const QVariant result = reply.arguments().front();
    return result.typeId() == QMetaType::UInt ? result.toUInt() : 0;
}

uint32_t TApplicationWindow::SendMessage(uint32_t window, uint32_t msg, uint32_t wParam, uint32_t lParam)
{
    const QString name = MessageName(msg);
    if (handle_ == 0 || name.isEmpty() || window == 0)
        return 0;
    if (window != kBroadcast)
        return CallWindow(window, name, wParam, lParam);
    for (const uint32_t each : Windows())
        CallWindow(each, name, wParam, lParam);
    return 0;
}

bool TApplicationWindow::PostMessage(uint32_t window, uint32_t msg, uint32_t wParam, uint32_t lParam)
{
    const QString name = MessageName(msg);
    if (handle_ == 0 || name.isEmpty() || window == 0)
        return false;
    const QString path = QString::fromLatin1(TBusWindowObject::kPath);
    const QString interface = QString::fromLatin1(TBusWindowObject::kInterface);
    QDBusMessage message;
    if (window == kBroadcast) {
        message = QDBusMessage::createSignal(path, interface, QStringLiteral("Posted"));
    } else {
        message = QDBusMessage::createMethodCall(WindowBusName(window), path, interface, QStringLiteral("Send"));
        message.setAutoStartService(false);
        message.setDelayedReply(false);
    }
    message << uint(handle_) << name << uint(wParam) << uint(lParam);
    if (window != kBroadcast)
        return Bus().call(message, QDBus::NoBlock).type() != QDBusMessage::ErrorMessage;
    return Bus().send(message);
}

int TApplicationWindow::AddHook(THook hook)
{
    const int id = nextHookId_++;
    hooks_.push_back({id, std::make_shared<THook>(std::move(hook))});
    return id;
}

void TApplicationWindow::RemoveHook(int id)
{
    std::erase_if(hooks_, [id](const THookEntry& entry) { return entry.id == id; });
}

uint32_t TApplicationWindow::VerifiedSender(const QString& uniqueSender, uint32_t claimed)
{
    if (claimed == 0 || claimed == kBroadcast || uniqueSender.isEmpty())
        return 0;
    // Unique names are never given out twice, so what a name was seen to own stays true.
    if (const auto it = senders_.constFind(uniqueSender); it != senders_.constEnd())
        return it.value() == claimed ? claimed : 0;
    const QDBusMessage reply = DaemonCall(QStringLiteral("GetNameOwner"), {WindowBusName(claimed)}, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()
        || reply.arguments().front().toString() != uniqueSender)
        return 0;
    if (senders_.size() >= kMaxRememberedSenders)
        senders_.clear();
    senders_.insert(uniqueSender, claimed);
    return claimed;
}

uint32_t TApplicationWindow::Deliver(const QString& uniqueSender, uint32_t claimedSender, const QString& name,
                                     uint32_t wParam, uint32_t lParam)
{
    TWindowMessage message;
    // A name this program never registered concerns none of its hooks (and a sender cannot
    // fill the table with names of its own).
    message.msg = messageIds_.value(name.toLower(), 0);
    if (message.msg == 0)
        return 0;
    message.wParam = wParam;
    message.lParam = lParam;
    message.sender = VerifiedSender(uniqueSender, claimedSender);
    // A copy: hooks may be added or removed by a nested message.
    std::vector<std::shared_ptr<THook>> hooks;
    hooks.reserve(hooks_.size());
    for (const THookEntry& entry : hooks_)
        hooks.push_back(entry.hook);
    try {
        for (const auto& hook : hooks) {
            message.result = 0;
            if ((*hook)(message))
                return message.result;
        }
    } catch (...) {
        if (OnHookError)
            OnHookError(std::current_exception());
        else
            qWarning("A link message handler failed; the message is answered with 0");
    }
    return 0;
}
