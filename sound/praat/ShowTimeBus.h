#pragma once
// The single-instance entry of `tremax --show-time SECONDS`: a running Tremax owns the name
// org.tremax.Tremax on the session bus and serves the method ShowTime(double seconds) of the
// interface org.tremax.Tremax on the object /org/tremax/Tremax; a second start hands its time
// over and ends.

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class TShowTimeService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tremax.Tremax")
public:
    static constexpr const char* kName = "org.tremax.Tremax";
    static constexpr const char* kPath = "/org/tremax/Tremax";

    explicit TShowTimeService(QObject* parent = nullptr);
    ~TShowTimeService() override;
    // Takes the name; false without a session bus or when another Tremax has it.
    bool Register();
    bool Registered() const { return registered_; }

public Q_SLOTS:
    // The sound's time to show (queued to the interface thread's signal).
    Q_SCRIPTABLE void ShowTime(double seconds);

Q_SIGNALS:
    void showTimeRequested(double seconds);

private:
    bool registered_ = false;
};

// Hands `seconds` to the running Tremax. False when none answered (no bus, no owner, an error).
bool SendShowTime(double seconds, int timeoutMs = 3000);

// The time after "--show-time" among `arguments`, removed from them together with the option.
// Throws EError when the option has no number after it.
std::optional<double> TakeShowTimeArgument(QStringList& arguments);
