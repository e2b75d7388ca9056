#include "viewer/HeaderFile.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr qsizetype kMaxValueLength = 255;
// Longest line kept; the rest of a longer line is skipped (no used value is that long).
constexpr qint64 kMaxLineLength = 4096;

QString WithExtension(const QString& fileName, const char* extension)
{
    const QFileInfo info(fileName);
    const QString base = info.suffix().isEmpty() ? fileName
                                                 : fileName.left(fileName.size() - info.suffix().size() - 1);
    return base + QLatin1String(extension);
}

bool StartsWithKey(const QString& line, const char* key, QString& value)
{
    if (!line.startsWith(QLatin1String(key), Qt::CaseSensitive))
        return false;
    value = line.mid(line.indexOf(QLatin1Char(':')) + 1).left(kMaxValueLength);
    return true;
}

int32_t RoundedHeaderNumber(const QString& value) { return RoundToInt(StrToFloat(value)); }

// Reads one line up to its line feed; a carriage return ends the text of the line.
bool ReadLine(QFile& file, QByteArray& line)
{
    line.clear();
    char c = 0;
    bool any = false;
    bool ended = false;
    while (file.getChar(&c)) {
        any = true;
        if (c == '\n')
            return true;
        if (c == '\r')
            ended = true;
        if (!ended && line.size() < kMaxLineLength)
            line.append(c);
    }
    return any;
}

QString AtLine(const QString& fileName, int lineNumber, const QString& message)
{
    return QStringLiteral("%1, line %2: %3").arg(QFileInfo(fileName).fileName()).arg(lineNumber).arg(message);
}

}  // namespace

QString FindHeaderFile(const QString& frameFileName)
{
    for (const char* extension : {".par", ".dsc"}) {
        const QString candidate = WithExtension(frameFileName, extension);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

void ApplyHeaderLine(const QString& line, THeaderTarget& target)
{
    QString value;
    if (StartsWithKey(line, "RESOLUTION:", value)) {
        const qsizetype x = value.indexOf(QLatin1Char('x'));
        const QString widthText = x < 0 ? QString() : value.left(x);
        const QString heightText = x < 0 ? QString() : value.mid(x + 1);
        const int32_t width = StrToInt(widthText);
        target.SetImageWidth(width);
        target.SetImageHeight(StrToInt(heightText));
    }
    if (StartsWithKey(line, "FRAMES/S:", value))
        target.SetRecordingRate(StrToFloat(value));
    if (StartsWithKey(line, "FRAMES:", value))
        target.SetFrameCount(RoundedHeaderNumber(value));
    if (StartsWithKey(line, "FIRSTFRAME:", value))
        target.SetFirstFrame(RoundedHeaderNumber(value));
    if (StartsWithKey(line, "TRIGGER:", value))
        target.SetTrigger(RoundedHeaderNumber(value));
}

void ReadHeaderFile(const QString& fileName, THeaderTarget& target)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot read the header file \"%1\": %2").arg(fileName, file.errorString()));
    QByteArray raw;
    int lineNumber = 0;
    while (ReadLine(file, raw)) {
        ++lineNumber;
        try {
            // Header files are plain 8-bit text.
            ApplyHeaderLine(QString::fromLatin1(raw), target);
        } catch (const EInvalidHeaderValue& e) {
            throw EInvalidHeaderValue(AtLine(fileName, lineNumber, e.Message()));
        } catch (const EOutOfMemory& e) {
            throw EOutOfMemory(AtLine(fileName, lineNumber, e.Message()));
        }
    }
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Cannot read the header file \"%1\": %2").arg(fileName, file.errorString()));
}
