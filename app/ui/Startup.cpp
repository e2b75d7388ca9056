#include "app/ui/Startup.h"

#include "app/ui/ErrorLogHandler.h"
#include "app/ui/TremaxApplication.h"
#include "app/ui/WindowPlacement.h"
#include "analysis/ui/stremax4.h"
#include "analysis/ui/stremax5.h"
#include "analysis/ui/stremax7.h"
#include "analysis/ui/stremax10.h"
#include "analysis/ui/stremax11.h"
#include "export/session/Clipboard.h"
#include "export/ui/stremax8.h"
#include "export/ui/stremax9.h"
#include "glottis/ui/GlottisWindow.h"
#include "plot/widgets/saxes.h"
#include "platform/bus/ApplicationWindow.h"
#include "services/DesktopAssociation.h"
#include "services/ui/MessageBoxDialog.h"
#include "services/SettingsContext.h"
#include "services/cErrorLog.h"
#include "services/cFileAssociate.h"
#include "services/sini.h"
#include "services/sabout.h"
#include "viewer/io/formats/AllFormats.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/session/Playback.h"
#include "services/WindowLayout.h"
#include "viewer/ui/stremax1.h"
#include "viewer/ui/stremax2.h"

#include <QApplication>
#include <QPointer>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <iterator>

TTremaxWindows::TTremaxWindows() = default;
TTremaxWindows::~TTremaxWindows()
{
    if (auto* application = dynamic_cast<TTremaxApplication*>(QCoreApplication::instance()))
        application->SetUncaughtHandler({});
    // The log outlives the main window, whose about box and title it reads.
    if (errorLog) {
        errorLog->SetCorvelabout(nullptr);
        errorLog->ApplicationTitle = {};
    }
    if (fileAssociate)
        fileAssociate->AboutBox = nullptr;
    // The tool windows go before the main window whose setters they call.
    glottis.reset();
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

// The frame the window manager puts around a window; before it has told (or without one) a
// title bar and thin borders are assumed, so windows never end up under each other's frames.
QMargins FrameMargins(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    if (frame != client)
        return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                        frame.bottom() - client.bottom());
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
    return QMargins(2, title, 2, 2);
}

// The frame of a window that keeps the place a saved layout gave it; null when it is to be placed.
QRect KeptFrame(const QWidget& window, const TLayoutSaved& saved, const QMargins& frame)
{
    if (!saved.Position)
        return {};
    return QRect(window.pos(), window.size().grownBy(frame));  // a window moves by its frame
}

