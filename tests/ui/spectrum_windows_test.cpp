// The spectrum windows and colorizing with the real main window: frequency picking and its
// status text, the point spectrum's curve, and colorizing the demo's vibrating edges.
#include "analysis/SpectrumStore.h"
#include "analysis/ui/stremax10.h"
#include "analysis/ui/stremax5.h"
#include "plot/widgets/saxes.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "tools/DemoSequence.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/ui/stremax1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// A small demo: 64 x 48 pixels, 512 frames at 4000 frames/s, folds moving at 250 Hz (bin 16).
TDemoParameters SmallDemo()
{
    TDemoParameters p;
    p.width = 64;
    p.height = 48;
    p.frames = 512;
    p.foldTop = 6;
    p.foldBottom = 37;
    p.textureTop = 41;
    p.maxAmplitude = 4;
    p.phaseLagPerRow = 3.14159265358979323846 / 32;
    return p;
}

class SpectrumWindowsTest : public ::testing::Test {
protected:
    SpectrumWindowsTest() : main(errors, clock), point(main.Session(), errors), rows(main.Session(), errors)
    {
        point.resize(400, 300);
        rows.resize(400, 300);
        main.FirstActivation();
    }
    void OpenDemo()
    {
        const QString bld = scratch.Path(QStringLiteral("demo.bld"));
        WriteDemoSequence(bld, demo);
        main.OpenSequence(bld);
        ASSERT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char(' ')).toStdString();
    }
    QColor Shown(int32_t column, int32_t row) const { return main.FrameBitmap().pixelColor(column, row); }
    static bool Grey(const QColor& c) { return c.red() == c.green() && c.green() == c.blue(); }

    TScratch scratch;
    TDemoParameters demo = SmallDemo();
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 main;
    TForm5 point;
    TForm10 rows;
};

}  // namespace

TEST_F(SpectrumWindowsTest, AClickOnTheFrequencyAxisSnapsToTheBinAndShowsIt)
{
    // No header: 1904 frames/s, S = 256, so bin 1 is 7.4375 Hz.
    main.OpenSequence(WriteFrames(scratch, QStringLiteral("plain.bld"), 8, 4, 300, PatternValue));
    EXPECT_EQ(point.FrequencyAxis().HiValue(), 952);
    main.Session().SetSelectedFrequency(9.0);
    EXPECT_EQ(main.Spectra().SelectedBin(), 1);
    EXPECT_EQ(main.Spectra().SelectedFrequency(), 7.4375);
    EXPECT_EQ(main.StatusText(TStatusPanel::frequency), QStringLiteral("f=7.4"));
    EXPECT_EQ(point.FrequencyAxis().MarkerValue(), 7.4375);
    EXPECT_EQ(rows.FrequencyAxis().MarkerValue(), 7.4375);
    // A frequency in the same bin stays as given.
    main.Session().SetSelectedFrequency(8.0);
    EXPECT_EQ(main.Spectra().SelectedFrequency(), 8.0);
    EXPECT_EQ(main.StatusText(TStatusPanel::frequency), QStringLiteral("f=8.0"));
    // Through the mouse: the point-spectrum picture picks what its axis reads.
    QTest::mouseClick(&point.Picture(), Qt::LeftButton, {}, QPoint(point.FrequencyAxis().ValueToPixel(300), 20));
    EXPECT_EQ(main.Spectra().SelectedBin(), RoundToInt(point.FrequencyAxis().PixelToValue(
                                                           point.FrequencyAxis().ValueToPixel(300)) / 1904 * 256));
}

TEST_F(SpectrumWindowsTest, ThePointSpectrumOfAFoldEdgePeaksAtTheFundamental)
{
    OpenDemo();
    // A pixel on the left fold edge of a middle row: the gap edge passes over it.
    const int32_t row = (demo.foldTop + demo.foldBottom) / 2;
    const int32_t column = int32_t((demo.width - 1) / 2.0 - demo.maxAmplitude * 0.6);
    main.Session().SetSelectedPoint(column, row);
    ASSERT_TRUE(point.HasCurve());
    EXPECT_EQ(point.windowTitle(), QStringLiteral("Spectrum at %1:%2").arg(column).arg(row));
    const TSpectrumStore& store = main.Spectra();
    int32_t peak = 1;
    for (int32_t bin = 1; bin < store.FFTLength() / 2; ++bin)
        if (store.Power(bin, row, column) > store.Power(peak, row, column))
            peak = bin;
    EXPECT_EQ(store.BinFrequency(peak), demo.fundamentalHz);
}

