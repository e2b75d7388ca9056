#include "viewer/widgets/BusyWork.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>

TBusyWork::TBusyWork()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
}

TBusyWork::~TBusyWork()
{
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
}

bool TBusyWork::Poll(int intervalMs)
{
    if (!polled_ || sincePoll_.elapsed() >= intervalMs) {
        polled_ = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        sincePoll_.restart();
    }
    return cancelled_;
}

bool TBusyWork::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            cancelled_ = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Close:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;  // held back until the work is over
    default:
        return QObject::eventFilter(watched, event);
    }
}
