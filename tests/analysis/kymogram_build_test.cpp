// The kymogram: its span, the block that must hold it, and its pixels against the formula.
#include "analysis/Kymogram.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"
#include "viewer/render/FrameRenderer.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace {

std::unique_ptr<TSequence> OpenFrames(const TScratch& scratch, int32_t width, int32_t height, int32_t frames,
                                      const std::function<uint8_t(int32_t, int32_t, int32_t)>& value)
{
    const QString bld = WriteFrames(scratch, QStringLiteral("k.bld"), width, height, frames, value);
    scratch.WriteText(QStringLiteral("k.par"),
                      QStringLiteral("RESOLUTION: %1x%2\nFRAMES/S: 1000\nFRAMES: %3\n").arg(width).arg(height).arg(frames));
    auto sequence = std::make_unique<TSequence>();
    sequence->SetFileName(bld);
    sequence->ReadSequenceFiles();
    return sequence;
}

// The pixel the formula gives for one frame, straight from the file's values: the grey input
// (edge-enhanced or not) through the grey curve, times 255, rounded, clamped.
uint8_t Formula(const std::function<uint8_t(int32_t, int32_t, int32_t)>& value, int32_t width, int32_t height,
                int32_t frame, int32_t row, int32_t column, const TKymogramSettings& s)
{
    double g = value(frame, row, column);
    if (s.edgeEnhance) {
        if (row == height - 1 || column == width - 1) {
            g = 0;
        } else {
            const double dx = g - value(frame, row, column + 1);
            const double dy = g - value(frame, row + 1, column);
            g = std::sqrt(dx * dx + dy * dy);
        }
    }
    return GrayByte(FitGrayCurve(s.blackLevel, s.grayLevel, s.whiteLevel)(g), false);
}

// Every pixel of the bitmap against the formula; frames in `black` must be black instead.
void ExpectKymogram(const QImage& bitmap, const std::function<uint8_t(int32_t, int32_t, int32_t)>& value,
                    int32_t width, int32_t height, const TKymogramSettings& s,
                    const std::function<bool(int32_t)>& black = [](int32_t) { return false; })
{
    ASSERT_EQ(bitmap.format(), QImage::Format_BGR888);
    ASSERT_EQ(bitmap.width(), s.span.length);
    ASSERT_EQ(bitmap.height(), width);
    int errors = 0;
    for (int32_t c = 0; c < width && errors < 5; ++c) {
        const uchar* line = bitmap.constScanLine(c);
        for (int32_t k = 0; k < s.span.length && errors < 5; ++k) {
            const int32_t frame = s.span.first + k;
            const int want = black(frame) ? 0 : Formula(value, width, height, frame, s.row, c, s);
            for (int b = 0; b < 3; ++b)
                if (line[3 * k + b] != want) {
                    ADD_FAILURE() << "line " << c << " pixel " << k << " (frame " << frame << ") byte " << b << ": "
                                  << int(line[3 * k + b]) << ", want " << want;
                    ++errors;
                    break;
                }
        }
    }
}

class KymogramBuild : public testing::TestWithParam<bool> {  // vectorised or not
protected:
    TKymogramBuilder builder_{GetParam()};
    TScratch scratch_;
};

}  // namespace

TEST(KymogramSpan, FollowsTheFrameAxis)
{
    // The bitmap is hi − lo + 1 frames wide; pixel 0 is frame lo.
    EXPECT_EQ(KymogramSpanOf(100, 199), (TKymogramSpan{100, 100}));
    EXPECT_EQ(KymogramSpanOf(0, 100), (TKymogramSpan{0, 101}));
    EXPECT_EQ(KymogramSpanOf(100.5, 199.5), (TKymogramSpan{100, 100}));  // halves to even
    EXPECT_EQ(KymogramSpanOf(101.5, 200.5), (TKymogramSpan{102, 100}));
    EXPECT_EQ(KymogramSpanOf(5, 3).length, 1);

    const TKymogramAxisChange change = KymogramAxisChange(100.3, 199.6, 150.5);
    EXPECT_EQ(change.span, (TKymogramSpan{100, 100}));
    EXPECT_DOUBLE_EQ(change.hiValue, 199.3);
    EXPECT_EQ(change.currentFrame, 150);

    double lo = 0, hi = 100;
    EXPECT_FALSE(KymogramRangeFollows(lo, hi, 100));
    EXPECT_TRUE(KymogramRangeFollows(lo, hi, 300));
    EXPECT_DOUBLE_EQ(lo, 250);
    EXPECT_DOUBLE_EQ(hi, 350);

    EXPECT_EQ(KymogramCaption(7), QStringLiteral("Kymogram at row 7"));
}

