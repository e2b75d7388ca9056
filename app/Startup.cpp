#include "app/Startup.h"

#include "analysis/stremax4.h"
#include "analysis/stremax5.h"
#include "analysis/stremax7.h"
#include "analysis/stremax10.h"
#include "viewer/MainWindowPeers.h"
#include "viewer/ErrorMessageDialog.h"
#include "viewer/Playback.h"
#include "viewer/stremax1.h"
#include "viewer/stremax2.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

// The two spectrum windows as the main window sees them.
class TSpectrumWindows : public TSpectrumPeer {
public:
    TSpectrumWindows(TForm5& point, TForm10& rows) : point_(point), rows_(rows) {}
    void DrawPointSpectrum(int32_t column, int32_t row) override { point_.DrawPointSpectrum(column, row); }
    void DrawRowSpectrum() override { rows_.DrawRowSpectrum(); }
    void ShowPointSpectrum() override { Show(point_); }
    void ShowRowSpectrum() override { Show(rows_); }

private:
    static void Show(QWidget& window)
    {
        window.show();
        window.raise();
    }
    TForm5& point_;
    TForm10& rows_;
};

TTremaxWindows::TTremaxWindows() = default;
TTremaxWindows::~TTremaxWindows()
{
    // The tool windows go before the main window whose setters they call.
    spectra.reset();
    rowSpectrum.reset();
    waveform.reset();
    pointSpectrum.reset();
    kymogram.reset();
    controls.reset();
    main.reset();
}

namespace {

// The main window centred on the screen, the kymogram and the plots in a column to its right
// and the row spectrum below it, as far as the screen allows; the controls centre themselves.
void PlaceWindows(TTremaxWindows& windows)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    TForm1& main = *windows.main;
    const int total = main.width() + 12 + windows.kymogram->width();
    const int left = area.left() + std::max(0, (area.width() - total) / 2);
    main.move(left, area.top() + std::max(0, (area.height() - main.height()) / 2));
    const int column = std::min(main.x() + main.width() + 12, area.right() - windows.kymogram->width());
    int y = area.top() + 24;
    for (QWidget* window : {static_cast<QWidget*>(windows.kymogram.get()),
                            static_cast<QWidget*>(windows.pointSpectrum.get()),
                            static_cast<QWidget*>(windows.waveform.get())}) {
        window->move(column, std::min(y, area.bottom() - window->height()));
        y += window->height() + 36;
    }
    windows.rowSpectrum->move(main.x(), std::min(main.y() + main.height() + 36,
                                                 area.bottom() - windows.rowSpectrum->height()));
}

}  // namespace

// The tool windows belong to the main window: they stay above it, and closing it ends the
// program. They are deleted before it (see the destructor), which takes them off its children.
std::unique_ptr<TTremaxWindows> CreateTremaxWindows(const QString& commandLineFile)
{
    auto windows = std::make_unique<TTremaxWindows>();
    windows->errors = std::make_unique<TErrorMessageDialog>();
    windows->clock = std::make_unique<TSteadyClock>();
    windows->main = std::make_unique<TForm1>(*windows->errors, *windows->clock);
    windows->errors->SetParent(windows->main.get());
    windows->controls = std::make_unique<TForm2>(*windows->main, windows->main.get());
    windows->main->AttachControls(windows->controls.get());
    windows->kymogram = std::make_unique<TForm4>(*windows->main, windows->main.get());
    windows->main->AttachKymogram(windows->kymogram.get());
    windows->pointSpectrum = std::make_unique<TForm5>(*windows->main, windows->main.get());
    windows->waveform = std::make_unique<TForm7>(*windows->main, windows->main.get());
    windows->main->AttachWaveform(windows->waveform.get());
    windows->rowSpectrum = std::make_unique<TForm10>(*windows->main, windows->main.get());
    windows->spectra = std::make_unique<TSpectrumWindows>(*windows->pointSpectrum, *windows->rowSpectrum);
    windows->main->AttachSpectra(windows->spectra.get());
    windows->main->SetCommandLineFile(commandLineFile);
    PlaceWindows(*windows);
    return windows;
}
