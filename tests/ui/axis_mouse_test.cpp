// Dragging an axis with the mouse and typing its limits: the range follows the pointer, and the
// plots hear about it through OnScaleChanging and OnScaleChanged.

#include "widgets/axis_test_support.h"
#include "plot/ui/AxisLimitForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

class AxisMouseTest : public ::testing::Test {
protected:
    // An axis with the range 0..100 and its event counts at zero.
    void Prepare(tposition position, int width, int height)
    {
        SetUpAxis(axis, position, width, height, 0, 100);
        events.changing = events.changed = 0;
    }
    void SetUpVertical()
    {
        Prepare(posleft, 40, 200);
        AllowAll();
    }
    void SetUpHorizontal()
    {
        Prepare(posunder, 300, 30);
        AllowAll();
    }
    void AllowAll()
    {
        axis.SetAllowLoScroll(true);
        axis.SetAllowHiScroll(true);
        axis.SetAllowMidScroll(true);
    }
    QPoint Along(int coordinate) const
    {
        return IsVerticalPosition(axis.Position()) ? QPoint(20, coordinate) : QPoint(coordinate, 15);
    }
    // Press at `from`, move to `to` with the button held; the button stays down.
    void Drag(int from, int to, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(&axis, button, {}, Along(from));
        QTest::mouseMove(&axis, Along(to));
    }
    void Release(int at, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseRelease(&axis, button, {}, Along(at)); }

