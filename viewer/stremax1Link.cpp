// The main window and the companion program: the link follows the session's frame and moves it
// through the session's setter; the View menu switches the two directions.
#include "viewer/stremax1.h"

#include "link/SonelSync.h"
#include "link/Sonellink.h"
#include "viewer/ErrorHandler.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

namespace {

// What the synchronisation may ask of the viewer.
class TLinkView : public TSyncView {
public:
    TLinkView(TViewerSession& session, std::function<void()> stopPlayback)
        : session_(session), stopPlayback_(std::move(stopPlayback))
    {
    }
    int32_t CurrentFrame() const override { return session_.View().CurrentFrame; }
    void SetCurrentFrame(int32_t frame) override { session_.SetCurrentFrame(frame); }
    void StopPlayback() override { stopPlayback_(); }
    TSonelTimebase Timebase() const override
    {
        const TSequenceHeader& header = session_.Sequence().Header();
        return {header.FrameCount, header.FirstFrame, header.Trigger, header.FramesPerSecond};
    }

private:
    TViewerSession& session_;
    std::function<void()> stopPlayback_;
};

}  // namespace

struct TForm1::TLinkParts {
    TLinkParts(TApplicationWindow& window, TViewerSession& session, std::function<void()> stopPlayback)
        : link(window), view(session, std::move(stopPlayback)), sync(Loaded(link), view)
    {
    }
    // The library is named before the link loads; the synchronisation then takes over its events.
    static TSonellink& Loaded(TSonellink& link)
    {
        link.SetDLLName(QStringLiteral("sonellib32.dll"));
        link.Loaded();
        return link;
    }
    TSonellink link;
    TLinkView view;
    TSonelSync sync;
};

void TForm1::TLinkPartsDeleter::operator()(TLinkParts* parts) const { delete parts; }

void TForm1::AttachLink(TApplicationWindow& window)
{
    link_.reset(new TLinkParts(window, session_, [this] { ReleasePlayButton(); }));
    linkToAction_->setEnabled(true);
    linkFromAction_->setEnabled(true);
}

void TForm1::BuildLinkMenu(QMenu* view)
{
    linkToAction_ = view->addAction(QStringLiteral("&Link to Sonel"));
    linkToAction_->setCheckable(true);
    linkToAction_->setEnabled(false);
    connect(linkToAction_, &QAction::triggered, this, [this] {
        errors_.Guarded([this] { link_->sync.Linktosonel1Click(); });
        linkToAction_->setChecked(link_->sync.LinkToSonel());
        ShowLinkState(QStringLiteral("Link to Sonel"), link_->sync.LinkToSonel());
    });
    linkFromAction_ = view->addAction(QStringLiteral("Link from Sonel"));
    linkFromAction_->setCheckable(true);
    linkFromAction_->setEnabled(false);
    connect(linkFromAction_, &QAction::triggered, this, [this] {
        errors_.Guarded([this] { link_->sync.LinkfromSonel1Click(); });
        linkFromAction_->setChecked(link_->sync.LinkFromSonel());
        ShowLinkState(QStringLiteral("Link from Sonel"), link_->sync.LinkFromSonel());
    });
    QAction* synchronize = view->addAction(QStringLiteral("Synchronize at Sonel cursor!"));
    synchronize->setStatusTip(QStringLiteral("Synchronizes video end with sonel cursor position"));
    synchronize->setEnabled(false);
    connect(synchronize, &QAction::triggered, this, [this] {
        errors_.Guarded([this] {
            link_->sync.SonelsyncExecute();
            QMessageBox::information(this, TSonelSync::kSaveCaption, TSonelSync::kSaveText);
        });
    });
    connect(view, &QMenu::aboutToShow, this,
            [this, synchronize] { synchronize->setEnabled(link_ && link_->sync.SonelsyncEnabled()); });
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
    const bool found = on && link_->link.PartnerWindow() != 0;
    SetStatusText(kNoticePanel, LinkStateText(direction, on, link_->link.LibraryLoaded(), found));
    statusPanels_[kNoticePanel]->setToolTip(StatusText(kNoticePanel));
}

void TForm1::SendFrameToLink(int32_t frame)
{
    if (link_)
        errors_.Guarded([this, frame] { link_->sync.FrameChanged(frame); });
}
