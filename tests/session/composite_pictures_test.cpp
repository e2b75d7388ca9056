// The image-sequence montage, the explanatory sequence and the BMP series names: sizes, tiles,
// grey mapping, texts and refusals, against values worked out here by hand.
#include "export/session/CompositePicture.h"
#include "export/session/ExplanatorySequence.h"
#include "export/session/ImageSeries.h"
#include "export/session/Montage.h"
#include "export/io/MontageFrames.h"
#include "platform/Errors.h"
#include "support/TestDoubles.h"
#include "viewer/io/Sequence.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

uint8_t Value(int32_t frame, int32_t row, int32_t column) { return uint8_t((frame * 5 + row * 3 + column) & 0xFF); }

// A sequence of frames in memory (Value), opened as the program opens a file.
struct TMemorySequence {
    TMemorySequence(int32_t width, int32_t height, int32_t frames, double rate = 1000)
    {
        formats.Register({QStringLiteral("mem")}, QStringLiteral("In memory"), [=](const QString& path) {
            return std::make_unique<TMemoryFrameSource>(path, width, height, frames, rate, Value);
        });
        sequence = std::make_unique<TSequence>(nullptr, &formats);
        sequence->SetFileName(QStringLiteral("clip.mem"));
        sequence->ReadSequenceFiles();
    }
    TFrameSourceFactory formats;
    std::unique_ptr<TSequence> sequence;
};

// round(255·(v − b)/(w − b)), halves to even, held in 0 … 255, worked out without the code.
int Grey(int v, int black = 0, int white = 255)
{
    const double exact = 255.0 * (v - black) / (white - black);
    double whole = std::floor(exact);
    const double rest = exact - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0))
        whole += 1;
    return int(std::clamp(whole, 0.0, 255.0));
}

// The height of a line of the default font at `points` on a 96-dpi picture, as Qt measures it.
int BandHeight(int points)
{
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(3780);
    probe.setDotsPerMeterY(3780);
    QFont font;
    font.setPointSize(points);
    return QFontMetrics(font, &probe).height();
}

int GreyAt(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
    return qRed(p);
}

// Pixels of the tile with top left (left, top) that are not frame `frame` stretched by sx, sy.
int TileMismatches(const QImage& image, int left, int top, int width, int height, int frame, int sx, int sy,
                   int black = 0, int white = 255, uint8_t fixedValue = 0, bool fixed = false)
{
    int bad = 0;
    for (int j = 0; j < height * sy; ++j)
        for (int i = 0; i < width * sx; ++i) {
            const int v = fixed ? fixedValue : Value(frame, j / sy, i / sx);
            if (image.pixel(left + i, top + j) != qRgb(Grey(v, black, white), Grey(v, black, white), Grey(v, black, white)))
                ++bad;
        }
    return bad;
}

bool HasDarkPixel(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
    return false;
}

}  // namespace

TEST(CompositePicture, GreyMappingRoundsHalvesToEvenAndClampsAspectFactorsRoundToo)
{
    const TGreyMap tenths(0, 10);  // 25.5 per step: every odd value is a half
    EXPECT_EQ(tenths[1], 26);
    EXPECT_EQ(tenths[3], 76);
    EXPECT_EQ(tenths[10], 255);
    EXPECT_EQ(tenths[11], 255);  // 280.5, held at white
    const TGreyMap inverted(10, 0);
    EXPECT_EQ(inverted[0], 255);
    EXPECT_EQ(inverted[5], 128);  // 127.5
    EXPECT_EQ(inverted[200], 0);
    const TGreyMap shifted(100, 200);
    EXPECT_EQ(shifted[50], 0);
    EXPECT_EQ(shifted[150], 128);  // 127.5
    try {
        TGreyMap equal(7, 7);
        FAIL() << "equal levels were taken";
    } catch (const EError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("both 7"))) << e.what();
    }

    EXPECT_EQ(AspectFactors(256, 128, true).sy, 2);
    EXPECT_EQ(AspectFactors(256, 128, false).sy, 1);
    EXPECT_EQ(AspectFactors(10, 25, true).sx, 2);  // 2.5: halves to even
    EXPECT_EQ(AspectFactors(10, 35, true).sx, 4);  // 3.5
    EXPECT_EQ(AspectFactors(300, 200, true).sy, 2);  // 1.5
    EXPECT_EQ(AspectFactors(64, 64, true).sy, 1);
    EXPECT_EQ(AspectFactors(64, 64, true).sx, 1);
}