TEST_P(KymogramBuild, Frames100To199AreAHundredPixelsFromFrame100)
{
    const auto sequence = OpenFrames(scratch_, 40, 8, 400, PatternValue);
    TKymogramSettings s;
    s.row = 3;
    s.span = KymogramSpanOf(100, 199);
    QImage bitmap;
    FitKymogramBitmap(s.span, sequence->Width(), bitmap);
    sequence->LoadFrames(s.span.first);
    EXPECT_EQ(sequence->FirstCachedFrame(), 100);
    EXPECT_EQ(bitmap.size(), QSize(100, 40));
    builder_.Build(*sequence, s, bitmap);
    ExpectKymogram(bitmap, PatternValue, 40, 8, s);

    const uint64_t builds = builder_.BuildCount();
    s.grayLevel = 128;
    builder_.Build(*sequence, s, bitmap);
    ExpectKymogram(bitmap, PatternValue, 40, 8, s);
    EXPECT_EQ(builder_.BuildCount(), builds + 1);
}

TEST_P(KymogramBuild, TheBlockIsReloadedAtTheSpanOnlyWhenItCannotHoldIt)
{
    const auto sequence = OpenFrames(scratch_, 24, 4, 300, PatternValue);
    sequence->SetCacheSize(64);
    int reloads = 0;
    QObject::connect(sequence.get(), &TSequence::blockChanging, [&] { ++reloads; });
    TKymogramSettings s;
    s.row = 1;
    QImage bitmap;

    // Held already: nothing is read.
    s.span = KymogramSpanOf(5, 60);
    builder_.Build(*sequence, s, bitmap);
    EXPECT_EQ(reloads, 0);
    ExpectKymogram(bitmap, PatternValue, 24, 4, s);

    // Starting inside the block and running past its end: reloaded at the span, not halfway.
    sequence->LoadFrames(10);
    reloads = 0;
    s.span = KymogramSpanOf(50, 99);
    builder_.Build(*sequence, s, bitmap);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(sequence->FirstCachedFrame(), 50);
    ExpectKymogram(bitmap, PatternValue, 24, 4, s);

    // Starting before the block.
    s.span = KymogramSpanOf(20, 40);
    builder_.Build(*sequence, s, bitmap);
    EXPECT_EQ(sequence->FirstCachedFrame(), 20);
    ExpectKymogram(bitmap, PatternValue, 24, 4, s);

    // Dragging the axis wider: the block starts at the new low value, the bitmap widens.
    const TKymogramAxisChange change = KymogramAxisChange(30, 93, 40);
    FitKymogramBitmap(change.span, sequence->Width(), bitmap);
    sequence->LoadFrames(change.span.first);
    EXPECT_EQ(sequence->FirstCachedFrame(), 30);
    EXPECT_EQ(bitmap.width(), 64);
    s.span = change.span;
    reloads = 0;
    builder_.Build(*sequence, s, bitmap);
    EXPECT_EQ(reloads, 0);
    ExpectKymogram(bitmap, PatternValue, 24, 4, s);
}

TEST_P(KymogramBuild, FramesTheBlockCannotHoldAreBlack)
{
    const auto sequence = OpenFrames(scratch_, 20, 3, 100, PatternValue);
    sequence->SetCacheSize(32);
    TKymogramSettings s;
    s.row = 2;
    QImage bitmap;

    s.span = KymogramSpanOf(0, 49);  // longer than the cache
    builder_.Build(*sequence, s, bitmap);
    EXPECT_EQ(sequence->FirstCachedFrame(), 0);
    ExpectKymogram(bitmap, PatternValue, 20, 3, s, [](int32_t f) { return f >= 32; });

    s.span = KymogramSpanOf(-5, 20);  // frames before 0 do not exist
    builder_.Build(*sequence, s, bitmap);
    ExpectKymogram(bitmap, PatternValue, 20, 3, s, [](int32_t f) { return f < 0; });

    s.row = 3;
    EXPECT_THROW(builder_.Build(*sequence, s, bitmap), ERangeError);
}

TEST_P(KymogramBuild, EdgeEnhancement)
{
    const auto sequence = OpenFrames(scratch_, 30, 5, 80, PatternValue);
    TKymogramSettings s;
    s.span = KymogramSpanOf(10, 49);
    s.edgeEnhance = true;
    s.blackLevel = 255;  // inverted: the grey of g = 0 is white, unlike the black of a missing frame
    s.grayLevel = 128;
    s.whiteLevel = 0;
    QImage bitmap;

    s.row = 4;  // the last row: every pixel is the grey of g = 0
    builder_.Build(*sequence, s, bitmap);
    const uint8_t zero = GrayByte(FitGrayCurve(255, 128, 0)(0), false);
    ASSERT_EQ(zero, 255);
    for (int32_t c = 0; c < bitmap.height(); ++c)
        for (int32_t i = 0; i < 3 * bitmap.width(); ++i)
            ASSERT_EQ(bitmap.constScanLine(c)[i], zero) << "line " << c;

    s.row = 2;
    builder_.Build(*sequence, s, bitmap);
    ExpectKymogram(bitmap, PatternValue, 30, 5, s);
}

