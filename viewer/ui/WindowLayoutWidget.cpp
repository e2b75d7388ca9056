#include "viewer/ui/WindowLayoutWidget.h"

#include "services/WindowLayout.h"

#include <QWidget>
#include <memory>

namespace {

// Position is the frame's top-left corner (as move() takes it), size the client area (as
// resize() takes it), so that what is saved comes back unchanged.
class TWidgetWindow : public TLayoutWindow {
public:
    explicit TWidgetWindow(QWidget& widget) : widget_(widget) {}
    bool IsNormal() const override
    {
        return !widget_.isMinimized() && !widget_.isMaximized() && !widget_.isFullScreen();
    }
    TWindowGeometry Geometry() const override
    {
        return {widget_.x(), widget_.y(), widget_.width(), widget_.height()};
    }
    void SetLeft(int32_t left) override { widget_.move(left, widget_.y()); }
    void SetTop(int32_t top) override { widget_.move(widget_.x(), top); }
    void SetWidth(int32_t width) override { widget_.resize(width, widget_.height()); }
    void SetHeight(int32_t height) override { widget_.resize(widget_.width(), height); }

private:
    QWidget& widget_;
};

template <typename TUse>
void WithLayoutWindows(const TWidgetLayoutList& windows, TUse use)
{
    std::vector<std::unique_ptr<TWidgetWindow>> adapters;
    std::vector<TLayoutEntry> entries;
    for (const auto& [section, widget] : windows) {
        if (!widget)
            continue;
        adapters.push_back(std::make_unique<TWidgetWindow>(*widget));
        entries.push_back({section, adapters.back().get()});
    }
    use(entries);
}

}  // namespace

void SaveWidgetLayout(TIni& store, const TWidgetLayoutList& windows, const QString& version)
{
    WithLayoutWindows(windows, [&](const std::vector<TLayoutEntry>& entries) { SaveLayout(store, entries, version); });
}

void LoadWidgetLayout(const TIni& store, const TWidgetLayoutList& windows)
{
    WithLayoutWindows(windows, [&](const std::vector<TLayoutEntry>& entries) { LoadLayout(store, entries); });
}
