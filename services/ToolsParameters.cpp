#include "services/ToolsParameters.h"

#include <QHash>

namespace {

constexpr uint32_t kShift = 0x2000;
constexpr uint32_t kCtrl = 0x4000;
constexpr uint32_t kAlt = 0x8000;

// The Windows virtual-key codes that have a key here.
std::optional<QKeyCombination> VirtualKey(uint32_t code)
{
    if (code >= 0x30 && code <= 0x39)
        return QKeyCombination(Qt::Key(Qt::Key_0 + int(code - 0x30)));
    if (code >= 0x41 && code <= 0x5A)
        return QKeyCombination(Qt::Key(Qt::Key_A + int(code - 0x41)));
    if (code >= 0x60 && code <= 0x69)
        return QKeyCombination(Qt::KeypadModifier, Qt::Key(Qt::Key_0 + int(code - 0x60)));
    if (code >= 0x70 && code <= 0x87)
        return QKeyCombination(Qt::Key(Qt::Key_F1 + int(code - 0x70)));
    switch (code) {
    case 0x08: return QKeyCombination(Qt::Key_Backspace);
    case 0x09: return QKeyCombination(Qt::Key_Tab);
    case 0x0D: return QKeyCombination(Qt::Key_Return);
    case 0x13: return QKeyCombination(Qt::Key_Pause);
    case 0x1B: return QKeyCombination(Qt::Key_Escape);
    case 0x20: return QKeyCombination(Qt::Key_Space);
    case 0x21: return QKeyCombination(Qt::Key_PageUp);
    case 0x22: return QKeyCombination(Qt::Key_PageDown);
    case 0x23: return QKeyCombination(Qt::Key_End);
    case 0x24: return QKeyCombination(Qt::Key_Home);
    case 0x25: return QKeyCombination(Qt::Key_Left);
    case 0x26: return QKeyCombination(Qt::Key_Up);
    case 0x27: return QKeyCombination(Qt::Key_Right);
    case 0x28: return QKeyCombination(Qt::Key_Down);
    case 0x2D: return QKeyCombination(Qt::Key_Insert);
    case 0x2E: return QKeyCombination(Qt::Key_Delete);
    case 0x6A: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Asterisk);
    case 0x6B: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus);
    case 0x6D: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Minus);
    case 0x6E: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Period);
    case 0x6F: return QKeyCombination(Qt::KeypadModifier, Qt::Key_Slash);
    case 0xBA: return QKeyCombination(Qt::Key_Semicolon);
    case 0xBB: return QKeyCombination(Qt::Key_Equal);
    case 0xBC: return QKeyCombination(Qt::Key_Comma);
    case 0xBD: return QKeyCombination(Qt::Key_Minus);
    case 0xBE: return QKeyCombination(Qt::Key_Period);
    case 0xBF: return QKeyCombination(Qt::Key_Slash);
    case 0xC0: return QKeyCombination(Qt::Key_QuoteLeft);
    case 0xDB: return QKeyCombination(Qt::Key_BracketLeft);
    case 0xDC: return QKeyCombination(Qt::Key_Backslash);
    case 0xDD: return QKeyCombination(Qt::Key_BracketRight);
    case 0xDE: return QKeyCombination(Qt::Key_Apostrophe);
    default: return std::nullopt;
    }
}

bool IsBlankOrControl(QChar c) { return c.unicode() <= 32; }

bool NeedsQuotes(const QString& text)
{
    for (const QChar c : text)
        if (IsBlankOrControl(c) || c == QLatin1Char('"'))
            return true;
    return false;
}

QString DoubledQuotes(QString text) { return text.replace(QLatin1Char('"'), QStringLiteral("\"\"")); }

// The extension of a path's file part, without ".", upper-cased; empty without one.
QString UpperExtension(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? path.mid(dot + 1).toUpper() : QString();
}

QString BuiltIn(const QString& token, const TToolExpansion& expansion)
{
    if (token == QLatin1String("%d"))
        return expansion.CurrentDirectory;
    if (token == QLatin1String("%w"))
        return expansion.WindowsDirectory;
    if (token == QLatin1String("%p"))
        return expansion.ProgramFolder;
    if (token == QLatin1String("%%"))
        return QStringLiteral("%");
    if (token.size() == 2 && token[1] >= QLatin1Char('0') && token[1] <= QLatin1Char('9'))
        return expansion.Arguments.value(token[1].unicode() - u'0');
    return {};
}

}  // namespace

