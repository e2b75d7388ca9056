// The viewer session without any window: the redraw chains of the frame, the row and the
// kymogram span, and a recording from an in-memory frame source through cache and spectra.
#include "analysis/SpectrumStore.h"
#include "support/TestDoubles.h"
#include "viewer/ViewerSession.h"

#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

class ViewerSessionTest : public ::testing::Test {
protected:
    // 16 x 8 pixels, 2000 frames at 1000 frames/s; pixel (3, 2) swings at 125 Hz (bin 32 of 256).
    ViewerSessionTest()
    {
        formats.Register({QStringLiteral("mem")}, QStringLiteral("In memory"), [](const QString& path) {
            return std::make_unique<TMemoryFrameSource>(path, 16, 8, 2000, 1000, [](int32_t f, int32_t r, int32_t c) {
                if (r == 2 && c == 3)
                    return uint8_t(std::lround(128 + 100 * std::sin(2 * kPi * 125 * f / 1000.0)));
                return uint8_t((f + r + c) & 0x3F);
            });
        });
        session = std::make_unique<TViewerSession>(clock, &formats);
        session->Sequence().SetFileName(QStringLiteral("clip.mem"));
        session->Sequence().ReadSequenceFiles();
        session->ResetKymogramSpan(session->Sequence().Header().FrameCount);
    }

    TFakeClock clock;
    TFrameSourceFactory formats;
    std::unique_ptr<TViewerSession> session;
};

}  // namespace

TEST_F(ViewerSessionTest, AFrameLeavingTheSpanMovesSpanAndBlockAndInvalidatesTheSpectra)
{
    TSpectrumStore& spectra = session->Spectra();
    spectra.ComputePixelSpectrum(3, 2);
    ASSERT_TRUE(spectra.SpectrumValid(2, 3));
    QSignalSpy spans(session.get(), &TViewerSession::kymogramSpanChanged);
    QSignalSpy frames(session.get(), &TViewerSession::currentFrameChanged);

    session->SetCurrentFrame(50);  // inside 0 … 100: nothing moves
    EXPECT_EQ(spans.count(), 0);
    EXPECT_TRUE(spectra.SpectrumValid(2, 3));

    session->SetCurrentFrame(1000);  // 0 … 100 centred on 1000, width kept
    EXPECT_EQ(session->KymogramSpan().LoValue(), 950);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 1050);
    EXPECT_EQ(session->KymogramSpan().MarkerValue(), 1000);
    EXPECT_EQ(session->Sequence().FirstCachedFrame(), 950);  // the block starts at the span
    EXPECT_FALSE(spectra.SpectrumValid(2, 3));
    EXPECT_EQ(spans.count(), 1);
    EXPECT_EQ(frames.count(), 2);
    EXPECT_EQ(session->View().CurrentFrame, 1000);

    session->SetCurrentFrame(1000);  // the same frame: nothing at all
    EXPECT_EQ(frames.count(), 2);

    session->SetCurrentFrame(1990);  // the span stops at the last frame
    EXPECT_EQ(session->KymogramSpan().HiValue(), 1999);
    EXPECT_EQ(session->KymogramSpan().LoValue(), 1940);
}

TEST_F(ViewerSessionTest, ARowIsRebuiltOnceAndAnAskedSpanStopsPlaybackAndKeepsWholeFrames)
{
    QSignalSpy rows(session.get(), &TViewerSession::selectedRowChanged);
    session->SetSelectedRow(5);
    session->SetSelectedRow(5);
    EXPECT_EQ(rows.count(), 1);

    session->SetCurrentFrame(40);
    session->SetPlaying(true);
    session->SetKymogramSpan(100.4, 199.2);
    EXPECT_FALSE(session->Playing());
    // Whole frames: the frame axis reads 100 … 199.
    EXPECT_EQ(session->KymogramSpan().LoValue(), 100);
    EXPECT_EQ(session->KymogramSpan().HiValue(), 199);
    EXPECT_EQ(session->Sequence().FirstCachedFrame(), 100);
    EXPECT_EQ(session->View().CurrentFrame, 100);  // the marker pulled into the span, rounded
}

TEST_F(ViewerSessionTest, AnInMemoryRecordingGivesItsHeaderBlockAndSpectrum)
{
    const TSequence& sequence = session->Sequence();
    EXPECT_EQ(sequence.Width(), 16);
    EXPECT_EQ(sequence.Height(), 8);
    EXPECT_EQ(sequence.Header().FrameCount, 2000);
    EXPECT_EQ(sequence.Source()->FormatName(), QStringLiteral("In memory"));
    EXPECT_EQ(sequence.Cache().Row(7, 1)[4], uint8_t(7 + 1 + 4));
    // Past the end the block holds the missing fill.
    session->Sequence().LoadFrames(1900);
    EXPECT_EQ(sequence.Cache().Row(100, 0)[0], TFrameSource::kMissingFill);
    session->Sequence().LoadFrames(0);

    TSpectrumStore& spectra = session->Spectra();
    spectra.ComputePixelSpectrum(3, 2);
    ASSERT_TRUE(spectra.SpectrumValid(2, 3));
    int32_t loudest = 1;
    for (int32_t bin = 1; bin < spectra.FFTLength() / 2; ++bin)
        if (spectra.Power(bin, 2, 3) > spectra.Power(loudest, 2, 3))
            loudest = bin;
    EXPECT_EQ(loudest, 32);  // 125 Hz · 256 / 1000 frames/s
}
