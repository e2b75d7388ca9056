// "Speckle properties": controls show the settings, every change is handed on whole.
#include "analysis/SpeckleSettings.h"
#include "analysis/ui/stremax11.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

TEST(SpeckleWindow, HandsOnEveryChange)
{
    TSpeckleSettings settings;
    TForm11 window(settings);
    QList<bool> clicks;
    int changes = 0;
    window.OnShowTraceClicked([&](bool on) { clicks << on; });
    window.OnSettingsChanged([&](const TSpeckleSettings& next) {
        settings = next;
        ++changes;
    });
    const auto spin = [&](const char* name) { return window.findChild<QSpinBox*>(QLatin1String(name)); };
    const auto radio = [&](const char* name) { return window.findChild<QRadioButton*>(QLatin1String(name)); };

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Speckle properties"));
    EXPECT_EQ(window.findChild<QGroupBox*>(QStringLiteral("corrgroup"))->title(), QStringLiteral("Correlation area size"));
    EXPECT_EQ(radio("correlateto1")->text(), QStringLiteral("First image"));
    EXPECT_EQ(radio("processing1")->text(), QStringLiteral("x-wise differentiation"));
    EXPECT_EQ(spin("corrxedit")->value(), 24);
    EXPECT_EQ(spin("scoutyedit")->value(), 2);
    EXPECT_EQ(spin("scoutyedit")->maximum(), 100);
    EXPECT_TRUE(radio("correlateto0")->isChecked());

    spin("corryedit")->setValue(7);
    spin("scoutxedit")->setValue(250);  // the spin edit ends at 100
    QTest::mouseClick(radio("correlateto1"), Qt::LeftButton);
    QTest::mouseClick(radio("processing1"), Qt::LeftButton);
    EXPECT_EQ(settings, (TSpeckleSettings{24, 7, 100, 2, true, true}));
    EXPECT_EQ(changes, 4);

    // The check box reports clicks and follows the main window's state silently.
    QTest::mouseClick(window.findChild<QCheckBox*>(QStringLiteral("showtracecheck")), Qt::LeftButton);
    window.ShowSpeckleOn(false);
    EXPECT_FALSE(window.findChild<QCheckBox*>(QStringLiteral("showtracecheck"))->isChecked());
    EXPECT_EQ(clicks, QList<bool>{true});

    // Showing takes the main window's current values without writing or reporting anything.
    settings = TSpeckleSettings{3, 4, 5, 6, false, false};
    window.show();
    EXPECT_EQ(spin("corrxedit")->value(), 3);
    EXPECT_EQ(spin("scoutyedit")->value(), 6);
    EXPECT_TRUE(radio("processing0")->isChecked());
    EXPECT_EQ(settings, (TSpeckleSettings{3, 4, 5, 6, false, false}));
    EXPECT_EQ(changes, 4);
}
