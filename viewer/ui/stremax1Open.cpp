// Opening a sequence: the window's side of it (caption, recent files, busy cursor) around the
// session's all-or-nothing open.
#include "viewer/ui/stremax1.h"

#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "plot/widgets/saxes.h"
#include "viewer/io/BldFrameSource.h"
#include "viewer/io/HeaderFile.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>

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

QString NoHeaderNotice(const QString& frameFile, const TSequenceHeader& header)
{
    return QStringLiteral("No header (.par or .dsc) beside %1: defaults used, %2 x %3 pixels, %4 frames at %5 frames/s")
        .arg(FileNamePart(frameFile))
        .arg(header.Width)
        .arg(header.Height)
        .arg(header.FrameCount)
        .arg(header.FramesPerSecond);
}

void TForm1::UpdateTitle(const QString& fileName)
{
    if (!fileName.isEmpty() && FileKindOf(fileName) == TFileKind::regular) {
        openDialogFileName_ = fileName;
        setWindowTitle(fileName + QStringLiteral(" - Tremax"));
        applicationTitle_ = FileNamePart(fileName) + QStringLiteral(" - Tremax");
        ApplyTaskbarTitle();
        propertiesAction_->setEnabled(true);
    } else {
        session_.ForgetFileName();
        setWindowTitle(QStringLiteral("Tremax (none)"));
        applicationTitle_ = QStringLiteral("Tremax");
        ApplyTaskbarTitle();
        propertiesAction_->setEnabled(false);
    }
}

void TForm1::OpenSequence(const QString& fileName)
{
    const TFileKind kind = FileKindOf(fileName);
    if (kind == TFileKind::missing)
        return;
    // Named as what it is: reading a FIFO or a device would wait or never end.
    if (kind != TFileKind::regular)
        throw EInOutError(
            QStringLiteral("Cannot open \"%1\": it is %2, not a frame file").arg(fileName, FileKindText(kind)));
    // A header chosen in place of its sequence opens the frame file it describes.
    const QString path = AbsoluteFileName(FrameFileOfHeader(fileName));
    TViewerSession& session = session_;
    const TOpenClosing closing([&session] {
        session.RequestRender();
        session.RequestKymogramRebuild();
    });
    // Caption and recent files change only once the sequence is open: a failed open leaves the
    // window as it was.
    session_.OpenSequence(path);
    UpdateTitle(path);
    Q_EMIT sequenceOpened(path);
    const TSequence& sequence = session_.Sequence();
    QStringList notices;
    if (dynamic_cast<const TBldFrameSource*>(sequence.Source()) && FindHeaderFile(path).isEmpty())
        notices << NoHeaderNotice(path, sequence.Header());
    notices << ShortFileNotice(sequence.FramesHeld(), sequence.Header().FrameCount);
    notices.removeAll(QString());
    SetStatusText(TStatusPanel::notice, notices.join(QStringLiteral("; ")));
    Panel(TStatusPanel::notice)->setToolTip(notices.join(QLatin1Char('\n')));
}

namespace {

// Qt's own dialog shows a name that is not UTF-8 with U+FFFD and then finds no such file; the
// one file that name stands for is taken instead of "File not found".
class TOpenSequenceDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QString ChosenFile() const { return chosen_.isEmpty() ? ResolveShownFileName(selectedFiles().value(0)) : chosen_; }
    void accept() override
    {
        const QStringList files = selectedFiles();
        if (files.size() == 1 && FileKindOf(files.front()) == TFileKind::missing) {
            const QString resolved = ResolveShownFileName(files.front());
            if (FileKindOf(resolved) == TFileKind::regular) {
                chosen_ = resolved;
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    QString chosen_;
};

}  // namespace

void TForm1::ExecuteOpenDialog()
{
    TOpenSequenceDialog dialog(this, QStringLiteral("Open image sequence"));
    // Every format first, then each on its own (raw frames first), then anything.
    const QStringList formats = session_.Sequence().Formats().Filters();
    QStringList patterns;
    for (const QString& filter : formats)
        patterns << filter.section(QLatin1Char('('), 1).chopped(1);
    QStringList filters;
    if (formats.size() > 1)
        filters << QStringLiteral("All recordings (%1)").arg(patterns.join(QLatin1Char(' ')));
    filters << formats << QStringLiteral("All files (*)");
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("bld"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    // The detail view's columns as wide as their texts ("64.0 MiB", not "64....MiB").
    for (QHeaderView* header : dialog.findChildren<QHeaderView*>())
        for (int section = 1; section < header->count(); ++section)
            header->setSectionResizeMode(section, QHeaderView::ResizeToContents);
    if (!openDialogFileName_.isEmpty())
        dialog.selectFile(openDialogFileName_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ReleasePlayButton();
    OpenSequence(dialog.ChosenFile());
}
