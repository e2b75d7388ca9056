// The main window: opening, picking with the mouse, playback against a driven clock.
#include "plot/saxes.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "analysis/SpectrumStore.h"
#include "viewer/ErrorHandler.h"
#include "viewer/ImageBoxWidget.h"
#include "viewer/stremax1.h"
#include "viewer/stremax2.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr double kSecond = 1.0 / 86400;

// Records what the session asks of the analysis windows: plots drawn, kymograms built.
class TWindowRecorder {
public:
    explicit TWindowRecorder(TViewerSession& session)
    {
        QObject::connect(&session, &TViewerSession::pointPlotsRequested,
                         [this](int32_t column, int32_t row) { points << QPoint(column, row); });
        QObject::connect(&session, &TViewerSession::selectedRowChanged, [this] { ++builds; });
        QObject::connect(&session, &TViewerSession::kymogramRebuildRequested, [this] { ++builds; });
        QObject::connect(&session, &TViewerSession::kymogramSpanChanged, [this] { ++builds; });
    }
    QList<QPoint> points;
    int builds = 0;
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : form(errors, clock), windows(form.Session())
    {
        clock.now = 100;
        form.resize(400, 400);
    }
    const TAxisScale& Span() const { return const_cast<TForm1&>(form).Session().KymogramSpan(); }
    // A 40 x 20 sequence of 300 frames at 50 frames/s.
    QString WriteSequence()
    {
        scratch.WriteText(QStringLiteral("clip.par"),
                          QStringLiteral("RESOLUTION: 40x20\nFRAMES/S: 50\nFRAMES: 300\n"));
        return WriteFrames(scratch, QStringLiteral("clip.bld"), 40, 20, 300, PatternValue);
    }
    // The box position whose image pixel is (column, row).
    QPoint BoxPosition(int32_t column, int32_t row)
    {
        return QPoint(form.ImageXAxis().ValueToPixel(column), form.ImageYAxis().ValueToPixel(row));
    }
    void Tick(double seconds)
    {
        clock.now += seconds * kSecond;
        form.PlaybackTick();
    }

    TScratch scratch;
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 form;
    TWindowRecorder windows;
};

}  // namespace

TEST_F(MainWindowTest, TheFirstActivationSetsTheDefaultsAndOpensTheCommandLineFile)
{
    const QString bld = WriteSequence();
    form.SetCommandLineFile(bld);
    form.FirstActivation();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form.windowTitle(), bld + QStringLiteral(" - Tremax"));
    EXPECT_EQ(form.ApplicationTitle(), QStringLiteral("clip.bld - Tremax"));
    EXPECT_EQ(QApplication::applicationDisplayName(), QApplication::applicationName());  // never in every title
    EXPECT_EQ(form.View().SelectedRow, 10);  // Height div 2
    EXPECT_EQ(form.Sequence().Width(), 40);
    EXPECT_EQ(form.FrameBitmap().size(), QSize(40, 20));
    EXPECT_EQ(form.ImageXAxis().HiValue(), 39);
    EXPECT_EQ(form.ImageYAxis().HiValue(), 19);
    EXPECT_EQ(Span().MaxHiValue(), 299);
    EXPECT_TRUE(form.Action(QStringLiteral("Properties..."))->isEnabled());
    // The current frame was already 0: the status bar was not touched by the open.
    EXPECT_EQ(form.StatusText(0), QString());
    form.SetCurrentFrame(3);
    EXPECT_EQ(form.StatusText(0), QStringLiteral("Frame #:3"));
    form.OpenSequence(bld);
    EXPECT_EQ(form.StatusText(0), QStringLiteral("Frame #:0"));
    EXPECT_EQ(form.View().CurrentFrame, 0);
}

TEST_F(MainWindowTest, WithoutAFileTheCaptionSaysNoneAndAMissingFileChangesNothing)
{
    form.SetCommandLineFile(scratch.Path(QStringLiteral("missing.bld")));
    form.FirstActivation();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tremax (none)"));
    EXPECT_FALSE(form.Action(QStringLiteral("Properties..."))->isEnabled());
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(form.Sequence().Width(), 64);
    EXPECT_EQ(form.Sequence().CacheSize(), 512);
}

