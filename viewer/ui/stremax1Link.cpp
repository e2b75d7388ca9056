// The main window's View menu switches the companion link's two directions; the link itself
// follows the session (SessionLink.h).
#include "viewer/ui/stremax1.h"

#include "viewer/session/ErrorHandler.h"
#include "viewer/ui/SessionLink.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

void TForm1::AttachLink(TApplicationWindow& window)
{
    link_ = std::make_unique<TSessionLink>(window, session_, errors_);
    linkToAction_->setEnabled(true);
    linkFromAction_->setEnabled(true);
}

void TForm1::BuildLinkMenu(QMenu* view)
{
    linkToAction_ = view->addAction(QStringLiteral("&Link to Sonel"));
    linkToAction_->setCheckable(true);
    linkToAction_->setEnabled(false);
    connect(linkToAction_, &QAction::triggered, this, [this] {
        errors_.Guarded([this] { link_->Sync().Linktosonel1Click(); });
        linkToAction_->setChecked(link_->Sync().LinkToSonel());
        ShowLinkState(QStringLiteral("Link to Sonel"), link_->Sync().LinkToSonel());
    });
    linkFromAction_ = view->addAction(QStringLiteral("Link from Sonel"));
    linkFromAction_->setCheckable(true);
    linkFromAction_->setEnabled(false);
    connect(linkFromAction_, &QAction::triggered, this, [this] {
        errors_.Guarded([this] { link_->Sync().LinkfromSonel1Click(); });
        linkFromAction_->setChecked(link_->Sync().LinkFromSonel());
        ShowLinkState(QStringLiteral("Link from Sonel"), link_->Sync().LinkFromSonel());
    });
    QAction* synchronize = view->addAction(QStringLiteral("Synchronize at Sonel cursor!"));
    synchronize->setStatusTip(QStringLiteral("Synchronizes video end with sonel cursor position"));
    synchronize->setEnabled(false);
    connect(synchronize, &QAction::triggered, this, [this] {
        errors_.Guarded([this] {
            link_->Sync().SonelsyncExecute();
            QMessageBox::information(this, TSonelSync::kSaveCaption, TSonelSync::kSaveText);
        });
    });
    connect(view, &QMenu::aboutToShow, this,
            [this, synchronize] { synchronize->setEnabled(link_ && link_->Sync().SonelsyncEnabled()); });
}

QString LinkStateText(const QString& direction, bool on, bool libraryLoaded, bool companionFound)
{
    if (!on)
        return direction + QStringLiteral(" is off");
    if (companionFound)
        return direction + QStringLiteral(" is on: Sonel answered");
    return direction + (libraryLoaded ? QStringLiteral(" is on, but no companion answered: start Sonel to link")
                                      : QStringLiteral(" is on, but no companion answered and the companion library "
                                                       "could not be loaded"));
}

void TForm1::ShowLinkState(const QString& direction, bool on)
{
    // Looked for now, so that the user knows at once whether the link reaches anyone.
    const bool found = on && link_->Link().PartnerWindow() != 0;
    SetStatusText(TStatusPanel::notice, LinkStateText(direction, on, link_->Link().LibraryLoaded(), found));
    Panel(TStatusPanel::notice)->setToolTip(StatusText(TStatusPanel::notice));
}
