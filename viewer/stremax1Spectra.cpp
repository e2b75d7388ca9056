// The main window's spectrum store: the selected frequency, the colorizing sweep, legends.
#include "viewer/stremax1.h"

#include "analysis/PixelColour.h"
#include "analysis/SpectrumStore.h"
#include "export/Clipboard.h"
#include "viewer/BusyWork.h"
#include "viewer/ImageBoxWidget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QGuiApplication>
#include <thread>

int32_t TForm1::SpectrumLength() const { return session_.Spectra().SpectrumLength(); }

void TForm1::SetSelectedFrequency(double hz) { session_.Spectra().SetSelectedFrequency(hz); }

bool TForm1::ColorizeButtonDown() const { return colorizeAction_->isChecked(); }

QString ColorizeProgressText(int32_t rowsDone, int32_t rows, bool cancelled)
{
    return (cancelled ? QStringLiteral("Colorizing cancelled: %1 of %2 rows") : QStringLiteral("Colorizing: %1 of %2 rows"))
        .arg(rowsDone)
        .arg(rows);
}

void TForm1::Colorize(bool down)
{
    colorizeAction_->setChecked(down);
    session_.SetColorizeOn(down);
    if (down) {
        // The colour spreads down the image row by row, each row shown at once, with the count
        // in the status bar; the windows keep repainting and Esc stops the sweep after the row
        // it is at (the rows done stay coloured). The busy cursor goes also when it fails.
        TBusyWork busy;
        TSpectrumStore& spectra = session_.Spectra();
        const int32_t rows = spectra.Height();
        bool cancelled = false;
        const int threads = std::max(1, std::min(2, int(std::thread::hardware_concurrency())));
        spectra.ColorizeSweep(
            [&](int32_t row) {
                RenderFrame();
                imageBox_->repaint();
                SetStatusText(kNoticePanel, ColorizeProgressText(row + 1, rows, false));
                statusPanels_[kNoticePanel]->repaint();
                if (!cancelled && busy.Poll()) {
                    cancelled = true;
                    spectra.CancelSweep();
                    SetStatusText(kNoticePanel, ColorizeProgressText(row + 1, rows, true));
                }
            },
            threads);
        if (!cancelled)
            SetStatusText(kNoticePanel, QString());
    }
    RenderFrame();
}

void TForm1::CopyToClipboard(const QImage& image) { CopyImageToClipboard(image); }
