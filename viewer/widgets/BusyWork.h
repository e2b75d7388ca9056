#pragma once
// Long work on the interface thread (the colorizing sweep) kept visible and stoppable: while a
// TBusyWork lives, the busy cursor shows, Poll lets the windows repaint and timers run now and
// then, and Esc asks the work to stop. Every other key, click and close request is held back, so
// nothing the user does can change what the work is using. Interface thread only; one at a time.

#include <QElapsedTimer>
#include <QObject>

class TBusyWork : public QObject {
public:
    TBusyWork();
    ~TBusyWork() override;
    TBusyWork(const TBusyWork&) = delete;
    TBusyWork& operator=(const TBusyWork&) = delete;

    // Handles the events that came in, at most every `intervalMs` (the first call always);
    // true once Esc was pressed.
    bool Poll(int intervalMs = 40);
    bool Cancelled() const { return cancelled_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer sincePoll_;
    bool polled_ = false;
    bool cancelled_ = false;
};
