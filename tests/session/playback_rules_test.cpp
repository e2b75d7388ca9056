// Playback on the session alone: the frame follows the clock and loops over the kymogram span,
// Play anchors at the frame shown, and a frame leaving the span takes the span with it. A 40 x 20
// recording of 300 frames at 50 frames/s, opened as the program opens a file; playback at the
// default 20 frames/s.
#include "support/TestDoubles.h"
#include "viewer/session/ViewerSession.h"

#include <gtest/gtest.h>

namespace {

constexpr double kSecond = 1.0 / 86400;

class PlaybackRulesTest : public ::testing::Test {
protected:
    PlaybackRulesTest()
    {
        clock.now = 100;
        formats.Register({QStringLiteral("mem")}, QStringLiteral("In memory"), [](const QString& path) {
            return std::make_unique<TMemoryFrameSource>(path, 40, 20, 300, 50,
                                                        [](int32_t f, int32_t, int32_t) { return uint8_t(f); });
        });
        session.SetActivated();
        session.SetStartSequence();
        session.OpenSequence(QStringLiteral("clip.mem"));
    }
    void Tick(double seconds)
    {
        clock.now += seconds * kSecond;
        session.PlaybackTick();
    }
    int32_t Frame() const { return session.View().CurrentFrame; }

    TFakeClock clock;
    TFrameSourceFactory formats;
    TViewerSession session{clock, &formats};
};

}  // namespace

TEST_F(PlaybackRulesTest, TheFrameFollowsTheClockAndLoopsOverTheKymogramSpan)
{
    ASSERT_EQ(session.KymogramSpan().LoValue(), 0);
    ASSERT_EQ(session.KymogramSpan().HiValue(), 100);
    session.SetPlaying(true);
    for (int i = 0; i < 50; ++i)
        Tick(0.02);
    EXPECT_EQ(Frame(), 20);  // 20 frames/s for one second
    Tick(4.0);               // frame 100: still inside 0 … 100
    EXPECT_EQ(Frame(), 100);
    Tick(0.05);  // frame 101: wraps to just after the low end
    EXPECT_EQ(Frame(), 1);
    Tick(0.5);
    EXPECT_EQ(Frame(), 11);

    // A rate change continues from the frame shown.
    session.SetPlaybackRate(-20);
    EXPECT_EQ(Frame(), 11);
    Tick(0.5);
    EXPECT_EQ(Frame(), 1);
    Tick(0.1);  // frame -1 < 0: restarts at the high end
    EXPECT_EQ(Frame(), 100);

    session.SetPlaying(false);
    Tick(1);
    EXPECT_EQ(Frame(), 100);
}

TEST_F(PlaybackRulesTest, PlayAnchorsAtTheFrameShownNotAtTheTimeStopped)
{
    session.SetCurrentFrame(40);
    clock.now += 7 * kSecond;  // time passing while stopped does not count
    session.SetPlaying(true);
    EXPECT_EQ(session.View().PlayAnchorFrame, 40);
    Tick(0.5);
    EXPECT_EQ(Frame(), 50);
}

TEST_F(PlaybackRulesTest, LeavingTheKymogramSpanShiftsItInsideTheFileAroundTheFrame)
{
    int rebuilds = 0;
    QObject::connect(&session, &TViewerSession::kymogramSpanChanged, [&] { ++rebuilds; });
    session.SetCurrentFrame(250);
    // 200 … 300 would reach past the last frame (299): shifted inside, the width kept.
    EXPECT_EQ(session.KymogramSpan().LoValue(), 199);
    EXPECT_EQ(session.KymogramSpan().HiValue(), 299);
    EXPECT_EQ(session.KymogramSpan().MarkerValue(), 250);
    EXPECT_EQ(rebuilds, 1);
}
