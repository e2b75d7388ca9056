#pragma once
// Text-to-number conversions and rounding with the run-time library's rules and messages.

#include <QLocale>
#include <QString>
#include <cstdint>

// Decimal integer: optional leading blanks, optional sign, digits, nothing after.
// Fails with "'%s' is not a valid integer value".
int32_t StrToInt(const QString& text);
bool TryStrToInt(const QString& text, int32_t& value);

// Decimal number with the given decimal separator: leading and trailing blanks, optional sign,
// optional fraction and exponent. Fails with "Cannot convert empty string to number" for an
// empty text and "'%s' is not a valid floating point value" otherwise.
double StrToFloat(const QString& text, QChar decimalSeparator = QLatin1Char('.'));
bool TryStrToFloat(const QString& text, double& value, QChar decimalSeparator = QLatin1Char('.'));

// The user's decimal separator (the locale's, as numbers on screen use it).
QChar UserDecimalSeparator(const QLocale& locale = QLocale());

// Nearest integer, halves to the even integer; outside the 32-bit range (or not finite):
// "Range check error".
int32_t RoundToInt(double value);
// The integer part, toward zero; outside the 32-bit range (or not finite): "Range check error".
int32_t TruncToInt(double value);

// Shortest general decimal form, as on screen: up to 15 significant digits, the given separator.
QString FloatToStr(double value, QChar decimalSeparator = QLatin1Char('.'));
// Shortest form that reads back to the same double, "." separator, integers without a point.
QString FloatToStrExact(double value);
