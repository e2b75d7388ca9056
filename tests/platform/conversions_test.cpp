#include "platform/Conversions.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QString ConvertMessage(const std::function<void()>& convert)
{
    try {
        convert();
    } catch (const EError& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

}  // namespace

TEST(Conversions, IntegersTakeLeadingBlanksAndSignButNothingAfter)
{
    EXPECT_EQ(StrToInt(QStringLiteral("320")), 320);
    EXPECT_EQ(StrToInt(QStringLiteral("   -17")), -17);
    EXPECT_EQ(StrToInt(QStringLiteral("+5")), 5);
    EXPECT_EQ(StrToInt(QStringLiteral("-2147483648")), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ConvertMessage([] { StrToInt(QStringLiteral("320 ")); }),
              QStringLiteral("'320 ' is not a valid integer value"));
    EXPECT_EQ(ConvertMessage([] { StrToInt(QString()); }), QStringLiteral("'' is not a valid integer value"));
    EXPECT_EQ(ConvertMessage([] { StrToInt(QStringLiteral("2147483648")); }),
              QStringLiteral("'2147483648' is not a valid integer value"));
    EXPECT_EQ(ConvertMessage([] { StrToInt(QStringLiteral("-")); }), QStringLiteral("'-' is not a valid integer value"));
    EXPECT_EQ(ConvertMessage([] { StrToInt(QStringLiteral("99999999999999999999")); }),
              QStringLiteral("'99999999999999999999' is not a valid integer value"));
}

TEST(Conversions, FloatsUseTheGivenSeparatorAndAcceptBlanksAndExponents)
{
    EXPECT_EQ(StrToFloat(QStringLiteral(" 250.5 ")), 250.5);
    EXPECT_EQ(StrToFloat(QStringLiteral("1e3")), 1000.0);
    EXPECT_EQ(StrToFloat(QStringLiteral("-.5")), -0.5);
    EXPECT_EQ(StrToFloat(QStringLiteral("2,5"), QLatin1Char(',')), 2.5);
    EXPECT_EQ(ConvertMessage([] { StrToFloat(QStringLiteral("2,5")); }),
              QStringLiteral("'2,5' is not a valid floating point value"));
    EXPECT_EQ(ConvertMessage([] { StrToFloat(QString()); }), QStringLiteral("Cannot convert empty string to number"));
    for (const char* bad : {"nan", "inf", "1e", "0x10", ".", "1e999", "12abc", " "})
        EXPECT_NE(ConvertMessage([&] { StrToFloat(QString::fromLatin1(bad)); }), QStringLiteral("(no error)")) << bad;
}

TEST(Conversions, RoundingSendsHalvesToEvenAndChecksTheRange)
{
    EXPECT_EQ(RoundToInt(10.5), 10);
    EXPECT_EQ(RoundToInt(11.5), 12);
    EXPECT_EQ(RoundToInt(-2.5), -2);
    EXPECT_EQ(TruncToInt(-2.7), -2);
    EXPECT_EQ(ConvertMessage([] { RoundToInt(3e9); }), QStringLiteral("Range check error"));
    EXPECT_EQ(ConvertMessage([] { RoundToInt(std::nan("")); }), QStringLiteral("Range check error"));
    EXPECT_EQ(ConvertMessage([] { TruncToInt(-1e10); }), QStringLiteral("Range check error"));
}

TEST(Conversions, NumbersWrittenOutReadBack)
{
    EXPECT_EQ(FloatToStrExact(1904), QStringLiteral("1904"));
    EXPECT_EQ(FloatToStrExact(250.5), QStringLiteral("250.5"));
    EXPECT_EQ(FloatToStrExact(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(FloatToStr(2.5, QLatin1Char(',')), QStringLiteral("2,5"));
    EXPECT_EQ(FloatToStr(1904), QStringLiteral("1904"));
}