TEST_P(KymogramBuild, OddSizesAndLevels)
{
    // Sizes around the vectorised tiles (16 frames, 64 columns), random bytes and levels.
    std::mt19937 random(11);
    const auto noise = [](int32_t f, int32_t r, int32_t c) {
        uint32_t h = uint32_t(f) * 0x9E3779B1u ^ uint32_t(r) * 0x85EBCA77u ^ uint32_t(c) * 0xC2B2AE3Du;
        h ^= h >> 15;
        return uint8_t(h * 0x2C1B3C6Du >> 24);
    };
    for (const int32_t width : {1, 63, 65, 130}) {
        TScratch scratch;
        const auto sequence = OpenFrames(scratch, width, 3, 260, noise);
        for (const int32_t length : {1, 15, 17, 64, 65, 200}) {
            TKymogramSettings s;
            s.row = int32_t(random() % 3);
            s.span = {int32_t(random() % 50), length};
            s.blackLevel = int32_t(random() % 100);
            s.grayLevel = 100 + int32_t(random() % 50);
            s.whiteLevel = 160 + int32_t(random() % 96);
            s.edgeEnhance = length % 2 == 0;
            QImage bitmap;
            builder_.Build(*sequence, s, bitmap);
            SCOPED_TRACE(testing::Message() << "width " << width << ", length " << length);
            ExpectKymogram(bitmap, noise, width, 3, s);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, KymogramBuild, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Vectorised" : "Portable";
                         });

// A bitmap that would not fit is refused before it is asked for, naming its size (lines of 3
// bytes a pixel rounded up to 64), and the bitmap already there is kept.
TEST(KymogramMemory, ABitmapBeyondTheRoomIsRefusedNamingItsSize)
{
    const TMemoryRoomQuery oneMegabyte = [] { return TMemoryRoom{1000000, QStringLiteral("the test's limit")}; };
    QImage bitmap;
    FitKymogramBitmap({0, 10}, 256, bitmap, oneMegabyte);  // 64 x 256 bytes
    ASSERT_EQ(bitmap.size(), QSize(10, 256));
    // 100000 * 3 = 300000 bytes a line, 300032 rounded up; 300032 * 256 = 76808192.
    try {
        FitKymogramBitmap({0, 100000}, 256, bitmap, oneMegabyte);
        ADD_FAILURE() << "no refusal";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("A kymogram of 100000 x 256 pixels needs 76.8 MB of memory, but only "
                                              "1.0 MB are left within the test's limit"));
    }
    EXPECT_EQ(bitmap.size(), QSize(10, 256));

    // (2^31 - 1) * 3 rounded up to 64 is 6442450944; times 2^31 - 1 lines is beyond 63 bits.
    const TMemoryRoomQuery unlimited = [] { return TMemoryRoom{std::numeric_limits<int64_t>::max(), QStringLiteral("none")}; };
    const int32_t most = std::numeric_limits<int32_t>::max();
    EXPECT_THROW(FitKymogramBitmap({0, most}, most, bitmap, unlimited), EOutOfMemory);
    EXPECT_EQ(bitmap.size(), QSize(10, 256));
}

TEST(KymogramMemory, BuildAsksTheSequenceForTheRoom)
{
    TScratch scratch;
    const auto sequence = OpenFrames(scratch, 40, 8, 400, PatternValue);
    sequence->SetMemoryRoomQuery([] { return TMemoryRoom{1000, QStringLiteral("the test's limit")}; });
    TKymogramSettings s;
    s.span = {0, 100};  // 320 bytes a line, 40 lines: 12800 bytes
    QImage bitmap;
    EXPECT_THROW(TKymogramBuilder().Build(*sequence, s, bitmap), EOutOfMemory);
    EXPECT_TRUE(bitmap.isNull());
    s.span = {0, 4};  // 64 bytes a line: 2560 bytes, still too many
    EXPECT_THROW(TKymogramBuilder().Build(*sequence, s, bitmap), EOutOfMemory);
    sequence->SetMemoryRoomQuery([] { return TMemoryRoom{2560, QStringLiteral("the test's limit")}; });
    TKymogramBuilder().Build(*sequence, s, bitmap);
    EXPECT_EQ(bitmap.size(), QSize(4, 40));
}