TEST(Montage, FixedAspectGivesSquareTilesOfFramesFourApartUnderTheirTextBands)
{
    TMemorySequence clip(256, 128, 1000);
    TMontageFrames frames(*clip.sequence);
    TMontageSettings settings;  // 4 x 3 tiles, skip 4, "Frame number", aspect fixed
    settings.firstFrame = 7;
    const QImage montage = BuildMontage(frames, settings);
    const int band = BandHeight(24);
    ASSERT_GT(band, 20);
    ASSERT_EQ(montage.size(), QSize(1024, 3 * (band + 256)));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            const int frame = 7 + 4 * (4 * r + c);
            const int top = r * (band + 256);
            EXPECT_EQ(TileMismatches(montage, 256 * c, top + band, 256, 128, frame, 1, 2), 0) << "tile " << r << c;
            EXPECT_TRUE(HasDarkPixel(montage, QRect(256 * c, top, 256, band))) << "no number over tile " << r << c;
        }

    settings.text = mtnone;
    const QImage plain = BuildMontage(frames, settings);
    ASSERT_EQ(plain.size(), QSize(1024, 768));
    EXPECT_EQ(TileMismatches(plain, 768, 512, 256, 128, 7 + 44, 1, 2), 0);
    settings.fixAspect = false;
    ASSERT_EQ(BuildMontage(frames, settings).size(), QSize(1024, 384));
}

TEST(Montage, NarrowFramesAreStretchedSidewaysAndLevelsAndSkipApply)
{
    TMemorySequence clip(10, 25, 100);
    TMontageFrames frames(*clip.sequence);
    TMontageSettings settings;
    settings.text = mtnone;
    settings.across = 3;
    settings.down = 2;
    settings.skip = 0;  // the same frame in every tile
    settings.firstFrame = 50;
    settings.blackLevel = 20;
    settings.whiteLevel = 120;
    const QImage montage = BuildMontage(frames, settings);
    ASSERT_EQ(montage.size(), QSize(3 * 20, 2 * 25));  // sx = round(2.5) = 2
    for (int tile = 0; tile < 6; ++tile)
        EXPECT_EQ(TileMismatches(montage, 20 * (tile % 3), 25 * (tile / 3), 10, 25, 50, 2, 1, 20, 120), 0);
}

TEST(Montage, FramesOutsideTheBlockAreReadWithoutMovingItAndPastTheEndShowTheMissingFill)
{
    TMemorySequence clip(16, 8, 620);
    QSignalSpy moves(clip.sequence.get(), &TSequence::blockChanging);
    TMontageFrames frames(*clip.sequence);
    TMontageSettings settings;
    settings.text = mtnone;
    settings.fixAspect = false;
    settings.firstFrame = 600;
    settings.skip = 2;  // frames 600 … 622: the last two tiles lie past the end
    const QImage montage = BuildMontage(frames, settings);
    EXPECT_EQ(clip.sequence->FirstCachedFrame(), 0);
    EXPECT_EQ(moves.count(), 0);
    EXPECT_EQ(TileMismatches(montage, 16 * 3, 8 * 2, 16, 8, 0, 1, 1, 0, 255, 127, true), 0);
    EXPECT_EQ(TileMismatches(montage, 16 * 1, 8 * 2, 16, 8, 618, 1, 1), 0);
}

TEST(Montage, TimesHaveFourDecimalsWithTheUsersSeparatorAndDecimalHalvesRoundUp)
{
    EXPECT_EQ(MontageTimeText(100, 2000, QLatin1Char('.')), QStringLiteral("0.0500 s"));
    EXPECT_EQ(MontageTimeText(100, 2000, QLatin1Char(',')), QStringLiteral("0,0500 s"));
    EXPECT_EQ(MontageTimeText(3, 20000, QLatin1Char('.')), QStringLiteral("0.0002 s"));  // 0.00015, below in binary
    EXPECT_EQ(MontageTimeText(1, 3, QLatin1Char('.')), QStringLiteral("0.3333 s"));
    EXPECT_EQ(MontageTimeText(2, 3, QLatin1Char('.')), QStringLiteral("0.6667 s"));
    EXPECT_EQ(MontageTimeText(99999, 1, QLatin1Char('.')), QStringLiteral("99999.0000 s"));
    EXPECT_EQ(MontageTimeText(19999, 2000, QLatin1Char('.')), QStringLiteral("9.9995 s"));
    EXPECT_EQ(MontageTimeText(0, 1904, QLatin1Char('.')), QStringLiteral("0.0000 s"));
    TMontageSettings settings;
    EXPECT_EQ(MontageTileText(settings, 100), QStringLiteral("100"));
    settings.text = mtnone;
    EXPECT_EQ(MontageTileText(settings, 100), QString());
}

