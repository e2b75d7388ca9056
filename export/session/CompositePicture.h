#pragma once
// What the two composite pictures (the image-sequence montage and the explanatory sequence)
// share: the grey mapping of raw frames, the aspect factors, the white bitmap they are drawn
// in, its font and the size limit.

#include <QFont>
#include <QImage>
#include <cstdint>

// Raw value v to grey: round(255·(v − black)/(white − black)), halves to even, held within
// 0 … 255. No gray level, colorizing or edge enhancement. Equal levels are refused (EError).
class TGreyMap {
public:
    TGreyMap(int32_t blackLevel, int32_t whiteLevel);
    uint8_t operator[](uint8_t v) const { return table_[v]; }

private:
    uint8_t table_[256];
};

// Each image row is drawn sy times, or each column sx times, so that frames come out roughly
// square: with fixing, sx = round(H/W) when W < H, otherwise sy = round(W/H); else 1 and 1.
struct TAspect {
    int32_t sx = 1;
    int32_t sy = 1;
};
TAspect AspectFactors(int32_t width, int32_t height, bool fix);

// Pictures larger than this are refused before anything is allocated.
constexpr int64_t kMaxPictureSide = 32767;
constexpr int64_t kMaxPicturePixels = int64_t(1) << 26;
// Throws EError naming the size when a picture of width × height pixels cannot be made.
void CheckPictureSize(int64_t width, int64_t height);

// A new white bitmap in the display's pixel format, at 96 dots per inch so that point sizes
// give the same pixels on every screen.
QImage NewCompositeBitmap(int32_t width, int32_t height);
// The default font at `points`, and the height of "Wy" in it on such a bitmap.
QFont CompositeFont(int points);
int32_t TextBandHeight(int points);

// Draws the frame (width × height bytes) grey-mapped and stretched by the aspect factors with
// its top left corner at (left, top): pixel (i, j) fills sx × sy pixels.
void PutFrameTile(QImage& bitmap, const uint8_t* frame, int32_t width, int32_t height, const TGreyMap& grey,
                  TAspect aspect, int32_t left, int32_t top);
