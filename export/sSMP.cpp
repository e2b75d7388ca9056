#include "export/sSMP.h"

#include "export/FileNameParts.h"
#include "export/OemCodePage.h"
#include "platform/Conversions.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString kHead = QStringLiteral("head");
const QString kLabels = QStringLiteral("labels");

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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

// The first two separators of a label are "," or ";"; both become ",".
QString NormaliseLabel(QString label)
{
    int separators = 0;
    for (qsizetype i = 0; i < label.size() && separators < 2; ++i)
        if (label[i] == QLatin1Char(',') || label[i] == QLatin1Char(';')) {
            label[i] = QLatin1Char(',');
            ++separators;
        }
    return label;
}

QString LabelItemName(qsizetype n) { return QStringLiteral("L%1").arg(n); }

QString NewTemporaryName()
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/smpXXXXXX.tmp"));
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

QString Quoted(const QString& path) { return QLatin1Char('"') + path + QLatin1Char('"'); }

// The "head" of a file on disk, for a header written into a file that is not open.
int64_t HeadOnDisk(const QString& path, int32_t fallback)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return fallback;
    TSMPfile reader;
    reader.defheadsize = fallback;
    reader.ParseHeader(file.read(TSMPfile::kHeaderBufferSize));
    return reader.HeadSize();
}

}  // namespace

TSMPfile::TSMPfile() = default;

TSMPfile::~TSMPfile() { close_file(); }

void TSMPfile::SetChunknSamples(int32_t n) { chunknSamples_ = std::clamp(n, 1, TSMPChunk::kMaxSamples); }

// ---- items ----

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

// ---- labels ----

void TSMPfile::SetLabels(const QStringList& labels)
{
    labels_.clear();
    for (const QString& label : labels)
        labels_.append(NormaliseLabel(label));
}

QString TSMPfile::CSVFileName()
{
    const QString named = get_item(kLabels);
    if (!named.isEmpty())
        csvFileName_ = named;
    return csvFileName_;
}

void TSMPfile::SetCSVFileName(const QString& name)
{
    csvFileName_ = name;
    RemoveItems([](const Item& item) { return SameName(item.name, kLabels); });
    if (!name.isEmpty())
        items_.push_back({kLabels, name});
}

QString TSMPfile::ResolveSidePath(const QString& name) const
{
    if (name.isEmpty() || QFileInfo(name).isAbsolute())
        return name;
    return QFileInfo(filename_).dir().filePath(name);
}

void TSMPfile::LoadSideFile()
{
    // An unreadable side file leaves the labels as they were: nothing is lost for want of it.
    const QString path = ResolveSidePath(csvFileName_);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    QList<QByteArray> lines = file.readAll().split('\n');
    labels_.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {  // the first line names the sample file
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            labels_.append(NormaliseLabel(FromOemCodePage(line)));
    }
    loadedSideFile_ = path;
}

void TSMPfile::TakeLabelItemsOut()
{
    // The labels in the header are L1, L2, ... up to the first missing number.
    qsizetype count = 0;
    while (!get_item(LabelItemName(count + 1)).isEmpty())
        ++count;
    RemoveItems([count](const Item& item) {
        for (qsizetype n = 1; n <= count; ++n)
            if (SameName(item.name, LabelItemName(n)))
                return true;
        return false;
    });
}

bool TSMPfile::WriteSideFile()
{
    const QString path = ResolveSidePath(csvFileName_);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray text = ToOemCodePage(filename_) + "\r\n";
    for (const QString& label : labels_)
        text += ToOemCodePage(label) + "\r\n";
    loadedSideFile_ = path;
    return file.write(text) == text.size();
}

// ---- header text ----

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

    if (ExternalLabels) {
        LoadSideFile();
    } else {
        for (qsizetype n = 1; !get_item(LabelItemName(n)).isEmpty(); ++n)
            labels_.append(NormaliseLabel(get_item(LabelItemName(n))));
    }
    validate_items();
    dataOffset_ = HeadSize();
}

