// The main window's spectrum store: the selected frequency, the colorizing sweep, legends.
#include "viewer/ui/stremax1.h"

#include "analysis/PixelColour.h"
#include "analysis/SpectrumStore.h"
#include "export/session/Clipboard.h"
#include "viewer/widgets/BusyWork.h"
#include "viewer/widgets/ImageBoxWidget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QGuiApplication>
#include <thread>

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
    if (down)
        ComputeAllSpectraShown();
    RenderFrame();
}

bool TForm1::ComputeAllSpectraShown()
{
    // The colour spreads down the image as the rows come, with the count in the status bar;
    // the windows keep repainting and Esc stops the sweep after the row it is at (the rows done
    // stay coloured). The busy cursor goes also when it fails. Painting every row would cost
    // more than the sweep of a wide image: the image and the count are shown after the first
    // row, then at most every 50 ms, and after the last.
    TBusyWork busy;
    const int32_t rows = session_.Spectra().Height();
    // One helper more than the cores: while this thread paints, every core goes on sweeping.
    const int threads = std::max(1, int(std::thread::hardware_concurrency())) + 1;
    constexpr qint64 kPaintIntervalMs = 50;
    QElapsedTimer sincePaint;
    sincePaint.start();
    const bool whole = session_.ComputeAllSpectra(
        [&](int32_t row) {
            if (row > 0 && row + 1 < rows && !sincePaint.hasExpired(kPaintIntervalMs))
                return true;
            if (session_.View().ColorizeOn) {
                RenderFrame();
                imageBox_->repaint();
            }
            SetStatusText(TStatusPanel::notice, ColorizeProgressText(row + 1, rows, false));
            Panel(TStatusPanel::notice)->repaint();
            sincePaint.start();
            if (!busy.Poll())
                return true;
            SetStatusText(TStatusPanel::notice, ColorizeProgressText(row + 1, rows, true));
            return false;
        },
        threads);
    if (whole)
        SetStatusText(TStatusPanel::notice, QString());
    return whole;
}

void TForm1::CopyToClipboard(const QImage& image) { CopyImageToClipboard(image); }