TEST_F(SpectrumWindowsTest, AConstantPixelShowsNoCurveAndSaysSo)
{
    scratch.WriteText(QStringLiteral("flat.par"), QStringLiteral("RESOLUTION: 8x4\nFRAMES: 300\n"));
    main.OpenSequence(WriteFrames(scratch, QStringLiteral("flat.bld"), 8, 4, 300,
                                  [](int32_t, int32_t, int32_t) { return uint8_t(90); }));
    point.show();
    main.Session().SetSelectedPoint(5, 2);
    EXPECT_FALSE(point.HasCurve());
    EXPECT_TRUE(point.windowTitle().startsWith(QStringLiteral("Spectrum at 5:2")));
    EXPECT_TRUE(point.windowTitle().contains(QStringLiteral("no spectrum")));

    // Another sequence: the same pixel is drawn from the new block, not left as it was.
    scratch.WriteText(QStringLiteral("moving.par"), QStringLiteral("RESOLUTION: 8x4\nFRAMES: 300\n"));
    main.OpenSequence(WriteFrames(scratch, QStringLiteral("moving.bld"), 8, 4, 300, PatternValue));
    EXPECT_TRUE(point.HasCurve());
    EXPECT_EQ(point.windowTitle(), QStringLiteral("Spectrum at 5:2"));
}

TEST_F(SpectrumWindowsTest, ColorizingColoursTheMovingEdgesAndLeavesTheBackgroundGrey)
{
    OpenDemo();
    main.Session().SetSelectedFrequency(demo.fundamentalHz);
    EXPECT_EQ(main.Spectra().SelectedBin(), 16);
    main.Colorize(true);
    EXPECT_TRUE(main.ColorizeButtonDown());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const int32_t row = (demo.foldTop + demo.foldBottom) / 2;
    int coloured = 0;
    for (int32_t x = 0; x < demo.width; ++x)
        coloured += Grey(Shown(x, row)) ? 0 : 1;
    EXPECT_GT(coloured, 0);
    EXPECT_TRUE(Grey(Shown(2, 2)));  // still background
    EXPECT_TRUE(Grey(Shown(demo.width - 3, 1)));

    // With phase as hue the travelling wave turns the hue along the rows.
    main.Session().SetShowPhase(true);
    const auto edgeColumn = [&](int32_t y) {
        int32_t best = 0;
        int bestSpread = -1;
        for (int32_t x = 0; x < demo.width / 2; ++x) {
            const QColor c = Shown(x, y);
            const int spread = std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
            if (spread > bestSpread) {
                bestSpread = spread;
                best = x;
            }
        }
        return Shown(best, y);
    };
    const QColor upper = edgeColumn(demo.foldTop + 8);
    const QColor lower = edgeColumn(demo.foldBottom - 8);
    EXPECT_GT(std::abs(upper.hsvHue() - lower.hsvHue()), 20);

    // A new block draws the button up; the image is grey again until spectra return.
    main.Session().HoldFrames(600, 1);  // beyond the block of frames 0 … 511
    EXPECT_FALSE(main.ColorizeButtonDown());
    main.RenderFrame();
    EXPECT_TRUE(Grey(Shown(demo.width / 2 - 2, row)));
}

TEST_F(SpectrumWindowsTest, TheRowSpectrumImageAndTheLegendsReachTheClipboard)
{
    OpenDemo();
    EXPECT_EQ(rows.Bitmap().size(), QSize(128, demo.height));
    main.Action(QStringLiteral("Copy grayscale"))->trigger();
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());
    main.Action(QStringLiteral("Copy color legend"))->trigger();
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());
    EXPECT_TRUE(errors.messages.isEmpty());
}
