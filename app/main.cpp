// tremax: the window program. The first argument, when it names a file, is opened at start.
#include "app/Startup.h"
#include "app/TremaxApplication.h"
#include "viewer/stremax1.h"

int main(int argc, char** argv)
{
    TTremaxApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const auto windows = CreateTremaxWindows(arguments.size() > 1 ? arguments.at(1) : QString());
    windows->main->show();
    return app.exec();
}
