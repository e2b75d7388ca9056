#include "viewer/formats/photron/PhotronHeader.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "viewer/formats/FormatSupport.h"
#include "viewer/formats/photron/PackedSamples.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <array>
#include <vector>

namespace {

// No header is near this size; a larger file is not one.
constexpr qint64 kMaxHeaderBytes = 16 << 20;

enum TField { kWidth, kHeight, kBits, kType, kFormat, kDepth, kSide, kRate, kTotal, kStart, kTrigger, kFields };

struct TKey {
    const char* cih;
    const char* parent;  // the ".cihx" element and the one around it
    const char* element;
};

constexpr std::array<TKey, kFields> kKeys = {{
    {"Image Width", "resolution", "width"},
    {"Image Height", "resolution", "height"},
    {"Color Bit", "colorInfo", "bit"},
    {"Color Type", "colorInfo", "type"},
    {"File Format", "imageFileInfo", "fileFormat"},
    {"EffectiveBit Depth", "effectiveBit", "depth"},
    {"EffectiveBit Side", "effectiveBit", "side"},
    {"Record Rate(fps)", "recordInfo", "recordRate"},
    {"Total Frame", "frameInfo", "totalFrame"},
    {"Start Frame", "frameInfo", "startFrame"},
    {"Correct Trigger Frame", "frameInfo", "correctTriggerFrame"},
}};

struct TValues {
    QString file;
    bool xml = false;
    std::array<std::optional<QString>, kFields> text;

    QString Label(TField f) const
    {
        return xml ? QStringLiteral("<%1><%2>").arg(QLatin1String(kKeys[f].parent), QLatin1String(kKeys[f].element))
                   : QStringLiteral("\"%1\"").arg(QLatin1String(kKeys[f].cih));
    }
    [[noreturn]] void Fail(const QString& problem) const { throw EInOutError(CannotOpen(file, problem)); }

    void Set(TField f, const QString& value)
    {
        if (!text[f])
            text[f] = value.trimmed();
    }
    const QString& Required(TField f) const
    {
        if (!text[f])
            Fail(QStringLiteral("the header has no %1").arg(Label(f)));
        return *text[f];
    }
    int32_t Integer(TField f) const
    {
        try {
            return StrToInt(Required(f));
        } catch (const EConvertError& e) {
            Fail(QStringLiteral("%1: %2").arg(Label(f), e.Message()));
        }
    }
    std::optional<int32_t> OptionalInteger(TField f) const
    {
        return text[f] ? std::optional<int32_t>(Integer(f)) : std::nullopt;
    }
};

void ReadKeyValueLines(const QByteArray& bytes, TValues& values)
{
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QString line = QString::fromLatin1(rawLine);
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0 || line.startsWith(QLatin1Char('#')))
            continue;
        const QString key = line.left(colon).trimmed();
        for (int f = 0; f < kFields; ++f)
            if (key.compare(QLatin1String(kKeys[f].cih), Qt::CaseInsensitive) == 0)
                values.Set(TField(f), line.mid(colon + 1));
    }
}

// The XML may follow a few bytes that are not XML; it ends with its root element.
void ReadXml(const QByteArray& bytes, qsizetype start, TValues& values)
{
    QXmlStreamReader xml(bytes.mid(start));
    struct TOpen {
        QString name;
        QString text;
        bool parent = false;
    };
    std::vector<TOpen> open;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (!open.empty())
                open.back().parent = true;
            open.push_back({xml.name().toString(), {}, false});
            break;
        case QXmlStreamReader::Characters:
            if (!open.empty())
                open.back().text += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            if (open.size() >= 2 && !open.back().parent) {
                const QString& parent = open[open.size() - 2].name;
                for (int f = 0; f < kFields; ++f)
                    if (open.back().name.compare(QLatin1String(kKeys[f].element), Qt::CaseInsensitive) == 0
                        && parent.compare(QLatin1String(kKeys[f].parent), Qt::CaseInsensitive) == 0)
                        values.Set(TField(f), open.back().text);
            }
            open.pop_back();
            if (open.empty())
                return;
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        values.Fail(QStringLiteral("the XML header is damaged (line %1: %2)").arg(xml.lineNumber()).arg(xml.errorString()));
    values.Fail(QStringLiteral("the XML header ends early"));
}

