#pragma once
// The tools menu's change broadcast on the desktop's bus: the registered message
// "QUELLANTOOLS", posted to every program with wParam = the sender's window handle and
// lParam = 1. A program's own posts are not delivered to it, and a message whose wParam is its
// own handle is ignored as well.
//
// The application window must outlive the channel. User-interface thread.

#include "services/stools.h"

class TApplicationWindow;

class TBusToolsChannel : public TToolsChannel {
public:
    explicit TBusToolsChannel(TApplicationWindow& window);
    ~TBusToolsChannel() override;

    void PostChange() override;
    void Listen(std::function<void()> onForeignChange) override;
    void StopListening() override;

    uint32_t Message() const { return message_; }

private:
    TApplicationWindow& window_;
    uint32_t message_ = 0;
    int hook_ = 0;
};
