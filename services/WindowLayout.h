#pragma once
// The window layout: the position and size of the main window and the tool windows, written to
// the program's settings store (TIni, registry form) by "Save &now!" and read back once at the
// first activation. Keys per section: "XPos" (left), "YPos" (top), "XSize" (width), "YSize"
// (height), all integers in pixels; which are written and read depends on the section:
//
//   "Film" (main window), "Kymo", "PointSpectrum", "Waveform"   all four, both ways
//   "Controls"                                                  XPos, YPos, both ways
//   "Speckle"                                                   all four written; XPos, YPos read
//   any other section                                           all four, both ways
//   "Common"                                                    "Version" (text) written only
//
// Windows are visited in the order given (the program's: Film, Controls, Kymo, PointSpectrum,
// Waveform, Speckle). A minimised or maximised window is not written, so it keeps what was
// saved for it before; a missing key reads as the window's current value, so a first start
// keeps the design positions. Nothing here knows a window class: TLayoutWindow is what the
// layout needs of one (WindowLayoutWidget.h adapts widgets). User-interface thread.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class TIni;

struct TWindowGeometry {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const TWindowGeometry&) const = default;
};

class TLayoutWindow {
public:
    virtual ~TLayoutWindow() = default;
    // Neither minimised nor maximised.
    virtual bool IsNormal() const = 0;
    virtual TWindowGeometry Geometry() const = 0;
    virtual void SetLeft(int32_t left) = 0;
    virtual void SetTop(int32_t top) = 0;
    virtual void SetWidth(int32_t width) = 0;
    virtual void SetHeight(int32_t height) = 0;
};

struct TLayoutEntry {
    QString Section;
    TLayoutWindow* Window;  // not owned; absent windows are simply left out of the list
};

// The program's sections in their order.
QStringList LayoutSections();

// Writes the layout, then "Version" = `version` in "Common". Raises the store's error.
void SaveLayout(TIni& store, const std::vector<TLayoutEntry>& windows, const QString& version);
// Reads the layout and applies each key at once: left, top, then width, height.
void LoadLayout(const TIni& store, const std::vector<TLayoutEntry>& windows);

// What the store holds for a section that LoadLayout reads back: its position, its size. The
// start-up placement places only what no saved layout says.
struct TLayoutSaved {
    bool Position = false;
    bool Size = false;
};
TLayoutSaved SavedLayoutOf(const TIni& store, const QString& section);

// "&Always save on exit": a switch kept in "Common" as "SaveOnExit" (0 or 1, default off).
bool ReadSaveOnExit(const TIni& store);
void WriteSaveOnExit(TIni& store, bool on);
