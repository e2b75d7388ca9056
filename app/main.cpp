// tremax: the window program. The first argument, when it names a file, is opened at start;
// "/?" shows the about box instead.
#include "app/ui/Startup.h"
#include "app/ui/TremaxApplication.h"
#include "platform/FileNames.h"
#include "viewer/ui/stremax1.h"

int main(int argc, char** argv)
{
    TTremaxApplication app(argc, argv);
    // Taken as the bytes the file system holds (the application has removed its own options
    // from argv): any name on disk can be opened.
    const QString first = argc > 1 ? DecodeFileName(QByteArray(argv[1])) : QString();
    const auto windows = CreateTremaxWindows(IsAboutRequest(first) ? QString() : first);
    StartServiceMenus(*windows, QCoreApplication::arguments());
    windows->main->show();
    return app.exec();
}