TEST(Montage, CountsWithoutTilesNegativeSkipsAndHugePicturesAreRefusedBeforeReading)
{
    TMemorySequence clip(256, 128, 100);
    TMontageFrames frames(*clip.sequence);
    const auto refusal = [&](auto change) {
        TMontageSettings settings;
        change(settings);
        try {
            BuildMontage(frames, settings);
        } catch (const EError& e) {
            return e.Message();
        }
        return QStringLiteral("taken");
    };
    EXPECT_EQ(refusal([](TMontageSettings& s) { s.across = 0; }),
              QStringLiteral("The number of pictures across must be at least 1, not 0"));
    EXPECT_EQ(refusal([](TMontageSettings& s) { s.down = -3; }),
              QStringLiteral("The number of pictures down must be at least 1, not -3"));
    EXPECT_EQ(refusal([](TMontageSettings& s) { s.skip = -1; }),
              QStringLiteral("The skip factor must not be negative, not -1"));
    EXPECT_TRUE(refusal([](TMontageSettings& s) { s.across = 128; }).startsWith(QStringLiteral("A picture of 32768 x")));
    EXPECT_EQ(refusal([](TMontageSettings& s) { s.across = 127; }), QStringLiteral("taken"));  // 32512 wide
    EXPECT_TRUE(refusal([](TMontageSettings& s) { s.across = 2000000000, s.skip = 0; }).startsWith(QStringLiteral("A picture of")));
    EXPECT_TRUE(refusal([](TMontageSettings& s) { s.skip = 2000000000; }).contains(QStringLiteral("largest frame")));
}

TEST(ExplanatorySequence, DefaultsDrawTwentySamplesAndTenConnectingLines)
{
    TMemorySequence clip(256, 128, 200);
    TMontageFrames frames(*clip.sequence);
    TExplanatorySettings settings;  // 10 images, skip 2
    settings.firstFrame = 30;
    settings.point = QPoint(100, 40);
    settings.valueLo = 50;
    settings.valueHi = 250;
    const TExplanatoryPicture picture = BuildExplanatorySequence(frames, settings);
    const int band = BandHeight(32);
    ASSERT_EQ(picture.bitmap.size(), QSize(2560, band + 512));  // L = 256
    ASSERT_EQ(picture.samples.size(), 20u);
    ASSERT_EQ(picture.connectors.size(), 10u);
    for (int t = 0; t < 20; ++t) {
        const int v = Value(30 + t, 40, 100);
        const QPoint expected(int(std::lround(t * (2560.0 - 128) / 19 + 128)), int(std::lround(512 - 256 * (v - 50) / 200.0)));
        EXPECT_EQ(picture.samples[size_t(t)], expected) << "sample " << t;
        if (expected.x() < 2560) {
            EXPECT_EQ(picture.bitmap.pixel(expected), qRgb(0, 0, 0)) << "no black square at sample " << t;
        }
    }
    for (int q = 0; q < 10; ++q) {
        const QPoint marker(256 * q + 100, 2 * 40 + 1);
        EXPECT_EQ(picture.connectors[size_t(q)], QLine(marker, picture.samples[size_t(2 * q)]));
        EXPECT_EQ(picture.bitmap.pixel(marker), qRgb(255, 255, 255)) << "no white square in image " << q;
        const QPoint middle = (marker + picture.samples[size_t(2 * q)]) / 2;
        EXPECT_EQ(picture.bitmap.pixel(middle), qRgb(0, 0, 0)) << "no line from image " << q;
        // Away from the marker the tile is frame 30 + 2q, rows doubled.
        EXPECT_EQ(GreyAt(picture.bitmap, 256 * q + 200, 21), Value(30 + 2 * q, 10, 200));
        EXPECT_EQ(GreyAt(picture.bitmap, 256 * q + 3, 254), Value(30 + 2 * q, 127, 3));
    }
    // The bottom band stays white.
    EXPECT_FALSE(HasDarkPixel(picture.bitmap, QRect(0, 512 + 6, 2560, band - 6)));
}

