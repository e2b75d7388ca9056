#include "analysis/PixelSource.h"

#include "viewer/io/Sequence.h"

int32_t TSequencePixels::Width() const { return sequence_.Width(); }
int32_t TSequencePixels::Height() const { return sequence_.Height(); }
int32_t TSequencePixels::FrameCount() const { return sequence_.Header().FrameCount; }

uint8_t TSequencePixels::GetPixel(int32_t frame, int32_t row, int32_t column)
{
    return sequence_.GetPixel(frame, row, column);
}
