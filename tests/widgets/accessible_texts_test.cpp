// What assistive technology reads of the painted widgets: an axis its range and marker, kept
// current as they change; a plot the text its window gives; a plain tool window reads as one.

#include "plot/widgets/AccessibleText.h"
#include "plot/widgets/saxes.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <gtest/gtest.h>

namespace {

QString Read(QWidget& widget, QAccessible::Text text)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&widget);
    return face ? face->text(text) : QStringLiteral("(none)");
}

}  // namespace

TEST(AccessibleTexts, AxisReadsItsRangeAndMarkerAsTheyChange)
{
    QWidget window;
    auto* axis = new TAxis(&window);
    axis->SetMinLoValue(-1e9);
    axis->SetMaxLoValue(1e9);
    axis->SetMinHiValue(-1e9);
    axis->SetMaxHiValue(1e9);
    axis->SetMaxValueDifference(1e9);
    axis->SetRange(0, 100);
    axis->SetAxisText(QStringLiteral("[frames]"));
    EXPECT_EQ(Read(*axis, QAccessible::Name), QStringLiteral("Axis [frames]"));
    EXPECT_EQ(Read(*axis, QAccessible::Description), QStringLiteral("0 to 100"));
    axis->setAccessibleName(QStringLiteral("Frame axis"));
    axis->SetMarkerVisible(true);
    axis->SetMarkerValue(42);
    EXPECT_EQ(Read(*axis, QAccessible::Description), QStringLiteral("0 to 100, marker at 42"));
    axis->SetRange(1947, 2047);
    axis->SetMarkerValue(2000);
    EXPECT_EQ(Read(*axis, QAccessible::Name), QStringLiteral("Frame axis"));
    EXPECT_EQ(Read(*axis, QAccessible::Description), QStringLiteral("1947 to 2047, marker at 2000"));
    axis->SetRange(-50, 12.5);
    axis->SetMarkerValue(62.5);
    EXPECT_EQ(Read(*axis, QAccessible::Description), QStringLiteral("-50 to 12.5, marker at 62.5"));
}

TEST(AccessibleTexts, PaintedWidgetReadsWhatItsWindowSays)
{
    QWidget window;
    auto* plot = new QWidget(&window);
    int row = 3;
    SetAccessibleTexts(*plot, QAccessible::Chart, QStringLiteral("Kymogram"),
                       [&row] { return QStringLiteral("Row %1").arg(row); });
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(plot);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::Chart);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Kymogram"));
    EXPECT_EQ(face->text(QAccessible::Description), QStringLiteral("Row 3"));
    row = 60;
    EXPECT_EQ(face->text(QAccessible::Description), QStringLiteral("Row 60"));

    QWidget tool(nullptr, Qt::Tool);
    tool.setWindowTitle(QStringLiteral("Waveform"));
    InstallPaintedAccessibility();
    QAccessibleInterface* toolFace = QAccessible::queryAccessibleInterface(&tool);
    ASSERT_NE(toolFace, nullptr);
    EXPECT_EQ(toolFace->role(), QAccessible::Window);
    EXPECT_EQ(toolFace->text(QAccessible::Name), QStringLiteral("Waveform"));
}
