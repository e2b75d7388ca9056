#pragma once
// The border of a segmented glottis, for drawing over the image: unit segments along the edges
// between glottis pixels and the rest, in image coordinates where pixel (x, y) covers
// x − 0.5 … x + 0.5 and y − 0.5 … y + 0.5.

#include "glottis/GlottisSegmenter.h"

#include <QLineF>
#include <vector>

std::vector<QLineF> GlottisOutline(const std::vector<TGlottisRun>& runs);
