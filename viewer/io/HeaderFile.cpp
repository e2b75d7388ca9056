#include "viewer/io/HeaderFile.h"

#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype kMaxValueLength = 255;
// Longest line kept; the rest of a longer line is skipped (no used value is that long).
constexpr qsizetype kMaxLineLength = 4096;
constexpr size_t kReadBlock = 65536;

const char* const kKeys[] = {"RESOLUTION:", "FRAMES/S:", "FRAMES:", "FIRSTFRAME:", "TRIGGER:"};

bool StartsWithKey(const QString& line, const char* key, QString& value)
{
    if (!line.startsWith(QLatin1String(key), Qt::CaseSensitive))
        return false;
    value = line.mid(line.indexOf(QLatin1Char(':')) + 1).left(kMaxValueLength);
    return true;
}

// The key a line is used for; no line can start with two of them.
QString UsedKey(const QString& line)
{
    for (const char* key : kKeys)
        if (line.startsWith(QLatin1String(key), Qt::CaseSensitive))
            return QLatin1String(key);
    return {};
}

int32_t RoundedHeaderNumber(const QString& value) { return RoundToInt(StrToFloat(value)); }

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

[[noreturn]] void CannotRead(const QString& fileName, const QString& why)
{
    throw EInOutError(QStringLiteral("Cannot read the header file \"%1\": %2").arg(fileName, why));
}

// The same kind of error with the place in front.
[[noreturn]] void RethrowAt(const EError& e, const QString& message)
{
    if (dynamic_cast<const EConvertError*>(&e))
        throw EConvertError(message);
    if (dynamic_cast<const ERangeError*>(&e))
        throw ERangeError(message);
    if (dynamic_cast<const EOutOfMemory*>(&e))
        throw EOutOfMemory(message);
    throw EInvalidHeaderValue(message);
}

// Splits the file's bytes into lines: a line ends at a line feed; a carriage return ends the
// line's text, and anything after it up to the line feed is skipped.
class TLineSplitter {
public:
    // Feeds bytes; calls `line` for every line completed.
    template <typename F>
    void Feed(const char* data, size_t size, F&& line)
    {
        for (size_t i = 0; i < size; ++i) {
            const char c = data[i];
            any_ = true;
            if (c == '\n') {
                line(text_);
                text_.clear();
                ended_ = false;
                any_ = false;
                continue;
            }
            if (c == '\r')
                ended_ = true;
            if (!ended_ && text_.size() < kMaxLineLength)
                text_.append(c);
        }
    }
    // The last line when the file does not end with a line feed.
    template <typename F>
    void Finish(F&& line)
    {
        if (any_)
            line(text_);
    }

private:
    QByteArray text_;
    bool ended_ = false;
    bool any_ = false;
};

bool IsHeaderCandidate(const QString& path)
{
    const TFileKind kind = FileKindOf(path);
    return kind != TFileKind::missing && kind != TFileKind::directory;
}

}  // namespace

void CheckImageWidth(int32_t width)
{
    if (width < 1)
        throw EInvalidHeaderValue(QStringLiteral("the image width must be at least 1 pixel, not %1").arg(width));
}

void CheckImageHeight(int32_t height)
{
    if (height < 1)
        throw EInvalidHeaderValue(QStringLiteral("the image height must be at least 1 row, not %1").arg(height));
}

void CheckRecordingRate(double framesPerSecond)
{
    if (!(framesPerSecond > 0) || !std::isfinite(framesPerSecond))
        throw EInvalidHeaderValue(
            QStringLiteral("the frame rate must be a positive number, not %1").arg(framesPerSecond));
}

void CheckFrameCount(int32_t frames)
{
    if (frames < 1)
        throw EInvalidHeaderValue(QStringLiteral("the number of frames must be at least 1, not %1").arg(frames));
}

QString HeaderMessage(const QString& place, const QString& message, const QString& key)
{
    QString text = place.isEmpty() ? message : place + QStringLiteral(": ") + message;
    if (!key.isEmpty())
        text += QStringLiteral(" (%1)").arg(key);
    return text;
}

void THeaderCollector::SetImageWidth(int32_t width)
{
    CheckImageWidth(width);
    values_.width = width;
    values_.sizePlace = place_;
    values_.sizeKey = key_;
}