// ---- the file ----

bool TSMPfile::Fail(const QString& message)
{
    lastError_ = message;
    return false;
}

void TSMPfile::SyncWrites(QFile& file) const
{
    if (!WriteThroughCache)
        return;
    file.flush();
#ifdef Q_OS_UNIX
    ::fdatasync(file.handle());
#endif
}

void TSMPfile::CloseHandle()
{
    if (!file_)
        return;
    file_->close();
    file_.reset();
    if (workIsTemp_)
        QFile::remove(workName_);
    workIsTemp_ = false;
}

bool TSMPfile::new_file(const QString& name)
{
    close_file();
    lastError_.clear();
    readOnly_ = false;
    filename_ = name;
    workName_ = name;
    if (UseTempFile) {
        workName_ = NewTemporaryName();
        if (workName_.isEmpty())
            return Fail(QStringLiteral("Cannot make a temporary file for %1").arg(Quoted(name)));
        workIsTemp_ = true;
    }
    auto file = std::make_unique<QFile>(workName_);
    if (file->exists() && !file->remove())
        return Fail(QStringLiteral("Cannot replace %1: %2").arg(Quoted(workName_), file->errorString()));
    if (!file->open(QIODevice::ReadWrite | QIODevice::NewOnly))
        return Fail(QStringLiteral("Cannot create %1: %2").arg(Quoted(workName_), file->errorString()));
    file_ = std::move(file);
    clear();
    dataOffset_ = HeadSize();
    nextSample_.fill(0);
    return save_file();
}

