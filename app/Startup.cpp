#include "app/Startup.h"

#include "analysis/stremax4.h"
#include "analysis/stremax5.h"
#include "analysis/stremax7.h"
#include "analysis/stremax10.h"
#include "analysis/stremax11.h"
#include "export/Clipboard.h"
#include "export/stremax8.h"
#include "export/stremax9.h"
#include "plot/saxes.h"
#include "platform/bus/ApplicationWindow.h"
#include "services/SettingsContext.h"
#include "viewer/formats/AllFormats.h"
#include "viewer/ErrorMessageDialog.h"
#include "viewer/Playback.h"
#include "viewer/stremax1.h"
#include "viewer/stremax2.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

TTremaxWindows::TTremaxWindows() = default;
TTremaxWindows::~TTremaxWindows()
{
    // The tool windows go before the main window whose setters they call.
    speckle.reset();
    rowSpectrum.reset();
    explanatory.reset();  // asks the waveform window for its range
    sequence.reset();
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
    windows->formats = std::make_unique<TFrameSourceFactory>();
    RegisterOptionalFormats(*windows->formats);
    windows->main = std::make_unique<TForm1>(*windows->errors, *windows->clock, nullptr, windows->formats.get());
    windows->errors->SetParent(windows->main.get());
    TForm1& main = *windows->main;
    TViewerSession& session = main.Session();
    TErrorHandler& errors = *windows->errors;
    windows->controls = std::make_unique<TForm2>(main, &main);
    main.AttachControls(windows->controls.get());
    windows->kymogram = std::make_unique<TForm4>(session, errors, &main);
    windows->pointSpectrum = std::make_unique<TForm5>(session, errors, &main);
    windows->waveform = std::make_unique<TForm7>(session, errors, &main);
    windows->sequence = std::make_unique<TForm8>(session, errors, CopyImageToClipboard, &main);
    TForm7& waveform = *windows->waveform;
    windows->explanatory = std::make_unique<TForm9>(session, errors, CopyImageToClipboard, [&waveform] {
        return TValueRange{waveform.ValueAxis().LoValue(), waveform.ValueAxis().HiValue()};
    }, &main);
    windows->rowSpectrum = std::make_unique<TForm10>(session, errors, &main);
    windows->speckle = std::make_unique<TForm11>(session.SpeckleSettings(), &main);
    TForm11& speckle = *windows->speckle;
    speckle.OnShowTraceClicked([&session](bool on) { session.SetSpeckleOn(on); });
    speckle.OnSettingsChanged([&session] { session.RequestRender(); });  // new rectangles, no new trace
    QObject::connect(&session, &TViewerSession::speckleOnChanged, &speckle, [&speckle](bool on) {
        speckle.ShowSpeckleOn(on);
        if (on) {
            speckle.show();
            speckle.raise();
        }
    });
    TToolWindows tools;
    tools.kymogram = windows->kymogram.get();
    tools.pointSpectrum = windows->pointSpectrum.get();
    tools.rowSpectrum = windows->rowSpectrum.get();
    tools.waveform = windows->waveform.get();
    tools.speckle = windows->speckle.get();
    tools.sequence = windows->sequence.get();
    tools.explanatory = windows->explanatory.get();
    main.AttachToolWindows(tools);
    // The settings store: problems with it are reported once the event loop runs.
    TErrorHandler* reporter = windows->errors.get();
    windows->settings = TSettingsContext::FromEnvironment([reporter](const QString& message) {
        QMetaObject::invokeMethod(qApp, [reporter, message] { reporter->HandleError(message); }, Qt::QueuedConnection);
    });
    windows->settings->ProbeSharedRoots();
    main.AttachSettings(*windows->settings, {{QStringLiteral("Film"), &main},
                                             {QStringLiteral("Controls"), windows->controls.get()},
                                             {QStringLiteral("Kymo"), windows->kymogram.get()},
                                             {QStringLiteral("PointSpectrum"), windows->pointSpectrum.get()},
                                             {QStringLiteral("Waveform"), windows->waveform.get()},
                                             {QStringLiteral("Speckle"), windows->speckle.get()}});
    // The program's window on the session bus, for the companion link (inert without a bus).
    windows->busWindow = std::make_unique<TApplicationWindow>();
    windows->busWindow->OnHookError = [reporter](std::exception_ptr error) {
        reporter->Guarded([error] { std::rethrow_exception(error); });
    };
    windows->busWindow->Connect(QStringLiteral("TREMAX"));
    main.AttachLink(*windows->busWindow);
    windows->main->SetCommandLineFile(commandLineFile);
    PlaceWindows(*windows);
    return windows;
}
