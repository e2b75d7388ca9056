// The main window and Praat: "Link to Praat" sends the sound's time of every frame shown to
// Praat's sound editor; Praat's "Show in Tremax" comes back over the session bus and moves the
// frame through the session, stopping playback as the companion link does.
#include "viewer/ui/stremax1.h"

#include "sound/SoundTime.h"
#include "sound/praat/PraatLink.h"
#include "sound/praat/PraatPlugin.h"
#include "sound/praat/ShowTimeBus.h"
#include "sound/ui/SoundWindow.h"
#include "viewer/session/ErrorHandler.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

struct TForm1::TPraatParts {
    TPraatLink link;
    TShowTimeService service;
    QAction* linkAction = nullptr;
    std::optional<double> pending;  // a time from Praat that waits for a sequence
    bool showingPraatTime = false;  // the frame moves because Praat asked: not sent back
};

void TForm1::TPraatPartsDeleter::operator()(TPraatParts* parts) const { delete parts; }

namespace {

// The open sequence's timebase; no frames while none is open (the session's header then holds
// the defaults).
TSoundTimebase SoundTimebase(const TViewerSession& session)
{
    const TSequenceHeader& header = session.Sequence().Header();
    return header.FileName.isEmpty() ? TSoundTimebase{} : SoundTimebaseOf(header);
}

}  // namespace

QAction* TForm1::LinkToPraatAction() const { return praat_ ? praat_->linkAction : nullptr; }

void TForm1::BuildPraatMenu(QMenu* view)
{
    praat_.reset(new TPraatParts);
    view->addSeparator();
    QAction* link = view->addAction(QStringLiteral("Link to Praat"));
    praat_->linkAction = link;
    link->setCheckable(true);
    link->setStatusTip(QStringLiteral("Moves the cursor of Praat's sound editor to the time of the frame shown"));
    // The sound's time under the mapping of the open sound (h = 0 without one); Praat's editor
    // is the one of the open sound, or of a sound named like the sequence.
    const auto sendFrame = [this](int32_t frame) {
        if (!praat_->linkAction->isChecked() || praat_->showingPraatTime)
            return;
        const TSoundTimebase base = SoundTimebase(session_);
        if (base.FrameCount <= 0 || base.FramesPerSecond <= 0)
            return;
        const bool sound = soundWindow_ && soundWindow_->HasSound();
        const double h = sound ? soundWindow_->SyncTime() : 0.0;
        praat_->link.SetSoundName(PraatObjectName(sound ? soundWindow_->Sound().Info.FileName
                                                        : session_.Sequence().Header().FileName));
        praat_->link.SendTime(FrameToSoundTime(base, h, frame));
    };
    connect(link, &QAction::toggled, this, [this, sendFrame](bool on) {
        praat_->link.Reset();
        if (!on) {
            SetStatusText(TStatusPanel::notice, praat_->link.StateText());
            return;
        }
        SetStatusText(TStatusPanel::notice, QStringLiteral("Link to Praat is on"));
        sendFrame(session_.View().CurrentFrame);
    });
    connect(&praat_->link, &TPraatLink::stateChanged, this, [this](const QString& text) {
        if (praat_->linkAction->isChecked())
            SetStatusText(TStatusPanel::notice, text);
    });
    connect(&session_, &TViewerSession::currentFrameChanged, this, sendFrame);

    QAction* install = view->addAction(QStringLiteral("Install Praat plugin"));
    install->setStatusTip(QStringLiteral("Adds \"Show in Tremax\" to the Time menu of Praat's sound editor"));
    connect(install, &QAction::triggered, this, [this] {
        errors_.Guarded([this] {
            const QString folder = PraatFolder() + QStringLiteral("/plugin_Tremax");
            const QString program = QCoreApplication::applicationFilePath();
            TPluginInstall result = InstallPraatPlugin(folder, program, false);
            if (result == TPluginInstall::userChanged) {
                const auto answer = QMessageBox::question(
                    this, QStringLiteral("Install Praat plugin"),
                    QStringLiteral("The Praat plugin in %1 has been changed since Tremax wrote it.\n\n"
                                   "Replace it with Tremax's plugin?")
                        .arg(QDir::toNativeSeparators(folder)),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
                if (answer != QMessageBox::Yes) {
                    SetStatusText(TStatusPanel::notice, QStringLiteral("The Praat plugin in %1 was left as it is").arg(folder));
                    return;
                }
                result = InstallPraatPlugin(folder, program, true);
            }
            SetStatusText(TStatusPanel::notice,
                          result == TPluginInstall::current
                              ? QStringLiteral("The Praat plugin in %1 is up to date").arg(folder)
                              : QStringLiteral("The Praat plugin is installed in %1: start Praat again to find "
                                               "\"Show in Tremax\" in its sound editor's Time menu")
                                    .arg(folder));
        });
    });

    connect(&praat_->service, &TShowTimeService::showTimeRequested, this, &TForm1::ShowSoundTime);
    // A time that came before the sequence: shown with the sequence's first frame.
    const auto showPending = [this] {
        if (praat_->pending && SoundTimebase(session_).FrameCount > 0) {
            const double seconds = *praat_->pending;
            praat_->pending.reset();
            QMetaObject::invokeMethod(this, [this, seconds] { ShowSoundTime(seconds); }, Qt::QueuedConnection);
        }
    };
    connect(this, &TForm1::sequenceOpened, this, showPending);
}

bool TForm1::ServeShowTime(std::optional<double> pending)
{
    praat_->pending = pending;
    return praat_->service.Register();
}

void TForm1::ShowSoundTime(double seconds)
{
    const TSoundTimebase base = SoundTimebase(session_);
    if (base.FrameCount <= 0) {
        praat_->pending = seconds;
        SetStatusText(TStatusPanel::notice, QStringLiteral("Praat's time %1 s is shown once a sequence is open").arg(seconds));
        return;
    }
    const bool sound = soundWindow_ && soundWindow_->HasSound();
    const int32_t frame = SoundTimeToFrame(base, sound ? soundWindow_->SyncTime() : 0.0, seconds);
    ReleasePlayButton();
    if (sound && soundWindow_->IsPlaying())
        soundWindow_->StopSound();
    praat_->showingPraatTime = true;
    errors_.Guarded([this, frame] { session_.SetCurrentFrame(frame); });
    praat_->showingPraatTime = false;
}
