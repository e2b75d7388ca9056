// What researchers expect beyond the core viewer, with the real windows: frame keys and "Go to
// frame...", readouts under the mouse, Fit to data / Reset, "Export data..." against tremax-cli
// byte for byte, the colour legend window, files dropped on any window.
#include "analysis/SpectrumStore.h"
#include "analysis/ui/stremax10.h"
#include "analysis/ui/stremax4.h"
#include "analysis/ui/stremax5.h"
#include "analysis/ui/stremax7.h"
#include "platform/FileNames.h"
#include "plot/widgets/saxes.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/ui/ColourLegendWindow.h"
#include "viewer/session/ErrorHandler.h"
#include "viewer/session/FrameNavigation.h"
#include "viewer/widgets/ImageBoxWidget.h"
#include "viewer/ui/stremax1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr int32_t kWidth = 40;
constexpr int32_t kHeight = 20;
constexpr int32_t kFrames = 300;

// Column 0 stays within 100 … 102; every other pixel runs through 100 … 119.
uint8_t NarrowValue(int32_t frame, int32_t row, int32_t column)
{
    return uint8_t(column == 0 ? 100 + frame % 3 : 100 + (frame * 7 + row * 3 + column) % 20);
}

QAction* ActionOf(QWidget& window, const QString& text)
{
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

class ResearchToolsTest : public ::testing::Test {
protected:
    ResearchToolsTest()
        : main(errors, clock), kymogram(main.Session(), errors), point(main.Session(), errors),
          waveform(main.Session(), errors), rows(main.Session(), errors)
    {
        clock.now = 100;
        main.resize(400, 400);
        for (QWidget* window : {static_cast<QWidget*>(&kymogram), static_cast<QWidget*>(&point),
                                static_cast<QWidget*>(&waveform), static_cast<QWidget*>(&rows)})
            window->resize(420, 260);
        TToolWindows tools;
        tools.kymogram = &kymogram;
        tools.pointSpectrum = &point;
        tools.waveform = &waveform;
        tools.rowSpectrum = &rows;
        main.AttachToolWindows(tools);
        scratch.WriteText(QStringLiteral("clip.par"),
                          QStringLiteral("RESOLUTION: 40x20\nFRAMES/S: 50\nFRAMES: 300\n"));
        bld = WriteFrames(scratch, QStringLiteral("clip.bld"), kWidth, kHeight, kFrames, NarrowValue);
        main.SetCommandLineFile(bld);
        main.FirstActivation();
    }
    ~ResearchToolsTest() override { EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(' ').toStdString(); }

    TViewerSession& Session() { return main.Session(); }
    int32_t Frame() const { return main.View().CurrentFrame; }
    QPoint BoxPosition(int32_t column, int32_t row)
    {
        return QPoint(main.ImageXAxis().ValueToPixel(column), main.ImageYAxis().ValueToPixel(row));
    }
    static void Move(QWidget& widget, QPoint position, Qt::MouseButtons buttons = Qt::NoButton)
    {
        QMouseEvent move(QEvent::MouseMove, position, widget.mapToGlobal(position), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QApplication::sendEvent(&widget, &move);
    }
    QString Readout() const { return main.StatusText(TStatusPanel::readout); }
    // What tremax-cli writes for `arguments` on the sequence: standard output, or the -o file.
    QByteArray Cli(QStringList arguments, const QString& output = QString())
    {
        if (!output.isEmpty())
            arguments << QStringLiteral("-o") << output;
        arguments << bld;
        QProcess cli;
        cli.start(QStringLiteral(TREMAX_CLI), arguments);
        EXPECT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        if (output.isEmpty())
            return cli.readAllStandardOutput();
        QFile file(output);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << output.toStdString();
        return file.readAll();
    }
    QByteArray Exported(TForm1::TDataView view)
    {
        const QString path = scratch.Path(QStringLiteral("exported.csv"));
        main.SetDataView(view);
        errors.Guarded([&] { main.ExportDataTo(path); });
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    TScratch scratch;
    QString bld;
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 main;
    TForm4 kymogram;
    TForm5 point;
    TForm7 waveform;
    TForm10 rows;
};

}  // namespace

TEST_F(ResearchToolsTest, FrameKeysStepThroughTheSessionAndStopAtTheEnds)
{
    main.show();
    QApplication::setActiveWindow(&main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QTest::keyClick(&main, Qt::Key_Right);
    EXPECT_EQ(Frame(), 1);
    QTest::keyClick(&main, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Frame(), 11);
    // The specified frame panel is as it was; the time (11 / 50 s) stands beside it.
    EXPECT_EQ(main.StatusText(TStatusPanel::frame), QStringLiteral("Frame #:11"));
    EXPECT_EQ(main.StatusText(TStatusPanel::time), QStringLiteral("220.000 ms"));
    QTest::keyClick(&main, Qt::Key_Left);
    EXPECT_EQ(Frame(), 10);
    // A page is the kymogram's span (0 … 100: 101 frames); the span follows the frame.
    QTest::keyClick(&main, Qt::Key_PageDown);
    EXPECT_EQ(Frame(), 111);
    EXPECT_EQ(Session().KymogramSpan().LoValue(), 61);
    EXPECT_EQ(Session().KymogramSpan().HiValue(), 161);
    EXPECT_EQ(kymogram.TimeAxis().MarkerValue(), 111);
    QTest::keyClick(&main, Qt::Key_PageUp);
    EXPECT_EQ(Frame(), 10);
    QTest::keyClick(&main, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&main, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Frame(), 0);  // not below the first frame
    QTest::keyClick(&main, Qt::Key_End);
    EXPECT_EQ(Frame(), kFrames - 1);
    QTest::keyClick(&main, Qt::Key_Right);
    EXPECT_EQ(Frame(), kFrames - 1);
    EXPECT_EQ(main.StatusText(TStatusPanel::time), QStringLiteral("5980.000 ms"));
    QTest::keyClick(&main, Qt::Key_Home);
    EXPECT_EQ(Frame(), 0);
    // A step stops playback (a running clock would take the frame straight back).
    main.SetPlayButton(true);
    QTest::keyClick(&main, Qt::Key_Right);
    EXPECT_FALSE(main.PlayButtonDown());
    EXPECT_EQ(Frame(), 1);

    // The kymogram, the time navigator, has the same keys.
    QAction* tenOn = ActionOf(kymogram, QStringLiteral("10 frames on"));
    ASSERT_NE(tenOn, nullptr);
    EXPECT_EQ(tenOn->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Right));
    tenOn->trigger();
    EXPECT_EQ(Frame(), 11);
}

TEST_F(ResearchToolsTest, GoToFrameAsksForANumberInsideTheSequence)
{
    QAction* goTo = main.Action(QStringLiteral("Go to frame..."));
    ASSERT_NE(goTo, nullptr);
    EXPECT_EQ(goTo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    QString label;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        label = dialog->labelText();
        dialog->setIntValue(123);
        dialog->accept();
    });
    goTo->trigger();
    EXPECT_EQ(label, QStringLiteral("Frame (0 to 299):"));
    EXPECT_EQ(Frame(), 123);
    // A number past the end is taken whole, not cut to the digits that fit, and said to be clamped.
    int typed = 0;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setIntValue(99999);
        typed = dialog->intValue();
        dialog->accept();
    });
    goTo->trigger();
    EXPECT_EQ(typed, 99999);
    EXPECT_EQ(Frame(), kFrames - 1);
    EXPECT_EQ(main.StatusText(TStatusPanel::notice), QStringLiteral("Frame 99999 is past the last frame: went to frame 299"));
    GoToFrame(Session(), 5000);
    EXPECT_EQ(Frame(), kFrames - 1);
    GoToFrame(Session(), -3);
    EXPECT_EQ(Frame(), 0);
}

