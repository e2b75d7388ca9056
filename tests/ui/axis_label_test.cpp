// Axis labels as drawn: every axis of every window grabbed at the desktop's font and at 1.5
// times it, and read back as pixels. The ink beside the tick marks falls into runs along the
// axis; a run holds one label when it is no longer than one label can be, no run touches the
// outer edge of the strip, and the marker line leaves the label it crosses untouched.
#include "analysis/ui/stremax4.h"
#include "analysis/ui/stremax5.h"
#include "analysis/ui/stremax7.h"
#include "analysis/ui/stremax10.h"
#include "widgets/axis_test_support.h"
#include "support/FontScale.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/ui/stremax1.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>
#include "support/FontScale.h"

#include <vector>

namespace {

struct TRun {
    int first;
    int last;
};

// Runs of lines across the axis (rows of a vertical axis, columns of a horizontal one) that hold
// ink outside the band of the tick marks; runs closer than `joinGap` blank lines are one (the
// glyphs of one label stand a pixel or two apart).
std::vector<TRun> InkRuns(const QImage& image, bool vertical, const QRect& band, QRgb background, int joinGap)
{
    const int lines = vertical ? image.height() : image.width();
    const int across = vertical ? image.width() : image.height();
    std::vector<TRun> runs;
    for (int i = 0; i < lines; ++i) {
        bool ink = false;
        for (int j = 0; j < across && !ink; ++j) {
            const QPoint at = vertical ? QPoint(j, i) : QPoint(i, j);
            ink = !band.contains(at) && image.pixel(at) != background;
        }
        if (!ink)
            continue;
        if (!runs.empty() && i - runs.back().last <= joinGap + 1)
            runs.back().last = i;
        else
            runs.push_back({i, i});
    }
    return runs;
}

// Checks the grabbed axis; `what` names it in failures.
void ExpectLabelsWholeAndApart(TAxis& axis, const std::string& what)
{
    const bool marker = axis.MarkerVisible();
    axis.SetMarkerVisible(false);
    const QImage image = axis.grab().toImage().convertToFormat(QImage::Format_RGB32);
    axis.SetMarkerVisible(marker);
    const QRgb background = axis.BackgroundColor().rgb() | 0xFF000000u;
    const bool vertical = IsVerticalPosition(axis.Position());
    const int tick = axis.TickMarkSize();
    const QRect band = axis.Position() == posleft    ? QRect(image.width() - tick, 0, tick, image.height())
                       : axis.Position() == posright ? QRect(0, 0, tick, image.height())
                       : axis.Position() == posunder ? QRect(0, 0, image.width(), tick)
                                                     : QRect(0, image.height() - tick, image.width(), tick);
    const QFontMetrics metrics(axis.font());
    int longest = vertical ? metrics.height() : metrics.horizontalAdvance(axis.AxisText());
    if (!vertical)
        for (const TAxisTick& t : axis.Ticks())
            longest = std::max(longest, metrics.horizontalAdvance(t.label));
    const std::vector<TRun> runs = InkRuns(image, vertical, band, background, vertical ? 0 : 2);
    for (const TRun& run : runs)
        EXPECT_LE(run.last - run.first + 1, longest)
            << what << ": labels run together at " << run.first << " … " << run.last;
    // Nothing cut off at the edges away from the plot.
    const int w = image.width(), h = image.height();
    const auto inkIn = [&](const QRect& strip) {
        for (int y = strip.top(); y <= strip.bottom(); ++y)
            for (int x = strip.left(); x <= strip.right(); ++x)
                if (!band.contains(x, y) && image.pixel(x, y) != background)
                    return true;
        return false;
    };
    if (axis.Position() == posleft) {
        EXPECT_FALSE(inkIn(QRect(0, 0, 1, h))) << what << ": a label reaches the outer edge";
    }
    if (axis.Position() == posunder) {
        EXPECT_FALSE(inkIn(QRect(0, h - 1, w, 1))) << what << ": a label reaches the bottom edge";
    }
    EXPECT_FALSE(inkIn(vertical ? QRect(0, h - 1, w, 1) : QRect(0, 0, 1, h))) << what << ": cut at the low end";
}

struct TWindows {
    TWindows() : main(errors, clock), kymo(main.Session(), errors), point(main.Session(), errors),
                 waveform(main.Session(), errors), rows(main.Session(), errors)
    {
    }
    TFakeClock clock;
    TRecordingErrors errors;
    TForm1 main;
    TForm4 kymo;
    TForm5 point;
    TForm7 waveform;
    TForm10 rows;
};

}  // namespace

TEST(AxisLabels, WideLabelsGetTheirRoomAndCrowdedOnesAreLeftOut)
{
    for (const double scale : {1.0, 1.5}) {
        const TFontScale font(scale);
        const std::string at = " at " + std::to_string(scale) + "x";
        // Beside a plot, sized by the room the axis asks for: "-1000" and "10000" whole.
        for (const auto& [lo, hi] : {std::pair{-1000.0, 1000.0}, std::pair{0.0, 10000.0}}) {
            TAxis axis;
            SetUpAxis(axis, posleft, 40, 300, lo, hi);
            axis.resize(std::max(40, int(axis.LabelRoom())), 300);
            ExpectLabelsWholeAndApart(axis, "vertical " + std::to_string(int(lo)) + at);
            EXPECT_GE(axis.width(), QFontMetrics(axis.font()).horizontalAdvance(QStringLiteral("-1000")) + 10);
        }
        // A strip kept too narrow leaves such labels out rather than cutting them.
        TAxis narrow;
        SetUpAxis(narrow, posleft, 30, 300, -1000, 1000);
        ExpectLabelsWholeAndApart(narrow, "narrow" + at);
        // Under a plot, ticks closer than their labels are wide.
        TAxis crowded;
        SetUpAxis(crowded, posunder, 237, 30, -1000, 100000);
        crowded.SetTickSpaceAim(20);
        crowded.resize(237, std::max(30, int(crowded.LabelRoom())));
        ExpectLabelsWholeAndApart(crowded, "horizontal" + at);
    }
}

