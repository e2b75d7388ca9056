#include "viewer/io/formats/photron/PhotronHeader.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "viewer/io/FormatSupport.h"
#include "viewer/io/formats/photron/PackedSamples.h"

#include <QFile>
#include <QFileInfo>
#include <QByteArrayView>
#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

// No camera header comes near this size (they are a few kilobytes); a larger file is not one.
constexpr qint64 kMaxHeaderBytes = 1 << 20;

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

// ASCII letters compared without regard to case; the views name no Qt allocation.
bool SameKey(QByteArrayView a, const char* key)
{
    const QByteArrayView b(key);
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

QByteArrayView Trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && std::isspace(static_cast<unsigned char>(text.front())))
        text = text.sliced(1);
    while (!text.isEmpty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.chop(1);
    return text;
}

// One pass over the lines, without a copy of each: only the values of known keys become text.
void ReadKeyValueLines(const QByteArray& bytes, TValues& values)
{
    const QByteArrayView all(bytes);
    for (qsizetype start = 0; start < all.size();) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        const QByteArrayView line = all.sliced(start, end - start);
        start = end + 1;
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.startsWith('#'))
            continue;
        const QByteArrayView key = Trimmed(line.first(colon));
        for (int f = 0; f < kFields; ++f)
            if (SameKey(key, kKeys[f].cih))
                values.Set(TField(f), QString::fromLatin1(line.sliced(colon + 1)));
    }
}

// The XML may follow a few bytes that are not XML; it ends with its root element. A scanner of
// its own, in one pass over the bytes: only element names and the text directly inside them
// matter here, and a general reader checks every attribute against all others of its element,
// which takes time by the square of their number.
class TXmlScanner {
public:
    TXmlScanner(const QByteArray& bytes, qsizetype start, TValues& values)
        : data_(bytes.constData()), size_(bytes.size()), at_(start), values_(values)
    {
    }

    void Run()
    {
        while (at_ < size_) {
            if (data_[at_] != '<') {
                Text();
                continue;
            }
            if (Starts("<?"))
                Skip("?>", "a processing instruction is not closed");
            else if (Starts("<!--"))
                Skip("-->", "a comment is not closed");
            else if (Starts("<![CDATA[")) {
                const qsizetype from = at_ + 9;
                Skip("]]>", "a CDATA section is not closed");
                if (open_.empty())
                    Damaged("text outside the root element");
                open_.back().text += QString::fromUtf8(data_ + from, at_ - 3 - from);
            } else if (Starts("<!"))
                Declaration();
            else if (Starts("</")) {
                if (EndTag())
                    return;
            } else
                StartTag();
        }
        Damaged(open_.empty() ? QStringLiteral("there is no root element")
                              : QStringLiteral("the document ends before <%1> is closed").arg(Text(open_.back().name)));
    }

private:
    struct TOpen {
        QByteArrayView name;  // without its namespace prefix, in the header's bytes
        QString text;         // kept only for the elements a key names
        bool parent = false;
        bool wanted = false;
    };

