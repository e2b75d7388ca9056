#include "services/bus/ToolsBusChannel.h"

#include "platform/bus/ApplicationWindow.h"

TBusToolsChannel::TBusToolsChannel(TApplicationWindow& window)
    : window_(window), message_(window.RegisterWindowMessage(TToolsMenu::kChangeMessage))
{
}

TBusToolsChannel::~TBusToolsChannel() { StopListening(); }

void TBusToolsChannel::PostChange()
{
    window_.PostMessage(TApplicationWindow::kBroadcast, message_, window_.Handle(), 1);
}

void TBusToolsChannel::Listen(std::function<void()> onForeignChange)
{
    StopListening();
    hook_ = window_.AddHook([this, onForeignChange = std::move(onForeignChange)](TWindowMessage& message) {
        if (message.msg != message_ || message.wParam == window_.Handle())
            return false;
        onForeignChange();
        return true;
    });
}

void TBusToolsChannel::StopListening()
{
    if (hook_ != 0) {
        window_.RemoveHook(hook_);
        hook_ = 0;
    }
}
