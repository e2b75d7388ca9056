#include "plot/AxisNumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Decimal digits and exponent of a value rounded to `digits` significant digits:
// value = d0.d1d2... x 10^exponent.
struct TDecimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

TDecimal ToDecimal(double value, int digits)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
    TDecimal result;
    const char* p = buffer;
    if (*p == '-') {
        result.negative = true;
        ++p;
    }
    for (; *p && *p != 'e'; ++p)
        if (*p != '.')
            result.digits += *p;
    if (*p == 'e')
        result.exponent = std::atoi(p + 1);
    return result;
}

QString ExponentText(int exponent)
{
    return QLatin1Char('E') + QString::number(exponent);  // "-" only when negative
}

QString NonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

}  // namespace

QString GeneralFloatText(double value, QChar decimalSeparator)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    if (value == 0)
        return QStringLiteral("0");
    TDecimal decimal = ToDecimal(value, 15);
    while (decimal.digits.size() > 1 && decimal.digits.back() == '0')
        decimal.digits.pop_back();
    const QString digits = QString::fromLatin1(decimal.digits.data(), qsizetype(decimal.digits.size()));
    QString text = decimal.negative ? QStringLiteral("-") : QString();
    if (decimal.exponent >= 15 || decimal.exponent < -4) {
        text += digits.left(1);
        if (digits.size() > 1)
            text += decimalSeparator + digits.mid(1);
        return text + ExponentText(decimal.exponent);
    }
    if (decimal.exponent < 0)
        return text + QLatin1Char('0') + decimalSeparator + QString(-decimal.exponent - 1, QLatin1Char('0')) + digits;
    const qsizetype whole = decimal.exponent + 1;
    if (digits.size() <= whole)
        return text + digits + QString(whole - digits.size(), QLatin1Char('0'));
    return text + digits.left(whole) + decimalSeparator + digits.mid(whole);
}

QString FormatSignificant(double value, int digits, QChar decimalSeparator)
{
    if (!std::isfinite(value))
        return NonFiniteText(value);
    const int n = digits < 1 ? 1 : digits;
    const TDecimal decimal = ToDecimal(value, n);
    QString scientific = decimal.negative ? QStringLiteral("-") : QString();
    scientific += QLatin1Char(decimal.digits[0]);
    if (n > 1)
        scientific += decimalSeparator + QString::fromLatin1(decimal.digits.data() + 1, qsizetype(n - 1));
    scientific += ExponentText(decimal.exponent);

    // The number the scientific text stands for, in the general form.
    const std::string plain = std::string(decimal.negative ? "-" : "") + decimal.digits + "e" +
                              std::to_string(decimal.exponent - (n - 1));
    const QString general = GeneralFloatText(std::strtod(plain.c_str(), nullptr), decimalSeparator);
    return scientific.size() < general.size() ? scientific : general;
}
