// What leaves the main window as files: the selected pixel's waveform as a sample file.
#include "viewer/stremax1.h"

#include "export/WaveformExport.h"

#include <QFileDialog>

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
    ExportWaveform(smpFile_, session_.Sequence(), pixel, dialog.selectedFiles().front());
}
