#include "platform/RegistryText.h"

#include <QStringDecoder>

namespace {

const QString kHeader = QStringLiteral("VarnikData Registry Version 1");

void AppendEscaped(QString& out, const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            out += QLatin1String("\\\\");
        else if (u == u'"')
            out += QLatin1String("\\\"");
        else if (u < 32 || u >= 127)
            out += QStringLiteral("\\x%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
}

void AppendKey(QString& out, const TRegistryKey& key, const QString& path)
{
    // The root's section only when it holds values: its subkeys name themselves.
    if (!path.isEmpty() || !key.Values().empty()) {
        out += QLatin1Char('[');
        out += path;
        out += QLatin1String("]\n");
        for (const TRegistryValue& value : key.Values()) {
            if (value.Name.isEmpty()) {
                out += QLatin1Char('@');
            } else {
                out += QLatin1Char('"');
                AppendEscaped(out, value.Name);
                out += QLatin1Char('"');
            }
            out += QLatin1Char('=');
            if (value.Type == TRegistryValueType::number) {
                out += QStringLiteral("dword:%1").arg(value.Number, 8, 16, QLatin1Char('0'));
            } else {
                out += QLatin1Char('"');
                AppendEscaped(out, value.Text);
                out += QLatin1Char('"');
            }
            out += QLatin1Char('\n');
        }
        out += QLatin1Char('\n');
    }
    for (const auto& sub : key.SubKeys()) {
        QString name;
        AppendEscaped(name, sub->Name());
        AppendKey(out, *sub, path.isEmpty() ? name : path + QLatin1String("\\\\") + name);
    }
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads escaped text from `at` up to (not including) a closing quote, or to the end when
// `quoted` is false. Leaves `at` on the closing quote.
bool Unescape(const QString& line, qsizetype& at, bool quoted, QString& text, QString& problem)
{
    text.clear();
    while (at < line.size()) {
        const QChar c = line[at];
        if (quoted && c == QLatin1Char('"'))
            return true;
        if (c != QLatin1Char('\\')) {
            text += c;
            ++at;
            continue;
        }
        if (at + 1 >= line.size()) {
            problem = QStringLiteral("a \"\\\" at the end of the line");
            return false;
        }
        const QChar next = line[at + 1];
        if (next == QLatin1Char('\\') || next == QLatin1Char('"')) {
            text += next;
            at += 2;
        } else if (next == QLatin1Char('x')) {
            uint code = 0;
            for (int k = 0; k < 4; ++k) {
                const int digit = at + 2 + k < line.size() ? HexDigit(line[at + 2 + k]) : -1;
                if (digit < 0) {
                    problem = QStringLiteral("\"\\x\" is not followed by four hexadecimal digits");
                    return false;
                }
                code = code * 16 + uint(digit);
            }
            text += QChar(char16_t(code));
            at += 6;
        } else {
            problem = QStringLiteral("an unknown escape \"\\%1\"").arg(next);
            return false;
        }
    }
    if (quoted) {
        problem = QStringLiteral("a closing quote is missing");
        return false;
    }
    return true;
}

bool OnlyBlanksFrom(const QString& line, qsizetype at)
{
    for (; at < line.size(); ++at)
        if (line[at] != QLatin1Char(' ') && line[at] != QLatin1Char('\t'))
            return false;
    return true;
}

void SkipBlanks(const QString& line, qsizetype& at)
{
    while (at < line.size() && (line[at] == QLatin1Char(' ') || line[at] == QLatin1Char('\t')))
        ++at;
}

bool ParseValue(const QString& line, TRegistryValue& value, QString& problem)
{
    qsizetype at = 0;
    if (line[0] == QLatin1Char('@')) {
        value.Name.clear();
        at = 1;
    } else {
        at = 1;
        if (!Unescape(line, at, true, value.Name, problem))
            return false;
        ++at;  // the closing quote
    }
    SkipBlanks(line, at);
    if (at >= line.size() || line[at] != QLatin1Char('=')) {
        problem = QStringLiteral("\"=\" expected after the value's name");
        return false;
    }
    ++at;
    SkipBlanks(line, at);
    if (at < line.size() && line[at] == QLatin1Char('"')) {
        ++at;
        value.Type = TRegistryValueType::string;
        if (!Unescape(line, at, true, value.Text, problem))
            return false;
        ++at;
    } else if (line.mid(at, 6) == QLatin1String("dword:")) {
        at += 6;
        uint32_t number = 0;
        int digits = 0;
        for (; at < line.size() && HexDigit(line[at]) >= 0; ++at, ++digits)
            number = number * 16 + uint32_t(HexDigit(line[at]));
        if (digits != 8) {
            problem = QStringLiteral("\"dword:\" is not followed by eight hexadecimal digits");
            return false;
        }
        value.Type = TRegistryValueType::number;
        value.Number = number;
    } else {
        problem = QStringLiteral("a quoted text or \"dword:\" expected after \"=\"");
        return false;
    }
    if (!OnlyBlanksFrom(line, at)) {
        problem = QStringLiteral("unexpected text after the value");
        return false;
    }
    return true;
}

}  // namespace

QByteArray FormatRegistryText(const TRegistryKey& root, const QString& rootName)
{
    QString out = kHeader + QLatin1String("\n;; ") + rootName + QLatin1String("\n\n");
    AppendKey(out, root, QString());
    return out.toLatin1();  // escaped: nothing above 126 is left
}

bool ParseRegistryText(const QByteArray& bytes, TRegistryKey& root, TRegistryTextError& error)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        error = {0, QStringLiteral("the file is not UTF-8 text")};
        return false;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool headerSeen = false;
    TRegistryKey* key = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int lineNumber = int(i + 1);
        if (line.trimmed().isEmpty())
            continue;
        if (!headerSeen) {
            if (line.trimmed() != kHeader) {
                error = {lineNumber, QStringLiteral("the first line is not \"%1\"").arg(kHeader)};
                return false;
            }
            headerSeen = true;
            continue;
        }
        if (line.startsWith(QLatin1Char(';')))
            continue;
        QString problem;
        if (line.startsWith(QLatin1Char('['))) {
            const QString trimmed = line.trimmed();
            if (!trimmed.endsWith(QLatin1Char(']'))) {
                error = {lineNumber, QStringLiteral("a section line does not end in \"]\"")};
                return false;
            }
            const QString inner = trimmed.mid(1, trimmed.size() - 2);
            qsizetype at = 0;
            QString path;
            if (!Unescape(inner, at, false, path, problem)) {
                error = {lineNumber, problem};
                return false;
            }
            key = &root.FindOrAdd(path);
        } else if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@'))) {
            if (!key) {
                error = {lineNumber, QStringLiteral("a value before the first section")};
                return false;
            }
            TRegistryValue value;
            if (!ParseValue(line, value, problem)) {
                error = {lineNumber, problem};
                return false;
            }
            key->SetValue(value);
        } else {
            error = {lineNumber, QStringLiteral("a line that is neither a section nor a value")};
            return false;
        }
    }
    return true;
}
