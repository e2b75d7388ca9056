#pragma once
// The speckle trace drawn over the main image, in box pixels through the image axes' mapping:
// the trace as a red polyline and, for the frames the trace's search covers, the current point,
// the scouting area and the correlation areas of the current step.

#include "analysis/SpeckleSettings.h"
#include "analysis/SpeckleTracker.h"
#include "analysis/ValueToPixel.h"

class QPainter;

// Draws with cosmetic one-pixel pens and no antialiasing; leaves the painter's state as it was.
// The current point's circle (radius 3 pixels, red outline) is filled with the painter's brush
// colour, solid. k = currentFrame − traceStartFrame; the circle and rectangles are drawn only for
// 0 <= k <= 97. x and y map image columns and rows to box pixels.
void DrawSpeckleOverlay(QPainter& painter, const TSpecklePoints& points, int32_t traceStartFrame,
                        int32_t currentFrame, const TSpeckleSettings& settings, const TValueToPixel& x,
                        const TValueToPixel& y);
