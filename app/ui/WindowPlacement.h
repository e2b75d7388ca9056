#pragma once
// Where the windows go at start-up when no saved layout says otherwise: the main window in the
// top left corner of the screen, sized so that the image shows at the largest whole zoom factor
// that leaves room for the tool windows, which fill the space beside and below it without
// overlapping one another or leaving the screen. Windows that a saved layout places keep their
// frames, and the others are placed around them. Pure arithmetic over rectangles, so any screen
// and any font can be tried without a display.

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

struct TPlacementTool {
    QSize size;             // client size it would like
    QSize minimum;          // the least it may be given (equal to size: fixed)
    bool shownAtStart = true;
    QRect kept;             // the frame a saved layout gave it, which stays; null: to be placed
};

struct TPlacementInput {
    QRect screen;           // the available area (task bars and panels excluded)
    QMargins frame;         // the window manager's frame around every client area
    QSize image;            // the image, in pixels
    QSize mainChrome;       // the main window's client size minus its image box
    QSize mainMinimum{160, 220};
    int maxZoom = 8;
    int gap = 6;            // between frames and from the screen's edges
    std::vector<TPlacementTool> tools;
    QRect keptMain;         // the main window's frame from a saved layout; null: to be placed
};

struct TPlacement {
    QRect main;               // client rectangle
    double zoom = 1;          // whole where the screen allowed it
    std::vector<QRect> tools; // client rectangles, in the order of the input
};

TPlacement PlaceStartupWindows(const TPlacementInput& input);

// A free place for a window opened after start-up: the top left corner of a frame of size
// `frame` that touches none of the `occupied` frames (`gap` apart) inside `screen`, beside them,
// the one nearest to `wanted` (where it would have opened). On a full screen, the place beside
// them where it covers the least of them; none when it is larger than the screen.
std::optional<QPoint> FreePlace(const QRect& screen, const std::vector<QRect>& occupied, QSize frame, QPoint wanted,
                                int gap = 6);
