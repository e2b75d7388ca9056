// Mouse drag of an axis range: zones, anchor, logarithmic drags and failed computations
// (the linear drags are driven through the widget in axis_mouse_test).

#include "plot/AxisDrag.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr TAxisScrollSwitches kAll{true, true, true};

TAxisDragFrame FrameOf(tposition position, int32_t width, int32_t height, bool log = false)
{
    TAxisDragFrame frame;
    frame.position = position;
    frame.width = width;
    frame.height = height;
    frame.logarithmic = log;
    return frame;
}

}  // namespace

TEST(AxisDragZones, VerticalThirdsHaveTheHighEndOnTop)
{
    EXPECT_EQ(AxisZone(posleft, 300, 50, kAll), TAxisDragMode::hi);
    EXPECT_EQ(AxisZone(posleft, 300, 100, kAll), TAxisDragMode::pan);
    EXPECT_EQ(AxisZone(posleft, 300, 200, kAll), TAxisDragMode::pan);
    EXPECT_EQ(AxisZone(posright, 300, 201, kAll), TAxisDragMode::lo);
}

TEST(AxisDragZones, HorizontalThirdsHaveTheLowEndLeft)
{
    EXPECT_EQ(AxisZone(posunder, 300, 99, kAll), TAxisDragMode::lo);
    EXPECT_EQ(AxisZone(posunder, 300, 150, kAll), TAxisDragMode::pan);
    EXPECT_EQ(AxisZone(posover, 300, 201, kAll), TAxisDragMode::hi);
}

TEST(AxisDragZones, SwitchesDecideTheSplit)
{
    const TAxisScrollSwitches ends{true, true, false};
    EXPECT_EQ(AxisZone(posleft, 300, 149, ends), TAxisDragMode::hi);
    EXPECT_EQ(AxisZone(posleft, 300, 150, ends), TAxisDragMode::lo);
    EXPECT_EQ(AxisZone(posunder, 300, 149, ends), TAxisDragMode::lo);
    // A lone end takes the whole strip, also with the middle allowed.
    EXPECT_EQ(AxisZone(posleft, 300, 0, {false, true, true}), TAxisDragMode::hi);
    EXPECT_EQ(AxisZone(posunder, 300, 299, {true, false, false}), TAxisDragMode::lo);
    EXPECT_EQ(AxisZone(posleft, 300, 150, {false, false, true}), TAxisDragMode::none);
    EXPECT_EQ(AxisZone(tposition(9), 300, 150, kAll), TAxisDragMode::none);
}

TEST(AxisDragAnchor, KeptElevenPixelsFromTheEnds)
{
    EXPECT_EQ(DragAnchor(3, 200), 11);
    EXPECT_EQ(DragAnchor(197, 200), 189);
    EXPECT_EQ(DragAnchor(100, 200), 100);
    EXPECT_EQ(DragAnchor(5, 10), -1);  // too short for both limits: the upper one wins
    EXPECT_EQ(DragAnchor(0, 0), -11);
}

TEST(AxisDragMoves, LogarithmicKeepsRatios)
{
    TAxisDrag drag;
    drag.Press(FrameOf(posleft, 30, 200, true), kAll, 180, 1, 1000);
    EXPECT_DOUBLE_EQ(*drag.Move(90).lo, 1000 * std::pow(0.001, 2.0));

    drag.Press(FrameOf(posunder, 300, 30, true), kAll, 150, 1, 100);
    const TAxisDragResult pan = drag.Move(180);
    EXPECT_DOUBLE_EQ(*pan.hi, 100 * std::pow(100.0, -0.1));
    EXPECT_DOUBLE_EQ(*pan.lo, std::pow(100.0, -0.1));
}

TEST(AxisDragMoves, FailedComputationLeavesTheEndOut)
{
    TAxisDrag drag;
    drag.Press(FrameOf(posleft, 30, 200, true), kAll, 180, -1, 1000);
    EXPECT_FALSE(drag.Move(120).lo);  // a negative ratio to the power 1.5
    drag.Press(FrameOf(posleft, 0, 0), kAll, 0, 0, 100);
    EXPECT_NO_FATAL_FAILURE(drag.Move(5));
}

TEST(AxisDragStates, ReleaseEndsTheDrag)
{
    TAxisDrag drag;
    EXPECT_EQ(drag.Mode(), TAxisDragMode::none);
    EXPECT_FALSE(drag.Move(50).lo);
    drag.Press(FrameOf(posunder, 300, 30), kAll, 3, 0, 100);
    EXPECT_EQ(drag.Anchor(), 11);
    EXPECT_EQ(drag.Mode(), TAxisDragMode::lo);
    drag.Reset();
    EXPECT_EQ(drag.Mode(), TAxisDragMode::none);
    EXPECT_FALSE(drag.Move(50).lo);
    drag.Press(FrameOf(posunder, 300, 30), {false, false, true}, 150, 0, 100);
    EXPECT_EQ(drag.Mode(), TAxisDragMode::none);
}