TEST_F(ResearchToolsTest, ReadoutsShowWhatIsUnderTheMouseAndSelectNothing)
{
    main.Session().SetCurrentFrame(5);
    main.Session().SetSelectedPoint(2, 2);
    const QPoint selected = main.View().SelectedPoint;
    const int32_t row = main.View().SelectedRow;
    int plots = 0;
    QObject::connect(&Session(), &TViewerSession::pointPlotsRequested, [&] { ++plots; });

    Move(main.ImageBox(), BoxPosition(7, 3));
    EXPECT_EQ(Readout(), QStringLiteral("column 7, row 3: %1").arg(NarrowValue(5, 3, 7)));
    EXPECT_EQ(main.View().SelectedPoint, selected);
    EXPECT_EQ(main.View().SelectedRow, row);
    EXPECT_EQ(plots, 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&main.ImageBox(), &leave);
    EXPECT_EQ(Readout(), QString());

    // The kymogram: frame and column under the mouse; the current frame stays.
    const int x = kymogram.TimeAxis().ValueToPixel(42);
    const int y = kymogram.ColumnAxis().ValueToPixel(9);
    Move(kymogram.Picture(), QPoint(x, y));
    EXPECT_EQ(Readout(), QStringLiteral("frame 42, column 9"));
    EXPECT_EQ(Frame(), 5);

    // The point spectrum: the curve's value at the bin under the mouse (50 frames/s over 256
    // points: bin 51 is 9.9609375 Hz); the selected frequency stays.
    const double before = main.Spectra().SelectedFrequency();
    ASSERT_TRUE(point.HasCurve());
    Move(point.Picture(), QPoint(point.FrequencyAxis().ValueToPixel(9.9609375), 10));
    const double hz = point.FrequencyAxis().PixelToValue(point.FrequencyAxis().ValueToPixel(9.9609375));
    const int32_t bin = int32_t(std::nearbyint(hz * 256 / 50));
    EXPECT_EQ(Readout(), QStringLiteral("%1 Hz: %2 dB")
                             .arg(bin * 50.0 / 256, 0, 'f', 1)
                             .arg(double(main.Spectra().Power(bin, 2, 2)), 0, 'f', 1));
    EXPECT_EQ(main.Spectra().SelectedFrequency(), before);
}