    bool Starts(const char* text) const
    {
        const qsizetype n = qsizetype(std::strlen(text));
        return size_ - at_ >= n && std::memcmp(data_ + at_, text, size_t(n)) == 0;
    }
    void Skip(const char* end, const char* problem)
    {
        const qsizetype found = QByteArrayView(data_, size_).indexOf(QByteArrayView(end), at_);
        if (found < 0)
            Damaged(QLatin1String(problem));
        at_ = found + qsizetype(std::strlen(end));
    }
    [[noreturn]] void Damaged(const QString& problem) const
    {
        const qsizetype line = 1 + QByteArrayView(data_, std::min(at_, size_)).count('\n');
        values_.Fail(QStringLiteral("the XML header is damaged (line %1: %2)").arg(line).arg(problem));
    }
    static bool NameChar(char c)
    {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':' ||
               static_cast<unsigned char>(c) >= 0x80;
    }
    static QString Text(QByteArrayView name) { return QString::fromUtf8(name); }
    // A name at the current place, without its namespace prefix.
    QByteArrayView Name()
    {
        const qsizetype from = at_;
        while (at_ < size_ && NameChar(data_[at_]))
            ++at_;
        if (at_ == from || std::isdigit(static_cast<unsigned char>(data_[from])) || data_[from] == '-' ||
            data_[from] == '.')
            Damaged(QStringLiteral("a tag without a valid name"));
        QByteArrayView name(data_ + from, at_ - from);
        if (const qsizetype colon = name.lastIndexOf(':'); colon >= 0)
            name = name.sliced(colon + 1);
        return name;
    }
    static bool Wanted(QByteArrayView name)
    {
        for (int f = 0; f < kFields; ++f)
            if (SameKey(name, kKeys[f].element))
                return true;
        return false;
    }
    void SkipBlanks()
    {
        while (at_ < size_ && std::isspace(static_cast<unsigned char>(data_[at_])))
            ++at_;
    }
    void Declaration()
    {
        // <!DOCTYPE ...>, possibly with an internal subset in brackets.
        int depth = 0;
        for (++at_; at_ < size_; ++at_) {
            const char c = data_[at_];
            if (c == '[')
                ++depth;
            else if (c == ']')
                --depth;
            else if (c == '>' && depth <= 0) {
                ++at_;
                return;
            }
        }
        Damaged(QStringLiteral("a declaration is not closed"));
    }
    void StartTag()
    {
        ++at_;
        const QByteArrayView name = Name();
        if (open_.empty() && rootSeen_)
            Damaged(QStringLiteral("a second root element"));
        // Attributes: name, "=", a quoted value; skipped without looking at them further.
        for (;;) {
            SkipBlanks();
            if (at_ >= size_)
                Damaged(QStringLiteral("the tag <%1> is not closed").arg(Text(name)));
            if (data_[at_] == '>' || Starts("/>"))
                break;
            Name();
            SkipBlanks();
            if (at_ >= size_ || data_[at_] != '=')
                Damaged(QStringLiteral("an attribute of <%1> has no value").arg(Text(name)));
            ++at_;
            SkipBlanks();
            if (at_ >= size_ || (data_[at_] != '"' && data_[at_] != '\''))
                Damaged(QStringLiteral("an attribute value of <%1> is not quoted").arg(Text(name)));
            const char quote = data_[at_++];
            const void* close = std::memchr(data_ + at_, quote, size_t(size_ - at_));
            if (!close)
                Damaged(QStringLiteral("an attribute value of <%1> is not closed").arg(Text(name)));
            at_ = static_cast<const char*>(close) - data_ + 1;
        }
        if (!open_.empty())
            open_.back().parent = true;
        rootSeen_ = true;
        open_.push_back({name, {}, false, Wanted(name)});
        if (data_[at_] == '/') {  // <name/>: an element without text
            at_ += 2;
            Close();
        } else {
            ++at_;
        }
    }
    // True when the root element closed.
    bool EndTag()
    {
        at_ += 2;
        const QByteArrayView name = Name();
        SkipBlanks();
        if (at_ >= size_ || data_[at_] != '>')
            Damaged(QStringLiteral("the end tag </%1> is not closed").arg(Text(name)));
        ++at_;
        if (open_.empty() || open_.back().name != name)
            Damaged(QStringLiteral("</%1> does not close <%2>")
                        .arg(Text(name), open_.empty() ? QString() : Text(open_.back().name)));
        Close();
        return open_.empty();
    }
    void Close()
    {
        if (open_.size() >= 2 && open_.back().wanted && !open_.back().parent) {
            const QByteArrayView parent = open_[open_.size() - 2].name;
            for (int f = 0; f < kFields; ++f)
                if (SameKey(open_.back().name, kKeys[f].element) && SameKey(parent, kKeys[f].parent))
                    values_.Set(TField(f), open_.back().text);
        }
        open_.pop_back();
    }
    void Text()
    {
        const qsizetype from = at_;
        const void* next = std::memchr(data_ + at_, '<', size_t(size_ - at_));
        at_ = next ? static_cast<const char*>(next) - data_ : size_;
        const QByteArrayView raw(data_ + from, at_ - from);
        if (open_.empty()) {
            // Only blanks may stand outside the root element (bytes before it are cut off).
            for (const char c : raw)
                if (!std::isspace(static_cast<unsigned char>(c)))
                    Damaged(QStringLiteral("text outside the root element"));
            return;
        }
        const QString text = Decoded(raw);  // checked also where it is not kept
        if (open_.back().wanted)
            open_.back().text += text;
    }
    // Text with its character and entity references resolved.
    QString Decoded(QByteArrayView raw) const
    {
        if (!raw.contains('&'))
            return open_.back().wanted ? QString::fromUtf8(raw) : QString();
        QByteArray out;
        out.reserve(raw.size());
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            const qsizetype semicolon = raw.indexOf(';', i);
            if (semicolon < 0 || semicolon - i > 12)
                Damaged(QStringLiteral("an entity reference is not closed"));
            const QByteArrayView entity = raw.sliced(i + 1, semicolon - i - 1);
            if (entity == "lt")
                out += '<';
            else if (entity == "gt")
                out += '>';
            else if (entity == "amp")
                out += '&';
            else if (entity == "quot")
                out += '"';
            else if (entity == "apos")
                out += '\'';
            else if (entity.startsWith('#')) {
                bool ok = false;
                const uint code = entity.startsWith("#x") ? entity.sliced(2).toByteArray().toUInt(&ok, 16)
                                                          : entity.sliced(1).toByteArray().toUInt(&ok, 10);
                if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                    Damaged(QStringLiteral("an invalid character reference"));
                const char32_t character = char32_t(code);
                out += QString::fromUcs4(&character, 1).toUtf8();
            } else
                Damaged(QStringLiteral("the entity &%1; is not defined").arg(QString::fromUtf8(entity)));
            i = semicolon;
        }
        return QString::fromUtf8(out);
    }

    const char* data_;
    qsizetype size_;
    qsizetype at_;
    TValues& values_;
    std::vector<TOpen> open_;
    bool rootSeen_ = false;
};

void ReadXml(const QByteArray& bytes, qsizetype start, TValues& values)
{
    TXmlScanner(bytes, start, values).Run();
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
    QFile file(headerFile);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(CannotOpen(headerFile, file.errorString()));
    if (file.size() > kMaxHeaderBytes)
        throw EInOutError(
            CannotOpen(headerFile, QStringLiteral("a header of %1 bytes is not a Photron header").arg(file.size())));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(CannotRead(headerFile, file.errorString()));
    return ParsePhotronHeader(bytes, headerFile);
}

TPhotronHeader ParsePhotronHeader(const QByteArray& bytes, const QString& headerFile)
{
    TValues values;
    values.file = headerFile;
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