QKeySequence ToolHotKeyToKeySequence(int64_t hotKey)
{
    if (hotKey <= 0 || hotKey > 0xFFFF || (hotKey & 0x1F00) != 0)
        return {};
    const auto key = VirtualKey(uint32_t(hotKey) & 0xFF);
    if (!key)
        return {};
    Qt::KeyboardModifiers modifiers = key->keyboardModifiers();
    if (hotKey & kShift)
        modifiers |= Qt::ShiftModifier;
    if (hotKey & kCtrl)
        modifiers |= Qt::ControlModifier;
    if (hotKey & kAlt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, key->key()));
}

std::optional<QChar> AcceleratorLetter(const QString& menuText)
{
    const qsizetype amp = menuText.indexOf(QLatin1Char('&'));
    if (amp < 0 || amp + 1 >= menuText.size())
        return std::nullopt;
    return menuText[amp + 1].toLower();
}

QString FreshAccelerator(const QString& menuText, const QString& usedLetters)
{
    QString text = menuText;
    text.remove(QLatin1Char('&'));
    const QString used = usedLetters.toUpper();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar upper = text[i].toUpper();
        const bool candidate = (upper >= QLatin1Char('0') && upper <= QLatin1Char('9'))
                               || (upper >= QLatin1Char('A') && upper <= QLatin1Char('Z'));
        if (candidate && !used.contains(upper)) {
            text.insert(i, QLatin1Char('&'));
            break;
        }
    }
    return text;
}

bool AcceleratorConflicts(const QStringList& menuTexts)
{
    QString seen;
    for (const QString& text : menuTexts) {
        const auto letter = AcceleratorLetter(text.toLower());
        if (!letter)
            continue;
        if (seen.contains(*letter))
            return true;
        seen += *letter;
    }
    return false;
}

QString ShortPathName(const QString& path) { return path; }

QString ExpandToolToken(const QString& token, const TToolExpansion& expansion)
{
    QString candidate = expansion.Meaning ? expansion.Meaning(token) : token;
    if (token == QLatin1String("%f") && !expansion.ValidExtensions.isEmpty()
        && !expansion.ValidExtensions.contains(UpperExtension(candidate), Qt::CaseInsensitive))
        candidate.clear();
    if (candidate == token)
        candidate.clear();
    if (candidate.isEmpty())
        candidate = BuiltIn(token, expansion);
    if (expansion.Want83 && !candidate.isEmpty())
        candidate = ShortPathName(candidate);
    return candidate;
}

QString ExpandToolParameters(const QString& text, const TToolExpansion& expansion)
{
    QString result;
    result.reserve(text.size());
    QHash<QString, QString> expanded;  // each token means one thing throughout
    bool inQuotes = false;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != QLatin1Char('%')) {
            if (c == QLatin1Char('"'))
                inQuotes = !inQuotes;
            result += c;
            ++i;
            continue;
        }
        qsizetype end = text.indexOf(QLatin1Char(' '), i);
        if (end < 0)
            end = text.size();
        const QString token = text.mid(i, end - i);
        auto it = expanded.constFind(token);
        if (it == expanded.constEnd())
            it = expanded.insert(token, ExpandToolToken(token, expansion));
        const QString& meaning = it.value();
        if (!NeedsQuotes(meaning))
            result += meaning;
        else if (inQuotes)
            result += DoubledQuotes(meaning);
        else
            result += QLatin1Char('"') + DoubledQuotes(meaning) + QLatin1Char('"');
        i = end;
    }
    qsizetype begin = 0, end = result.size();
    while (begin < end && IsBlankOrControl(result[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(result[end - 1]))
        --end;
    return result.mid(begin, end - begin);
}

QStringList SplitToolCommandLine(const QString& commandLine)
{
    QStringList arguments;
    qsizetype i = 0;
    const qsizetype n = commandLine.size();
    while (true) {
        while (i < n && IsBlankOrControl(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        QString argument;
        bool inQuotes = false;
        for (; i < n; ++i) {
            const QChar c = commandLine[i];
            if (c == QLatin1Char('"')) {
                if (inQuotes && i + 1 < n && commandLine[i + 1] == QLatin1Char('"')) {
                    argument += c;
                    ++i;
                } else {
                    inQuotes = !inQuotes;
                }
            } else if (!inQuotes && IsBlankOrControl(c)) {
                break;
            } else {
                argument += c;
            }
        }
        arguments << argument;
    }
    return arguments;
}

QString QuoteToolArgument(const QString& argument)
{
    if (!argument.isEmpty() && !NeedsQuotes(argument))
        return argument;
    return QLatin1Char('"') + DoubledQuotes(argument) + QLatin1Char('"');
}