TEST(ExplanatorySequence, NarrowFramesKeepMarkersAndWaveformInTheStretchedTiles)
{
    TMemorySequence clip(16, 40, 50);
    TMontageFrames frames(*clip.sequence);
    TExplanatorySettings settings;
    settings.images = 3;
    settings.skip = 1;
    settings.point = QPoint(5, 7);
    const TExplanatoryPicture picture = BuildExplanatorySequence(frames, settings);
    // sx = round(2.5) = 2: tiles 32 x 40, markers in the middle of the stretched pixel.
    ASSERT_EQ(picture.bitmap.width(), 96);
    ASSERT_EQ(picture.bitmap.height(), BandHeight(32) + 80);
    for (int q = 0; q < 3; ++q) {
        EXPECT_EQ(picture.connectors[size_t(q)].p1(), QPoint(32 * q + 11, 7));
        EXPECT_EQ(picture.samples[size_t(q)].x(), int(std::lround(q * (96.0 - 16) / 2 + 16)));
        EXPECT_EQ(GreyAt(picture.bitmap, 32 * q + 30, 30), Value(q, 30, 15));
        EXPECT_EQ(GreyAt(picture.bitmap, 32 * q + 31, 30), Value(q, 30, 15));
    }
}

TEST(ExplanatorySequence, ASkipOfZeroOrASingleSampleIsRefusedWithAMessage)
{
    TMemorySequence clip(16, 8, 50);
    TMontageFrames frames(*clip.sequence);
    const auto refusal = [&](int32_t images, int32_t skip, QPoint point = QPoint(0, 0)) {
        TExplanatorySettings settings;
        settings.images = images;
        settings.skip = skip;
        settings.point = point;
        try {
            BuildExplanatorySequence(frames, settings);
        } catch (const EError& e) {
            return e.Message();
        }
        return QStringLiteral("taken");
    };
    EXPECT_EQ(refusal(10, 0), QStringLiteral("The skip must be at least 1, not 0"));
    EXPECT_TRUE(refusal(1, 1).startsWith(QStringLiteral("One image with a skip of 1")));
    EXPECT_EQ(refusal(1, 2), QStringLiteral("taken"));
    EXPECT_EQ(refusal(2, 1), QStringLiteral("taken"));
    EXPECT_EQ(refusal(0, 2), QStringLiteral("The number of images must be at least 1, not 0"));
    EXPECT_TRUE(refusal(2, 40000).contains(QStringLiteral("at most 65536")));
    EXPECT_TRUE(refusal(10, 2, QPoint(16, 0)).contains(QStringLiteral("outside the image")));
}

TEST(ImageSeries, NamesCarryTheFrameBeforeTheExtensionAndCountsAreChecked)
{
    EXPECT_EQ(ImageSeriesFileName(QStringLiteral("/data/run3.bld"), 57), QStringLiteral("/data/run357.bmp"));
    EXPECT_EQ(ImageSeriesFileName(QStringLiteral("/da.ta/run3"), 0), QStringLiteral("/da.ta/run30.bmp"));
    EXPECT_EQ(ImageSeriesFileName(QStringLiteral("/data/a.b.bld"), 1200), QStringLiteral("/data/a.b1200.bmp"));
    EXPECT_EQ(ImageSeriesCount(QStringLiteral("20"), 128), 20);
    EXPECT_EQ(ImageSeriesCount(QStringLiteral("128"), 128), 128);
    EXPECT_EQ(ImageSeriesCount(QStringLiteral("0"), 128), 0);
    try {
        ImageSeriesCount(QStringLiteral("2O"), 128);
        ADD_FAILURE() << "'2O' was taken";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'2O' is not a valid integer value"));
    }
    EXPECT_THROW(ImageSeriesCount(QStringLiteral("-1"), 128), EError);
    EXPECT_THROW(ImageSeriesCount(QStringLiteral("129"), 128), EError);
}
