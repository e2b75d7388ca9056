// The main window's Tools and Help menus: the family's tools list and the help menu's links,
// version check and about box, shown as menus of the menu bar. The logic is the services'
// (stools, chlpmenu); this file turns their items into menus and their clicks into calls.
#include "viewer/ui/stremax1.h"

#include "platform/bus/ApplicationWindow.h"
#include "services/ui/ServiceDesktopWidget.h"
#include "services/SettingsContext.h"
#include "services/bus/ToolsBusChannel.h"
#include "services/net/VersionDownload.h"
#include "services/cProgId.h"
#include "services/chlpmenu.h"
#include "services/sabout.h"
#include "services/stools.h"
#include "viewer/session/ErrorHandler.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenuBar>
#include <QTimer>

namespace {

// Puts `menu` at position `pos` among the menu bar's menus (last when beyond the end).
void InsertMenuAt(QMenuBar& bar, QMenu* menu, int pos)
{
    const QList<QAction*> actions = bar.actions();
    if (pos >= 0 && pos < actions.size())
        bar.insertMenu(actions[pos], menu);
    else
        bar.addMenu(menu);
}

// The menu bar's number of menus, `except` not counted.
int MenuCount(const QMenuBar& bar, const QMenu* except)
{
    int count = 0;
    for (const QAction* action : bar.actions())
        if (!except || action != except->menuAction())
            ++count;
    return count;
}

void RemoveMenu(QMenuBar& bar, QPointer<QMenu>& menu)
{
    if (!menu)
        return;
    bar.removeAction(menu->menuAction());
    menu->deleteLater();  // its own click may be running
    menu.clear();
}

}  // namespace

struct TForm1::TServiceMenus {
    TServiceMenus(TForm1& form, TSettingsContext& settings, TApplicationWindow* busWindow, const QStringList& arguments)
        : desktop(&form, [&form] { form.ShowAbout(); },
                  [&form] { QTimer::singleShot(0, &form, [&form] { form.close(); }); }),
          channel(busWindow ? std::make_unique<TBusToolsChannel>(*busWindow) : nullptr),
          tools(settings, desktop, channel.get(), Program(settings, arguments)),
          help(settings, desktop, QCoreApplication::applicationFilePath())
    {
    }
    static TToolsProgram Program(const TSettingsContext& settings, const QStringList& arguments)
    {
        TToolsProgram program;
        program.ExecutablePath = QCoreApplication::applicationFilePath();
        program.Arguments = arguments;
        program.WindowsDirectory = settings.Folders().WindowsDirectory;
        program.CurrentDirectory = [] { return QDir::currentPath(); };
        return program;
    }

    TProgId progId = TremaxProgId();
    TWidgetServiceDesktop desktop;
    std::unique_ptr<TBusToolsChannel> channel;
    TToolsMenu tools;
    THelpMenu help;
    QPointer<QMenu> toolsMenu;
    QPointer<QMenu> helpMenu;
};

void TForm1::TServiceMenusDeleter::operator()(TServiceMenus* menus) const { delete menus; }

TToolsMenu* TForm1::ToolsMenu1() const { return serviceMenus_ ? &serviceMenus_->tools : nullptr; }
THelpMenu* TForm1::HelpMenu1() const { return serviceMenus_ ? &serviceMenus_->help : nullptr; }

