#include "viewer/NavigationActions.h"

#include "viewer/ErrorHandler.h"
#include "viewer/FrameNavigation.h"
#include "viewer/ViewerSession.h"

#include <QAction>
#include <QInputDialog>
#include <QWidget>
#include <algorithm>

namespace {

struct TStepKey {
    const char* text;
    QKeyCombination key;
    TFrameStep step;
};

}  // namespace

QAction* AddFrameNavigation(QWidget& window, TViewerSession& session, TErrorHandler& errors)
{
    const TStepKey keys[] = {
        {"Previous frame", QKeyCombination(Qt::Key_Left), TFrameStep::previous},
        {"Next frame", QKeyCombination(Qt::Key_Right), TFrameStep::next},
        {"10 frames back", QKeyCombination(Qt::SHIFT, Qt::Key_Left), TFrameStep::back10},
        {"10 frames on", QKeyCombination(Qt::SHIFT, Qt::Key_Right), TFrameStep::forward10},
        {"First frame", QKeyCombination(Qt::Key_Home), TFrameStep::first},
        {"Last frame", QKeyCombination(Qt::Key_End), TFrameStep::last},
        {"One span back", QKeyCombination(Qt::Key_PageUp), TFrameStep::pageBack},
        {"One span on", QKeyCombination(Qt::Key_PageDown), TFrameStep::pageForward},
    };
    for (const TStepKey& key : keys) {
        auto* action = new QAction(QString::fromUtf8(key.text), &window);
        action->setShortcut(QKeySequence(key.key));
        action->setShortcutContext(Qt::WindowShortcut);
        const TFrameStep step = key.step;
        QObject::connect(action, &QAction::triggered, &window, [&session, &errors, step] {
            errors.Guarded([&session, step] { StepFrame(session, step); });
        });
        window.addAction(action);
    }
    auto* goTo = new QAction(QStringLiteral("Go to frame..."), &window);
    goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    goTo->setShortcutContext(Qt::WindowShortcut);
    QWidget* parent = &window;
    QObject::connect(goTo, &QAction::triggered, &window, [parent, &session, &errors] {
        errors.Guarded([parent, &session] { AskGoToFrame(parent, session); });
    });
    window.addAction(goTo);
    return goTo;
}

void AskGoToFrame(QWidget* parent, TViewerSession& session)
{
    const int32_t last = std::max(0, session.Sequence().Header().FrameCount - 1);
    bool ok = false;
    const int frame = QInputDialog::getInt(parent, QStringLiteral("Go to frame"),
                                           QStringLiteral("Frame (0 to %1):").arg(last),
                                           session.View().CurrentFrame, 0, last, 1, &ok);
    if (ok)
        GoToFrame(session, frame);
}
