#include "platform/FileNames.h"

#include <QDir>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + a byte 0x80 … 0xFF that is not valid UTF-8

// Length of the well-formed UTF-8 sequence at `s` (n bytes left) and its code point; 0 when the
// bytes there are not one (overlong forms, surrogates and values above U+10FFFF are not).
int Utf8Sequence(const unsigned char* s, qsizetype n, char32_t& code)
{
    const unsigned char b = s[0];
    int length = 0;
    char32_t lowest = 0;
    if (b < 0x80) {
        code = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        code = b & 0x1F;
        lowest = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        code = b & 0x0F;
        lowest = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        code = b & 0x07;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (n < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (s[i] & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

}  // namespace

QString DecodeFileName(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t code = 0;
        const int length = Utf8Sequence(s + i, n - i, code);
        if (length == 0) {
            name.append(QChar(char16_t(kEscapeBase + s[i])));
            ++i;
            continue;
        }
        name.append(QString::fromUcs4(&code, 1));
        i += length;
    }
    return name;
}

QByteArray EncodeFileName(const QString& name)
{
    QByteArray out;
    out.reserve(name.size());
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = name[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(name[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(u, name[i + 1].unicode()));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out.append(char(u - kEscapeBase));
        } else if (QChar::isSurrogate(u)) {
            out.append('?');  // no byte stands for it: such a name cannot be on disk
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

TFileKind FileKindOf(const QString& name)
{
    struct stat st {};
    if (name.isEmpty() || ::stat(EncodeFileName(name).constData(), &st) != 0)
        return TFileKind::missing;
    if (S_ISREG(st.st_mode))
        return TFileKind::regular;
    if (S_ISDIR(st.st_mode))
        return TFileKind::directory;
    if (S_ISFIFO(st.st_mode))
        return TFileKind::fifo;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return TFileKind::device;
    if (S_ISSOCK(st.st_mode))
        return TFileKind::socket;
    return TFileKind::other;
}

QString FileKindText(TFileKind kind)
{
    switch (kind) {
    case TFileKind::missing:
        return QStringLiteral("missing");
    case TFileKind::regular:
        return QStringLiteral("a file");
    case TFileKind::directory:
        return QStringLiteral("a folder");
    case TFileKind::fifo:
        return QStringLiteral("a FIFO (named pipe)");
    case TFileKind::device:
        return QStringLiteral("a device");
    case TFileKind::socket:
        return QStringLiteral("a socket");
    case TFileKind::other:
        break;
    }
    return QStringLiteral("not a regular file");
}

QString AbsoluteFileName(const QString& name)
{
    QString path = name;
    if (!path.startsWith(QLatin1Char('/'))) {
        QByteArray cwd(4096, '\0');
        while (!::getcwd(cwd.data(), size_t(cwd.size())) && errno == ERANGE)
            cwd.resize(cwd.size() * 2);
        path = DecodeFileName(QByteArray(cwd.constData())) + QLatin1Char('/') + path;
    }
    // QDir::cleanPath works on the text alone; the escaped bytes pass through unchanged.
    return QDir::cleanPath(path);
}

QString FileNamePart(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString FolderPart(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QStringList FolderEntries(const QString& folder)
{
    QStringList names;
    DIR* dir = ::opendir(EncodeFileName(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << DecodeFileName(name);
    }
    ::closedir(dir);
    return names;
}

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// A byte DecodeFileName could not decode, or a replacement character of the name itself.
bool IsUndecoded(QChar c) { return (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) || c.unicode() == kReplacement; }

// Whether `entry` (decoded without loss) is the name shown lossily as `shown`.
bool ShownAs(const QString& entry, const QString& shown)
{
    qsizetype e = 0;
    for (qsizetype s = 0; s < shown.size();) {
        if (shown[s] == QChar(kReplacement)) {
            while (s < shown.size() && shown[s] == QChar(kReplacement))
                ++s;
            const qsizetype start = e;
            while (e < entry.size() && IsUndecoded(entry[e]))
                ++e;
            if (e == start)
                return false;
        } else {
            if (e >= entry.size() || entry[e] != shown[s])
                return false;
            ++e;
            ++s;
        }
    }
    return e == entry.size();
}

}  // namespace

QString ResolveShownFileName(const QString& shown)
{
    if (!shown.contains(QChar(kReplacement)) || FileKindOf(shown) != TFileKind::missing)
        return shown;
    const QStringList parts = shown.split(QLatin1Char('/'));
    QString path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        const QString folder = i == 0 ? QStringLiteral(".") : path.isEmpty() ? QStringLiteral("/") : path;
        const QString joined = i == 0 ? part : path + QLatin1Char('/') + part;
        if (!part.contains(QChar(kReplacement)) || FileKindOf(joined) != TFileKind::missing) {
            path = joined;
            continue;
        }
        QStringList matches;
        for (const QString& entry : FolderEntries(folder))
            if (ShownAs(entry, part))
                matches << entry;
        if (matches.size() != 1)
            return shown;
        path = i == 0 ? matches.front() : path + QLatin1Char('/') + matches.front();
    }
    return path;
}

QString ChangeFileExtension(const QString& name, const QString& extension)
{
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > slash ? name.left(dot) : name) + extension;
}

QByteArray ReadLeadingBytes(const QString& name, qsizetype count)
{
    const int fd = ::open(EncodeFileName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(count);
        qsizetype got = 0;
        while (got < count) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(count - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(fd);
    return bytes;
}