QString WithSuffix(const QString& path, const char* suffix)
{
    const QFileInfo info(path);
    const QString base = info.suffix().isEmpty() ? path : path.left(path.size() - info.suffix().size() - 1);
    return base + QLatin1String(suffix);
}

}  // namespace

TPhotronHeader ReadPhotronHeader(const QString& headerFile)
{
    TValues values;
    values.file = headerFile;
    QFile file(headerFile);
    if (!file.open(QIODevice::ReadOnly))
        values.Fail(file.errorString());
    if (file.size() > kMaxHeaderBytes)
        values.Fail(QStringLiteral("a header of %1 bytes is not a Photron header").arg(file.size()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(CannotRead(headerFile, file.errorString()));

    qsizetype xmlStart = bytes.indexOf("<?xml");
    if (xmlStart < 0)
        xmlStart = bytes.indexOf("<cih");
    values.xml = xmlStart >= 0;
    if (values.xml)
        ReadXml(bytes, xmlStart, values);
    else
        ReadKeyValueLines(bytes, values);

    TPhotronHeader header;
    header.width = values.Integer(kWidth);
    header.height = values.Integer(kHeight);
    for (const TField f : {kWidth, kHeight})
        if (values.Integer(f) < 1)
            values.Fail(QStringLiteral("%1 must be at least 1, not %2").arg(values.Label(f)).arg(values.Integer(f)));
    header.sampleBits = values.Integer(kBits);
    if (!IsPhotronSampleWidth(header.sampleBits))
        values.Fail(QStringLiteral("%1 is %2: only 8, 10, 12 and 16-bit samples are read")
                        .arg(values.Label(kBits))
                        .arg(header.sampleBits));
    if (values.text[kType] && !values.text[kType]->startsWith(QLatin1String("Mono"), Qt::CaseInsensitive))
        values.Fail(QStringLiteral("%1 is \"%2\": only monochrome recordings are read")
                        .arg(values.Label(kType), *values.text[kType]));
    if (values.text[kFormat] && values.text[kFormat]->compare(QLatin1String("MRaw"), Qt::CaseInsensitive) != 0
        && values.text[kFormat]->compare(QLatin1String("Raw"), Qt::CaseInsensitive) != 0)
        values.Fail(QStringLiteral("%1 is \"%2\": only frames stored as MRaw are read")
                        .arg(values.Label(kFormat), *values.text[kFormat]));
    // A depth the samples cannot hold says nothing: the whole sample counts.
    const int32_t depth = values.OptionalInteger(kDepth).value_or(header.sampleBits);
    header.effectiveBits = depth >= 1 && depth <= header.sampleBits ? depth : header.sampleBits;
    if (values.text[kSide]) {
        const QString& side = *values.text[kSide];
        header.effectiveHigh = side.compare(QLatin1String("Higher"), Qt::CaseInsensitive) == 0;
        if (!header.effectiveHigh && side.compare(QLatin1String("Lower"), Qt::CaseInsensitive) != 0)
            values.Fail(QStringLiteral("%1 is \"%2\", not \"Lower\" or \"Higher\"").arg(values.Label(kSide), side));
    }
    if (values.text[kRate]) {
        try {
            header.rate = StrToFloat(*values.text[kRate]);
        } catch (const EConvertError& e) {
            values.Fail(QStringLiteral("%1: %2").arg(values.Label(kRate), e.Message()));
        }
    }
    header.totalFrames = values.OptionalInteger(kTotal);
    header.startFrame = values.OptionalInteger(kStart);
    header.triggerFrame = values.OptionalInteger(kTrigger);
    return header;
}

QString PhotronHeaderBeside(const QString& framesFile)
{
    for (const char* suffix : {".cihx", ".cih", ".CIHX", ".CIH"}) {
        const QString candidate = WithSuffix(framesFile, suffix);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

QString PhotronFramesBeside(const QString& headerFile)
{
    const QString upper = WithSuffix(headerFile, ".MRAW");
    return QFileInfo(upper).isFile() && !QFileInfo(WithSuffix(headerFile, ".mraw")).isFile()
               ? upper
               : WithSuffix(headerFile, ".mraw");
}
