// The main window's frame keys, "Go to frame...", the current frame's time and the readout of
// the pixel under the mouse.
#include "viewer/ui/stremax1.h"

#include "viewer/session/ErrorHandler.h"
#include "viewer/session/FrameNavigation.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/widgets/NavigationActions.h"
#include "viewer/session/Readouts.h"

#include <QAction>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>

void TForm1::BuildNavigation()
{
    QAction* goTo = AddFrameNavigation(*this, session_, errors_);
    for (QAction* menu : menuBar()->actions())
        if (menu->text() == QLatin1String("&View") && menu->menu()) {
            menu->menu()->addSeparator();
            menu->menu()->addAction(goTo);
        }

    // The time sits beside the frame number; the readout takes the right end of the bar. Each
    // is as wide as its text, so the specified panels keep their room in a narrow window.
    Panel(TStatusPanel::time) = new QLabel(statusBar());
    statusBar()->insertWidget(1, Panel(TStatusPanel::time));
    Panel(TStatusPanel::readout) = new QLabel(statusBar());
    statusBar()->addPermanentWidget(Panel(TStatusPanel::readout));
    // Shrunk, never pushed over their neighbours; FitStatusPanels hides what does not fit.
    Panel(TStatusPanel::readout)->setMinimumWidth(1);
    Panel(TStatusPanel::notice)->setMinimumWidth(1);
    statusBar()->installEventFilter(this);
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            FitStatusPanels();
    });

    const auto showTime = [this] {
        const QString text =
            FrameTimeText(session_.View().CurrentFrame, session_.Sequence().Header().FramesPerSecond);
        QLabel* panel = Panel(TStatusPanel::time);
        const int width = text.isEmpty() ? 0 : panel->fontMetrics().horizontalAdvance(text) + 8;
        SetStatusText(TStatusPanel::time, text);
        if (width != panel->width()) {
            // Laid out at once, so the neighbours move before anything is painted.
            panel->setFixedWidth(width);
            if (QLayout* layout = statusBar()->layout()) {
                layout->invalidate();
                layout->activate();
            }
            FitStatusPanels();
        }
    };
    connect(&session_, &TViewerSession::currentFrameChanged, this, showTime);
    connect(&session_.Sequence(), &TSequence::recordingRateChanged, this, showTime);
    connect(&session_, &TViewerSession::readoutChanged, this,
            [this](const QString& text) { SetStatusText(TStatusPanel::readout, text); });
    connect(imageBox_, &TImageBoxWidget::mouseMoved, this, [this](QPoint position) { ShowImageReadout(position); });
    connect(imageBox_, &TImageBoxWidget::mouseLeft, this, [this] { session_.ShowReadout(QString()); });
}

void TForm1::ShowImageReadout(QPoint position)
{
    const QPoint pixel = PickedPixel(position);
    const TFrameCache& cache = session_.Sequence().Cache();
    const int32_t frame = session_.View().CurrentFrame;
    int32_t value = -1;
    if (cache.Holds(frame) && pixel.y() < cache.Height() && pixel.x() < cache.Width())
        value = cache.Row(frame - cache.FirstCachedFrame(), pixel.y())[pixel.x()];
    session_.ShowReadout(ImageReadoutText(pixel.x(), pixel.y(), value));
}
