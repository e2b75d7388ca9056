// Plays the user for the clipboard test: starts the program's windows on a sequence, runs one
// Edit-menu command (choosing "None" and "Copy to clipboard" when it opens the "Sequence"
// window), prints "copied" and keeps owning the clipboard until its standard input closes, so
// that another program can paste.
// Usage: tremax-clipboard-probe SEQUENCE.bld "MENU CAPTION"
#include "app/ui/Startup.h"
#include "app/ui/TremaxApplication.h"
#include "viewer/ui/stremax1.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    TTremaxApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tremax-clipboard-probe SEQUENCE.bld CAPTION\n");
        return 2;
    }
    const auto windows = CreateTremaxWindows(QString::fromLocal8Bit(argv[1]));
    TForm1& main = *windows->main;
    main.show();
    main.FirstActivation();
    QAction* action = main.Action(QString::fromUtf8(argv[2]));
    if (!action) {
        std::fprintf(stderr, "no menu entry \"%s\"\n", argv[2]);
        return 2;
    }
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->findChild<QRadioButton*>()->setChecked(true);
            dialog->findChild<QPushButton*>(QStringLiteral("copybutton"))->click();
        }
    });
    action->trigger();
    std::printf("copied\n");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QApplication::quit();
        }
    });
    QTimer::singleShot(60000, &app, &QApplication::quit);  // never outlive a broken test
    return app.exec();
}
