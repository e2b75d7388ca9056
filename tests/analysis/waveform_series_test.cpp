// The waveform's samples, their frame numbers and the polyline drawn through them.
#include "analysis/Waveform.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TSequence> OpenFrames(const TScratch& scratch, int32_t frames,
                                      const std::function<uint8_t(int32_t, int32_t, int32_t)>& value)
{
    const QString bld = WriteFrames(scratch, QStringLiteral("w.bld"), 16, 4, frames, value);
    scratch.WriteText(QStringLiteral("w.par"), QStringLiteral("RESOLUTION: 16x4\nFRAMES/S: 1000\nFRAMES: %1\n").arg(frames));
    auto sequence = std::make_unique<TSequence>();
    sequence->SetFileName(bld);
    sequence->ReadSequenceFiles();
    return sequence;
}

}  // namespace

TEST(Waveform, SamplesTheBlockFromItsFirstFrame)
{
    TScratch scratch;
    const auto sequence = OpenFrames(scratch, 400, PatternValue);
    sequence->LoadFrames(100);
    const TWaveformSeries series = WaveformSeries(sequence->Cache(), 5, 2, 50);
    ASSERT_EQ(series.values.size(), 50u);
    EXPECT_EQ(series.firstFrame, 100);
    for (size_t i = 0; i < series.values.size(); ++i) {
        EXPECT_EQ(series.Frame(i), 100 + int32_t(i));
        EXPECT_EQ(series.values[i], PatternValue(100 + int32_t(i), 2, 5)) << "sample " << i;
    }
    const TWaveformRange range = WaveformFrameRange(sequence->Cache(), 50);
    EXPECT_EQ(range.lo, 100);
    EXPECT_EQ(range.hi, 150);

    EXPECT_THROW(WaveformSeries(sequence->Cache(), 16, 0, 50), ERangeError);
    EXPECT_THROW(WaveformSeries(sequence->Cache(), 0, -1, 50), ERangeError);
}

TEST(Waveform, StopsAtTheEndOfTheBlock)
{
    TScratch scratch;
    const auto sequence = OpenFrames(scratch, 100, PatternValue);
    sequence->SetCacheSize(32);
    EXPECT_EQ(WaveformLength(sequence->Cache(), 256), 32);
    EXPECT_EQ(WaveformSeries(sequence->Cache(), 0, 0, 256).values.size(), 32u);
    EXPECT_EQ(WaveformLength(sequence->Cache(), 20), 20);
}

TEST(Waveform, PolylineAndMarkerShareTheFrameReference)
{
    TScratch scratch;
    const auto sequence = OpenFrames(scratch, 300, [](int32_t f, int32_t, int32_t c) { return c == 3 ? 200 : f; });
    sequence->LoadFrames(64);
    const TWaveformRange range = WaveformFrameRange(sequence->Cache(), 128);
    // Axes 10 pixels per frame from the range's low end, and a 256-pixel grey axis upside down.
    const TValueToPixel x = [&](double frame) { return (frame - range.lo) * 10; };
    const TValueToPixel y = [](double grey) { return 255 - grey; };

    // A pixel constant at 200 draws a horizontal line at 200.
    const std::vector<QPointF> flat = WaveformPolyline(WaveformSeries(sequence->Cache(), 3, 1, 128), x, y);
    ASSERT_EQ(flat.size(), 128u);
    for (size_t i = 0; i < flat.size(); ++i) {
        EXPECT_EQ(flat[i].y(), 55);
        EXPECT_EQ(flat[i].x(), 10.0 * double(i));
    }

    // The marker shows CurrentFrame as it is and sits on that frame's sample.
    const int32_t currentFrame = 64 + 37;
    const std::vector<QPointF> ramp = WaveformPolyline(WaveformSeries(sequence->Cache(), 0, 1, 128), x, y);
    EXPECT_EQ(ramp[37].x(), x(currentFrame));
    EXPECT_EQ(ramp[37].y(), y(currentFrame & 0xFF));
}
