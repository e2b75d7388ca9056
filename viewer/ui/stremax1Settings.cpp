// The main window's settings: the Options dialog, the window layout kept in the settings store,
// and the about box.
#include "viewer/ui/stremax1.h"

#include "services/ui/AboutDialog.h"
#include "services/sabout.h"
#include "services/sini.h"
#include "viewer/session/ErrorHandler.h"
#include "services/WindowLayout.h"
#include "viewer/ui/stremax6.h"

#include <QAction>
#include <QCloseEvent>

void TForm1::AttachSettings(TSettingsContext& settings, TWidgetLayoutList layoutWindows)
{
    settings_ = &settings;
    layoutWindows_ = std::move(layoutWindows);
}

void TForm1::LoadLayoutAtStart()
{
    if (!settings_)
        return;
    const TIni store(*settings_);
    LoadWidgetLayout(store, layoutWindows_);
    alwaysSaveAction_->setChecked(ReadSaveOnExit(store));
}

void TForm1::ShowOptions()
{
    TForm6 options(session_, errors_, this);
    options.ShowSettings();
}

void TForm1::SaveLayoutNow()
{
    if (!settings_)
        return;
    TIni store(*settings_);
    SaveWidgetLayout(store, layoutWindows_, About().Version());
}

void TForm1::SetAlwaysSaveOnExit(bool on)
{
    alwaysSaveAction_->setChecked(on);
    if (!settings_)
        return;
    TIni store(*settings_);
    WriteSaveOnExit(store, on);
}

void TForm1::ShowAbout()
{
    TAboutDialog dialog(About(), this);
    dialog.showmodal();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A layout that cannot be written never keeps the program open.
    if (alwaysSaveAction_->isChecked())
        errors_.Guarded([this] { SaveLayoutNow(); });
    QMainWindow::closeEvent(event);
}
