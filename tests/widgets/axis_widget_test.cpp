// The axis widget's properties and events: when OnScaleChanged is raised, the in-event rules,
// the marker, ticks and labels as callers see them.

#include "axis_test_support.h"

#include <QLocale>
#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <stdexcept>

namespace {

// Records the paint requests the axis receives.
class TPaintCountingAxis : public TAxis {
public:
    int paints = 0;
    QRegion lastRegion;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        lastRegion = event->region();
        TAxis::paintEvent(event);
    }
};

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EAxisError& error) {
        return error.Message();
    }
    return QString();
}

}  // namespace

TEST(AxisWidget, NewAxisHasTheComponentDefaults)
{
    TAxis axis;
    EXPECT_EQ(axis.size(), QSize(200, 200));
    EXPECT_EQ(axis.Position(), posleft);
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(axis.HiValue(), 0);  // bounds of 0 until the window sets them
    EXPECT_EQ(axis.TickMarkSize(), 5);
    EXPECT_EQ(axis.TickSpaceAim(), 40);
    EXPECT_FALSE(axis.AllowLoScroll() || axis.AllowHiScroll() || axis.AllowMidScroll() || axis.AllowDoubleClick());
    EXPECT_FALSE(axis.MarkerVisible());
    EXPECT_EQ(axis.BackgroundColor(), axis.palette().color(QPalette::Button));
}

TEST(AxisWidgetEvents, SettersRaiseOnScaleChangedOnce)
{
    TAxis axis;
    SetUpAxis(axis, posunder, 237, 30, 0, 255);
    TScaleEvents events(axis);
    axis.SetRange(10, 20);
    EXPECT_EQ(events.changed, 1);
    EXPECT_EQ(events.last, &axis);
    axis.SetRange(10, 20);
    EXPECT_EQ(events.changed, 1);
    axis.SetLoValue(15);
    axis.SetHiValue(25);
    EXPECT_EQ(events.changed, 3);
    axis.SetHiValue(25);
    EXPECT_EQ(events.changed, 3);
    EXPECT_EQ(events.changing, 0);
}

TEST(AxisWidgetEvents, HandlerChangesDoNotRecurseAndMarkerAndPositionWait)
{
    TAxis axis;
    SetUpAxis(axis, posunder, 237, 30, 0, 100);
    axis.SetMarkerValue(50);
    int calls = 0;
    QObject::connect(&axis, &TAxis::OnScaleChanged, [&](TAxis* sender) {
        ++calls;
        EXPECT_TRUE(sender->InEvent());
        sender->SetRange(0, 300);      // stored, but no second event
        sender->SetMarkerValue(70);    // ignored
        sender->SetPosition(posleft);  // ignored
    });
    axis.SetHiValue(200);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(axis.InEvent());
    EXPECT_EQ(axis.HiValue(), 300);
    EXPECT_EQ(axis.MarkerValue(), 50);
    EXPECT_EQ(axis.Position(), posunder);
}

TEST(AxisWidgetEvents, FlagIsClearedWhenTheHandlerThrows)
{
    TAxis axis;
    SetUpAxis(axis, posunder, 237, 30, 0, 100);
    QObject::connect(&axis, &TAxis::OnScaleChanged, [](TAxis*) { throw std::runtime_error("handler"); });
    EXPECT_THROW(axis.SetLoValue(5), std::runtime_error);
    EXPECT_FALSE(axis.InEvent());
    axis.SetMarkerValue(7);
    EXPECT_EQ(axis.MarkerValue(), 7);
}

TEST(AxisWidgetScale, LogarithmicErrorLeavesTheAxisLinear)
{
    TAxis axis;
    SetUpAxis(axis, posunder, 237, 30, 0, 100);
    EXPECT_EQ(ErrorOf([&] { axis.SetLogarithmic(true); }), "LoValue=0, must be >0 for log scale!");
    EXPECT_FALSE(axis.Logarithmic());
    EXPECT_EQ(axis.ValueToPixel(50), 118);  // still linear
    axis.SetRange(1, 1000);
    axis.SetLogarithmic(true);
    EXPECT_EQ(axis.ValueToPixel(10), 79);   // a third of 236
    EXPECT_EQ(ErrorOf([&] { axis.SetLoValue(-2); }), "LoValue=-2, must be >0 for log scale!");
    EXPECT_EQ(axis.LoValue(), 1);
}