TEST_F(ResearchToolsTest, ThePointSpectrumShowsItsValueAtTheSelectedFrequencyOverThePlot)
{
    main.Session().SetSelectedPoint(3, 4);
    const QImage plot = point.Plot();
    main.Session().SetSelectedFrequency(10);  // bin 51: 9.9609375 Hz
    ASSERT_EQ(main.Spectra().SelectedBin(), 51);
    EXPECT_EQ(point.SelectedValueText(),
              QStringLiteral("10.0 Hz: %1 dB").arg(double(main.Spectra().Power(51, 4, 3)), 0, 'f', 1));
    // Drawn over the picture, not into the plot that "Copy point spectrum" copies.
    EXPECT_EQ(point.Plot(), plot);
}

TEST_F(ResearchToolsTest, FitToDataAndResetSetTheValueAxes)
{
    main.Session().SetSelectedPoint(3, 4);
    // The dB axis: whole decibels around the curve's lowest and highest power.
    double lo = 1e9;
    double hi = -1e9;
    for (int32_t k = 0; k < 128; ++k) {
        lo = std::min(lo, double(main.Spectra().Power(k, 4, 3)));
        hi = std::max(hi, double(main.Spectra().Power(k, 4, 3)));
    }
    ActionOf(point, QStringLiteral("Fit to data"))->trigger();
    EXPECT_EQ(point.PowerAxis().LoValue(), std::floor(lo));
    EXPECT_EQ(point.PowerAxis().HiValue(), std::ceil(hi));
    ActionOf(point, QStringLiteral("Reset"))->trigger();
    EXPECT_EQ(point.PowerAxis().LoValue(), -50);
    EXPECT_EQ(point.PowerAxis().HiValue(), 10);

    // The grey axis: 100 … 119 for a pixel that runs through them; a pixel within 100 … 102 gets
    // the axis' least span, 5.
    ActionOf(waveform, QStringLiteral("Fit to data"))->trigger();
    EXPECT_EQ(waveform.ValueAxis().LoValue(), 100);
    EXPECT_EQ(waveform.ValueAxis().HiValue(), 119);
    main.Session().SetSelectedPoint(0, 4);
    ActionOf(waveform, QStringLiteral("Fit to data"))->trigger();
    EXPECT_EQ(waveform.ValueAxis().LoValue(), 100);
    EXPECT_EQ(waveform.ValueAxis().HiValue(), 105);
    ActionOf(waveform, QStringLiteral("Reset"))->trigger();
    EXPECT_EQ(waveform.ValueAxis().LoValue(), 0);
    EXPECT_EQ(waveform.ValueAxis().HiValue(), 255);
    // The image plots have no value axis: only the export.
    EXPECT_EQ(ActionOf(kymogram, QStringLiteral("Fit to data")), nullptr);
    EXPECT_NE(ActionOf(kymogram, QStringLiteral("Export data...")), nullptr);
    EXPECT_NE(ActionOf(rows, QStringLiteral("Export data...")), nullptr);
}