TEST_F(MainWindowTest, AFailedOpenLeavesTheWindowAsItWasAndTheWindowCarriesOn)
{
    const QString good = WriteSequence();
    form.SetCommandLineFile(good);
    form.FirstActivation();
    form.SetCurrentFrame(7);
    QStringList opened;
    QObject::connect(&form, &TForm1::sequenceOpened, [&](const QString& name) { opened << name; });
    scratch.WriteText(QStringLiteral("bad.par"), QStringLiteral("RESOLUTION: 30x10\nFRAMES/S: quick\n"));
    const QString bld = WriteFrames(scratch, QStringLiteral("bad.bld"), 30, 10, 5, PatternValue);
    errors.Guarded([&] { form.OpenSequence(bld); });
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_EQ(errors.messages[0], QStringLiteral("bad.par, line 2: ' quick' is not a valid floating point value (FRAMES/S:)"));
    EXPECT_EQ(form.windowTitle(), good + QStringLiteral(" - Tremax"));
    EXPECT_EQ(form.Sequence().Header().FileName, good);
    EXPECT_EQ(form.Sequence().Width(), 40);
    EXPECT_EQ(form.FrameBitmap().size(), QSize(40, 20));
    EXPECT_EQ(form.View().CurrentFrame, 7);
    EXPECT_TRUE(opened.isEmpty());  // not in the recent files
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A folder given as the sequence is named as such.
    errors.Guarded([&] { form.OpenSequence(scratch.Path(QString())); });
    ASSERT_EQ(errors.messages.size(), 2);
    EXPECT_TRUE(errors.messages[1].endsWith(QStringLiteral("it is a folder, not a frame file")));

    // The next open works.
    errors.Guarded([&] { form.OpenSequence(bld.left(bld.size() - 7) + QStringLiteral("clip.bld")); });
    EXPECT_EQ(errors.messages.size(), 2);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(form.View().CurrentFrame, 0);
}

