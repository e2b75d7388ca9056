// tremax: the window program. The first argument, when it names a file, is opened at start;
// "/?" shows the about box instead. "--show-time SECONDS" hands that sound time to a running
// Tremax and ends, or, with none running, starts and shows it once a sequence is open.
#include "app/ui/Startup.h"
#include "app/ui/TremaxApplication.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "sound/praat/ShowTimeBus.h"
#include "viewer/ui/stremax1.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    TTremaxApplication app(argc, argv);
    std::optional<double> showTime;
    int fileArgument = 1;
    if (argc > 1 && std::strcmp(argv[1], "--show-time") == 0) {
        QStringList arguments = QCoreApplication::arguments();
        try {
            showTime = TakeShowTimeArgument(arguments);
        } catch (const EError& e) {
            std::fprintf(stderr, "tremax: %s\n", qPrintable(e.Message()));
            return 2;
        }
        if (SendShowTime(*showTime))
            return 0;
        fileArgument = 3;
    }
    // Taken as the bytes the file system holds (the application has removed its own options
    // from argv): any name on disk can be opened.
    const QString first = argc > fileArgument ? DecodeFileName(QByteArray(argv[fileArgument])) : QString();
    const auto windows = CreateTremaxWindows(IsAboutRequest(first) ? QString() : first);
    StartServiceMenus(*windows, QCoreApplication::arguments());
    windows->main->ServeShowTime(showTime);
    windows->main->show();
    return app.exec();
}
