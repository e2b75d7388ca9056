#pragma once
// The program's windows, created in their order and wired to the main window.

#include <QString>
#include <QStringList>
#include <memory>

class TForm1;
class TForm2;
class TForm4;
class TForm5;
class TForm10;
class TForm11;
class TForm7;
class TForm8;
class TForm9;
class TGlottisWindow;
class TDesktopAssociation;
class TErrorHandler;
class TErrorLog;
class TFileAssociate;
class TMessageBoxDialog;
class TPlaybackClock;
class TSettingsContext;
class TApplicationWindow;
class TFrameSourceFactory;

struct TTremaxWindows {
    TTremaxWindows();
    ~TTremaxWindows();
    std::unique_ptr<TMessageBoxDialog> messages;
    std::unique_ptr<TSettingsContext> settings;  // outlives the windows and the services
    std::unique_ptr<TErrorLog> errorLog;         // writes "Terminated" when the windows are gone
    std::unique_ptr<TErrorHandler> errors;       // the windows' handler: the error log
    std::unique_ptr<TDesktopAssociation> desktop;
    std::unique_ptr<TFileAssociate> fileAssociate;
    std::unique_ptr<TFrameSourceFactory> formats;  // outlives the main window
    std::unique_ptr<TApplicationWindow> busWindow;  // outlives the main window's link
    std::unique_ptr<TPlaybackClock> clock;
    std::unique_ptr<TForm1> main;
    std::unique_ptr<TForm2> controls;
    std::unique_ptr<TForm4> kymogram;
    std::unique_ptr<TForm5> pointSpectrum;
    std::unique_ptr<TForm7> waveform;
    std::unique_ptr<TForm8> sequence;
    std::unique_ptr<TForm9> explanatory;
    std::unique_ptr<TForm10> rowSpectrum;
    std::unique_ptr<TForm11> speckle;
    std::unique_ptr<TGlottisWindow> glottis;
};

// Creates the service components and the windows (main window first) and names the
// command-line file to open at the main window's first activation. The error log becomes the
// handler of the windows' errors and, when the application is a TTremaxApplication, of every
// uncaught one; the file association is checked (it may ask); the error log records the start.
std::unique_ptr<TTremaxWindows> CreateTremaxWindows(const QString& commandLineFile);

// The program's own start-up work beyond the windows: registers it in the family's tools list
// and builds the Tools and Help menus (whose first-run question and version check follow in the
// event loop). `arguments` is the program's command line.
void StartServiceMenus(TTremaxWindows& windows, const QStringList& arguments);

// Whether the command line asks for the about box ("/?") rather than naming a file.
bool IsAboutRequest(const QString& argument);