TEST_F(MainWindowTest, ALeftClickPicksPointAndRowAndARightDragOnlyTheRow)
{
    form.SetCommandLineFile(WriteSequence());
    form.show();
    form.FirstActivation();
    TImageBoxWidget& box = form.ImageBox();
    QTest::mouseClick(&box, Qt::LeftButton, {}, BoxPosition(7, 3));
    EXPECT_EQ(form.View().SelectedPoint, QPoint(7, 3));
    EXPECT_EQ(form.View().SelectedRow, 3);
    EXPECT_EQ(form.ImageYAxis().MarkerValue(), 3);  // through the middle of the picked pixel
    ASSERT_FALSE(windows.points.isEmpty());
    EXPECT_EQ(windows.points.back(), QPoint(7, 3));
    const int drawnPoints = int(windows.points.size());
    const int builds = windows.builds;

    QTest::mousePress(&box, Qt::RightButton, {}, BoxPosition(20, 5));
    QMouseEvent move(QEvent::MouseMove, BoxPosition(21, 15), box.mapToGlobal(BoxPosition(21, 15)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &move);
    QTest::mouseRelease(&box, Qt::RightButton, {}, BoxPosition(21, 15));
    EXPECT_EQ(form.View().SelectedRow, 15);
    EXPECT_EQ(form.View().SelectedPoint, QPoint(7, 3));
    EXPECT_EQ(windows.points.size(), drawnPoints);
    EXPECT_GT(windows.builds, builds);
}

TEST_F(MainWindowTest, APickOutsideTheImageTakesTheNearestPixel)
{
    form.SetCommandLineFile(WriteSequence());
    form.show();
    form.FirstActivation();
    TImageBoxWidget& box = form.ImageBox();
    QTest::mousePress(&box, Qt::LeftButton, {}, BoxPosition(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPoint(-50, box.height() + 80), QPoint(), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&box, &move);
    EXPECT_EQ(form.View().SelectedPoint, QPoint(0, 19));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(box.width() + 99, -7));
    EXPECT_EQ(form.View().SelectedPoint, QPoint(39, 0));
    EXPECT_EQ(form.View().SelectedRow, 0);
}

TEST_F(MainWindowTest, PlaybackFollowsTheClockAndLoopsOverTheKymogramSpan)
{
    form.SetCommandLineFile(WriteSequence());
    form.FirstActivation();
    form.SetPlayButton(true);
    EXPECT_TRUE(form.PlayButtonDown());
    for (int i = 0; i < 50; ++i)
        Tick(0.02);
    EXPECT_EQ(form.View().CurrentFrame, 20);  // 20 frames/s for one second
    EXPECT_EQ(form.StatusText(0), QStringLiteral("Frame #:20"));
    Tick(4.0);  // frame 100: still inside 0 … 100
    EXPECT_EQ(form.View().CurrentFrame, 100);
    Tick(0.05);  // frame 101: wraps to just after the low end
    EXPECT_EQ(form.View().CurrentFrame, 1);
    Tick(0.5);
    EXPECT_EQ(form.View().CurrentFrame, 11);

    // A rate change continues from the frame shown.
    form.SetPlaybackRate(-20);
    EXPECT_EQ(form.View().CurrentFrame, 11);
    Tick(0.5);
    EXPECT_EQ(form.View().CurrentFrame, 1);
    Tick(0.1);  // frame -1 < 0: restarts at the high end
    EXPECT_EQ(form.View().CurrentFrame, 100);

    form.ReleasePlayButton();
    Tick(1);
    EXPECT_EQ(form.View().CurrentFrame, 100);
}

TEST_F(MainWindowTest, ThePlayButtonAnchorsAtTheFrameShown)
{
    form.SetCommandLineFile(WriteSequence());
    form.FirstActivation();
    form.SetCurrentFrame(40);
    clock.now += 7 * kSecond;  // time passing while stopped does not count
    form.SetPlayButton(true);
    EXPECT_EQ(form.View().PlayAnchorFrame, 40);
    Tick(0.5);
    EXPECT_EQ(form.View().CurrentFrame, 50);
}

TEST_F(MainWindowTest, LeavingTheKymogramSpanCentresItOnTheFrame)
{
    form.SetCommandLineFile(WriteSequence());
    form.FirstActivation();
    const int builds = windows.builds;
    form.SetCurrentFrame(250);
    // 200 … 300 would reach past the last frame (299): shifted inside, the width kept.
    EXPECT_EQ(Span().LoValue(), 199);
    EXPECT_EQ(Span().HiValue(), 299);
    EXPECT_EQ(Span().MarkerValue(), 250);
    EXPECT_GT(windows.builds, builds);
}

TEST_F(MainWindowTest, ControlsAndMainWindowMirrorEachOtherWithoutEchoing)
{
    TForm2 controls(form);
    form.AttachControls(&controls);
    form.FirstActivation();
    EXPECT_EQ(controls.WhiteLevel(), 255);
    EXPECT_EQ(controls.GrayLevel(), 64);
    EXPECT_EQ(controls.PlaybackRateTenths(), 200);
    EXPECT_EQ(controls.SpectrumWhite(), -90);
    controls.SetWhiteLevel(200);
    EXPECT_EQ(form.View().WhiteLevel, 200);
    form.SetPlaybackRate(2.5);
    EXPECT_EQ(controls.PlaybackRateTenths(), 25);
    form.SetEdgeEnhance(true);
    EXPECT_TRUE(controls.EdgeEnhance());
    EXPECT_TRUE(form.View().EdgeEnhance);
}

TEST_F(MainWindowTest, AShortFileSaysHowManyFramesItHolds)
{
    form.FirstActivation();
    scratch.WriteText(QStringLiteral("short.par"), QStringLiteral("RESOLUTION: 40x20\nFRAMES/S: 50\nFRAMES: 300\n"));
    // Ten whole frames and half a row of the eleventh.
    QFile whole(WriteFrames(scratch, QStringLiteral("short.bld"), 40, 20, 11, PatternValue));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QByteArray bytes = whole.readAll();
    whole.close();
    bytes.truncate(10 * 800 + 20);
    const QString bld = scratch.Write(QStringLiteral("short.bld"), bytes);
    form.OpenSequence(bld);
    EXPECT_EQ(form.StatusText(TForm1::kNoticePanel), QStringLiteral("The file holds 10 of 300 frames"));
    EXPECT_EQ(form.Sequence().Header().FrameCount, 300);
    form.SetCurrentFrame(10);  // the eleventh frame: its rows are all grey 127
    EXPECT_EQ(form.FrameBitmap().pixelColor(0, 0), form.FrameBitmap().pixelColor(39, 19));
    // A whole file clears the notice.
    form.OpenSequence(WriteSequence());
    EXPECT_EQ(form.StatusText(TForm1::kNoticePanel), QString());
}

TEST_F(MainWindowTest, TheTaskbarTitleIsEveryWindowsIconName)
{
    TForm2 controls(form);
    form.AttachControls(&controls);
    QWidget kymogram;
    TToolWindows tools;
    tools.kymogram = &kymogram;
    form.AttachToolWindows(tools);
    form.FirstActivation();
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    EXPECT_EQ(form.windowIconText(), QStringLiteral("Tremax"));
    form.OpenSequence(WriteSequence());
    for (QWidget* window : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&controls), &kymogram})
        EXPECT_EQ(window->windowIconText(), QStringLiteral("clip.bld - Tremax")) << window->metaObject()->className();
    QT_WARNING_POP
    EXPECT_EQ(controls.windowTitle(), QStringLiteral("Controls"));  // the titles stay
}

