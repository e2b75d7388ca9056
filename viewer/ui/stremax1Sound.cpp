// The main window's entries for the sound beside the video; the window does the rest.
#include "viewer/ui/stremax1.h"

#include "sound/ui/SoundWindow.h"
#include "viewer/session/ErrorHandler.h"

#include <QFileDialog>
#include <QMenu>

TSoundWindow& TForm1::SoundWindow()
{
    if (!soundWindow_) {
        soundWindow_ = new TSoundWindow(session_, errors_, this);
        connect(soundWindow_, &TSoundWindow::soundChanged, this, &TForm1::UpdateGlottisComparison);
        UpdateGlottisComparison();
    }
    return *soundWindow_;
}

void TForm1::BuildSoundMenu(QMenu* file, QMenu* view)
{
    connect(this, &TForm1::sequenceOpened, this, &TForm1::OfferSoundBeside, Qt::QueuedConnection);
    QAction* open = new QAction(QStringLiteral("Open sound..."), this);
    file->insertAction(file->actions().value(1), open);
    connect(open, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open sound"), QString(), SoundFileFilter());
        if (path.isEmpty())
            return;
        errors_.Guarded([this, &path] { OpenSoundFile(path); });
    });
    view->addSeparator();
    QAction* play = view->addAction(QStringLiteral("Play sound of the span"));
    connect(play, &QAction::triggered, this, [this] {
        errors_.Guarded([this] {
            SoundWindow().show();
            SoundWindow().PlaySpan();
        });
    });
}