// The start-up layout (PlaceStartupWindows) applied to the windows, once the main window shows
// the command-line file: its image at a whole zoom, the tool windows beside and below it. A
// window whose place the saved layout gave (read back before, at the first activation) keeps it,
// and the others are placed around it.
void PlaceWindows(TTremaxWindows& windows)
{
    TForm1& main = *windows.main;
    const QScreen* screen = main.screen() ? main.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const auto savedOf = [&windows](const char* section) {
        const TIni store(*windows.settings);
        return SavedLayoutOf(store, QLatin1String(section));
    };
    TPlacementInput input;
    input.screen = screen->availableGeometry();
    input.frame = FrameMargins(main);
    input.image = QSize(main.Sequence().Width(), main.Sequence().Height());
    input.mainChrome = main.size() - main.ImageBox().size();
    input.mainMinimum = main.minimumSize();
    const TLayoutSaved mainSaved = savedOf("Film");
    input.keptMain = KeptFrame(main, mainSaved, input.frame);
    QWidget* const tools[] = {windows.controls.get(),      windows.kymogram.get(), windows.pointSpectrum.get(),
                              windows.waveform.get(),      windows.rowSpectrum.get(), windows.speckle.get()};
    // The row spectrum's layout is never saved.
    const char* const sections[] = {"Controls", "Kymo", "PointSpectrum", "Waveform", nullptr, "Speckle"};
    std::vector<TLayoutSaved> saved;
    for (size_t i = 0; i < std::size(tools); ++i) {
        QWidget* tool = tools[i];
        saved.push_back(sections[i] ? savedOf(sections[i]) : TLayoutSaved{});
        const bool fixed = tool->minimumSize() == tool->maximumSize();
        // A plot is not made smaller than the kymogram's least size, whatever its own.
        const QSize least = fixed ? tool->size() : tool->minimumSize().expandedTo(QSize(200, 100)).boundedTo(tool->size());
        input.tools.push_back({tool->size(), least, tool->isVisible(), KeptFrame(*tool, saved.back(), input.frame)});
    }
    const TPlacement placement = PlaceStartupWindows(input);
    if (!mainSaved.Position)
        main.move(placement.main.topLeft() - QPoint(input.frame.left(), input.frame.top()));
    if (!mainSaved.Size) {
        main.resize(placement.main.size());
        // The axes' strips may come out another pixel wide at the new size: the box keeps its zoom.
        const QSize box = main.ImageBox().size();
        const QSize wanted = placement.main.size() - input.mainChrome;
        if (box != wanted)
            main.resize(main.size() + (wanted - box));
    }
    for (size_t i = 0; i < std::size(tools); ++i) {
        QWidget& tool = *tools[i];
        if (!saved[i].Position)
            tool.move(placement.tools[i].topLeft() - QPoint(input.frame.left(), input.frame.top()));
        if (!saved[i].Size && !saved[i].Position && tool.minimumSize() != tool.maximumSize())
            tool.resize(placement.tools[i].size());
    }
}

// PlaceWindows now, and once more when the window manager has put its frame around the main
// window: until then it may not follow a move or a resize at all, and the frame's size is a
// guess. Without a window manager (or on a platform without frames) the frame never comes and
// the first placement stays.
void PlaceWindowsAndAgainOnceFramed(TTremaxWindows& windows)
{
    PlaceWindows(windows);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    constexpr int kStepMs = 25;
    constexpr int kLongestWaitMs = 1500;
    auto waited = std::make_shared<int>(0);
    auto* poll = new QTimer(windows.main.get());
    poll->setInterval(kStepMs);
    QObject::connect(poll, &QTimer::timeout, poll, [&windows, waited, poll] {
        const TForm1& main = *windows.main;
        *waited += kStepMs;
        const bool framed = main.frameGeometry() != main.geometry();
        if (framed)
            PlaceWindows(windows);
        if (framed || *waited >= kLongestWaitMs)
            poll->deleteLater();
        else
            return;
        poll->stop();
    });
    if (windows.main->frameGeometry() == windows.main->geometry())
        poll->start();
    else
        poll->deleteLater();
}

}  // namespace

