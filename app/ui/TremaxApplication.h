#pragma once
// The application object: the last line of defence for an error that escaped a handler. Its
// notify catches whatever an event handler of any thread lets through and hands it, later and
// on the user-interface thread, to the uncaught-error handler (the error log); the event counts
// as not handled and the program goes on. One report at a time: an error raised while one is
// being reported (say, in the message box's own events) is only written to standard error.

#include <QApplication>
#include <atomic>
#include <functional>

class TTremaxApplication : public QApplication {
public:
    // The object whose event raised the error (null when it is gone) and the error's message.
    using TUncaughtHandler = std::function<void(QObject* sender, const QString& message)>;

    TTremaxApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Without a handler the error is shown in a plain error box.
    void SetUncaughtHandler(TUncaughtHandler handler) { handler_ = std::move(handler); }

    // For tests: how many errors were passed on and how many only written to standard error.
    int Reported() const { return reported_; }
    int Dropped() const { return dropped_; }

private:
    void Report(QObject* receiver, const QString& message);

    TUncaughtHandler handler_;
    std::atomic<bool> reporting_{false};
    std::atomic<int> reported_{0};
    std::atomic<int> dropped_{0};
};
