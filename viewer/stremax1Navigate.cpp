// The main window's frame keys, "Go to frame...", the current frame's time and the readout of
// the pixel under the mouse.
#include "viewer/stremax1.h"

#include "viewer/ErrorHandler.h"
#include "viewer/FrameNavigation.h"
#include "viewer/ImageBoxWidget.h"
#include "viewer/NavigationActions.h"
#include "viewer/Readouts.h"

#include <QAction>
#include <QLabel>
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

    // The time sits beside the frame number; the readout takes the right end of the bar.
    const QFontMetrics metrics = statusBar()->fontMetrics();
    statusPanels_[kTimePanel] = new QLabel(statusBar());
    statusPanels_[kTimePanel]->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("99999.999 ms")) + 8);
    statusBar()->insertWidget(1, statusPanels_[kTimePanel]);
    statusPanels_[kReadoutPanel] = new QLabel(statusBar());
    statusPanels_[kReadoutPanel]->setMinimumWidth(
        metrics.horizontalAdvance(QStringLiteral("column 9999, row 9999: 255")) + 8);
    statusBar()->addPermanentWidget(statusPanels_[kReadoutPanel]);

    const auto showTime = [this] {
        SetStatusText(kTimePanel,
                      FrameTimeText(session_.View().CurrentFrame, session_.Sequence().Header().FramesPerSecond));
    };
    connect(&session_, &TViewerSession::currentFrameChanged, this, showTime);
    connect(&session_.Sequence(), &TSequence::recordingRateChanged, this, showTime);
    connect(&session_, &TViewerSession::readoutChanged, this,
            [this](const QString& text) { SetStatusText(kReadoutPanel, text); });
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
