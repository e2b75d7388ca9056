#include "export/io/sSMP.h"

#include "export/io/OemCodePage.h"
#include "export/io/sSMPNames.h"
#include "platform/Conversions.h"
#include "platform/SafeFileWriter.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>

using namespace smpnames;

namespace {

// One header line: OEM bytes, at most 255 of them. Bytes that would end the line or the header
// on reading become "?", so that no value can split into lines or hide the items after it.
QByteArray HeaderLine(const QString& text)
{
    QByteArray line = ToOemCodePage(text).left(TSMPfile::kMaxLineLength);
    for (char& b : line)
        if (b == '\n' || b == '\r' || b == '\0' || b == '\x04' || b == '\x1a')
            b = '?';
    return line;
}

// "0.######" with ".": at least one integer digit, at most six decimals, no trailing zeros.
QString FixedSixDecimals(double value)
{
    if (!std::isfinite(value))
        return {};
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

// Rounded to `digits` significant digits, then the shortest general form with ".".
QString SignificantDigits(double value, int32_t digits)
{
    if (!std::isfinite(value))
        return {};
    return FloatToStr(QString::number(value, 'g', std::clamp(digits, 1, 15)).toDouble());
}

QString GeneralForm(double value) { return std::isfinite(value) ? FloatToStr(value) : QString(); }

}  // namespace

TSMPfile::TSMPfile() = default;

TSMPfile::~TSMPfile() { close_file(); }

void TSMPfile::SetChunknSamples(int32_t n) { chunknSamples_ = std::clamp(n, 1, TSMPChunk::kMaxSamples); }

QString TSMPfile::get_item(const QString& name) const
{
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (SameName(it->name, name))
            return it->value;
    return {};
}

void TSMPfile::RemoveItems(const std::function<bool(const Item&)>& doomed)
{
    items_.erase(std::remove_if(items_.begin(), items_.end(), doomed), items_.end());
    Changed();
}

void TSMPfile::set_item(const QString& name, const QString& value)
{
    if (value.isEmpty()) {
        RemoveItems([&](const Item& item) { return item.name == name; });
        if (SameName(name, kLabels))
            csvFileName_.clear();
        return;
    }
    const auto first =
        std::find_if(items_.begin(), items_.end(), [&](const Item& item) { return item.name == name; });
    if (first == items_.end()) {
        items_.push_back({name, value});
    } else {
        first->value = value;
        items_.erase(std::remove_if(std::next(first), items_.end(), [&](const Item& item) { return item.name == name; }),
                     items_.end());
    }
    if (name == kHead)
        std::stable_partition(items_.begin(), items_.end(), [](const Item& item) { return item.name == kHead; });
    Changed();
    if (SameName(name, kLabels)) {
        csvFileName_ = value;
        ExternalLabels = true;
        if (loadSideFiles_)
            LoadSideFile();
    }
}

void TSMPfile::add_line(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        set_item(line, {});
    else
        set_item(line.left(equals), line.mid(equals + 1));
}

void TSMPfile::set_nonpresent_item(const QString& name, const QString& value)
{
    if (get_item(name).isEmpty())
        set_item(name, value);
}

void TSMPfile::add_nonpresent_line(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (get_item(equals < 0 ? line : line.left(equals)).isEmpty())
        add_line(line);
}

void TSMPfile::set_proc(const QString& text)
{
    int32_t n = 0;
    while (!get_item(QStringLiteral("proc%1").arg(n)).isEmpty())
        ++n;
    set_item(QStringLiteral("proc%1").arg(n), text);
}

QStringList TSMPfile::ItemLines() const
{
    QStringList lines;
    for (const Item& item : items_)
        lines.append(item.name + QLatin1Char('=') + item.value);
    return lines;
}

void TSMPfile::validate_items()
{
    std::stable_partition(items_.begin(), items_.end(), [](const Item& item) { return item.name == kHead; });
    RemoveItems([](const Item& item) { return item.name.trimmed().isEmpty() || item.value.trimmed().isEmpty(); });
    for (size_t i = 0; i < items_.size(); ++i) {
        const QString name = items_[i].name;
        items_.erase(std::remove_if(items_.begin() + qsizetype(i) + 1, items_.end(),
                                    [&](const Item& item) { return item.name == name; }),
                     items_.end());
    }
    ExternalLabels = !CSVFileName().isEmpty();
}

void TSMPfile::insert_nonpresent_defaults()
{
    set_nonpresent_item(kHead, QString::number(defheadsize));
    set_nonpresent_item(QStringLiteral("file"), defFileType);
    if (get_item(QStringLiteral("sftot")).isEmpty())
        SetSampleRate(defSfTot);
    set_nonpresent_item(QStringLiteral("nchans"), QString::number(defnChans));
    if (get_item(QStringLiteral("msb")).isEmpty())
        SetMSBFirst(defMSBFirst);
    if (get_item(QStringLiteral("view")).isEmpty())
        SetView(-1, -1, 1);
    if (get_item(QStringLiteral("range")).isEmpty())
        SetValueRange(-1, -32768, 32768);
    set_nonpresent_item(QStringLiteral("date"), QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
}

void TSMPfile::clear()
{
    items_.clear();
    Comment.clear();
    labels_.clear();
    csvFileName_.clear();
    loadedSideFile_.clear();
    text_.clear();
    ExternalLabels = false;
    Overwrite = true;
    EraseCSVFile = true;
    Changed();
}

void TSMPfile::SetSampleRate(double rate) { set_item(QStringLiteral("sftot"), FixedSixDecimals(rate)); }
void TSMPfile::SetChannelCount(int32_t n) { set_item(QStringLiteral("nchans"), QString::number(n)); }
void TSMPfile::SetHeadSize(int32_t n) { set_item(kHead, QString::number(n)); }
void TSMPfile::SetFileType(const QString& text) { set_item(QStringLiteral("file"), text); }
void TSMPfile::SetMSBFirst(bool first)
{
    set_item(QStringLiteral("msb"), first ? QStringLiteral("first") : QStringLiteral("last"));
}

void TSMPfile::SetView(int32_t channel, double lo, double hi)
{
    QString name = QStringLiteral("view");
    if (channel >= 0) {
        // A one-channel file that has only "view" keeps that one item.
        const bool onlyCommonView = channel == 0 && ChannelCount() == 1 && !get_item(name).isEmpty() &&
                                    get_item(QStringLiteral("view0")).isEmpty();
        if (!onlyCommonView)
            name += QString::number(channel);
    }
    QString value = SignificantDigits(lo, nViewDigits) + QLatin1Char(',') + SignificantDigits(hi, nViewDigits);
    const QStringList current = get_item(name).split(QLatin1Char(','));
    if (current.size() > 2)
        value += QLatin1Char(',') + current.mid(2).join(QLatin1Char(','));
    set_item(name, value);
}

void TSMPfile::SetValueRange(int32_t channel, double lo, double hi)
{
    const QString name = channel < 0 ? QStringLiteral("range") : QStringLiteral("range%1").arg(channel);
    set_item(name, GeneralForm(lo) + QLatin1Char(',') + GeneralForm(hi));
}

void TSMPfile::SetChannelLabel(int32_t channel, const QString& text)
{
    const QString channelName = QStringLiteral("channel%1").arg(channel);
    const QString shortName = QStringLiteral("ch%1").arg(channel);
    if (get_item(channelName).isEmpty() && !get_item(shortName).isEmpty())
        set_item(shortName, text);
    else
        set_item(channelName, text);
}

int32_t TSMPfile::HeadSize() const
{
    int32_t head = 0;
    return TryStrToInt(get_item(kHead), head) && head > 0 ? head : defheadsize;
}

int32_t TSMPfile::ChannelCount() const
{
    int32_t n = 0;
    return TryStrToInt(get_item(QStringLiteral("nchans")), n) ? n : defnChans;
}

bool TSMPfile::MSBFirst() const
{
    const QString msb = get_item(QStringLiteral("msb"));
    if (msb == QLatin1String("first"))
        return true;
    if (msb == QLatin1String("last"))
        return false;
    return defMSBFirst;
}

QByteArray TSMPfile::HeaderText()
{
    text_.clear();
    for (const Item& item : items_)
        text_ += HeaderLine(item.name + QLatin1Char('=') + item.value) + "\r\n";
    text_ += "=\r\n";
    for (const QString& line : Comment)
        text_ += HeaderLine(line) + "\r\n";
    text_ += QByteArray("\x00\x04\x1a", 3);
    return text_;
}

int32_t TSMPfile::UsedSize() { return int32_t(HeaderText().size()); }

void TSMPfile::ParseHeader(const QByteArray& buffer)
{
    items_.clear();
    Comment.clear();
    labels_.clear();
    csvFileName_.clear();
    loadedSideFile_.clear();
    ExternalLabels = false;
    Changed();

    bool commentPart = false;
    loadSideFiles_ = false;
    QByteArray line;
    const auto handle = [&] {
        if (line.isEmpty())
            return;
        const QString text = FromOemCodePage(line);
        line.clear();
        if (commentPart) {
            Comment.append(text);
            return;
        }
        if (text == QLatin1String("=")) {
            commentPart = true;
            return;
        }
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        if (equals < 0 || equals == text.size() - 1)
            return;
        set_item(text.left(equals), text.mid(equals + 1));
    };
    const qsizetype end = std::min<qsizetype>(buffer.size(), kHeaderBufferSize);
    bool stopped = false;
    for (qsizetype i = 0; i < end && !stopped; ++i) {
        const char b = buffer[i];
        if (b == '\r' || b == '\x04')
            continue;
        if (b == '\n' || b == '\0' || b == '\x1a') {
            handle();
            stopped = b != '\n';
        } else if (line.size() < kMaxLineLength) {
            line += b;
        }
    }
    if (!stopped)
        handle();
    loadSideFiles_ = true;

    if (ExternalLabels)
        LoadSideFile();
    else
        ReadLabelItems();
    validate_items();
    dataOffset_ = HeadSize();
}