TEST_F(ResearchToolsTest, ExportDataWritesTheBytesTremaxCliWrites)
{
    QAction* exportData = main.Action(QStringLiteral("Export data..."));
    ASSERT_NE(exportData, nullptr);
    main.Session().SetSelectedPoint(5, 7);
    EXPECT_EQ(Exported(TForm1::TDataView::pointSpectrum),
              Cli({QStringLiteral("spectrum"), QStringLiteral("--x"), QStringLiteral("5"), QStringLiteral("--y"),
                   QStringLiteral("7")}));
    EXPECT_EQ(Exported(TForm1::TDataView::waveform),
              Cli({QStringLiteral("waveform"), QStringLiteral("--x"), QStringLiteral("5"), QStringLiteral("--y"),
                   QStringLiteral("7")}));
    EXPECT_EQ(Exported(TForm1::TDataView::rowSpectrum),
              Cli({QStringLiteral("rowspectra")}, scratch.Path(QStringLiteral("rows.csv"))));
    EXPECT_EQ(Exported(TForm1::TDataView::kymogram),
              Cli({QStringLiteral("kymogram"), QStringLiteral("--row"), QStringLiteral("10"), QStringLiteral("--from"),
                   QStringLiteral("0"), QStringLiteral("--to"), QStringLiteral("100")},
                  scratch.Path(QStringLiteral("kymo.csv"))));
    main.Session().SetSelectedFrequency(10);
    main.Colorize(true);
    EXPECT_EQ(Exported(TForm1::TDataView::image),
              Cli({QStringLiteral("colorize"), QStringLiteral("--frequency"), QStringLiteral("10")},
                  scratch.Path(QStringLiteral("colour.csv"))));
}

TEST_F(ResearchToolsTest, ExportDataRightAfterAnOpenComputesTheColorizingFirst)
{
    // No colorizing has run: the table still holds every pixel's power and phase.
    main.Session().SetSelectedFrequency(10);
    EXPECT_EQ(Exported(TForm1::TDataView::image),
              Cli({QStringLiteral("colorize"), QStringLiteral("--frequency"), QStringLiteral("10")},
                  scratch.Path(QStringLiteral("colour.csv"))));
}

TEST_F(ResearchToolsTest, ExportDataAsksWhereAndOffersANameBesideTheSequence)
{
    main.Session().SetSelectedPoint(5, 7);
    const QString target = scratch.Path(QStringLiteral("chosen.csv"));
    QString offered;
    const auto answer = [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered = dialog->selectedFiles().value(0);
        dialog->selectFile(target);
        QMetaObject::invokeMethod(dialog, "accept");
    };
    // From the plot's own menu ...
    QTimer::singleShot(0, answer);
    ActionOf(waveform, QStringLiteral("Export data..."))->trigger();
    EXPECT_EQ(QFileInfo(offered).fileName(), QStringLiteral("clip_waveform.csv"));
    EXPECT_EQ(QFileInfo(offered).absolutePath(), QFileInfo(bld).absolutePath());
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), waveform.DataTable());
    written.close();
    QFile::remove(target);
    // ... and from the File menu, for the view used last.
    main.SetDataView(TForm1::TDataView::pointSpectrum);
    QTimer::singleShot(0, answer);
    main.Action(QStringLiteral("Export data..."))->trigger();
    EXPECT_EQ(QFileInfo(offered).fileName(), QStringLiteral("clip_pointspectrum.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), point.DataTable());
    // Cancelled: nothing is written.
    written.close();
    QFile::remove(target);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    main.Action(QStringLiteral("Export data..."))->trigger();
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(ResearchToolsTest, TheViewExportedIsTheOneUsedLast)
{
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&waveform, &activate);
    EXPECT_EQ(main.DataView(), TForm1::TDataView::waveform);
    QApplication::sendEvent(&rows, &activate);
    EXPECT_EQ(main.DataView(), TForm1::TDataView::rowSpectrum);
    QTest::mouseClick(&main.ImageBox(), Qt::LeftButton, {}, BoxPosition(1, 1));
    EXPECT_EQ(main.DataView(), TForm1::TDataView::image);
    // Never onto the sequence the tables are made from.
    const QByteArray frames = [&] {
        QFile file(bld);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    EXPECT_THROW(main.ExportDataTo(bld), std::exception);
    QFile file(bld);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), frames);
}

