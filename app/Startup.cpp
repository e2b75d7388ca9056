#include "app/Startup.h"

#include "analysis/stremax4.h"
#include "analysis/stremax7.h"
#include "viewer/ErrorMessageDialog.h"
#include "viewer/Playback.h"
#include "viewer/stremax1.h"
#include "viewer/stremax2.h"

TTremaxWindows::TTremaxWindows() = default;
TTremaxWindows::~TTremaxWindows()
{
    // The tool windows go before the main window whose setters they call.
    waveform.reset();
    kymogram.reset();
    controls.reset();
    main.reset();
}

std::unique_ptr<TTremaxWindows> CreateTremaxWindows(const QString& commandLineFile)
{
    auto windows = std::make_unique<TTremaxWindows>();
    windows->errors = std::make_unique<TErrorMessageDialog>();
    windows->clock = std::make_unique<TSteadyClock>();
    windows->main = std::make_unique<TForm1>(*windows->errors, *windows->clock);
    windows->errors->SetParent(windows->main.get());
    windows->controls = std::make_unique<TForm2>(*windows->main);
    windows->main->AttachControls(windows->controls.get());
    windows->kymogram = std::make_unique<TForm4>(*windows->main);
    windows->main->AttachKymogram(windows->kymogram.get());
    windows->waveform = std::make_unique<TForm7>(*windows->main);
    windows->main->AttachWaveform(windows->waveform.get());
    windows->main->SetCommandLineFile(commandLineFile);
    return windows;
}
