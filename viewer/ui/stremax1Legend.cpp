// The colour legend beside the image: shown while "Color legend" (View menu) is checked and the
// image is colorized, following the saturation levels and the phase switch.
#include "viewer/ui/stremax1.h"

#include "viewer/ui/ColourLegendWindow.h"

#include <QAction>
#include <QMenuBar>

void TForm1::BuildLegendView()
{
    auto* legend = new TColourLegendWindow(this);
    legendWindow_ = legend;
    legend->installEventFilter(this);  // opened later: free room beside the others
    legendAction_ = new QAction(QStringLiteral("Color legend"), this);
    legendAction_->setCheckable(true);
    legendAction_->setStatusTip(QStringLiteral("Shows the colour legend beside the image while it is colorized"));
    for (QAction* menu : menuBar()->actions())
        if (menu->text() == QLatin1String("&View") && menu->menu())
            menu->menu()->addAction(legendAction_);

    const auto levels = [this, legend] {
        legend->SetLevels(View().LoSat, View().HiSat, View().ShowPhase);
    };
    levels();
    connect(&session_, &TViewerSession::loSatChanged, legend, levels);
    connect(&session_, &TViewerSession::hiSatChanged, legend, levels);
    connect(&session_, &TViewerSession::showPhaseChanged, legend, levels);
    connect(legendAction_, &QAction::toggled, this, &TForm1::UpdateLegendWindow);
    connect(colorizeAction_, &QAction::toggled, this, &TForm1::UpdateLegendWindow);
    // Closing it by its frame unchecks the menu item.
    connect(legend, &TColourLegendWindow::closed, this, [this] {
        if (ColorizeButtonDown())
            legendAction_->setChecked(false);
    });
}

void TForm1::UpdateLegendWindow()
{
    const bool shown = legendAction_->isChecked() && ColorizeButtonDown();
    if (shown == legendWindow_->isVisible())
        return;
    if (shown) {
        // Beside the image the first time: at the main window's right edge, level with the
        // image's top; afterwards where the user left it.
        if (!legendPlaced_) {
            legendWindow_->move(mapToGlobal(QPoint(width(), imageArea_->y())) + QPoint(8, 0));
            legendPlaced_ = true;
        }
        legendWindow_->show();
    } else {
        legendWindow_->hide();
    }
}
