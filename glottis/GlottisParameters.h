#pragma once
// The vibration parameters of a glottal area waveform. Each is defined where it is computed
// (GlottisParameters.cpp) and in docs/glottis.md, with its published source.

#include <QString>
#include <cstdint>
#include <vector>

// A frame counts as closed when its area is at most this fraction of its cycle's largest area.
constexpr double kGlottisClosedFraction = 0.05;

// One glottal cycle, from one minimum of the waveform to the next.
struct TGlottalCycle {
    double start = 0;  // frame of the minimum that opens the cycle (x.5 between two frames)
    double end = 0;    // frame of the next minimum
    int32_t peak = 0;  // frame of the largest area
    double maxArea = 0;
    double minArea = 0;
    double periodSeconds = 0;
    double f0 = 0;             // Hz
    double openQuotient = 0;   // open phase / period
    double speedQuotient = 0;  // opening phase / closing phase
    double closingQuotient = 0;  // closing phase / period
    double gapIndex = 0;       // minimum / maximum area
    double amplitude = 0;      // maximum − minimum area, pixels
};

struct TMeanSd {
    double mean = 0;
    double sd = 0;  // sample standard deviation (n − 1); 0 for one cycle
};

struct TGlottisParameters {
    std::vector<TGlottalCycle> cycles;
    TMeanSd f0, period, openQuotient, speedQuotient, closingQuotient, gapIndex, amplitude;
    double jitter = 0;   // %, local
    double shimmer = 0;  // %, local
    double amplitudePeriodicity = 0;
    double timePeriodicity = 0;
    double maxArea = 0;
    double minArea = 0;
};

// `area[i]` is the area of frame firstFrame + i; cycles are found from the waveform's minima.
TGlottisParameters GlottisParameters(const std::vector<double>& area, double framesPerSecond,
                                     int32_t firstFrame = 0);

// The parameters as rows of name, value and unit (value empty where it is undefined: no cycle,
// or a perturbation without two cycles), in the order the CSV and the window list them.
struct TParameterRow {
    QString name;
    QString value;
    QString unit;
};
std::vector<TParameterRow> GlottisParameterRows(const TGlottisParameters& parameters);

// The tables as tremax-cli writes them: "name,value,unit" and "frame,area".
QString GlottisParameterCsv(const TGlottisParameters& parameters);
QString GlottisWaveformCsv(const std::vector<double>& area, int32_t firstFrame);