void TForm1::AttachServiceMenus(TSettingsContext& settings, TApplicationWindow* busWindow, const QStringList& arguments)
{
    serviceMenus_.reset(new TServiceMenus(*this, settings, busWindow, arguments));
    TServiceMenus& menus = *serviceMenus_;
    QMenuBar& bar = *menuBar();

    TToolsMenu& tools = menus.tools;
    tools.ThisAppMenuText = QStringLiteral("Tremax");
    tools.ThisAppParams = QStringLiteral("%a %f");
    tools.ThisAppName = QStringLiteral("Tremax");
    tools.ThisAppValidExtensions = {QStringLiteral("BLD")};
    tools.CorvelAboutBox = about_.get();
    tools.MenuPos = 3;
    tools.AutoInsertThisApp = true;
    tools.MainMenuCount = [this, &menus] { return MenuCount(*menuBar(), menus.toolsMenu); };
    tools.OnMenuBuilt = [this, &menus](const TToolsMenuContent& content) {
        QMenuBar& bar = *menuBar();
        RemoveMenu(bar, menus.toolsMenu);
        auto* menu = new QMenu(content.Caption, this);
        for (const TToolMenuItem& item : content.Items) {
            // Menus here flow into columns by themselves; a column break shows as a separator.
            if (item.ColumnBreak && !menu->isEmpty())
                menu->addSeparator();
            QAction* action = menu->addAction(item.Caption);
            action->setShortcut(item.Shortcut);
            action->setVisible(item.Visible);
            const int tag = item.Tag;
            connect(action, &QAction::triggered, this,
                    [this, tag] { errors_.Guarded([this, tag] { serviceMenus_->tools.StartTool(tag); }); });
        }
        menu->menuAction()->setVisible(content.Visible);
        InsertMenuAt(bar, menu, content.MenuPos);
        menus.toolsMenu = menu;
    };
    tools.Loaded();

    THelpMenu& help = menus.help;
    help.HasAboutBox = true;
    help.ProgId = &menus.progId;
    help.NewVersionURL = THelpMenu::kTremaxVersionURL;
    help.VersionSource = std::make_unique<TNetworkVersionSource>();
    help.IsOnline = [] { return TWebDetect::IsOnline(); };
    // The Help menu made with the window (the about box only) gives way to the full one.
    if (helpMenu_) {
        bar.removeAction(helpMenu_->menuAction());
        helpMenu_->deleteLater();
        helpMenu_ = nullptr;
    }
    help.MainMenuCount = [this] { return MenuCount(*menuBar(), nullptr); };
    help.OnMenuBuilt = [this, &menus](const THelpMenuContent& content) {
        QMenuBar& bar = *menuBar();
        RemoveMenu(bar, menus.helpMenu);
        auto* menu = new QMenu(content.Caption, this);
        for (const THelpMenuItem& item : content.Items) {
            if (item.Kind == THelpItemKind::separator) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(item.Caption);
            action->setShortcut(item.Shortcut);
            THelpMenu* help = &menus.help;
            switch (item.Kind) {
            case THelpItemKind::helpContents:
                connect(action, &QAction::triggered, this, [help] { help->OpenHelpFile(); });
                break;
            case THelpItemKind::link:
                connect(action, &QAction::triggered, this, [help, target = item.Target] { help->OpenLink(target); });
                break;
            case THelpItemKind::checkNow:
                connect(action, &QAction::triggered, this, [help] { help->CheckVersion(true, false); });
                break;
            case THelpItemKind::checkAutomatically:
                action->setCheckable(true);
                action->setChecked(item.Checked);
                connect(action, &QAction::triggered, this, [help](bool on) { help->SetAutoCheck(on); });
                break;
            case THelpItemKind::about:
                connect(action, &QAction::triggered, this, [this] { errors_.Guarded([this] { ShowAbout(); }); });
                break;
            case THelpItemKind::separator:
                break;
            }
        }
        InsertMenuAt(bar, menu, content.MenuPos);
        menus.helpMenu = menu;
    };
    help.BuildMenu();
    // The question and the check wait until the windows are shown and placed (the first
    // activation's end), and for the event loop after that.
    const auto check = [this] {
        QTimer::singleShot(0, this, [this] {
            if (serviceMenus_)
                errors_.Guarded([this] { serviceMenus_->help.StartupCheck(); });
        });
    };
    if (Activated())
        check();
    else
        connect(this, &TForm1::firstActivationDone, this, check, Qt::SingleShotConnection);
}
