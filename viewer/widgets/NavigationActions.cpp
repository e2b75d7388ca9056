#include "viewer/widgets/NavigationActions.h"

#include "viewer/session/ErrorHandler.h"
#include "viewer/session/FrameNavigation.h"
#include "viewer/session/ViewerSession.h"

#include <QAction>
#include <QInputDialog>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace {

// The main window's status panel for notices.

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
    QList<QAction*> ours;
    for (const TStepKey& key : keys) {
        auto* action = new QAction(QString::fromUtf8(key.text), &window);
        action->setShortcut(QKeySequence(key.key));
        action->setShortcutContext(Qt::WindowShortcut);
        const TFrameStep step = key.step;
        QObject::connect(action, &QAction::triggered, &window, [&session, &errors, step] {
            errors.Guarded([&session, step] { StepFrame(session, step); });
        });
        window.addAction(action);
        ours << action;
    }
    auto* goTo = new QAction(QStringLiteral("Go to frame..."), &window);
    goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    goTo->setShortcutContext(Qt::WindowShortcut);
    QWidget* parent = &window;
    QObject::connect(goTo, &QAction::triggered, &window, [parent, &session, &errors] {
        errors.Guarded([parent, &session] { AskGoToFrame(parent, session); });
    });
    window.addAction(goTo);
    ours << goTo;

    // Without a sequence there is nothing to step through (the start-up frames are made up).
    const auto follow = [&session, ours] {
        const bool open = !session.Sequence().Header().FileName.isEmpty();
        for (QAction* action : ours)
            action->setEnabled(open);
    };
    QObject::connect(&session.Sequence(), &TSequence::fileNameChanged, &window, follow);
    follow();
    return goTo;
}

void AskGoToFrame(QWidget* parent, TViewerSession& session)
{
    const int32_t frameCount = session.Sequence().Header().FrameCount;
    const int32_t last = std::max(0, frameCount - 1);
    bool ok = false;
    // Any number is taken as typed (a spin box bounded by the last frame would drop the digits
    // that do not fit, silently); one outside the sequence is clamped and said so.
    const int frame = QInputDialog::getInt(parent, QStringLiteral("Go to frame"),
                                           QStringLiteral("Frame (0 to %1):").arg(last),
                                           session.View().CurrentFrame, -std::numeric_limits<int>::max(),
                                           std::numeric_limits<int>::max(), 1, &ok);
    if (!ok)
        return;
    GoToFrame(session, frame);
    const QString notice = GoToFrameNotice(frame, frameCount);
    if (!notice.isEmpty())
        session.ShowStatus(TStatusPanel::notice, notice);
}