TEST(AxisWidgetScale, PixelMappingFollowsPositionAndReverse)
{
    TAxis axis;
    SetUpAxis(axis, posleft, 40, 11, 10, 20);
    EXPECT_EQ(axis.PixelToValue(2), 18);  // low values at the bottom
    axis.SetReverse(true);
    EXPECT_EQ(axis.PixelToValue(2), 12);
    axis.SetPosition(posunder);
    axis.resize(11, 30);
    EXPECT_EQ(axis.PixelToValue(2), 18);  // reversed horizontal: low values at the right
}

TEST(AxisWidgetMarker, PixelAndValueAgreeAndFollowTheRange)
{
    TAxis axis;
    SetUpAxis(axis, posunder, 256, 30, 0, 255);
    axis.SetMarkerPixel(100);
    EXPECT_EQ(axis.MarkerValue(), 100);
    EXPECT_EQ(axis.MarkerPixel(), 100);
    axis.SetRange(0, 50);
    EXPECT_EQ(axis.MarkerValue(), 50);
    EXPECT_EQ(axis.MarkerPixel(), 255);
}

TEST(AxisWidgetMarker, MovingTheMarkerRepaintsBothLinesAtOnce)
{
    TPaintCountingAxis axis;
    SetUpAxis(axis, posunder, 256, 30, 0, 255);
    axis.SetMarkerVisible(true);
    axis.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&axis));
    QCoreApplication::processEvents();
    const int before = axis.paints;
    axis.SetMarkerValue(40);  // from 0
    EXPECT_EQ(axis.paints, before + 1);  // no event loop needed
    EXPECT_EQ(axis.lastRegion, QRegion(0, 0, 1, 30) + QRegion(40, 0, 1, 30));
    axis.SetMarkerVisible(false);
    QCoreApplication::processEvents();
    const int hidden = axis.paints;
    axis.SetMarkerValue(80);
    EXPECT_EQ(axis.paints, hidden);
}

TEST(AxisWidgetTicks, CountAndLabelsFollowSizeAndLocale)
{
    TAxis axis;
    SetUpAxis(axis, posunder, 237, 30, 0, 255);
    EXPECT_EQ(axis.TickCount(), 7);
    EXPECT_EQ(axis.TickLabel(1), "50");
    EXPECT_EQ(ErrorOf([&] { axis.TickLabel(7); }), "Tickmark index out of range:7");
    axis.resize(100, 30);  // two intervals wanted: a step of 100
    EXPECT_EQ(axis.TickCount(), 4);

    axis.SetRange(0, 1);
    axis.resize(237, 30);
    axis.setLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(axis.TickLabel(1), "0,2");
    axis.SetTickSpaceAim(0);
    EXPECT_EQ(axis.TickLabel(1), "0,5");
}

TEST(AxisWidgetLook, AutosizeFitsTheFont)
{
    TAxis axis;
    axis.SetAutosize(true);
    const QFontMetrics metrics(axis.font());
    EXPECT_EQ(axis.width(), metrics.horizontalAdvance(QStringLiteral("12345")) + 5);
    axis.SetPosition(posunder);
    axis.SetTickMarkSize(7);
    EXPECT_EQ(axis.height(), metrics.height() * 4 / 3 + 7);
}

TEST(AxisWidgetScale, BadInputIsHarmless)
{
    TAxis axis;
    SetUpAxis(axis, posleft, 30, 0, 0, 100);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    axis.SetLoValue(nan);
    axis.SetRange(std::numeric_limits<double>::infinity(), 5);
    axis.SetMarkerValue(nan);
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(axis.HiValue(), 100);
    EXPECT_EQ(axis.ValueToPixel(50), 0);
    EXPECT_GE(axis.TickCount(), 0);
    axis.resize(30, 1);
    EXPECT_EQ(axis.ValueToPixel(50), 0);
    axis.SetRange(5, 5);
    EXPECT_LE(axis.TickCount(), 3);
    axis.SetRange(20, 10);  // reads 20..20: the least difference is 0
    EXPECT_EQ(axis.HiValue(), 20);
    EXPECT_FALSE(axis.grab().isNull());
}