bool TSMPfile::open_file(const QString& name, bool readOnly)
{
    close_file();
    lastError_.clear();
    if (!QFileInfo(name).isFile())
        return Fail(QStringLiteral("The sample file %1 does not exist").arg(Quoted(name)));
    readOnly_ = readOnly;
    filename_ = name;
    workName_ = name;
    if (UseTempFile) {
        workName_ = NewTemporaryName();
        workIsTemp_ = !workName_.isEmpty();
        if (!workIsTemp_ || !QFile::remove(workName_) || !QFile::copy(name, workName_))
            return Fail(QStringLiteral("Cannot make a temporary copy of %1").arg(Quoted(name)));
        QFile(workName_).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    auto file = std::make_unique<QFile>(workName_);
    if (!file->open(readOnly ? QIODevice::ReadOnly : QIODevice::ReadWrite)) {
        const QString message = QStringLiteral("Cannot open %1: %2").arg(Quoted(name), file->errorString());
        file_ = std::move(file);
        close_file();
        return Fail(message);
    }
    const QByteArray header = file->read(kHeaderBufferSize);
    file_ = std::move(file);
    ParseHeader(header);
    nextSample_.fill(0);
    if (header.isEmpty()) {
        close_file();
        return Fail(QStringLiteral("The sample file %1 is empty").arg(Quoted(name)));
    }
    return true;
}

bool TSMPfile::close_file()
{
    if (!file_)
        return true;
    const bool flushed = file_->flush() || !file_->isWritable();
    CloseHandle();
    return flushed || Fail(QStringLiteral("Cannot finish writing %1").arg(Quoted(filename_)));
}

bool TSMPfile::WriteHeaderBlock(QFile& file, int64_t oldOffset, int32_t head)
{
    if (!file.isWritable())
        return Fail(QStringLiteral("%1 is open read-only").arg(Quoted(filename_)));
    // A header block that changes size moves the samples behind it, so that it never covers
    // them and they still start at "head".
    const int64_t size = file.size();
    const int64_t data = std::max<int64_t>(0, size - oldOffset);
    if (head != oldOffset) {
        if (data > 0 && !MoveData(file, oldOffset, head, data))
            return Fail(QStringLiteral("Cannot move the samples of %1 behind the grown header: %2")
                            .arg(Quoted(filename_), file.errorString()));
        if (!file.resize(head + data))
            return Fail(QStringLiteral("Cannot resize %1: %2").arg(Quoted(filename_), file.errorString()));
    }
    dataOffset_ = head;

    static const QByteArray zeros(65536, '\0');
    int64_t written = 0;
    bool ok = file.seek(0);
    if (ok) {
        const QByteArray text = text_.left(head);
        ok = file.write(text) == text.size();
        written = text.size();
    }
    while (ok && written < head) {
        const int64_t piece = std::min<int64_t>(zeros.size(), head - written);
        ok = file.write(zeros.constData(), piece) == piece;
        written += piece;
    }
    if (!ok || !file.flush())
        return Fail(QStringLiteral("Cannot write the header of %1: %2").arg(Quoted(filename_), file.errorString()));
    SyncWrites(file);
    return true;
}

bool TSMPfile::MoveData(QFile& file, int64_t from, int64_t to, int64_t length)
{
    std::vector<char> buffer(size_t(std::min<int64_t>(length, 1 << 20)));
    const int64_t piece = int64_t(buffer.size());
    const auto copy = [&](int64_t start, int64_t n) {
        return file.seek(from + start) && file.read(buffer.data(), n) == n && file.seek(to + start) &&
               file.write(buffer.data(), n) == n;
    };
    if (to > from) {  // from the end backwards: nothing is read after it was overwritten
        for (int64_t end = length; end > 0; end -= piece)
            if (!copy(std::max<int64_t>(0, end - piece), std::min(piece, end)))
                return false;
    } else {
        for (int64_t start = 0; start < length; start += piece)
            if (!copy(start, std::min(piece, length - start)))
                return false;
    }
    return file.flush();
}

bool TSMPfile::CopyWorkingFile()
{
    // The working file goes onto Filename in 8192-byte blocks and keeps its date.
    file_->flush();
    QFile from(workName_);
    QFile to(filename_);
    if (!from.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("Cannot read %1: %2").arg(Quoted(workName_), from.errorString()));
    if (!to.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Fail(QStringLiteral("Cannot write %1: %2").arg(Quoted(filename_), to.errorString()));
    char block[8192];
    for (;;) {
        const qint64 n = from.read(block, sizeof block);
        if (n < 0)
            return Fail(QStringLiteral("Cannot read %1: %2").arg(Quoted(workName_), from.errorString()));
        if (n == 0)
            break;
        if (to.write(block, n) != n)
            return Fail(QStringLiteral("Cannot write %1: %2").arg(Quoted(filename_), to.errorString()));
    }
    to.flush();
    to.setFileTime(QFileInfo(workName_).lastModified(), QFileDevice::FileModificationTime);
    SyncWrites(to);
    return true;
}

bool TSMPfile::SwitchToFilename()
{
    CloseHandle();
    workName_ = filename_;
    auto file = std::make_unique<QFile>(filename_);
    if (!file->open(readOnly_ ? QIODevice::ReadOnly : QIODevice::ReadWrite))
        return Fail(QStringLiteral("Cannot open %1: %2").arg(Quoted(filename_), file->errorString()));
    file_ = std::move(file);
    return true;
}

bool TSMPfile::save_file(const QString& name)
{
    lastError_.clear();
    if (!name.isEmpty())
        filename_ = name;
    validate_items();
    // Where the labels go must be settled before the header is built.
    const bool external = ExternalLabels;
    TakeLabelItemsOut();
    QString sideToErase;
    if (external) {
        if (CSVFileName().isEmpty())
            SetCSVFileName(filename_.left(ExtensionDot(filename_)) + QStringLiteral(".csv"));
    } else {
        for (qsizetype i = 0; i < labels_.size(); ++i)
            set_item(LabelItemName(i + 1), labels_[i]);
        if (EraseCSVFile)
            sideToErase = loadedSideFile_;
        loadedSideFile_.clear();
        SetCSVFileName({});
    }

    int32_t head = HeadSize();
    while (head < UsedSize())
        SetHeadSize(head = (UsedSize() + 1) / 2 * 2);
    if (text_.size() > kHeaderBufferSize)
        return Fail(QStringLiteral("The header of %1 would be %2 bytes long; at most %3 can be read back")
                        .arg(Quoted(filename_))
                        .arg(text_.size())
                        .arg(kHeaderBufferSize));
    if (filename_.isEmpty())
        return Fail(QStringLiteral("The sample file has no name"));

    // Saved under another name: the file moves there first, the original keeps its header.
    if (file_ && !workIsTemp_ && workName_ != filename_ && !(CopyWorkingFile() && SwitchToFilename()))
        return false;
    bool ok = false;
    if (file_) {
        ok = WriteHeaderBlock(*file_, dataOffset_, head);
    } else {
        QFile file(filename_);
        const int64_t oldOffset = HeadOnDisk(filename_, defheadsize);
        ok = file.open(QIODevice::ReadWrite) ? WriteHeaderBlock(file, oldOffset, head)
                                             : Fail(QStringLiteral("Cannot open %1: %2")
                                                        .arg(Quoted(filename_), file.errorString()));
    }

    if (external) {
        if (!WriteSideFile())
            lastError_ = QStringLiteral("Cannot write the label file %1").arg(Quoted(ResolveSidePath(csvFileName_)));
    } else if (!sideToErase.isEmpty()) {
        QFile::remove(sideToErase);
    }

    if (ok && file_ && workIsTemp_) {
        ok = CopyWorkingFile();
        if (ok && !UseTempFile)
            ok = SwitchToFilename();
    }
    return ok;
}

// ---- samples ----

void TSMPfile::ThrowInvalid(const QString& item) const
{
    throw EInvalidSMPHeader(QStringLiteral("File header in ") + filename_ + QLatin1Char('\r') +
                            QStringLiteral("Has an invalid \"") + item + QStringLiteral("\" item:") +
                            QLatin1Char('\r') + item + QLatin1Char('=') + get_item(item));
}

void TSMPfile::UpdateLayout()
{
    const int32_t channels = ChannelCount();
    if (layoutChanges_ == changes_ && layoutChannels_ == channels)
        return;
    if (channels < 0 || channels > kMaxChannels)
        ThrowInvalid(QStringLiteral("nchans"));

    std::vector<int32_t> scan;
    const QString text = get_item(QStringLiteral("scan"));
    if (text.isEmpty()) {
        for (int32_t k = 0; k < channels; ++k)
            scan.push_back(k);
    } else {
        int32_t entry = -1;
        for (qsizetype i = 0; i <= text.size() && int32_t(scan.size()) < kMaxScanEntries; ++i) {
            const bool digit = i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
            if (digit)
                entry = std::min(std::max(entry, 0) * 10 + (text[i].unicode() - u'0'), kMaxChannels);
            else if (entry >= 0) {
                scan.push_back(entry);
                entry = -1;
            }
        }
    }
    // Every channel occurs, evenly spaced, so that sample n of channel k is word p + n*s of the
    // data however many scans lie before it. An uneven list would send a channel's samples
    // into another channel's words.
    const auto size = int32_t(scan.size());
    for (int32_t k = 0; k < channels; ++k) {
        const auto perScan = int32_t(std::count(scan.begin(), scan.end(), k));
        if (perScan == 0 || size % perScan != 0)
            ThrowInvalid(QStringLiteral("scan"));
        ChannelLayout& layout = layout_[size_t(k)];
        layout.perScan = perScan;
        layout.stride = size / perScan;
        layout.first = int32_t(std::find(scan.begin(), scan.end(), k) - scan.begin());
        for (int32_t position = layout.first; position < size; position += layout.stride)
            if (scan[size_t(position)] != k)
                ThrowInvalid(QStringLiteral("scan"));
    }
    if (std::any_of(scan.begin(), scan.end(), [](int32_t entry) { return entry >= kMaxChannels; }))
        ThrowInvalid(QStringLiteral("scan"));
    scanSize_ = size;
    layoutChannels_ = channels;
    layoutChanges_ = changes_;
}

int64_t TSMPfile::SampleCount(int32_t channel)
{
    if (!file_ || ChannelCount() <= 0)
        return 0;
    UpdateLayout();
    if (channel < 0 || channel >= layoutChannels_)
        throw EError(QStringLiteral("The sample file %1 has no channel %2").arg(Quoted(filename_)).arg(channel));
    const int64_t words = std::max<int64_t>(0, file_->size() - dataOffset_) / 2;
    return words / layout_[size_t(channel)].stride;
}

void TSMPfile::WriteChannel(int32_t channel, const TSMPChunk& chunk)
{
    if (!file_ || readOnly_ || chunk.count <= 0 || ChannelCount() <= 0)
        return;
    if (chunk.count > TSMPChunk::kMaxSamples)
        throw ERangeError();
    UpdateLayout();
    if (channel < 0 || channel >= layoutChannels_)
        throw EError(QStringLiteral("The sample file %1 has no channel %2").arg(Quoted(filename_)).arg(channel));
    if (!chunk_) {
        chunk_ = std::make_unique<TSMPChunk>();
        block_.resize(TSMPChunk::kMaxSamples);
    }
    // The words as they lie in the file.
    const bool msbFirst = MSBFirst();
    chunk_->count = chunk.count;
    for (int32_t i = 0; i < chunk.count; ++i) {
        const auto word = uint16_t(chunk.samples[size_t(i)]);
        chunk_->samples[size_t(i)] = int16_t(msbFirst ? qToBigEndian(word) : qToLittleEndian(word));
    }

    const ChannelLayout& layout = layout_[size_t(channel)];
    const int64_t scanSize = scanSize_;
    const int64_t firstSample = nextSample_[size_t(channel)];
    const int64_t firstWord = layout.first + firstSample * layout.stride;
    const int64_t lastWord = layout.first + (firstSample + chunk.count - 1) * layout.stride;
    const int64_t scansPerBlock = TSMPChunk::kMaxSamples / scanSize;
    int64_t word = firstWord;  // of the next sample to place
    int32_t i = 0;
    for (int64_t scan = firstWord / scanSize; scan <= lastWord / scanSize; scan += scansPerBlock) {
        const int64_t blockStart = scan * scanSize;
        const int64_t words = std::min(scansPerBlock, lastWord / scanSize - scan + 1) * scanSize;
        const int64_t offset = dataOffset_ + 2 * blockStart;
        char* const bytes = reinterpret_cast<char*>(block_.data());
        // Words of other channels are kept; a channel that fills every word needs no read.
        int64_t got = 0;
        if (layout.perScan != scanSize) {
            if (!file_->seek(offset) || (got = file_->read(bytes, 2 * words)) < 0)
                throw EInOutError(QStringLiteral("Cannot read %1: %2").arg(Quoted(filename_), file_->errorString()));
        }
        std::fill(bytes + got, bytes + 2 * words, '\0');
        for (; i < chunk.count && word < blockStart + words; ++i, word += layout.stride)
            block_[size_t(word - blockStart)] = uint16_t(chunk_->samples[size_t(i)]);
        if (!file_->seek(offset) || file_->write(bytes, 2 * words) != 2 * words)
            throw EInOutError(QStringLiteral("Cannot write the samples of %1: %2")
                                  .arg(Quoted(filename_), file_->errorString()));
    }
    nextSample_[size_t(channel)] = firstSample + chunk.count;
    SyncWrites(*file_);
}
