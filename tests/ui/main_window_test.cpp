// The main window: opening, picking with the mouse, playback against a driven clock.
#include "platform/bus/ApplicationWindow.h"
#include "plot/widgets/saxes.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "analysis/SpectrumStore.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/ui/stremax1.h"
#include "viewer/ui/stremax2.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
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
        form.Session().PlaybackTick();
    }

    TScratch scratch;
    TFakeClock clock;
    TRecordingErrors errors;
    TApplicationWindow bus;  // the link's window, on no bus: no companion can answer
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
    // The frame number shows from the start, before the frame first changes.
    EXPECT_EQ(form.StatusText(TStatusPanel::frame), QStringLiteral("Frame #:0"));
    form.Session().SetCurrentFrame(3);
    EXPECT_EQ(form.StatusText(TStatusPanel::frame), QStringLiteral("Frame #:3"));
    form.OpenSequence(bld);
    EXPECT_EQ(form.StatusText(TStatusPanel::frame), QStringLiteral("Frame #:0"));
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

TEST_F(MainWindowTest, WithoutASequenceNothingPlaysCopiesOrExportsAndTheWindowInvitesAnOpen)
{
    form.FirstActivation();
    // The start state inside stays: 64 x 64 pixels, 128 frames.
    EXPECT_EQ(form.Sequence().Width(), 64);
    EXPECT_EQ(form.Sequence().Height(), 64);
    EXPECT_EQ(form.Sequence().Header().FrameCount, 128);
    EXPECT_EQ(form.StatusText(TStatusPanel::frame), QStringLiteral("Frame #:0"));
    const QStringList needSequence = {
        "Play", "Spectral colorizing", "Save SMP...", "Save several images...", "Export data...", "Copy image",
        "Copy kymogram", "Copy point spectrum", "Copy Image sequence", "Copy explanatory image sequence",
        "Copy spectrum", "Properties...", "Next frame", "Last frame", "One span on", "Go to frame..."};
    for (const QString& caption : needSequence) {
        QAction* action = form.Action(caption);
        ASSERT_NE(action, nullptr) << caption.toStdString();
        EXPECT_FALSE(action->isEnabled()) << caption.toStdString();
    }
    // Neither F8 nor the step keys run through the made-up frames.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_F8);
    QTest::keyClick(&form, Qt::Key_End);
    EXPECT_FALSE(form.PlayButtonDown());
    EXPECT_EQ(form.View().CurrentFrame, 0);
    // What opens one: the open action, a drop, the recent files.
    const QString invitation = form.ImageBox().Invitation();
    EXPECT_TRUE(invitation.contains(QStringLiteral("Ctrl+O"))) << invitation.toStdString();
    EXPECT_TRUE(invitation.contains(QStringLiteral("drop"))) << invitation.toStdString();
    EXPECT_TRUE(invitation.contains(QStringLiteral("recent"))) << invitation.toStdString();
    EXPECT_TRUE(form.Action(QStringLiteral("Open image sequence"))->isEnabled());
    // The legends need no sequence.
    EXPECT_TRUE(form.Action(QStringLiteral("Copy color legend"))->isEnabled());

    form.OpenSequence(WriteSequence());
    for (const QString& caption : needSequence)
        EXPECT_TRUE(form.Action(caption)->isEnabled()) << caption.toStdString();
    EXPECT_TRUE(form.ImageBox().Invitation().isEmpty());
    QTest::keyClick(&form, Qt::Key_End);
    EXPECT_EQ(form.View().CurrentFrame, 299);
}

