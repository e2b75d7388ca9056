// The main window's service components: the recent-files list in the File menu and what the
// error log takes from the window.
#include "viewer/ui/stremax1.h"

#include "services/cErrorLog.h"
#include "services/cProgId.h"
#include "services/sabout.h"
#include "services/srecent.h"
#include "viewer/session/ErrorHandler.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace {

// A QMenu as the recent-files list sees it.
class TMenuRecentHost : public TRecentMenuHost {
public:
    explicit TMenuRecentHost(QMenu* menu) : menu_(menu) {}
    int ItemCount() const override { return menu_ ? int(menu_->actions().size()) : 0; }
    void InsertItems(int index, const QList<QAction*>& items) override
    {
        if (!menu_)
            return;
        const QList<QAction*> actions = menu_->actions();
        menu_->insertActions(index < actions.size() ? actions[index] : nullptr, items);
    }
    void RemoveItems(const QList<QAction*>& items) override
    {
        if (!menu_)
            return;
        for (QAction* item : items)
            menu_->removeAction(item);
    }

private:
    QPointer<QMenu> menu_;
};

}  // namespace

struct TForm1::TServiceParts {
    TProgId progId = TremaxProgId();
    std::unique_ptr<TMenuRecentHost> menu;
    std::unique_ptr<TRecentFiles> recentFiles;
};

void TForm1::TServicePartsDeleter::operator()(TServiceParts* parts) const { delete parts; }

void TForm1::AttachRecentFiles(TSettingsContext& settings, TMessageBoxes& messages)
{
    if (!services_)
        services_.reset(new TServiceParts);
    TServiceParts& parts = *services_;
    parts.menu = std::make_unique<TMenuRecentHost>(fileMenu_);
    parts.recentFiles = std::make_unique<TRecentFiles>(settings, messages);
    TRecentFiles& recent = *parts.recentFiles;
    recent.SetName(QStringLiteral("RecentFiles1"));
    recent.SetMaxItems(9);
    // After "Properties...", before "E&xit".
    recent.SetMenuPos(int(fileMenu_->actions().indexOf(propertiesAction_)) + 1);
    recent.SetProgId(&parts.progId);
    recent.SetMenu(parts.menu.get());
    recent.OnClick = [this](QAction*, int, const QString& fileName) {
        errors_.Guarded([this, fileName] {
            ReleasePlayButton();
            OpenSequence(fileName);
        });
    };
    connect(this, &TForm1::sequenceOpened, this, [&recent](const QString& path) { recent.AddFile(path); });
    recent.Loaded();
}

TRecentFiles* TForm1::RecentFiles() const { return services_ ? services_->recentFiles.get() : nullptr; }

void TForm1::AttachErrorLog(TErrorLog& log)
{
    log.SetCorvelabout(about_.get());
    log.ApplicationTitle = [this] { return applicationTitle_; };
    connect(&session_, &TViewerSession::speckleDebugTextChanged, this,
            [&log](const QString& text) { log.DebugString = text; });
}
