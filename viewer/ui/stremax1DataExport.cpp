// "Export data...": what the analysis view used last shows, as the CSV table tremax-cli writes
// for it. The view used last is the analysis window activated last, or the image after a click
// in it or a colorizing run (its data are the colorizing power and phase).
#include "viewer/ui/stremax1.h"

#include "analysis/DataTables.h"
#include "analysis/SpectrumStore.h"
#include "platform/Errors.h"
#include "platform/SafeFileWriter.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/widgets/PlotMenu.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>

namespace {

// Marks a window's view as the one used last whenever the window is activated.
class TActivationWatch : public QObject {
public:
    TActivationWatch(QWidget& window, std::function<void()> activated)
        : QObject(&window), activated_(std::move(activated))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::WindowActivate)
            activated_();
        return false;
    }

private:
    std::function<void()> activated_;
};

QString ViewName(TForm1::TDataView view)
{
    switch (view) {
    case TForm1::TDataView::kymogram: return QStringLiteral("kymogram");
    case TForm1::TDataView::pointSpectrum: return QStringLiteral("pointspectrum");
    case TForm1::TDataView::rowSpectrum: return QStringLiteral("rowspectra");
    case TForm1::TDataView::waveform: return QStringLiteral("waveform");
    case TForm1::TDataView::image: break;
    }
    return QStringLiteral("colorize");
}

}  // namespace

void TForm1::BuildDataExport()
{
    auto* action = new QAction(QStringLiteral("Export data..."), this);
    action->setStatusTip(QStringLiteral("Writes what the analysis window used last shows as a CSV table"));
    connect(action, &QAction::triggered, this, [this] { errors_.Guarded([this] { ExportData(); }); });
    // Below the file's other writers, above "Properties...".
    for (QAction* menu : menuBar()->actions())
        if (menu->text() == QLatin1String("&File") && menu->menu())
            menu->menu()->insertAction(propertiesAction_, action);
    connect(imageBox_, &TImageBoxWidget::mousePressed, this, [this] { dataView_ = TDataView::image; });
    connect(colorizeAction_, &QAction::triggered, this, [this] { dataView_ = TDataView::image; });
    session_.DataTables().Register(ViewName(TDataView::image), this,
                                   [this] { return ColorizeTable(session_.Spectra()); });
}

void TForm1::AttachDataViews()
{
    const std::pair<QWidget*, TDataView> views[] = {{tools_.kymogram, TDataView::kymogram},
                                                    {tools_.pointSpectrum, TDataView::pointSpectrum},
                                                    {tools_.rowSpectrum, TDataView::rowSpectrum},
                                                    {tools_.waveform, TDataView::waveform}};
    for (const auto& [window, view] : views)
        if (window)
            new TActivationWatch(*window, [this, view = view] { dataView_ = view; });
}

QByteArray TForm1::DataTable(TDataView view) { return session_.DataTables().Get(ViewName(view)); }

void TForm1::ExportData()
{
    const TDataView view = dataView_;
    // The image's table holds every pixel's spectra: they are computed first (as colorizing
    // does, Esc stops), never written blank for lack of a sweep.
    if (view == TDataView::image && !ComputeAllSpectraShown()) {
        SetStatusText(TStatusPanel::notice, QStringLiteral("Export data cancelled: not every pixel's spectrum was computed"));
        return;
    }
    AskAndWriteTable(this, session_.Sequence(), SuggestedTableName(session_.Sequence(), ViewName(view)),
                     [this, view] { return DataTable(view); });
}

void TForm1::ExportDataTo(const QString& path)
{
    // Taken first: the windows repaint during the sweep, and an activation would change it.
    const TDataView view = dataView_;
    if (view == TDataView::image && !ComputeAllSpectraShown())
        throw EError(QStringLiteral("Export data cancelled: not every pixel's spectrum was computed"));
    WriteFileSafely(path, DataTable(view), session_.Sequence().SourceFiles());
}