TEST_F(ResearchToolsTest, TheColourLegendShowsBesideTheColorizedImage)
{
    main.show();
    auto* legend = qobject_cast<TColourLegendWindow*>(main.LegendWindow());
    ASSERT_NE(legend, nullptr);
    QAction* item = main.Action(QStringLiteral("Color legend"));
    ASSERT_NE(item, nullptr);
    item->setChecked(true);
    EXPECT_FALSE(legend->isVisible());  // the image is grey
    main.Session().SetSelectedFrequency(10);
    main.Colorize(true);
    EXPECT_TRUE(legend->isVisible());
    EXPECT_GE(legend->geometry().left(), main.geometry().right());
    EXPECT_EQ(legend->UnitTexts(), QStringList{QStringLiteral("[dB]")});
    // The legend copied and the one shown are the same bitmap, following the levels.
    main.Action(QStringLiteral("Copy color legend"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
              legend->Legend().convertToFormat(QImage::Format_RGB32));
    main.Session().SetShowPhase(true);
    EXPECT_TRUE(legend->ShowsPhase());
    // Wide enough for the phase scale at its own size: scaled down its labels ran together.
    EXPECT_GE(legend->width(), legend->Legend().width());
    EXPECT_GE(legend->height(), legend->Legend().height());
    EXPECT_EQ(legend->UnitTexts(), (QStringList{QStringLiteral("[dB]"), QStringLiteral("[\u00B0]")}));
    main.Colorize(false);
    EXPECT_FALSE(legend->isVisible());
    main.Colorize(true);
    EXPECT_TRUE(legend->isVisible());
    item->setChecked(false);
    EXPECT_FALSE(legend->isVisible());
}

TEST_F(ResearchToolsTest, AToolWindowOpenedLaterTakesFreeRoomBesideTheOthers)
{
    main.setGeometry(6, 6, 300, 300);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    kymogram.setGeometry(320, 6, 420, 260);
    point.hide();
    waveform.hide();
    // The row spectrum would open right over the kymogram.
    rows.setGeometry(330, 20, 420, 260);
    main.Action(QStringLiteral("Row spectrum"))->trigger();
    ASSERT_TRUE(rows.isVisible());
    const QRect screen = main.screen()->availableGeometry();
    EXPECT_FALSE(rows.frameGeometry().intersects(main.frameGeometry()));
    EXPECT_FALSE(rows.frameGeometry().intersects(kymogram.frameGeometry()));
    EXPECT_TRUE(screen.contains(rows.frameGeometry()));
    // The colour legend too, beside the image where it is free, else elsewhere.
    main.Action(QStringLiteral("Color legend"))->setChecked(true);
    main.Session().SetSelectedFrequency(10);
    main.Colorize(true);
    QWidget* legend = main.LegendWindow();
    ASSERT_TRUE(legend->isVisible());
    for (const QWidget* other : {static_cast<const QWidget*>(&main), static_cast<const QWidget*>(&kymogram),
                                 static_cast<const QWidget*>(&rows)})
        EXPECT_FALSE(legend->frameGeometry().intersects(other->frameGeometry())) << other->windowTitle().toStdString();
    // One the user put where it covers nothing stays there.
    rows.hide();
    rows.move(rows.pos() + QPoint(0, 4));
    const QPoint chosen = rows.pos();
    main.Action(QStringLiteral("Row spectrum"))->trigger();
    EXPECT_EQ(rows.pos(), chosen);
}

TEST_F(ResearchToolsTest, ADropIsTakenAsACopyNeverAsAMove)
{
    scratch.WriteText(QStringLiteral("other.par"), QStringLiteral("RESOLUTION: 30x10\nFRAMES/S: 25\nFRAMES: 60\n"));
    const QString other = WriteFrames(scratch, QStringLiteral("other.bld"), 30, 10, 60, PatternValue);
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(other)});
    // A file manager offering a move (its default without modifiers) as well as a copy.
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction | Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&waveform, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction | Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(main.Sequence().Width(), 30);
    // A link will do; a move alone is refused and opens nothing.
    QDragEnterEvent link(QPoint(5, 5), Qt::MoveAction | Qt::LinkAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&waveform, &link);
    EXPECT_TRUE(link.isAccepted());
    EXPECT_EQ(link.dropAction(), Qt::LinkAction);
    main.OpenSequence(bld);
    QDragEnterEvent moveOnly(QPoint(5, 5), Qt::MoveAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&waveform, &moveOnly);
    EXPECT_FALSE(moveOnly.isAccepted());
    QDropEvent moved(QPointF(5, 5), Qt::MoveAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &moved);
    EXPECT_FALSE(moved.isAccepted());
    EXPECT_EQ(main.Sequence().Width(), kWidth);
    EXPECT_TRUE(QFile::exists(other));
}