    // Runs `action` on the limits dialog once it is on screen.
    void WhenDialogShows(const std::function<void(TAxisLimitForm&)>& action)
    {
        QTimer::singleShot(0, &axis, [this, action] {
            TAxisLimitForm& form = limitForm;
            QTRY_VERIFY(form.isVisible());
            action(form);
        });
    }
    static void Click(TAxisLimitForm& form, const char* button)
    {
        QTest::mouseClick(form.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    static void Type(TAxisLimitForm& form, const char* edit, const QString& text)
    {
        form.findChild<QLineEdit*>(QLatin1String(edit))->setText(text);
    }

    TAxis axis;
    TAxisLimitForm& limitForm = OfferLimitForm(axis);
    TScaleEvents events{axis};
};

}  // namespace

TEST_F(AxisMouseTest, VerticalLowEndKeepsTheHighEnd)
{
    SetUpVertical();
    Drag(180, 90);
    EXPECT_DOUBLE_EQ(axis.LoValue(), -100);  // 100 + (180/90)(0 - 100)
    EXPECT_EQ(axis.HiValue(), 100);
    EXPECT_EQ(events.changing, 1);
    EXPECT_EQ(events.changed, 0);
    Release(90);
    EXPECT_EQ(events.changed, 1);
    EXPECT_EQ(axis.DragMode(), TAxisDragMode::none);
}

TEST_F(AxisMouseTest, VerticalHighEndAndPan)
{
    SetUpVertical();
    Drag(20, 60);
    EXPECT_DOUBLE_EQ(axis.HiValue(), 180.0 / 140.0 * 100);
    EXPECT_EQ(axis.LoValue(), 0);
    Release(60);

    axis.SetRange(0, 100);
    Drag(100, 120);
    QTest::mouseMove(&axis, Along(140));
    EXPECT_DOUBLE_EQ(axis.LoValue(), 20);  // 40 pixels of 200 move the range by 0.2 of its span
    EXPECT_DOUBLE_EQ(axis.HiValue(), 120);
    EXPECT_EQ(events.changing, 3);
    Release(140);
}

TEST_F(AxisMouseTest, HorizontalEndsAndPan)
{
    SetUpHorizontal();
    Drag(20, 60);
    EXPECT_DOUBLE_EQ(axis.LoValue(), 100 + 280.0 / 240.0 * -100);
    EXPECT_EQ(axis.HiValue(), 100);
    Release(60);

    axis.SetRange(0, 100);
    Drag(280, 140);
    EXPECT_DOUBLE_EQ(axis.HiValue(), 200);  // 280/140 of the span from the fixed low end
    Release(140);

    axis.SetRange(0, 100);
    Drag(150, 180);
    EXPECT_DOUBLE_EQ(axis.LoValue(), -10);  // dragged right: the values move left
    EXPECT_DOUBLE_EQ(axis.HiValue(), 90);
    Release(180);
    EXPECT_EQ(events.changed, 3 + 2);  // three releases, two SetRange calls that changed the range
}

TEST_F(AxisMouseTest, PressNearTheEndIsAnchoredElevenPixelsIn)
{
    Prepare(posleft, 40, 200);
    axis.SetAllowLoScroll(true);
    Drag(197, 100);
    EXPECT_DOUBLE_EQ(axis.LoValue(), 100 + 189.0 / 100.0 * -100);
    Release(100);
}

TEST_F(AxisMouseTest, DraggedRangeStillObeysTheLimits)
{
    SetUpHorizontal();
    axis.SetIsInteger(true);
    axis.SetMaxValueDifference(150);
    Drag(280, 100);  // asks for 0..280
    EXPECT_EQ(axis.HiValue(), 150);
    QTest::mouseMove(&axis, Along(250));  // 0..112
    EXPECT_EQ(axis.HiValue(), 112);
    Release(250);
}

TEST_F(AxisMouseTest, ReleaseWithoutMotionRaisesOnScaleChanged)
{
    SetUpVertical();
    QTest::mouseClick(&axis, Qt::LeftButton, {}, Along(100));
    EXPECT_EQ(events.changed, 1);
    EXPECT_EQ(events.changing, 0);
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(axis.HiValue(), 100);
}

TEST_F(AxisMouseTest, AxisWithoutScrollingStaysQuiet)
{
    Prepare(posunder, 300, 30);  // as beside the main image
    int downs = 0;
    int ups = 0;
    QObject::connect(&axis, &TAxis::OnMouseDown, [&](TAxis*, Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { ++downs; });
    QObject::connect(&axis, &TAxis::OnMouseUp, [&](TAxis*, Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { ++ups; });
    Drag(20, 200);
    Release(200);
    QTest::mouseDClick(&axis, Qt::LeftButton, {}, Along(50));
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, Along(50));
    EXPECT_EQ(events.changed + events.changing, 0);
    EXPECT_EQ(axis.HiValue(), 100);
    EXPECT_EQ(downs, 2);  // the double click is also a press
    EXPECT_EQ(ups, 2);
}

TEST_F(AxisMouseTest, RightButtonDragChangesNothingButReportsChanging)
{
    SetUpVertical();
    Drag(180, 90, Qt::RightButton);
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(events.changing, 1);
    Release(90, Qt::RightButton);
    EXPECT_EQ(events.changed, 1);
}

TEST_F(AxisMouseTest, CursorShowsTheZoneUnderThePointer)
{
    SetUpVertical();
    auto hoverAt = [&](int y) {
        QMouseEvent move(QEvent::MouseMove, QPointF(20, y), QPointF(20, y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&axis, &move);
        return axis.cursor().pixmap().toImage();
    };
    const QImage upper = hoverAt(10);
    const QImage middle = hoverAt(100);
    const QImage lower = hoverAt(190);
    EXPECT_FALSE(upper.isNull());
    EXPECT_NE(upper, middle);
    EXPECT_NE(upper, lower);
    EXPECT_NE(middle, lower);
    axis.SetAllowLoScroll(false);
    axis.SetAllowHiScroll(false);
    hoverAt(100);
    EXPECT_EQ(axis.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(events.changing, 0);
}

TEST_F(AxisMouseTest, CancelledDialogStillRaisesOnScaleChanged)
{
    Prepare(posunder, 300, 30);
    axis.SetAllowDoubleClick(true);
    WhenDialogShows([](TAxisLimitForm& form) {
        Type(form, "lowedit", QStringLiteral("20"));
        Click(form, "cancelbutton");
    });
    QTest::mouseDClick(&axis, Qt::LeftButton, {}, Along(150));
    EXPECT_EQ(events.changed, 1);
    EXPECT_EQ(axis.LoValue(), 0);
    EXPECT_EQ(axis.HiValue(), 100);
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, Along(150));
}

TEST_F(AxisMouseTest, DialogSetsTheRangeAndKeepsWhatDoesNotParse)
{
    Prepare(posunder, 300, 30);
    axis.SetAllowDoubleClick(true);
    axis.setLocale(QLocale(QLocale::German, QLocale::Germany));
    axis.SetRange(0.5, 100);
    QString shownLow;
    WhenDialogShows([&](TAxisLimitForm& form) {
        shownLow = form.findChild<QLineEdit*>(QStringLiteral("lowedit"))->text();
        Type(form, "lowedit", QStringLiteral("1.5"));  // not a number with a decimal comma
        Type(form, "highedit", QStringLiteral("250,5"));
        Click(form, "okbutton");
    });
    events.changed = 0;
    QTest::mouseDClick(&axis, Qt::LeftButton, {}, Along(150));
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, Along(150));
    EXPECT_EQ(shownLow, "0,5");
    EXPECT_EQ(axis.LoValue(), 0.5);
    EXPECT_EQ(axis.HiValue(), 250.5);
    EXPECT_EQ(events.changed, 2);  // the new range, then once more after the dialog
}

TEST_F(AxisMouseTest, DialogShowsTheLabelsDigitsAndKeepsUntouchedEndsExact)
{
    Prepare(posunder, 300, 30);
    axis.SetAllowDoubleClick(true);
    axis.SetRange(0.12345678912, 952.00000000012);
    QString shownLow, shownHigh;
    WhenDialogShows([&](TAxisLimitForm& form) {
        shownLow = form.findChild<QLineEdit*>(QStringLiteral("lowedit"))->text();
        shownHigh = form.findChild<QLineEdit*>(QStringLiteral("highedit"))->text();
        Click(form, "okbutton");
    });
    QTest::mouseDClick(&axis, Qt::LeftButton, {}, Along(150));
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, Along(150));
    EXPECT_EQ(shownLow, "0.12345679");
    EXPECT_EQ(shownHigh, "952");
    EXPECT_EQ(axis.LoValue(), 0.12345678912);
    EXPECT_EQ(axis.HiValue(), 952.00000000012);
}

TEST_F(AxisMouseTest, DialogRefusesALowEndAboveTheHighEndAndStaysOpen)
{
    Prepare(posunder, 300, 30);
    axis.SetAllowDoubleClick(true);
    QString message;
    bool openAfterMessage = false;
    WhenDialogShows([&](TAxisLimitForm& form) {
        Type(form, "lowedit", QStringLiteral("70"));
        Type(form, "highedit", QStringLiteral("60"));
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            message = box->text();
            box->accept();
        });
        Click(form, "okbutton");
        openAfterMessage = form.isVisible();
        Type(form, "highedit", QStringLiteral("80"));
        Click(form, "okbutton");
    });
    QTest::mouseDClick(&axis, Qt::LeftButton, {}, Along(150));
    QTest::mouseRelease(&axis, Qt::LeftButton, {}, Along(150));
    EXPECT_EQ(message, QStringLiteral("The low value (70) must not be above the high value (60)."));
    EXPECT_TRUE(openAfterMessage);
    EXPECT_EQ(axis.LoValue(), 70);
    EXPECT_EQ(axis.HiValue(), 80);
}
