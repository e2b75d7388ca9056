// What leaves the main window: the selected pixel's waveform as a sample file, the plots and
// montages on the clipboard, rendered frames as numbered bitmap files.
#include "viewer/ui/stremax1.h"

#include "export/session/Clipboard.h"
#include "export/session/ImageSeries.h"
#include "export/io/WaveformExport.h"
#include "platform/FileNames.h"
#include "viewer/widgets/BusyWork.h"
#include "viewer/session/ErrorHandler.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

namespace {

void CopyIfDrawn(const QImage& image)
{
    if (!image.isNull())
        CopyImageToClipboard(image);
}

void ShowModal(QWidget* window)
{
    if (auto* dialog = qobject_cast<QDialog*>(window))
        dialog->exec();
}

}  // namespace

void TForm1::SaveSmp()
{
    const QPoint pixel = session_.View().SelectedPoint;
    QFileDialog dialog(this, QStringLiteral("Save SMP"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("Sample files (*.smp)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("smp"));
    dialog.selectFile(DefaultSampleFileName(session_.Sequence().Header().FileName, pixel));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // A long export shows how far it got; Esc stops it and leaves any old file as it was.
    const QString fileName = dialog.selectedFiles().front();
    TBusyWork busy;
    const auto progress = [&](int64_t done, int64_t total) {
        SetStatusText(TStatusPanel::notice, QStringLiteral("Saving %1: %2 %").arg(fileName).arg(total > 0 ? done * 100 / total : 100));
        Panel(TStatusPanel::notice)->repaint();
        return !busy.Poll();
    };
    const auto clearStatus = qScopeGuard([this] { SetStatusText(TStatusPanel::notice, QString()); });
    session_.ExportWaveform(smpFile_, pixel, fileName, progress);
}

void TForm1::BuildExportActions()
{
    // The menus made these actions disabled; each is enabled here with its command.
    const auto provide = [this](const char* caption, std::function<void()> command) {
        QAction* action = Action(QString::fromUtf8(caption));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, command] { errors_.Guarded(command); });
        return action;
    };
    // Each copies the picture its window registered with the session; without the window, nothing.
    const auto copyPicture = [this](const char* view) {
        return [this, view = QString::fromLatin1(view)] {
            if (session_.Pictures().Has(view))
                CopyIfDrawn(session_.Pictures().Get(view));
        };
    };
    provide("Copy kymogram", copyPicture("kymogram"));
    provide("Copy point spectrum", copyPicture("pointspectrum"));
    provide("Copy spectrum", copyPicture("rowspectra"));
    QAction* sequence = provide("Copy Image sequence", [this] { ShowModal(tools_.sequence); });
    sequence->setToolTip(QStringLiteral("Copy several frames to the clipboard"));
    sequence->setStatusTip(sequence->toolTip());
    provide("Copy explanatory image sequence", [this] { ShowModal(tools_.explanatory); });
    QAction* save = provide("Save several images...", [this] { SaveSeveralImages(); });
    save->setToolTip(QStringLiteral("Saves a sequence of images into BMP files"));
    save->setStatusTip(save->toolTip());
}

void TForm1::SaveSeveralImages()
{
    CheckImagesToSave(session_);
    bool ok = false;
    const QString text = QInputDialog::getText(this, QStringLiteral("Copy images"), QStringLiteral("# of imaes to copy"),
                                               QLineEdit::Normal, QStringLiteral("20"), &ok);
    if (ok)
        SaveImages(text);
}

void TForm1::SaveImages(const QString& countText)
{
    const int32_t count = ImageSeriesCount(countText, session_.Sequence().Header().FrameCount);
    const int32_t first = session_.View().CurrentFrame;
    const QString sequenceFile = session_.Sequence().Header().FileName;
    SaveImageSeries(session_, count, [this]() -> const QImage& { return frameBitmap_; });
    // Said where and how many, with the folder a click away.
    const QString folder = FolderPart(ImageSeriesFileName(sequenceFile, first));
    SetStatusText(TStatusPanel::notice, SavedImagesNotice(sequenceFile, first, count));
    Panel(TStatusPanel::notice)->setToolTip(StatusText(TStatusPanel::notice));
    openFolderButton_->setProperty("folder", folder);
    openFolderButton_->setVisible(count > 0);
}

QString SavedImagesNotice(const QString& sequenceFile, int32_t first, int32_t count)
{
    const QString folder = FolderPart(ImageSeriesFileName(sequenceFile, first));
    if (count <= 0)
        return QStringLiteral("No images saved");
    const QString firstName = FileNamePart(ImageSeriesFileName(sequenceFile, first));
    if (count == 1)
        return QStringLiteral("Saved 1 image in %1: %2").arg(folder, firstName);
    return QStringLiteral("Saved %1 images in %2: %3 to %4")
        .arg(count)
        .arg(folder, firstName, FileNamePart(ImageSeriesFileName(sequenceFile, first + count - 1)));
}