TEST_F(MainWindowTest, AHeaderOpensItsFrameFileAndAMissingHeaderIsNoticed)
{
    const QString bld = WriteSequence();
    form.FirstActivation();
    QStringList opened;
    QObject::connect(&form, &TForm1::sequenceOpened, [&](const QString& name) { opened << name; });
    // The ".par" chosen in place of the sequence: the frames of the ".bld", named after it.
    form.OpenSequence(scratch.Path(QStringLiteral("clip.par")));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form.windowTitle(), bld + QStringLiteral(" - Tremax"));
    EXPECT_EQ(form.Sequence().Header().FileName, bld);
    EXPECT_EQ(form.Sequence().Width(), 40);
    EXPECT_EQ(form.Sequence().Header().FrameCount, 300);
    EXPECT_EQ(opened, QStringList{bld});
    EXPECT_EQ(form.StatusText(TStatusPanel::notice), QString());
    // A ".dsc" in another case does the same.
    scratch.WriteText(QStringLiteral("CLIP.DSC"), QStringLiteral("RESOLUTION: 40x20\nFRAMES/S: 50\nFRAMES: 300\n"));
    form.OpenSequence(scratch.Path(QStringLiteral("CLIP.DSC")));
    EXPECT_EQ(form.Sequence().Header().FileName, bld);
    // A header without its frame file says so, and nothing changes.
    scratch.WriteText(QStringLiteral("lone.par"), QStringLiteral("RESOLUTION: 8x8\n"));
    errors.Guarded([&] { form.OpenSequence(scratch.Path(QStringLiteral("lone.par"))); });
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(QStringLiteral("\"lone.bld\" is missing"))) << errors.messages[0].toStdString();
    EXPECT_EQ(form.Sequence().Header().FileName, bld);

    // A text file named ".bld" with no header opens with the default sizes, and says so.
    const QString text = scratch.WriteText(QStringLiteral("notes.bld"), QStringLiteral("just some text\n"));
    form.OpenSequence(text);
    EXPECT_EQ(form.Sequence().Width(), 256);
    const QString notice = form.StatusText(TStatusPanel::notice);
    EXPECT_TRUE(notice.startsWith(QStringLiteral("No header (.par or .dsc) beside notes.bld: defaults used, 256 x 64 "
                                                 "pixels, 2048 frames at 1904 frames/s")))
        << notice.toStdString();
    EXPECT_TRUE(notice.endsWith(QStringLiteral("The file holds 0 of 2048 frames"))) << notice.toStdString();
}

TEST_F(MainWindowTest, AFailedOpenLeavesTheWindowAsItWasAndTheWindowCarriesOn)
{
    const QString good = WriteSequence();
    form.SetCommandLineFile(good);
    form.FirstActivation();
    form.Session().SetCurrentFrame(7);
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

TEST_F(MainWindowTest, TheSpeckleTraceKeepsTheFrequencyShownAndGoesWithItsFile)
{
    const auto value = [](int32_t frame, int32_t row, int32_t column) {
        return uint8_t(20 + (column * 7 + row * 13 + frame) % 40);  // dark, with texture to follow
    };
    scratch.WriteText(QStringLiteral("dark.par"), QStringLiteral("RESOLUTION: 120x60\nFRAMES/S: 50\nFRAMES: 200\n"));
    form.SetCommandLineFile(WriteFrames(scratch, QStringLiteral("dark.bld"), 120, 60, 200, value));
    form.show();
    form.FirstActivation();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.Session().SetSelectedFrequency(10);
    const QString frequency = form.StatusText(TStatusPanel::frequency);
    ASSERT_TRUE(frequency.startsWith(QStringLiteral("f="))) << frequency.toStdString();
    form.Session().SetSpeckleOn(true);
    TImageBoxWidget& box = form.ImageBox();
    const QPoint at = BoxPosition(60, 30);
    QTest::mouseClick(&box, Qt::LeftButton, {}, at);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(form.Session().SpeckleTrace().Tracked());
    // The run's progress shared the frequency's panel; the frequency is back once it is over.
    EXPECT_EQ(form.StatusText(TStatusPanel::frequency), frequency);
    // The current point's circle is filled in a colour seen on a dark image, not black.
    const QImage drawn = box.grab().toImage();
    const QPointF point = form.Session().SpeckleTrace().Points()[0];
    const QPoint centre(form.ImageXAxis().ValueToPixel(point.x()), form.ImageYAxis().ValueToPixel(point.y()));
    EXPECT_EQ(drawn.pixel(centre) & 0xFFFFFF, 0xFFFF00u);

    // Another file: the old trace is gone from the image.
    form.OpenSequence(WriteSequence());
    EXPECT_FALSE(form.Session().SpeckleTrace().Tracked());
    const QImage after = box.grab().toImage();
    int marks = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const QRgb pixel = after.pixel(x, y);
            marks += qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel);  // the frames are grey
        }
    EXPECT_EQ(marks, 0);
}

