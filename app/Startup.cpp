#include "app/Startup.h"

#include "viewer/ErrorMessageDialog.h"
#include "viewer/Playback.h"
#include "viewer/stremax1.h"
#include "viewer/stremax2.h"

TTremaxWindows::TTremaxWindows() = default;
TTremaxWindows::~TTremaxWindows()
{
    // The tool windows go before the main window whose setters they call.
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
    windows->main->SetCommandLineFile(commandLineFile);
    return windows;
}