// The tool windows belong to the main window: they stay above it, and closing it ends the
// program. They are deleted before it (see the destructor), which takes them off its children.
std::unique_ptr<TTremaxWindows> CreateTremaxWindows(const QString& commandLineFile)
{
    auto windows = std::make_unique<TTremaxWindows>();
    TTremaxWindows* placed = windows.get();
    windows->messages = std::make_unique<TMessageBoxDialog>();
    // The settings store: problems with it are reported once the event loop runs.
    windows->settings = TSettingsContext::FromEnvironment([placed](const QString& message) {
        QMetaObject::invokeMethod(
            qApp, [placed, message] { placed->errors->HandleError(message); }, Qt::QueuedConnection);
    });
    windows->settings->ProbeSharedRoots();
    // The error log first: it handles whatever fails from here on.
    TSettingsContext& settings = *windows->settings;
    windows->errorLog = std::make_unique<TErrorLog>(settings, *windows->messages, TLogFolders::FromContext(settings));
    TErrorLog& errorLog = *windows->errorLog;
    errorLog.SetLogFileName(settings.Folders().ExecutableFolder + QStringLiteral("/") + TErrorLog::kDefaultLogFile);
    windows->errors = std::make_unique<TErrorLogHandler>(errorLog);
    if (auto* application = dynamic_cast<TTremaxApplication*>(QCoreApplication::instance()))
        application->SetUncaughtHandler(
            [&errorLog](QObject* sender, const QString& message) { errorLog.HandleException(sender, {message}); });
    windows->clock = std::make_unique<TSteadyClock>();
    windows->formats = std::make_unique<TFrameSourceFactory>();
    RegisterOptionalFormats(*windows->formats);
    windows->main = std::make_unique<TForm1>(*windows->errors, *windows->clock, nullptr, windows->formats.get());
    windows->messages->SetParent(windows->main.get());
    TForm1& main = *windows->main;
    main.AttachErrorLog(errorLog);
    TViewerSession& session = main.Session();
    TErrorHandler& errors = *windows->errors;
    windows->controls = std::make_unique<TForm2>(main.Session(), &main);
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
    // New rectangles, no new trace.
    speckle.OnSettingsChanged([&session](const TSpeckleSettings& next) { session.SetSpeckleSettings(next); });
    QObject::connect(&session, &TViewerSession::speckleOnChanged, &speckle, [&speckle](bool on) {
        speckle.ShowSpeckleOn(on);
        if (on) {
            speckle.show();
            speckle.raise();
        }
    });
    windows->glottis = std::make_unique<TGlottisWindow>(session, errors, &main);
    // The outline only while the window lives: the tool windows go before the main window.
    main.AddImageOverlay([glottis = QPointer<TGlottisWindow>(windows->glottis.get())](
                             QPainter& painter, const std::function<double(double)>& toX,
                             const std::function<double(double)>& toY) {
        if (glottis)
            glottis->DrawOutline(painter, toX, toY);
    });
    TToolWindows tools;
    tools.kymogram = windows->kymogram.get();
    tools.pointSpectrum = windows->pointSpectrum.get();
    tools.rowSpectrum = windows->rowSpectrum.get();
    tools.waveform = windows->waveform.get();
    tools.speckle = windows->speckle.get();
    tools.sequence = windows->sequence.get();
    tools.explanatory = windows->explanatory.get();
    tools.glottis = windows->glottis.get();
    main.AttachToolWindows(tools);
    TErrorHandler* reporter = windows->errors.get();
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
    main.AttachRecentFiles(settings, *windows->messages);
    // ".bld" files open in Tremax: the classes root where the process may write it, and the
    // desktop's own association.
    const QString executable = QCoreApplication::applicationFilePath();
    windows->desktop = std::make_unique<TDesktopAssociation>(TDesktopFolders::FromEnvironment(), executable);
    windows->fileAssociate = std::make_unique<TFileAssociate>(settings, *windows->messages, executable);
    TFileAssociate& associate = *windows->fileAssociate;
    associate.Extension = QStringLiteral(".bld");
    associate.Action = QStringLiteral("Tremax");
    associate.AboutBox = &main.About();
    associate.Description = QStringLiteral("High-speed video");
    associate.Desktop = windows->desktop.get();
    // Its question waits until the windows are shown and placed (below).
    associate.AutoCheck = false;
    errors.Guarded([&associate] { associate.Loaded(); });
    errorLog.Loaded();
    windows->main->SetCommandLineFile(commandLineFile);
    QObject::connect(&main, &TForm1::firstActivationDone, &main, [placed] { PlaceWindowsAndAgainOnceFramed(*placed); },
                     Qt::SingleShotConnection);
    QObject::connect(
        &main, &TForm1::firstActivationDone, &main,
        [placed] {
            QTimer::singleShot(0, placed->main.get(), [placed] {
                placed->errors->Guarded([placed] { placed->fileAssociate->Check(); });
            });
        },
        Qt::SingleShotConnection);
    return windows;
}

void StartServiceMenus(TTremaxWindows& windows, const QStringList& arguments)
{
    windows.main->AttachServiceMenus(*windows.settings, windows.busWindow.get(), arguments);
}

bool IsAboutRequest(const QString& argument) { return argument == QLatin1String("/?"); }
