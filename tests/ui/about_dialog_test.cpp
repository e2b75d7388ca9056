#include "services/ui/AboutDialog.h"
#include "services/sabout.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

TEST(AboutDialog, LinesKeepTheirPlacesWhenTheExtraLineIsHidden)
{
    TCorvelAbout about;
    SetUpTremaxAbout(about);
    about.Loaded();
    TAboutDialog dialog(about);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(dialog.width(), 410);
    EXPECT_EQ(dialog.VersionLabel()->text(), QStringLiteral("Version 3.0.0.3 for Linux"));
    EXPECT_TRUE(dialog.CorvelLabel()->isHidden());
    EXPECT_TRUE(dialog.ExtraLabel()->isHidden());
    EXPECT_TRUE(dialog.MemoryLabel()->text().startsWith(QStringLiteral("Physical memory: ")));
    EXPECT_TRUE(dialog.MemoryLabel()->text().endsWith(QStringLiteral(" MiB")));
    const QRect memory = dialog.MemoryLabel()->geometry();

    about.SetExtra(QStringLiteral("Licensed to the lab"));
    about.SetShowACorvel(true);
    dialog.RefreshLines();
    EXPECT_FALSE(dialog.ExtraLabel()->isHidden());
    EXPECT_EQ(dialog.CorvelLabel()->text(), QStringLiteral("A Corvel application"));
    EXPECT_EQ(dialog.MemoryLabel()->geometry(), memory);
    EXPECT_GT(dialog.OkButton()->geometry().top(), memory.bottom());
    EXPECT_LE(dialog.OkButton()->geometry().bottom() + 10, dialog.height());
}

TEST(AboutDialog, DoubleClicksReachTheHooksWhenFilled)
{
    TCorvelAbout about;
    TAboutDialog dialog(about);
    QTest::mouseDClick(dialog.PictureLabel(), Qt::LeftButton);  // nothing attached: nothing happens
    int toggles = 0, eggs = 0;
    about.SetPictureHook([&] { ++toggles; });
    about.OnEggClick = [&] { ++eggs; };
    QTest::mouseDClick(dialog.PictureLabel(), Qt::LeftButton);
    QTest::mouseDClick(dialog.IconLabel(), Qt::LeftButton);
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(eggs, 1);

    QTimer::singleShot(0, &dialog, [&] { dialog.OkButton()->click(); });
    EXPECT_EQ(dialog.showmodal(), int(QDialog::Accepted));
}