void THeaderCollector::SetImageHeight(int32_t height)
{
    CheckImageHeight(height);
    values_.height = height;
    values_.sizePlace = place_;
    values_.sizeKey = key_;
}

void THeaderCollector::SetRecordingRate(double framesPerSecond)
{
    CheckRecordingRate(framesPerSecond);
    values_.framesPerSecond = framesPerSecond;
}

void THeaderCollector::SetFrameCount(int32_t frames)
{
    CheckFrameCount(frames);
    values_.frameCount = frames;
}

QStringList HeaderFileCandidates(const QString& frameFileName)
{
    QStringList found;
    QStringList entries;
    bool listed = false;
    for (const char* extension : {".par", ".dsc"}) {
        const QString exact = ChangeFileExtension(frameFileName, QLatin1String(extension));
        if (IsHeaderCandidate(exact)) {
            found << exact;
            continue;
        }
        // Listed once, and only when an exact name is missing.
        if (!listed) {
            entries = FolderEntries(FolderPart(exact));
            std::sort(entries.begin(), entries.end());
            listed = true;
        }
        const QString wanted = FileNamePart(exact);
        const QString folder = FolderPart(exact);
        for (const QString& entry : entries) {
            if (entry.compare(wanted, Qt::CaseInsensitive) != 0)
                continue;
            const QString variant = folder == QLatin1String("/") ? folder + entry : folder + QLatin1Char('/') + entry;
            if (IsHeaderCandidate(variant)) {
                found << variant;
                break;
            }
        }
    }
    return found;
}

QString FindHeaderFile(const QString& frameFileName)
{
    const QStringList candidates = HeaderFileCandidates(frameFileName);
    return candidates.isEmpty() ? QString() : candidates.front();
}

QString FrameFileOfHeader(const QString& path)
{
    const QString name = FileNamePart(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot).toLower();
    if (extension != QLatin1String(".par") && extension != QLatin1String(".dsc"))
        return path;
    const QString exact = ChangeFileExtension(path, QStringLiteral(".bld"));
    if (FileKindOf(exact) == TFileKind::regular)
        return exact;
    const QString folder = FolderPart(exact);
    const QString wanted = FileNamePart(exact);
    QStringList entries = FolderEntries(folder);
    std::sort(entries.begin(), entries.end());
    for (const QString& entry : entries) {
        if (entry.compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        const QString variant = folder == QLatin1String("/") ? folder + entry : folder + QLatin1Char('/') + entry;
        if (FileKindOf(variant) == TFileKind::regular)
            return variant;
    }
    throw EInOutError(QStringLiteral("\"%1\" is the header of a sequence; its frame file \"%2\" is missing")
                          .arg(path, FileNamePart(exact)));
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
    // Not blocking: a FIFO under the header's name must not stall the open.
    const int fd = ::open(EncodeFileName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        CannotRead(fileName, SystemReason(errno));
    struct TClose {
        int fd;
        ~TClose() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        CannotRead(fileName, SystemReason(errno));
    if (!S_ISREG(st.st_mode)) {
        const TFileKind kind = S_ISDIR(st.st_mode)    ? TFileKind::directory
                               : S_ISFIFO(st.st_mode) ? TFileKind::fifo
                               : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? TFileKind::device
                                                                            : TFileKind::other;
        CannotRead(fileName, QStringLiteral("it is %1, not a file").arg(FileKindText(kind)));
    }

    const QString shortName = FileNamePart(fileName);
    int lineNumber = 0;
    const auto applyLine = [&](const QByteArray& raw) {
        ++lineNumber;
        // Header files are plain 8-bit text.
        const QString line = QString::fromLatin1(raw);
        const QString key = UsedKey(line);
        if (key.isEmpty())
            return;
        const QString place = QStringLiteral("%1, line %2").arg(shortName).arg(lineNumber);
        target.SetValuePlace(place, key);
        try {
            ApplyHeaderLine(line, target);
        } catch (const EError& e) {
            RethrowAt(e, HeaderMessage(place, e.Message(), key));
        }
    };
    TLineSplitter lines;
    std::vector<char> block(kReadBlock);
    while (true) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            CannotRead(fileName, SystemReason(errno));
        }
        if (n == 0)
            break;
        lines.Feed(block.data(), size_t(n), applyLine);
    }
    lines.Finish(applyLine);
}
