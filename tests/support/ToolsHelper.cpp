// Another program of the family for the tools menu's bus test: joins the session bus, appends
// one tool to the shared list (which posts the change), keeps serving the bus a moment so the
// post leaves, prints "added" and ends.
// Usage: ToolsHelper USER_DIR MACHINE_DIR CLASSES_DIR MENU_TEXT APP_NAME
#include "platform/bus/ApplicationWindow.h"
#include "services/SettingsContext.h"
#include "services/bus/ToolsBusChannel.h"
#include "services/stools.h"
#include "support/RecordingDesktop.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: ToolsHelper USER_DIR MACHINE_DIR CLASSES_DIR MENU_TEXT APP_NAME\n");
        return 2;
    }
    const QStringList args = app.arguments();
    TApplicationWindow window;
    if (!window.Connect(QStringLiteral("TOOLSHELPER"))) {
        std::fprintf(stderr, "no session bus\n");
        return 1;
    }
    TSettingsContext context(TRegistryFolders{args[1], args[2], args[3]}, TSystemFolders{});
    context.ProbeSharedRoots();
    TBusToolsChannel channel(window);
    TRecordingDesktop desktop;
    TToolsProgram program;
    program.ExecutablePath = app.applicationFilePath();
    TToolsMenu menu(context, desktop, &channel, program);
    TToolEntry entry;
    entry.MenuText = args[4];
    entry.AppName = args[5];
    entry.CmdLine = QStringLiteral("/opt/") + args[5];
    menu.add_app(entry);
    QTimer::singleShot(300, &app, [] {
        std::printf("added\n");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return app.exec();
}
