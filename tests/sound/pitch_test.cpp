// The F0 track against signals whose frequency is known by construction: pure and rich tones
// and a glottal-pulse train, each within 0.5 % of the frequency it was made with.
#include "sound/Pitch.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

namespace {

std::vector<float> Make(double rate, double seconds, const std::function<double(double)>& at)
{
    std::vector<float> samples(size_t(std::llround(rate * seconds)));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(at(double(i) / rate));
    return samples;
}

// The Rosenberg glottal pulse: opening (40 % of the period) as half a cosine up, closing (16 %)
// as a quarter cosine down, closed for the rest; its derivative is what the lips radiate.
double GlottalFlow(double phase)
{
    constexpr double open = 0.4, closing = 0.16;
    if (phase < open)
        return 0.5 * (1 - std::cos(std::numbers::pi * phase / open));
    if (phase < open + closing)
        return std::cos(std::numbers::pi * (phase - open) / (2 * closing));
    return 0;
}

void ExpectFrequency(const std::vector<TPitchPoint>& track, double truth)
{
    ASSERT_FALSE(track.empty());
    int voiced = 0;
    for (const TPitchPoint& point : track) {
        if (point.Frequency == 0)
            continue;
        ++voiced;
        EXPECT_NEAR(point.Frequency, truth, truth * 0.005) << "at " << point.Time << " s";
    }
    EXPECT_EQ(voiced, int(track.size())) << "every frame of a steady tone is voiced";
    EXPECT_NEAR(MedianFrequency(track), truth, truth * 0.005);
}

TEST(PitchTrack, PureAndRichTonesWithinHalfAPercent)
{
    const double pi2 = 2 * std::numbers::pi;
    // 220 Hz at 44.1 kHz: a period of 200.45 samples, between whole lags.
    ExpectFrequency(PitchTrack(Make(44100, 0.5, [&](double t) { return 0.5 * std::sin(pi2 * 220 * t); }), 44100, 0, 0), 220);
    // Low and high ends of a voice at other rates.
    ExpectFrequency(PitchTrack(Make(16000, 0.5, [&](double t) { return 0.3 * std::sin(pi2 * 87.3 * t); }), 16000, 0, 0), 87.3);
    ExpectFrequency(PitchTrack(Make(48000, 0.3, [&](double t) { return 0.3 * std::sin(pi2 * 880 * t); }), 48000, 0, 0), 880);
    // A weak fundamental under strong harmonics is still the fundamental, not the octave.
    ExpectFrequency(PitchTrack(Make(44100, 0.4, [&](double t) {
                        return 0.1 * std::sin(pi2 * 150 * t) + 0.4 * std::sin(pi2 * 300 * t + 1) +
                               0.3 * std::sin(pi2 * 450 * t + 2);
                    }), 44100, 0, 0), 150);
}

TEST(PitchTrack, GlottalPulseTrainWithinHalfAPercent)
{
    for (const double f0 : {110.0, 137.0, 241.3}) {
        SCOPED_TRACE(f0);
        // The radiated flow: the derivative of the pulse train, by differences.
        const double rate = 44100;
        const auto flow = [&](double t) { return GlottalFlow(std::fmod(t * f0, 1.0)); };
        const std::vector<float> samples = Make(rate, 0.5, [&](double t) { return 20 * (flow(t) - flow(t - 1 / rate)); });
        ExpectFrequency(PitchTrack(samples, rate, 0.1, 0.4), f0);
    }
}

TEST(PitchTrack, FramesSilenceAndTheLimits)
{
    const double pi2 = 2 * std::numbers::pi;
    const double rate = 16000;
    // Frames every Step from `from` to `to`; the first and last half window cannot be analysed.
    const std::vector<float> tone = Make(rate, 1.0, [&](double t) { return 0.5 * std::sin(pi2 * 200 * t); });
    const std::vector<TPitchPoint> part = PitchTrack(tone, rate, 0.2, 0.3);
    ASSERT_EQ(part.size(), 21u);
    EXPECT_DOUBLE_EQ(part.front().Time, 0.2);
    EXPECT_NEAR(part.back().Time, 0.3, 1e-12);
    const std::vector<TPitchPoint> whole = PitchTrack(tone, rate, 0, 0);
    ASSERT_FALSE(whole.empty());
    EXPECT_GE(whole.front().Time, 3.0 / 60 / 2);  // half of a window of 3 periods of 60 Hz, at least
    EXPECT_LE(whole.back().Time, 1.0 - 3.0 / 60 / 2);

    // Silence and noise-free zeros are unvoiced; a tone above MaxF0 gives no frequency of its own.
    for (const TPitchPoint& point : PitchTrack(std::vector<float>(16000, 0.0f), rate, 0, 0))
        EXPECT_EQ(point.Frequency, 0);
    TPitchSettings narrow;
    narrow.MinF0 = 75;
    narrow.MaxF0 = 150;
    for (const TPitchPoint& point : PitchTrack(tone, rate, 0.2, 0.8, narrow))
        EXPECT_TRUE(point.Frequency == 0 || std::abs(point.Frequency - 100) < 0.5) << point.Frequency;

    // Too short for one window, or nonsense settings: no frames rather than a crash.
    EXPECT_TRUE(PitchTrack(std::vector<float>(100, 0.1f), rate, 0, 0).empty());
    EXPECT_TRUE(PitchTrack(tone, 0, 0, 0).empty());
    TPitchSettings backwards;
    backwards.MinF0 = 500;
    backwards.MaxF0 = 100;
    EXPECT_TRUE(PitchTrack(tone, rate, 0, 0, backwards).empty());
    EXPECT_EQ(MedianFrequency({}), 0);
}

}  // namespace
