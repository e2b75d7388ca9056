#include "app/ui/WindowPlacement.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <utility>

namespace {

// Frames placed so far on the usable area; a new frame goes to the highest, then leftmost
// corner where it touches nothing.
class TFrameShelf {
public:
    TFrameShelf(const QRect& area, int gap) : area_(area), gap_(gap) {}

    std::optional<QRect> Fit(QSize frame) const
    {
        const std::vector<QRect> fits = Fits(frame, true);
        return fits.empty() ? std::nullopt : std::optional<QRect>(fits.front());
    }
    // Every free corner's frame, highest then leftmost first (only that one with `firstOnly`).
    std::vector<QRect> Fits(QSize frame, bool firstOnly = false) const
    {
        std::vector<QRect> fits;
        for (const QRect& candidate : Candidates(frame, false)) {
            if (area_.contains(candidate) && Free(candidate)) {
                fits.push_back(candidate);
                if (firstOnly)
                    break;
            }
        }
        return fits;
    }
    // The frames at every corner beside those placed, highest then leftmost first; with
    // `intoArea` each is pushed back inside the area where it would leave it.
    std::vector<QRect> Candidates(QSize frame, bool intoArea) const
    {
        std::vector<QRect> candidates;
        std::set<std::pair<int, int>> corners{{area_.top(), area_.left()}};  // (y, x): rows first
        for (const QRect& placed : placed_) {
            const int right = placed.right() + 1 + gap_;
            const int below = placed.bottom() + 1 + gap_;
            corners.insert({placed.top(), right});
            corners.insert({area_.top(), right});
            corners.insert({below, placed.left()});
            corners.insert({below, area_.left()});
            for (const QRect& other : placed_) {
                corners.insert({other.bottom() + 1 + gap_, right});
                corners.insert({below, other.right() + 1 + gap_});
            }
        }
        for (const auto& [y, x] : corners) {
            QRect candidate(QPoint(x, y), frame);
            if (intoArea)
                candidate.moveTo(std::max(area_.left(), std::min(x, area_.right() + 1 - frame.width())),
                                 std::max(area_.top(), std::min(y, area_.bottom() + 1 - frame.height())));
            candidates.push_back(candidate);
        }
        return candidates;
    }
    // How much of the frame lies over those placed.
    int64_t Covered(const QRect& candidate) const
    {
        int64_t covered = 0;
        for (const QRect& placed : placed_) {
            const QRect both = placed.intersected(candidate);
            covered += int64_t(both.width()) * both.height();
        }
        return covered;
    }
    void Add(const QRect& frame) { placed_.push_back(frame); }

private:
    bool Free(const QRect& candidate) const
    {
        const QRect apart = candidate.adjusted(-gap_ + 1, -gap_ + 1, gap_ - 1, gap_ - 1);
        return std::none_of(placed_.begin(), placed_.end(), [&](const QRect& p) { return p.intersects(apart); });
    }

    QRect area_;
    int gap_;
    std::vector<QRect> placed_;
};

QSize Framed(QSize client, const QMargins& frame)
{
    return client + QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
}

QRect ClientOf(const QRect& frameRect, const QMargins& frame) { return frameRect.marginsRemoved(frame); }

// A tool's frame where it fits: its own size first, then smaller steps down to its minimum.
std::optional<QRect> FitTool(const TFrameShelf& shelf, const TPlacementTool& tool, const QMargins& frame,
                             bool mayShrink)
{
    const int steps = mayShrink ? 10 : 0;
    for (int step = 0; step <= steps; ++step) {
        const double t = double(step) / 10;
        const QSize client(int(std::lround(tool.size.width() - t * (tool.size.width() - tool.minimum.width()))),
                           int(std::lround(tool.size.height() - t * (tool.size.height() - tool.minimum.height()))));
        if (const std::optional<QRect> fit = shelf.Fit(Framed(client, frame)))
            return fit;
    }
    return std::nullopt;
}

struct TAttempt {
    bool complete = false;
    TPlacement placement;
};

// The main window at the area's corner with the given box, then the tools shown at start, then
// those opened later where they fit (smaller where need be).
TAttempt TryZoom(const TPlacementInput& input, const QRect& area, double zoom, bool mayShrink)
{
    TAttempt attempt;
    TPlacement& placement = attempt.placement;
    placement.zoom = zoom;
    const QSize box(int(std::ceil(zoom * input.image.width())), int(std::ceil(zoom * input.image.height())));
    const QSize mainClient = (box + input.mainChrome).expandedTo(input.mainMinimum);
    const bool mainKept = !input.keptMain.isNull();
    const QRect mainFrame = mainKept ? input.keptMain : QRect(area.topLeft(), Framed(mainClient, input.frame));
    if (!mainKept && !area.contains(mainFrame))
        return attempt;
    placement.main = ClientOf(mainFrame, input.frame);
    TFrameShelf shelf(area, input.gap);
    shelf.Add(mainFrame);
    placement.tools.assign(input.tools.size(), QRect());
    for (size_t i = 0; i < input.tools.size(); ++i)
        if (!input.tools[i].kept.isNull()) {
            shelf.Add(input.tools[i].kept);
            placement.tools[i] = ClientOf(input.tools[i].kept, input.frame);
        }
    for (size_t i = 0; i < input.tools.size(); ++i) {
        if (!input.tools[i].shownAtStart || !input.tools[i].kept.isNull())
            continue;
        const std::optional<QRect> fit = FitTool(shelf, input.tools[i], input.frame, mayShrink);
        if (!fit)
            return attempt;
        shelf.Add(*fit);
        placement.tools[i] = ClientOf(*fit, input.frame);
    }
    // Windows opened later get a free place too when there is one.
    for (size_t i = 0; i < input.tools.size(); ++i) {
        if (input.tools[i].shownAtStart || !input.tools[i].kept.isNull())
            continue;
        if (const std::optional<QRect> fit = FitTool(shelf, input.tools[i], input.frame, true)) {
            shelf.Add(*fit);
            placement.tools[i] = ClientOf(*fit, input.frame);
        } else {
            // In the far corner: over other tools rather than over the image.
            QRect frame(QPoint(), Framed(input.tools[i].size, input.frame));
            frame.moveBottomRight(area.bottomRight());
            frame.moveTopLeft(QPoint(std::max(frame.left(), area.left()), std::max(frame.top(), area.top())));
            placement.tools[i] = ClientOf(frame, input.frame);
        }
    }
    attempt.complete = true;
    return attempt;
}

}  // namespace

