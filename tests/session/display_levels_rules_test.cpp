#include "viewer/session/DisplayLevels.h"

#include <gtest/gtest.h>

#include <limits>

using namespace DisplayLevels;

TEST(DisplayLevels, OnlyExactEqualityCollides)
{
    EXPECT_EQ(SeparateWhiteLevel(1, 5, 0), 1);
    EXPECT_EQ(SeparateLoSat(-30.5, -50, -30), -30.5);
    EXPECT_EQ(SeparateGrayLevel(255, 255, 0), 255);  // gray may meet white
}

TEST(DisplayLevels, StepsAtTheEndsOfTheIntegerRangeStillSeparate)
{
    constexpr int32_t top = std::numeric_limits<int32_t>::max();
    constexpr int32_t bottom = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(SeparateWhiteLevel(top, 0, top), top - 1);
    EXPECT_EQ(SeparateWhiteLevel(bottom, 0, bottom), bottom + 1);
    EXPECT_EQ(SeparateBlackLevel(top, top - 5, top), top - 1);
    EXPECT_EQ(SeparateGrayLevel(top, 0, top), top - 1);
}

TEST(DisplayLevels, PositionsMapToValuesAndStayOnTheSlider)
{
    EXPECT_EQ(GrayLevelAt(0), 255);
    EXPECT_EQ(GrayLevelAt(255), 0);
    EXPECT_EQ(GrayLevelPosition(64), 191);
    EXPECT_EQ(GrayLevelPosition(-1), 255);
    EXPECT_EQ(GrayLevelPosition(300), 0);
    EXPECT_EQ(GrayLevelPosition(std::numeric_limits<int32_t>::min()), 255);

    EXPECT_EQ(DecibelAt(30), -30.0);
    EXPECT_EQ(DecibelPosition(-50), 50);
    EXPECT_EQ(DecibelPosition(-12.5), 12);  // halves to even
    EXPECT_EQ(DecibelPosition(-13.5), 14);
    EXPECT_EQ(DecibelPosition(-120), 100);
    EXPECT_EQ(DecibelPosition(5), 0);
    EXPECT_EQ(DecibelPosition(-1e300), 100);

    EXPECT_EQ(RateTenthsAt(475), 25);
    EXPECT_EQ(RateTenthsPosition(25), 475);
    EXPECT_EQ(RateTenthsPosition(-200), 700);
    EXPECT_EQ(RateTenthsPosition(800), 0);
    EXPECT_EQ(RateTenthsPosition(-800), 1000);
    EXPECT_EQ(RateFromTenths(-200), -20.0);
}

TEST(DisplayLevels, EditTextsFollowTheDecimalSeparator)
{
    const QChar comma = QLatin1Char(',');
    const QChar point = QLatin1Char('.');
    EXPECT_EQ(GrayLevelText(-1), QStringLiteral("-1"));
    EXPECT_EQ(DecibelText(-12.5, comma), QStringLiteral("-12,5"));
    EXPECT_EQ(DecibelText(-50, comma), QStringLiteral("-50"));
    EXPECT_EQ(RateText(25, comma), QStringLiteral("2,5"));
    EXPECT_EQ(RateText(3, point), QStringLiteral("0.3"));
    EXPECT_EQ(RateText(-200, point), QStringLiteral("-20"));

    int32_t tenths = 0;
    EXPECT_TRUE(ReadRateTenths(QStringLiteral("2,5"), comma, tenths));
    EXPECT_EQ(tenths, 25);
    EXPECT_TRUE(ReadRateTenths(QStringLiteral("0.25"), point, tenths));
    EXPECT_EQ(tenths, 2);  // 2.5 tenths: halves to even
    EXPECT_TRUE(ReadRateTenths(QStringLiteral("-20"), point, tenths));
    EXPECT_EQ(tenths, -200);
    EXPECT_TRUE(ReadRateTenths(QStringLiteral("4.36"), point, tenths));
    EXPECT_EQ(tenths, 44);  // 43.6 rounded, not cut
    EXPECT_TRUE(ReadRateTenths(QStringLiteral("-0.26"), point, tenths));
    EXPECT_EQ(tenths, -3);
    tenths = 7;
    EXPECT_FALSE(ReadRateTenths(QStringLiteral("2.5"), comma, tenths));
    EXPECT_FALSE(ReadRateTenths(QStringLiteral("1e10"), point, tenths));  // beyond the integer range
    EXPECT_FALSE(ReadRateTenths(QStringLiteral("-"), point, tenths));
    EXPECT_EQ(tenths, 7);

    double dB = 0;
    EXPECT_TRUE(ReadDecibel(QStringLiteral("-12,5"), comma, dB));
    EXPECT_EQ(dB, -12.5);
    EXPECT_FALSE(ReadDecibel(QString(), comma, dB));
    int32_t level = 0;
    EXPECT_FALSE(ReadGrayLevel(QStringLiteral("6.5"), level));
    EXPECT_FALSE(ReadGrayLevel(QStringLiteral("abc"), level));
}
