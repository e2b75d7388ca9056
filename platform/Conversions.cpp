#include "platform/Conversions.h"

#include "platform/Errors.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool IsBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString QuotedMessage(const QString& text, const char* tail)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'') + QLatin1String(tail);
}

}  // namespace

bool TryStrToInt(const QString& text, int32_t& value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == n)
        return false;
    int64_t magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return false;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max())
        return false;
    value = int32_t(signedValue);
    return true;
}

int32_t StrToInt(const QString& text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(QuotedMessage(text, " is not a valid integer value"));
    return value;
}

bool TryStrToFloat(const QString& text, double& value, QChar decimalSeparator)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    // Check the grammar ourselves: from_chars would also take "inf", "nan" and hex forms.
    std::string plain;
    plain.reserve(size_t(end - begin));
    qsizetype i = begin;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        if (text[i] == QLatin1Char('-'))
            plain += '-';
        ++i;
    }
    int digits = 0;
    for (; i < end && text[i].isDigit() && text[i].unicode() < 128; ++i, ++digits)
        plain += char(text[i].unicode());
    if (i < end && text[i] == decimalSeparator) {
        plain += '.';
        for (++i; i < end && text[i].unicode() >= u'0' && text[i].unicode() <= u'9'; ++i, ++digits)
            plain += char(text[i].unicode());
    }
    if (digits == 0)
        return false;
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
            plain += char(text[i].unicode());
            ++i;
        }
        int exponentDigits = 0;
        for (; i < end && text[i].unicode() >= u'0' && text[i].unicode() <= u'9'; ++i, ++exponentDigits)
            plain += char(text[i].unicode());
        if (exponentDigits == 0)
            return false;
    }
    if (i != end)
        return false;
    double parsed = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

double StrToFloat(const QString& text, QChar decimalSeparator)
{
    if (text.isEmpty())
        throw EConvertError(QStringLiteral("Cannot convert empty string to number"));
    double value = 0;
    if (!TryStrToFloat(text, value, decimalSeparator))
        throw EConvertError(QuotedMessage(text, " is not a valid floating point value"));
    return value;
}

QChar UserDecimalSeparator(const QLocale& locale)
{
    const QString separator = locale.decimalPoint();
    return separator.isEmpty() ? QLatin1Char('.') : separator[0];
}

int32_t RoundToInt(double value)
{
    const double rounded = std::nearbyint(value);  // default rounding mode: ties to even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw ERangeError();
    return int32_t(rounded);
}

int32_t TruncToInt(double value)
{
    const double truncated = std::trunc(value);
    if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0))
        throw ERangeError();
    return int32_t(truncated);
}

QString FloatToStr(double value, QChar decimalSeparator)
{
    QString text = QString::number(value, 'g', 15);
    if (decimalSeparator != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

QString FloatToStrExact(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}
