#include "platform/IniFile.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "platform/LockedFile.h"

#include <QByteArray>
#include <QDir>
#include <vector>

namespace {

// The file as lines without their endings; each line is decoded only to be compared, so bytes
// that are not UTF-8 survive a rewrite.
struct TIniLines {
    std::vector<QByteArray> Lines;
    QByteArray Ending = "\n";

    void Parse(const QByteArray& bytes)
    {
        Lines.clear();
        if (bytes.isEmpty())
            return;
        const qsizetype firstBreak = bytes.indexOf('\n');
        Ending = firstBreak > 0 && bytes[firstBreak - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
        for (QByteArray line : bytes.split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            Lines.push_back(line);
        }
        if (bytes.endsWith('\n'))
            Lines.pop_back();  // the split's empty piece after the last break
    }

    QByteArray Join() const
    {
        QByteArray out;
        for (const QByteArray& line : Lines)
            out += line + Ending;
        return out;
    }
};

// A section line gives its name; an identifier line its name and value.
bool SectionName(const QByteArray& line, QString& name)
{
    const QString text = QString::fromUtf8(line).trimmed();
    if (!text.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    name = text.mid(1, close - 1).trimmed();
    return true;
}

bool IdentLine(const QByteArray& line, QString& ident, QString& value)
{
    const QString text = QString::fromUtf8(line);
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return false;
    ident = text.left(equals).trimmed();
    value = text.mid(equals + 1).trimmed();
    return true;
}

bool Same(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

// The lines [begin, end) of the first section named `section`, the header at begin - 1; false
// when there is none.
bool FindSection(const TIniLines& ini, const QString& section, size_t& begin, size_t& end)
{
    QString name;
    for (size_t i = 0; i < ini.Lines.size(); ++i) {
        if (!SectionName(ini.Lines[i], name) || !Same(name, section))
            continue;
        begin = i + 1;
        end = begin;
        while (end < ini.Lines.size() && !SectionName(ini.Lines[end], name))
            ++end;
        return true;
    }
    return false;
}

TIniLines Load(const QString& fileName)
{
    TIniLines ini;
    QByteArray bytes;
    QString error;
    if (ReadWholeFile(fileName, bytes, error) == TReadResult::ok)
        ini.Parse(bytes);
    return ini;
}

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// Locks the file, reads it, lets `change` edit the lines and writes them back when it says so.
template <typename TChange>
void Modify(const QString& fileName, bool createFolders, TChange change)
{
    TFileLock lock(fileName, createFolders);
    RemoveStaleTemporaries(fileName);
    QByteArray bytes;
    QString error;
    if (ReadWholeFile(fileName, bytes, error) == TReadResult::failed)
        throw EInOutError(QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(fileName), error));
    TIniLines ini;
    ini.Parse(bytes);
    if (change(ini))
        ReplaceWholeFile(fileName, ini.Join(), TReplaceOptions{0644, true, {}});
}

}  // namespace

std::optional<QString> TIniFile::ReadValue(const QString& section, const QString& ident) const
{
    const TIniLines ini = Load(fileName_);
    size_t begin = 0, end = 0;
    if (!FindSection(ini, section, begin, end))
        return std::nullopt;
    QString name, value;
    for (size_t i = begin; i < end; ++i)
        if (IdentLine(ini.Lines[i], name, value) && Same(name, ident))
            return value;
    return std::nullopt;
}

bool TIniFile::SectionExists(const QString& section) const
{
    size_t begin = 0, end = 0;
    return FindSection(Load(fileName_), section, begin, end);
}

QStringList TIniFile::SectionNames() const
{
    QStringList names;
    QString name;
    for (const QByteArray& line : Load(fileName_).Lines)
        if (SectionName(line, name))
            names << name;
    return names;
}

QStringList TIniFile::Identifiers(const QString& section) const
{
    const TIniLines ini = Load(fileName_);
    QStringList names;
    size_t begin = 0, end = 0;
    QString name, value;
    if (FindSection(ini, section, begin, end))
        for (size_t i = begin; i < end; ++i)
            if (IdentLine(ini.Lines[i], name, value))
                names << name;
    return names;
}

void TIniFile::WriteValue(const QString& section, const QString& ident, const QString& value)
{
    const auto refuse = [&](const char* why) {
        throw EInOutError(QStringLiteral("Cannot write \"%1\" of section \"%2\" to %3: %4")
                              .arg(ident, section, QDir::toNativeSeparators(fileName_), QLatin1String(why)));
    };
    if (HasLineBreak(section) || HasLineBreak(ident) || HasLineBreak(value))
        refuse("an INI file cannot hold a line break");
    if (section.contains(QLatin1Char(']')))
        refuse("a section name cannot hold \"]\"");
    if (ident.trimmed().isEmpty() || ident.contains(QLatin1Char('=')) || ident.trimmed().startsWith(QLatin1Char('[')) ||
        ident.trimmed().startsWith(QLatin1Char(';')))
        refuse("the identifier is empty or cannot be told from other lines");

    Modify(fileName_, createFolders_, [&](TIniLines& ini) {
        size_t begin = 0, end = 0;
        if (!FindSection(ini, section, begin, end)) {
            if (!ini.Lines.empty() && !ini.Lines.back().trimmed().isEmpty())
                ini.Lines.emplace_back();
            ini.Lines.push_back(QByteArray("[") + section.toUtf8() + "]");
            ini.Lines.push_back(ident.toUtf8() + "=" + value.toUtf8());
            return true;
        }
        QString name, old;
        size_t last = begin;  // after the section's last non-blank line
        for (size_t i = begin; i < end; ++i) {
            if (IdentLine(ini.Lines[i], name, old) && Same(name, ident)) {
                ini.Lines[i] = name.toUtf8() + "=" + value.toUtf8();  // the stored spelling stays
                return true;
            }
            if (!ini.Lines[i].trimmed().isEmpty())
                last = i + 1;
        }
        ini.Lines.insert(ini.Lines.begin() + qsizetype(last), ident.toUtf8() + "=" + value.toUtf8());
        return true;
    });
}

void TIniFile::EraseSection(const QString& section)
{
    if (!SectionExists(section))
        return;
    Modify(fileName_, false, [&](TIniLines& ini) {
        size_t begin = 0, end = 0;
        if (!FindSection(ini, section, begin, end))
            return false;
        ini.Lines.erase(ini.Lines.begin() + qsizetype(begin - 1), ini.Lines.begin() + qsizetype(end));
        return true;
    });
}

void TIniFile::ReplaceSection(const QString& section,
                              const std::function<TSectionValues(const TSectionValues& now)>& change)
{
    const auto refuse = [&](const QString& ident, const char* why) {
        throw EInOutError(QStringLiteral("Cannot write \"%1\" of section \"%2\" to %3: %4")
                              .arg(ident, section, QDir::toNativeSeparators(fileName_), QLatin1String(why)));
    };
    if (HasLineBreak(section))
        refuse(QString(), "an INI file cannot hold a line break");
    if (section.contains(QLatin1Char(']')))
        refuse(QString(), "a section name cannot hold \"]\"");
    Modify(fileName_, createFolders_, [&](TIniLines& ini) {
        size_t begin = 0, end = 0;
        const bool found = FindSection(ini, section, begin, end);
        TSectionValues now;
        QString name, value;
        if (found)
            for (size_t i = begin; i < end; ++i)
                if (IdentLine(ini.Lines[i], name, value))
                    now.emplace_back(name, value);
        std::vector<QByteArray> lines;
        for (const auto& [ident, text] : change(now)) {
            if (HasLineBreak(ident) || HasLineBreak(text))
                refuse(ident, "an INI file cannot hold a line break");
            if (ident.trimmed().isEmpty() || ident.contains(QLatin1Char('=')) ||
                ident.trimmed().startsWith(QLatin1Char('[')) || ident.trimmed().startsWith(QLatin1Char(';')))
                refuse(ident, "the identifier is empty or cannot be told from other lines");
            lines.push_back(ident.toUtf8() + "=" + text.toUtf8());
        }
        if (found) {
            // Other lines of the section (comments) stay, after its values; so do the blank
            // lines before the next section.
            size_t last = end;
            while (last > begin && ini.Lines[last - 1].trimmed().isEmpty())
                --last;
            for (size_t i = begin; i < last; ++i)
                if (!IdentLine(ini.Lines[i], name, value) && !ini.Lines[i].trimmed().isEmpty())
                    lines.push_back(ini.Lines[i]);
            ini.Lines.erase(ini.Lines.begin() + qsizetype(begin), ini.Lines.begin() + qsizetype(last));
            ini.Lines.insert(ini.Lines.begin() + qsizetype(begin), lines.begin(), lines.end());
        } else {
            if (!ini.Lines.empty() && !ini.Lines.back().trimmed().isEmpty())
                ini.Lines.emplace_back();
            ini.Lines.push_back(QByteArray("[") + section.toUtf8() + "]");
            ini.Lines.insert(ini.Lines.end(), lines.begin(), lines.end());
        }
        return true;
    });
}

void TIniFile::DeleteValue(const QString& section, const QString& ident)
{
    if (!ReadValue(section, ident))
        return;
    Modify(fileName_, false, [&](TIniLines& ini) {
        size_t begin = 0, end = 0;
        if (!FindSection(ini, section, begin, end))
            return false;
        QString name, value;
        for (size_t i = begin; i < end; ++i) {
            if (IdentLine(ini.Lines[i], name, value) && Same(name, ident)) {
                ini.Lines.erase(ini.Lines.begin() + qsizetype(i));
                return true;
            }
        }
        return false;
    });
}

bool ParseIniInteger(const QString& text, int32_t& value)
{
    if (text.size() >= 3 && text[0] == QLatin1Char('0') && (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
        uint64_t number = 0;
        for (qsizetype i = 2; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            int digit = -1;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            if (digit < 0)
                return false;
            number = number * 16 + uint64_t(digit);
            if (number > 0xFFFFFFFFu)
                return false;
        }
        value = int32_t(uint32_t(number));
        return true;
    }
    return TryStrToInt(text, value);
}
