#pragma once
// The object a program exports on the bus for its application window: Send receives a message
// and answers with its result; Posted is the signal of a posted broadcast.

#include <QDBusContext>
#include <QObject>
#include <QString>

class TApplicationWindow;

class TBusWindowObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tremax.Desktop.Window1")
public:
    static constexpr const char* kPath = "/org/tremax/Desktop/Window";
    static constexpr const char* kInterface = "org.tremax.Desktop.Window1";

    explicit TBusWindowObject(TApplicationWindow& window) : window_(window) {}

public Q_SLOTS:
    Q_SCRIPTABLE uint Send(uint sender, const QString& message, uint wParam, uint lParam);
    // The signal of another program's posted broadcast (not exported).
    void OnPosted(uint sender, const QString& message, uint wParam, uint lParam);
    // The bus daemon's announcement of a name's new owner (empty: none).
    void OnNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    TApplicationWindow& window_;
};
