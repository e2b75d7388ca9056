#include "app/ui/TremaxApplication.h"

#include "platform/Errors.h"

#include <QMessageBox>
#include <QPointer>
#include <cstdio>
#include <new>

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
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown exception");
    }
    try {
        Report(receiver, message);
    } catch (...) {
        // Nothing of the report may end the program.
    }
    return false;
}

void TTremaxApplication::Report(QObject* receiver, const QString& message)
{
    std::fprintf(stderr, "tremax: %s\n", qPrintable(message));
    if (reporting_.exchange(true)) {
        ++dropped_;
        return;
    }
    ++reported_;
    // Never from inside the failed event, and never on another thread: queued to this object,
    // which lives on the user-interface thread.
    const QPointer<QObject> sender(receiver);
    QMetaObject::invokeMethod(
        this,
        [this, sender, message] {
            try {
                if (handler_)
                    handler_(sender.data(), message);
                else
                    QMessageBox::critical(activeWindow(), applicationName(), message);
            } catch (...) {
            }
            reporting_ = false;
        },
        Qt::QueuedConnection);
}
