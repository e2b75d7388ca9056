// The main window's spectrum store: the selected frequency, the colorizing sweep, legends.
#include "viewer/stremax1.h"

#include "analysis/PixelColour.h"
#include "analysis/SpectrumStore.h"
#include "export/Clipboard.h"
#include "viewer/ImageBoxWidget.h"

#include <QAction>
#include <QApplication>
#include <thread>

int32_t TForm1::SpectrumLength() const { return session_.Spectra().SpectrumLength(); }

void TForm1::SetSelectedFrequency(double hz) { session_.Spectra().SetSelectedFrequency(hz); }

bool TForm1::ColorizeButtonDown() const { return colorizeAction_->isChecked(); }

void TForm1::Colorize(bool down)
{
    colorizeAction_->setChecked(down);
    session_.SetColorizeOn(down);
    if (down) {
        // The busy cursor goes also when the sweep fails; the colour spreads down the image
        // row by row, each row shown at once.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct TRestore {
            ~TRestore() { QApplication::restoreOverrideCursor(); }
        } restore;
        const int threads = std::max(1, std::min(2, int(std::thread::hardware_concurrency())));
        session_.Spectra().ColorizeSweep(
            [this](int32_t) {
                RenderFrame();
                imageBox_->repaint();
            },
            threads);
    }
    RenderFrame();
}

void TForm1::CopyToClipboard(const QImage& image) { CopyImageToClipboard(image); }
