#pragma once
// The phonovibrogram (Lohscheller et al. 2008): each fold's edge distance from the glottal main
// axis at every position along it, in every frame, drawn as one picture.

#include "glottis/GlottisAnalysis.h"

#include <QImage>
#include <QPointF>
#include <cstdint>
#include <vector>

// The glottal main axis: the line fitted (principal axis) through the glottis pixels of every
// frame of the span, from its anterior end to its posterior end. The anterior end is the one
// nearer the image's top (for an axis nearer horizontal: nearer the left).
struct TGlottalAxis {
    bool valid = false;
    QPointF anterior;
    QPointF posterior;
    QPointF direction;  // unit vector, anterior to posterior
    QPointF normal;     // unit vector pointing to the right fold (the image's right of the axis)
};

struct TPhonovibrogram {
    TGlottalAxis axis;
    int32_t firstFrame = 0;
    int32_t frames = 0;
    int32_t positions = 0;  // one per pixel along the axis; position 0 at the anterior end
    // Edge distances from the axis in pixels, [frame * positions + position]: how far the fold's
    // edge has moved away from the axis (the outer border of the outermost glottis pixel); 0 where
    // the glottis is closed; negative when the glottis lies wholly beyond the axis.
    std::vector<float> left;
    std::vector<float> right;
    float maxDistance = 0;

    float Left(int32_t frame, int32_t position) const { return left[size_t(frame) * size_t(positions) + size_t(position)]; }
    float Right(int32_t frame, int32_t position) const { return right[size_t(frame) * size_t(positions) + size_t(position)]; }
    // The image point of `position` on the axis.
    QPointF AxisPoint(int32_t position) const { return axis.anterior + double(position) * axis.direction; }
};

TGlottalAxis FitGlottalAxis(const TGlottisResult& result);
TPhonovibrogram Phonovibrogram(const TGlottisResult& result);
// The phonovibrogram of the span as tremax-cli pvg and the Python module compute it: refused
// (EError) when no glottis is found.
TPhonovibrogram FoundPhonovibrogram(const TSequence& sequence, const TGlottisSpan& span);

// The picture: frames left to right; above the axis line the left fold (anterior end at the top,
// posterior next to the line), below it the right fold mirrored (posterior next to the line,
// anterior at the bottom); distance as colour, with a legend on the right. Empty for no frames.
QImage PhonovibrogramImage(const TPhonovibrogram& pvg);
// The colour of a distance in 0 … 1 of the legend's range (black through red and yellow to white).
QRgb PhonovibrogramColour(double fraction);
