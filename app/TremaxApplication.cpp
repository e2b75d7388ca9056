#include "app/TremaxApplication.h"

#include "platform/Errors.h"

#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <cstdio>

TTremaxApplication::TTremaxApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Tremax"));
    setApplicationVersion(QStringLiteral(TREMAX_VERSION));
}

bool TTremaxApplication::notify(QObject* receiver, QEvent* event)
{
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const EError& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    }
    std::fprintf(stderr, "tremax: %s\n", qPrintable(message));
    // Report once, later, on the interface thread: never from inside the failed event.
    if (!reporting_ && QThread::currentThread() == thread()) {
        reporting_ = true;
        QTimer::singleShot(0, this, [this, message] {
            QMessageBox::critical(activeWindow(), QStringLiteral("Tremax"), message);
            reporting_ = false;
        });
    }
    return false;
}
