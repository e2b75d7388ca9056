// tremax: the window program. The first argument, when it names a file, is opened at start.
#include "app/Startup.h"
#include "app/TremaxApplication.h"
#include "platform/FileNames.h"
#include "viewer/stremax1.h"

int main(int argc, char** argv)
{
    TTremaxApplication app(argc, argv);
    // Taken as the bytes the file system holds (the application has removed its own options
    // from argv): any name on disk can be opened.
    const auto windows = CreateTremaxWindows(argc > 1 ? DecodeFileName(QByteArray(argv[1])) : QString());
    windows->main->show();
    return app.exec();
}
