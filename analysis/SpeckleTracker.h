#pragma once
// Speckle tracking: the image patch around a start pixel followed over the next 99 frames. For
// each frame every displacement of the scouting area is scored by the Pearson correlation of the
// patch with the reference patch; the best one, refined by parabolas through its neighbours,
// moves the trace on. Single-threaded; runs on the caller's thread.

#include "analysis/PixelSource.h"
#include "analysis/SpeckleSettings.h"

#include <QPoint>
#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

constexpr int32_t kSpecklePoints = 100;
// Point n: where the patch is in frame TraceStartFrame + n, in image pixels (x column, y row).
using TSpecklePoints = std::array<QPointF, kSpecklePoints>;

// The sums of one correlation: a over the test patch, b over the reference patch, n pairs.
struct TCorrelationSums {
    double sa = 0;
    double sb = 0;
    double sab = 0;
    double sa2 = 0;
    double sb2 = 0;
    int64_t n = 0;
    bool operator==(const TCorrelationSums&) const = default;
};

// The Pearson coefficient of the sums; 0 where it has no value (fewer than two pairs, a patch
// without variance).
double CorrelationCoefficient(const TCorrelationSums& sums);
// "sa:…; sb:…; sab:…; sa2:…; sb2:…; n:…", the error log's DebugString while tracking.
QString CorrelationDebugText(const TCorrelationSums& sums);
// The status bar's progress text: "Step:" followed by the step.
QString SpeckleStepText(int32_t step);
// The vertex of the parabola through (−1, left), (0, centre), (1, right); 0 unless the parabola
// has a maximum (a flat or upward parabola has no vertex worth moving to).
double ParabolaVertex(double left, double centre, double right);

// What a run tells its window. All optional; called on the tracking thread.
struct TSpeckleHooks {
    // Before step n (1 … 99) is searched: show SpeckleStepText(n) in the status bar's second
    // panel and repaint the status bar at once.
    std::function<void(int32_t step)> stepStarted;
    // After the run, also when it fails: clear that panel and repaint the status bar.
    std::function<void()> finished;
    // The sums of the latest correlation of at least two pairs: the error log's DebugString is
    // CorrelationDebugText of them. Reported once per step in which there were any, and when the
    // run fails, rather than for every displacement.
    std::function<void(const TCorrelationSums&)> sums;
};

// One tracking run at a time. Keeps its buffers between runs, so tracking allocates only when
// the areas grow.
class TSpeckleTracker {
public:
    // Fills `points`: point 0 is `start`, point n the patch's position in frame startFrame + n.
    // Only frames of the sequence are read and only pixels of the image; a step whose frames lie
    // outside the sequence keeps the last point found, and a patch outside the image scores 0
    // everywhere and stays. Throws EError for half-sizes outside 0 … 100 and passes on what the
    // pixel source throws (after `finished`).
    void Track(TPixelSource& pixels, int32_t startFrame, QPoint start, const TSpeckleSettings& settings,
               const TSpeckleHooks& hooks, TSpecklePoints& points);

    // The coefficients of the last step searched, c(dx, dy) at
    // [(dy + ScoutHalfY)·(2·ScoutHalfX + 1) + dx + ScoutHalfX].
    const std::vector<double>& Coefficients() const { return coefficients_; }

private:
    struct TPatch {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<int32_t> values;    // row by row; 0 where the pixel does not take part
        std::vector<int64_t> sum;       // (width + 1) × (height + 1) prefix sums of values
        std::vector<int64_t> squares;   // … and of their squares
        void Resize(int32_t w, int32_t h);
        void Prefix();
        int64_t Sum(const std::vector<int64_t>& table, int32_t x0, int32_t y0, int32_t x1, int32_t y1) const;
    };

    void ReadPatch(TPixelSource& pixels, int32_t frame, int64_t left, int64_t top, int64_t firstRow,
                   int64_t firstColumn, TPatch& patch);
    QPointF Step(TPixelSource& pixels, int32_t referenceFrame, int32_t testFrame, int64_t rx, int64_t ry);

    TSpeckleSettings settings_;
    TCorrelationSums latest_;
    bool latestPending_ = false;
    TPatch reference_;
    TPatch test_;
    std::vector<uint8_t> row_;
    std::vector<double> coefficients_;
};
