// tremax-screenshot SEQUENCE.bld OUT.png: starts the program's windows on a sequence under the
// offscreen platform, picks a point on a fold edge, and saves a picture of the main window.
#include "app/Startup.h"
#include "viewer/ImageBoxWidget.h"
#include "viewer/stremax1.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tremax-screenshot SEQUENCE.bld OUT.png\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto windows = CreateTremaxWindows(QString::fromLocal8Bit(argv[1]));
    TForm1& main = *windows->main;
    main.resize(560, 420);
    main.show();
    main.FirstActivation();
    main.SetCurrentFrame(6);
    QApplication::processEvents();
    const QPixmap picture = main.grab();
    if (!picture.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "tremax-screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