TEST(AxisLabels, EveryWindowsAxesAtBothScales)
{
    TScratch scratch;
    // 1001 columns: the image's and the kymogram's column axes run to "1000".
    scratch.WriteText(QStringLiteral("wide.par"), QStringLiteral("RESOLUTION: 1001x2\nFRAMES/S: 20000\nFRAMES: 300\n"));
    const QString bld = WriteFrames(scratch, QStringLiteral("wide.bld"), 1001, 2, 300, PatternValue);
    scratch.WriteText(QStringLiteral("tall.par"), QStringLiteral("RESOLUTION: 2x1001\nFRAMES/S: 20000\nFRAMES: 20\n"));
    const QString tall = WriteFrames(scratch, QStringLiteral("tall.bld"), 2, 1001, 20, PatternValue);
    for (const double scale : {1.0, 1.5}) {
        const TFontScale font(scale);
        TWindows windows;
        windows.main.SetCommandLineFile(bld);
        windows.main.resize(500, 400);
        for (QWidget* window : {static_cast<QWidget*>(&windows.kymo), static_cast<QWidget*>(&windows.point),
                                static_cast<QWidget*>(&windows.waveform), static_cast<QWidget*>(&windows.rows)})
            window->resize(360, 240);
        windows.main.FirstActivation();
        windows.point.PowerAxis().SetRange(-200, 200);
        QApplication::processEvents();  // the layouts the axes asked for
        const std::string at = " at " + std::to_string(scale) + "x";
        const std::pair<TAxis*, const char*> axes[] = {
            {&windows.main.ImageXAxis(), "image x"},      {&windows.main.ImageYAxis(), "image y"},
            {&windows.kymo.TimeAxis(), "kymogram frames"}, {&windows.kymo.ColumnAxis(), "kymogram columns"},
            {&windows.point.FrequencyAxis(), "spectrum Hz"}, {&windows.point.PowerAxis(), "spectrum dB"},
            {&windows.waveform.FrameAxis(), "waveform frames"}, {&windows.waveform.ValueAxis(), "waveform values"},
            {&windows.rows.FrequencyAxis(), "row spectrum Hz"}, {&windows.rows.RowAxis(), "row spectrum rows"},
        };
        for (const auto& [axis, name] : axes) {
            ExpectLabelsWholeAndApart(*axis, name + at);
            // Beside a plot the strip is wide enough for every label: marks, a mark's length, the text.
            if (IsVerticalPosition(axis->Position())) {
                const QFontMetrics metrics(axis->font());
                for (const TAxisTick& tick : axis->Ticks())
                    EXPECT_GT(axis->width(), metrics.horizontalAdvance(tick.label) + 2 * axis->TickMarkSize())
                        << name << at << ": " << tick.label.toStdString();
            }
        }
        // A tall image: its rows to "1000" beside the main image.
        windows.main.OpenSequence(tall);
        QApplication::processEvents();
        TAxis& rows = windows.main.ImageYAxis();
        ExpectLabelsWholeAndApart(rows, "tall image y" + at);
        EXPECT_GT(rows.width(), QFontMetrics(rows.font()).horizontalAdvance(QStringLiteral("1000")) + 2 * rows.TickMarkSize());
        EXPECT_TRUE(windows.errors.messages.isEmpty()) << windows.errors.messages.join(' ').toStdString();
    }
}

TEST(AxisLabels, TheMarkerLinePassesBehindALabel)
{
    TAxis axis;
    SetUpAxis(axis, posleft, 60, 237, 0, 255);
    axis.SetReverse(true);
    axis.SetMarkerValue(100);  // on the label "100"
    const QImage plain = axis.grab().toImage().convertToFormat(QImage::Format_RGB32);
    axis.SetMarkerVisible(true);
    const QImage marked = axis.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int row = axis.MarkerPixel();
    const QRgb background = axis.BackgroundColor().rgb() | 0xFF000000u;
    int labelInk = 0, inverted = 0;
    for (int x = 0; x < axis.width() - axis.TickMarkSize(); ++x) {
        bool label = false;
        for (int y = row - 3; y <= row + 3; ++y)
            label = label || plain.pixel(x, y) != background;
        if (label) {
            // The label's columns: untouched by the line.
            ++labelInk;
            for (int y = row - 3; y <= row + 3; ++y)
                ASSERT_EQ(marked.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
        } else {
            inverted += marked.pixel(x, row) == (~plain.pixel(x, row) | 0xFF000000u) ? 1 : 0;
        }
    }
    EXPECT_GT(labelInk, 5);
    EXPECT_GT(inverted, 5);  // the line still shows beside the label
}