TEST_F(MainWindowTest, SwitchingTheLinkSaysWhetherACompanionAnswered)
{
    form.SetCommandLineFile(WriteSequence());
    form.FirstActivation();
    form.AttachLink(bus);
    QAction* linkTo = form.Action(QStringLiteral("&Link to Sonel"));
    ASSERT_NE(linkTo, nullptr);
    linkTo->trigger();
    EXPECT_TRUE(linkTo->isChecked());
    EXPECT_TRUE(form.StatusText(TStatusPanel::notice).startsWith(QStringLiteral("Link to Sonel is on, but no companion answered")))
        << form.StatusText(TStatusPanel::notice).toStdString();
    linkTo->trigger();
    EXPECT_EQ(form.StatusText(TStatusPanel::notice), QStringLiteral("Link to Sonel is off"));
    form.Action(QStringLiteral("Link from Sonel"))->trigger();
    EXPECT_TRUE(form.StatusText(TStatusPanel::notice).startsWith(QStringLiteral("Link from Sonel is on, but no companion answered")));
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

// The clock, loop and span rules are the session's (tests/session): here the button drives them.
TEST_F(MainWindowTest, ThePlayButtonPlaysTheSessionAndTheFramePanelFollows)
{
    form.SetCommandLineFile(WriteSequence());
    form.FirstActivation();
    form.SetPlayButton(true);
    EXPECT_TRUE(form.PlayButtonDown());
    EXPECT_TRUE(form.Session().Playing());
    for (int i = 0; i < 50; ++i)
        Tick(0.02);
    EXPECT_EQ(form.StatusText(TStatusPanel::frame), QStringLiteral("Frame #:20"));  // 20 frames/s for one second
    form.ReleasePlayButton();
    EXPECT_FALSE(form.Session().Playing());
    form.Session().SetPlaying(true);  // as the link's stop does it, the other way round
    EXPECT_TRUE(form.PlayButtonDown());
}

TEST_F(MainWindowTest, ControlsAndSessionMirrorEachOtherWithoutEchoing)
{
    TForm2 controls(form.Session());
    form.AttachControls(&controls);
    form.FirstActivation();
    EXPECT_EQ(controls.WhiteLevel(), 255);
    EXPECT_EQ(controls.GrayLevel(), 64);
    EXPECT_EQ(controls.PlaybackRateTenths(), 200);
    EXPECT_EQ(controls.SpectrumWhite(), -90);
    controls.SetWhiteLevel(200);
    EXPECT_EQ(form.View().WhiteLevel, 200);
    form.Session().SetPlaybackRate(2.5);
    EXPECT_EQ(controls.PlaybackRateTenths(), 25);
    form.Session().SetEdgeEnhance(true);
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
    EXPECT_EQ(form.StatusText(TStatusPanel::notice), QStringLiteral("The file holds 10 of 300 frames"));
    EXPECT_EQ(form.Sequence().Header().FrameCount, 300);
    form.Session().SetCurrentFrame(10);  // the eleventh frame: its rows are all grey 127
    EXPECT_EQ(form.FrameBitmap().pixelColor(0, 0), form.FrameBitmap().pixelColor(39, 19));
    // A whole file clears the notice.
    form.OpenSequence(WriteSequence());
    EXPECT_EQ(form.StatusText(TStatusPanel::notice), QString());
}

TEST_F(MainWindowTest, TheTaskbarTitleIsEveryWindowsIconName)
{
    TForm2 controls(form.Session());
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
    form.Session().SetGrayLevel(128);
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
        shownWhileRunning = form.StatusText(TStatusPanel::notice);
    });
    QCoreApplication::postEvent(&form, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    form.Colorize(true);
    EXPECT_TRUE(ranDuringTheSweep);
    EXPECT_EQ(shownWhileRunning, QStringLiteral("Colorizing: 1 of 20 rows"));
    EXPECT_EQ(form.StatusText(TStatusPanel::notice), QStringLiteral("Colorizing cancelled: 1 of 20 rows"));
    EXPECT_TRUE(spectra.SpectrumValid(0, 39));
    EXPECT_FALSE(spectra.SpectrumValid(1, 0));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Again, undisturbed: the rest is computed and the notice goes.
    form.Colorize(true);
    EXPECT_TRUE(spectra.SpectrumValid(19, 39));
    EXPECT_EQ(form.StatusText(TStatusPanel::notice), QString());
}

TEST_F(MainWindowTest, AStatusTipIsNeverWrittenOverTheFramePanel)
{
    form.SetCommandLineFile(WriteSequence());
    form.FirstActivation();
    form.show();
    QLabel* frame = nullptr;
    for (QLabel* label : form.statusBar()->findChildren<QLabel*>())
        if (label->accessibleDescription() == QLatin1String("Current frame"))
            frame = label;
    ASSERT_NE(frame, nullptr);
    form.statusBar()->showMessage(QStringLiteral("Play image sequence"));  // as a hovered button does
    form.Session().SetCurrentFrame(5);  // the panels are fitted again under the tip
    EXPECT_TRUE(frame->isHidden());
    form.statusBar()->clearMessage();
    EXPECT_FALSE(frame->isHidden());
    EXPECT_EQ(frame->text(), QStringLiteral("Frame #:5"));
}
