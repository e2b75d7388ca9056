#include "services/cProgId.h"
#include "services/sabout.h"

#include <gtest/gtest.h>

#include <QSet>

TEST(About, VersionRules)
{
    TCorvelAbout about;
    EXPECT_EQ(about.Title(), QStringLiteral("AppName"));
    EXPECT_EQ(about.Version(), QStringLiteral("auto"));
    EXPECT_EQ(about.VersionNumber(), 0);
    about.SetRevision(QStringLiteral("auto"));
    about.Loaded();
    EXPECT_EQ(about.Version(), QStringLiteral("3.0"));
    EXPECT_EQ(about.Revision(), QString());
    EXPECT_EQ(about.VersionNumber(), 3.0);
    about.SetVersion(QStringLiteral("2.5"));
    EXPECT_EQ(about.VersionNumber(), 2.5);

    SetUpTremaxAbout(about);
    about.Loaded();
    EXPECT_EQ(about.VersionNumber(), 0);  // "3.0.0.3" is not a number: the tools menu relies on it
    EXPECT_EQ(about.VersionLine(), QStringLiteral("Version 3.0.0.3 for Linux"));
    about.SetRevision(QStringLiteral("b"));
    about.SetOSVersions(QStringLiteral("Windows"));
    EXPECT_EQ(about.VersionLine(), QStringLiteral("Version 3.0.0.3b for Windows"));
    EXPECT_EQ(about.CorvelLine(), QString());
    about.SetShowACorvel(true);
    EXPECT_EQ(about.CorvelLine(), QStringLiteral("A Corvel application"));

    TProgId id = TremaxProgId();
    id.SetAutoVersion(true);
    id.SetVersion(QStringLiteral("9.9"));
    EXPECT_EQ(id.Version(), QStringLiteral("3.0"));
    EXPECT_EQ(TProgId().ProductName(), QString());
    EXPECT_FALSE(TProgId().AutoVersion());
}

TEST(About, MemoryLineRoundsTenthsOfAMebibyteHalfUp)
{
    // Sizes chosen by hand: 511.5 MiB = 536346624 bytes, 1.25 MiB = 1310720 bytes.
    EXPECT_EQ(PhysicalMemoryLine(536346624, QLatin1Char('.')), QStringLiteral("Physical memory: 511.5 MiB"));
    EXPECT_EQ(PhysicalMemoryLine(536870912, QLatin1Char('.')), QStringLiteral("Physical memory: 512 MiB"));
    EXPECT_EQ(PhysicalMemoryLine(1310720, QLatin1Char(',')), QStringLiteral("Physical memory: 1,3 MiB"));
    EXPECT_EQ(PhysicalMemoryLine(1310719, QLatin1Char('.')), QStringLiteral("Physical memory: 1.2 MiB"));
    EXPECT_EQ(PhysicalMemoryLine(524288, QLatin1Char('.')), QStringLiteral("Physical memory: .5 MiB"));
    EXPECT_EQ(PhysicalMemoryLine(int64_t(64) << 30, QLatin1Char('.')), QStringLiteral("Physical memory: 65536 MiB"));
    EXPECT_EQ(PhysicalMemoryLine(0, QLatin1Char('.')), QStringLiteral("Physical memory: unknown"));
}

TEST(About, CompileDateAndPicture)
{
    const QDate built = BuildDate();
    EXPECT_TRUE(built.isValid());
    EXPECT_LE(built, QDate::currentDate());
    EXPECT_GE(built.year(), 2024);
    TAbout plain;
    EXPECT_EQ(plain.CompileLine(QLocale::c()), QStringLiteral("Compiled ") + QLocale::c().toString(built, QLocale::ShortFormat));
    EXPECT_TRUE(plain.Picture().isNull());

    TCorvelAbout about;
    const QImage palette = about.Picture();
    EXPECT_EQ(palette.size(), QSize(153, 225));
    EXPECT_EQ(palette.format(), QImage::Format_Indexed8);
    EXPECT_LE(palette.colorCount(), 256);
    about.SetBMP256(false);
    const QImage full = about.Picture();
    QSet<QRgb> colours;
    for (int y = 0; y < full.height(); y += 3)
        for (int x = 0; x < full.width(); x += 3)
            colours.insert(full.pixel(x, y));
    EXPECT_GT(colours.size(), 50);  // a picture, not a fill
}
