#pragma once
// A deterministic synthetic high-speed sequence: two bright vocal folds whose edges open and
// close at a known fundamental with a phase lag along the rows (a travelling wave), a weaker
// second harmonic, a textured band that moves steadily sideways, and mild noise.

#include <QString>
#include <cstdint>
#include <vector>

struct TDemoParameters {
    int32_t width = 256;
    int32_t height = 128;
    int32_t frames = 2048;
    double framesPerSecond = 4000;
    double fundamentalHz = 250;       // bin 16 of a 256-point transform at 4000 frames/s
    double secondHarmonicRatio = 0.3;  // amplitude of 2·f0 relative to f0
    double phaseLagPerRow = 3.14159265358979323846 / 96;  // radians per row down the folds
    int32_t foldTop = 16;              // first and last row of the folds
    int32_t foldBottom = 111;
    double maxAmplitude = 10;          // largest excursion of a fold edge in pixels
    int32_t textureTop = 114;          // the moving band: rows textureTop … height − 1
    double textureSpeed = 0.25;        // pixels per frame to the right
    int32_t noiseAmplitude = 3;        // ± grey levels
    uint8_t background = 22;
    uint8_t foldBrightness = 120;
    uint8_t glottisDarkness = 6;
    // The glottis variant: an edge excursion that falls to zero at both ends of the folds (the
    // glottis closed at the commissures), the left fold's (image left) excursion × (1 + asymmetry)
    // and the right one's × (1 − asymmetry), and a brightness gradient over the image: every grey
    // level × (1 + illuminationGradient · (x / (width − 1) + y / (height − 1) − 1)), before noise.
    bool closedEnds = false;
    double asymmetry = 0;
    double illuminationGradient = 0;
};

// The glottis test sequence: 256 × 128, 1024 frames at 4000 frames/s, 230 Hz (17.4 frames a
// cycle, so that frames fall on every phase), no lag along the folds, closed ends, asymmetry 0.1,
// illumination gradient 0.3, noise ±3. Its area is (2 · sum of DemoGapHalfWidth over the rows).
TDemoParameters GlottisDemoParameters();

// Half-width of the glottal gap in pixels at a row and frame (0 where the folds touch); the left
// edge lies asymmetry × this further out, the right one as much closer (DemoEdgeDistance).
double DemoGapHalfWidth(const TDemoParameters& p, int32_t row, int32_t frame);
// Distance of the left (or right) fold's edge from the image's middle column line.
double DemoEdgeDistance(const TDemoParameters& p, int32_t row, int32_t frame, bool left);
// Phase of the fold motion at a row relative to row foldTop, in radians.
double DemoPhaseLag(const TDemoParameters& p, int32_t row);

// One frame, Width × Height bytes, rows from the top.
void DemoFrame(const TDemoParameters& p, int32_t frame, std::vector<uint8_t>& out);

// Writes FILE.bld and FILE.par beside it; throws std::runtime_error when a file cannot be written.
void WriteDemoSequence(const QString& bldPath, const TDemoParameters& p);