TEST_F(ResearchToolsTest, ASequenceDroppedOnAnyWindowOpensAsFromTheOpenDialog)
{
    scratch.WriteText(QStringLiteral("other.par"), QStringLiteral("RESOLUTION: 30x10\nFRAMES/S: 25\nFRAMES: 60\n"));
    const QString other = WriteFrames(scratch, QStringLiteral("other.bld"), 30, 10, 60, PatternValue);
    main.SetPlayButton(true);
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(other), QUrl::fromLocalFile(bld)});
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&waveform, &refused);
    EXPECT_FALSE(refused.isAccepted());

    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&waveform, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &one, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&waveform, &drop);
    EXPECT_EQ(main.windowTitle(), other + QStringLiteral(" - Tremax"));
    EXPECT_EQ(main.Sequence().Width(), 30);
    EXPECT_FALSE(main.PlayButtonDown());
    // The main window and the kymogram take drops as well.
    QMimeData first;
    first.setUrls({QUrl::fromLocalFile(bld)});
    QDropEvent again(QPointF(5, 5), Qt::CopyAction, &first, Qt::LeftButton, Qt::NoModifier);
    QDragEnterEvent enterKymogram(QPoint(5, 5), Qt::CopyAction, &first, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&kymogram, &enterKymogram);
    QApplication::sendEvent(&kymogram, &again);
    EXPECT_EQ(main.Sequence().Width(), kWidth);
    EXPECT_TRUE(main.acceptDrops());

    // A name that is not UTF-8 arrives percent-encoded and opens by its bytes.
    const QByteArray raw = QFile::encodeName(scratch.Path(QString())) + "/s\xE9q";
    for (const char* extension : {".bld", ".par"}) {
        QFile from(ChangeFileExtension(other, QString::fromLatin1(extension)));
        ASSERT_TRUE(from.open(QIODevice::ReadOnly));
        const QByteArray bytes = from.readAll();
        const int fd = ::open((raw + extension).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }
    QMimeData latin;
    latin.setUrls({QUrl::fromEncoded("file://" + raw.toPercentEncoding("/") + ".bld")});
    QDragEnterEvent enterLatin(QPoint(5, 5), Qt::CopyAction, &latin, Qt::LeftButton, Qt::NoModifier);
    QDropEvent dropLatin(QPointF(5, 5), Qt::CopyAction, &latin, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&waveform, &enterLatin);
    QApplication::sendEvent(&waveform, &dropLatin);
    EXPECT_EQ(main.Sequence().Width(), 30);
    // The open dialog shows that name with U+FFFD, as Qt decodes it; choosing it opens the file.
    main.OpenSequence(bld);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QFile::decodeName(raw + ".bld"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    main.ExecuteOpenDialog();
    EXPECT_EQ(main.Sequence().Width(), 30);
    EXPECT_EQ(main.Sequence().Header().FileName, DecodeFileName(raw + ".bld"));
    ::unlink((raw + ".bld").constData());
    ::unlink((raw + ".par").constData());
}
