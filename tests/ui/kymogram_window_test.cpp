// The Kymo and Waveform windows with the real main window: the frame axis as time navigator,
// rebuilds, clicks, and the waveform's frame reference.
#include "analysis/ui/stremax4.h"
#include "analysis/ui/stremax7.h"
#include "plot/widgets/saxes.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/ui/stremax1.h"

#include <QApplication>
#include <QTest>
#include <tuple>
#include <gtest/gtest.h>

namespace {

class KymogramWindowTest : public ::testing::Test {
protected:
    KymogramWindowTest() : main(errors, clock), kymo(main.Session(), errors), waveform(main.Session(), errors)
    {
        TToolWindows tools;
        tools.kymogram = &kymo;
        tools.waveform = &waveform;
        main.AttachToolWindows(tools);
        scratch.WriteText(QStringLiteral("k.par"), QStringLiteral("RESOLUTION: 12x6\nFRAMES: 1200\n"));
        main.SetCommandLineFile(WriteFrames(scratch, QStringLiteral("k.bld"), 12, 6, 1200, PatternValue));
        kymo.resize(300, 200);
        waveform.resize(300, 200);
        main.FirstActivation();
    }
    void SetSpan(double lo, double hi)
    {
        kymo.TimeAxis().SetRange(lo, hi);
        Q_EMIT kymo.TimeAxis().OnScaleChanged(&kymo.TimeAxis());
    }

    TScratch scratch;
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 main;
    TForm4 kymo;
    TForm7 waveform;
};

}  // namespace

TEST_F(KymogramWindowTest, TheFrameAxisSetsTheSpanTheBitmapAndTheBlock)
{
    EXPECT_EQ(kymo.windowTitle(), QStringLiteral("Kymogram at row 3"));
    SetSpan(100, 199);
    ASSERT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(kymo.Bitmap().width(), 100);
    EXPECT_EQ(kymo.Bitmap().height(), 12);
    EXPECT_EQ(main.Sequence().FirstCachedFrame(), 100);
    // Pixel 0 of line c is frame 100 at column c of the selected row; line 5 differs from line 4
    // exactly as the bytes do.
    TKymogramBuilder reference;
    QImage expected;
    TKymogramSettings settings;
    settings.row = 3;
    settings.span = {100, 100};
    reference.BuildFromCache(main.Sequence().Cache(), settings, expected);
    EXPECT_EQ(kymo.Bitmap(), expected);

    SetSpan(150, 450);  // a wider span: bigger bitmap, block reloaded at the new low end
    EXPECT_EQ(kymo.Bitmap().width(), 301);
    EXPECT_EQ(main.Sequence().FirstCachedFrame(), 150);
}

TEST_F(KymogramWindowTest, OnlyChangesThatAlterItRebuildTheKymogram)
{
    const uint64_t builds = kymo.Builder().BuildCount();
    main.Session().SetSelectedRow(main.View().SelectedRow);
    EXPECT_EQ(kymo.Builder().BuildCount(), builds);
    main.Session().SetSelectedRow(5);
    EXPECT_EQ(kymo.Builder().BuildCount(), builds + 1);
    EXPECT_EQ(kymo.windowTitle(), QStringLiteral("Kymogram at row 5"));
    main.Session().SetEdgeEnhance(true);
    EXPECT_EQ(kymo.Builder().BuildCount(), builds + 2);
    // The last row with edge enhancement: everything is the grey of g = 0, black here.
    for (int y = 0; y < kymo.Bitmap().height(); ++y)
        for (int x = 0; x < kymo.Bitmap().width(); ++x)
            ASSERT_EQ(kymo.Bitmap().pixelColor(x, y), QColor(0, 0, 0));
}

