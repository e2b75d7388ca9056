// Opening a sequence: the window's side of it (caption, busy cursor, the view reset) around the
// file side in TSequence.
#include "viewer/stremax1.h"

#include "plot/saxes.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// Restores the cursor and redraws when the open ends, whether it finished or failed.
class TOpenClosing {
public:
    explicit TOpenClosing(std::function<void()> closing) : closing_(std::move(closing))
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TOpenClosing()
    {
        QApplication::restoreOverrideCursor();
        closing_();
    }

private:
    std::function<void()> closing_;
};

}  // namespace

QString ShortFileNotice(int64_t framesHeld, int32_t frameCount)
{
    if (framesHeld < 0 || framesHeld >= frameCount)
        return QString();
    return QStringLiteral("The file holds %1 of %2 frames").arg(framesHeld).arg(frameCount);
}

void TForm1::UpdateTitle(const QString& fileName)
{
    if (!fileName.isEmpty() && QFileInfo(fileName).isFile()) {
        session_.Sequence().SetFileName(fileName);
        openDialogFileName_ = fileName;
        setWindowTitle(fileName + QStringLiteral(" - Tremax"));
        applicationTitle_ = QFileInfo(fileName).fileName() + QStringLiteral(" - Tremax");
        ApplyTaskbarTitle();
        propertiesAction_->setEnabled(true);
    } else {
        session_.Sequence().SetFileName(QString());
        setWindowTitle(QStringLiteral("Tremax (none)"));
        applicationTitle_ = QStringLiteral("Tremax");
        ApplyTaskbarTitle();
        propertiesAction_->setEnabled(false);
    }
}

void TForm1::OpenSequence(const QString& fileName)
{
    if (!QFileInfo(fileName).isFile())
        return;
    const QString path = QFileInfo(fileName).absoluteFilePath();
    TViewerSession& session = session_;
    const TOpenClosing closing([&session] {
        session.RequestRender();
        session.RequestKymogramRebuild();
    });
    SetStatusText(kNoticePanel, QString());
    UpdateTitle(path);
    Q_EMIT sequenceOpened(path.left(255));
    TSequence& sequence = session_.Sequence();
    sequence.ReadSequenceFiles();
    SetStatusText(kNoticePanel, ShortFileNotice(sequence.FramesHeld(), sequence.Header().FrameCount));
    SetSelectedRow(sequence.Height() / 2);
    SetCurrentFrame(0);
    session_.ResetKymogramSpan(sequence.Header().FrameCount);
}

void TForm1::ExecuteOpenDialog()
{
    QFileDialog dialog(this, QStringLiteral("Open image sequence"));
    dialog.setNameFilters({QStringLiteral("High-speed image sequences (*.bld)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("bld"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!openDialogFileName_.isEmpty())
        dialog.selectFile(openDialogFileName_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ReleasePlayButton();
    OpenSequence(dialog.selectedFiles().front());
}