TEST_F(MainWindowTest, ThePropertiesDialogRunsOnceAndClosesWithEscape)
{
    form.SetCommandLineFile(WriteSequence());
    form.FirstActivation();
    int shown = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++shown;
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    closer.start(5);
    form.Action(QStringLiteral("Properties..."))->trigger();
    closer.stop();
    EXPECT_EQ(shown, 1);
}

namespace {

// Clicks along the middle row and column of the box, at every size given, and checks that the
// pixel picked is the one drawn there: the back buffer at the click shows the picked pixel's
// colour, and each tick of the image axes lies on a pixel that shows its own column or row.
void ExpectPicksWhatIsDrawn(TForm1& form, const std::vector<QSize>& sizes)
{
    TImageBoxWidget& box = form.ImageBox();
    for (const QSize& size : sizes) {
        form.resize(size);
        QApplication::processEvents();
        box.repaint();
        const QImage drawn = box.BackBuffer();
        const QImage& image = form.FrameBitmap();
        const auto check = [&](QPoint at) {
            QTest::mouseClick(&box, Qt::LeftButton, {}, at);
            const QPoint picked = form.View().SelectedPoint;
            ASSERT_EQ(drawn.pixel(at) & 0xFFFFFFu, image.pixel(picked) & 0xFFFFFFu)
                << "box " << box.width() << "x" << box.height() << " at " << at.x() << "," << at.y() << " picked "
                << picked.x() << "," << picked.y();
        };
        const int y = box.height() / 2;
        for (int x = 0; x < box.width(); ++x)
            check(QPoint(x, y));
        const int row = int(form.View().SelectedPoint.y());
        for (const TAxisTick& tick : form.ImageXAxis().Ticks())
            // Where pixels are drawn at least one box pixel wide: smaller ones may not show at all.
            if (tick.value <= image.width() - 1 && image.width() <= box.width()) {
                EXPECT_EQ(drawn.pixel(tick.pixel, y) & 0xFFFFFFu, image.pixel(int(tick.value), row) & 0xFFFFFFu)
                    << "tick " << tick.value;
            }
        for (int y = 0; y < box.height(); ++y)
            check(QPoint(box.width() / 3, y));
    }
}

}  // namespace

TEST_F(MainWindowTest, AClickPicksThePixelDrawnUnderTheCursor)
{
    // Levels that draw neighbouring bytes as different greys.
    form.SetCommandLineFile(WriteSequence());
    form.show();
    form.FirstActivation();
    form.SetGrayLevel(128);
    ExpectPicksWhatIsDrawn(form, {QSize(400, 400), QSize(523, 317), QSize(187, 260), QSize(1031, 777)});

    // An image larger than the box.
    scratch.WriteText(QStringLiteral("big.par"), QStringLiteral("RESOLUTION: 300x200\nFRAMES/S: 50\nFRAMES: 3\n"));
    form.OpenSequence(WriteFrames(scratch, QStringLiteral("big.bld"), 300, 200, 3, [](int32_t, int32_t r, int32_t c) {
        return uint8_t((c * 5 + r * 11) % 256);
    }));
    ExpectPicksWhatIsDrawn(form, {QSize(200, 240), QSize(290, 301)});
}

TEST_F(MainWindowTest, TheColorizingSweepShowsItsRowsRepaintsAndStopsAtEscape)
{
    form.SetCommandLineFile(WriteSequence());
    form.show();
    form.FirstActivation();
    const TSpectrumStore& spectra = form.Spectra();
    // Queued before the sweep: they can only be handled while it runs.
    QString shownWhileRunning;
    bool ranDuringTheSweep = false;
    QTimer::singleShot(0, &form, [&] {
        ranDuringTheSweep = spectra.Sweeping();
        shownWhileRunning = form.StatusText(TForm1::kNoticePanel);
    });
    QCoreApplication::postEvent(&form, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    form.Colorize(true);
    EXPECT_TRUE(ranDuringTheSweep);
    EXPECT_EQ(shownWhileRunning, QStringLiteral("Colorizing: 1 of 20 rows"));
    EXPECT_EQ(form.StatusText(TForm1::kNoticePanel), QStringLiteral("Colorizing cancelled: 1 of 20 rows"));
    EXPECT_TRUE(spectra.SpectrumValid(0, 39));
    EXPECT_FALSE(spectra.SpectrumValid(1, 0));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Again, undisturbed: the rest is computed and the notice goes.
    form.Colorize(true);
    EXPECT_TRUE(spectra.SpectrumValid(19, 39));
    EXPECT_EQ(form.StatusText(TForm1::kNoticePanel), QString());
}