TEST_F(KymogramWindowTest, AClickInTheKymogramPicksFrameAndColumnButNotTheSelectedPoint)
{
    kymo.show();
    main.Session().SetSelectedPoint(2, 2);
    TImageBoxWidget& picture = kymo.Picture();
    const QPoint at(kymo.TimeAxis().ValueToPixel(40), kymo.ColumnAxis().ValueToPixel(9));
    QTest::mouseClick(&picture, Qt::LeftButton, {}, at);
    EXPECT_EQ(main.View().CurrentFrame, 40);
    EXPECT_NEAR(main.ImageXAxis().MarkerValue(), 9, 0.6);
    EXPECT_EQ(main.View().SelectedPoint, QPoint(2, 2));
    EXPECT_EQ(waveform.Pixel(), QPoint(9, 3));
    EXPECT_EQ(kymo.TimeAxis().MarkerValue(), 40);
    EXPECT_EQ(waveform.FrameAxis().MarkerValue(), 40);
}

TEST_F(KymogramWindowTest, ShowingAndClosingTheKymogramMarksTheRowOnTheImage)
{
    kymo.show();
    EXPECT_TRUE(main.View().KymogramShown);
    const int row = main.View().SelectedRow;
    const QColor marked = main.FrameBitmap().pixelColor(0, row);
    kymo.close();
    EXPECT_FALSE(main.View().KymogramShown);
    const QColor plain = main.FrameBitmap().pixelColor(0, row);
    EXPECT_EQ(marked.blue(), 255 - plain.blue());
}

TEST_F(KymogramWindowTest, TheWaveformCountsAbsoluteFramesAndStopsAtTheBlock)
{
    SetSpan(300, 350);
    EXPECT_EQ(waveform.FrameAxis().LoValue(), 300);
    EXPECT_EQ(waveform.FrameAxis().HiValue(), 300 + 256);
    main.Session().SetSelectedPoint(4, 1);
    EXPECT_EQ(waveform.Pixel(), QPoint(4, 1));
    // A pixel constant at 200 draws a horizontal line at 200's height.
    TScratch flat;
    flat.WriteText(QStringLiteral("f.par"), QStringLiteral("RESOLUTION: 4x2\nFRAMES: 300\n"));
    main.OpenSequence(WriteFrames(flat, QStringLiteral("f.bld"), 4, 2, 300, [](int32_t, int32_t, int32_t) {
        return uint8_t(200);
    }));
    main.Session().SetSelectedPoint(1, 1);
    const int y = waveform.ValueAxis().ValueToPixel(200);
    const QImage& plot = waveform.Plot();
    const QRgb background = plot.pixel(plot.width() / 2, y > 20 ? 5 : plot.height() - 5);
    EXPECT_NE(plot.pixel(plot.width() / 2, y), background);
    EXPECT_EQ(plot.pixel(plot.width() / 2, y > 20 ? y - 10 : y + 10), background);
}

TEST_F(KymogramWindowTest, AClickPicksTheFrameAndColumnDrawnUnderTheCursor)
{
    kymo.show();
    main.Session().SetGrayLevel(128);  // neighbouring bytes in different greys
    for (const auto& [lo, hi, size] : {std::tuple{0, 100, QSize(300, 200)}, std::tuple{200, 611, QSize(290, 160)}}) {
        SetSpan(lo, hi);
        kymo.resize(size);
        QApplication::processEvents();
        TImageBoxWidget& picture = kymo.Picture();
        picture.repaint();
        const QImage drawn = picture.BackBuffer();
        for (int x = 0; x < picture.width(); x += 1) {
            const QPoint at(x, picture.height() / 2);
            QTest::mouseClick(&picture, Qt::LeftButton, {}, at);
            const int frame = main.View().CurrentFrame;
            const int column = int(kymo.ColumnAxis().MarkerValue());
            ASSERT_EQ(drawn.pixel(at) & 0xFFFFFFu, kymo.Bitmap().pixel(frame - lo, column) & 0xFFFFFFu)
                << "span " << lo << " at " << x << ": frame " << frame << " column " << column;
        }
    }
}