TPlacement PlaceStartupWindows(const TPlacementInput& input)
{
    const QRect area = input.screen.adjusted(input.gap, input.gap, -input.gap, -input.gap);
    const bool hasImage = input.image.width() > 0 && input.image.height() > 0;
    const int maxZoom = hasImage ? std::max(1, input.maxZoom) : 1;
    // The largest whole zoom at which the windows shown at start keep their size, else the
    // largest at which they fit smaller. The image comes first: windows opened later take what
    // room is left.
    for (const bool mayShrink : {false, true})
        for (int zoom = maxZoom; zoom >= 1; --zoom) {
            TAttempt attempt = TryZoom(input, area, zoom, mayShrink);
            if (attempt.complete)
                return attempt.placement;
        }
    // A screen too small even for that: the image smaller than its pixels, in steps, and as a
    // last resort the tools where they fit least badly (over the main window).
    for (double zoom = 0.9; hasImage && zoom > 0.05; zoom -= 0.1) {
        TAttempt attempt = TryZoom(input, area, zoom, true);
        if (attempt.complete)
            return attempt.placement;
    }
    TPlacement placement;
    placement.zoom = 0;
    const QSize mainClient = input.mainMinimum.expandedTo(QSize(1, 1));
    placement.main = ClientOf(QRect(area.topLeft(), Framed(mainClient, input.frame)), input.frame);
    QPoint corner = area.topLeft() + QPoint(40, 40);
    for (const TPlacementTool& tool : input.tools) {
        placement.tools.push_back(ClientOf(QRect(corner, Framed(tool.minimum, input.frame)), input.frame));
        corner += QPoint(24, 24);
    }
    return placement;
}

std::optional<QPoint> FreePlace(const QRect& screen, const std::vector<QRect>& occupied, QSize frame, QPoint wanted,
                                int gap)
{
    TFrameShelf shelf(screen.adjusted(gap, gap, -gap, -gap), gap);
    for (const QRect& taken : occupied)
        shelf.Add(taken);
    const auto distance = [&](const QRect& fit) { return (fit.topLeft() - wanted).manhattanLength(); };
    const std::vector<QRect> fits = shelf.Fits(frame);
    if (!fits.empty())
        return std::min_element(fits.begin(), fits.end(), [&](const QRect& a, const QRect& b) {
                   return distance(a) < distance(b);
               })->topLeft();
    // A full screen: where it covers the least of the others.
    const std::vector<QRect> candidates = shelf.Candidates(frame, true);
    if (candidates.empty() || frame.width() > screen.width() || frame.height() > screen.height())
        return std::nullopt;
    return std::min_element(candidates.begin(), candidates.end(), [&](const QRect& a, const QRect& b) {
               const int64_t coverA = shelf.Covered(a);
               const int64_t coverB = shelf.Covered(b);
               return coverA != coverB ? coverA < coverB : distance(a) < distance(b);
           })->topLeft();
}
