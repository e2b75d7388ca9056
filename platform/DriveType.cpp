#include "platform/DriveType.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

// Mount points escape blank, tab, newline and backslash as three octal digits.
QString Unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

QByteArray ReadSmallFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool IsNetworkType(const QString& type)
{
    static const QSet<QString> network = {
        QStringLiteral("nfs"),       QStringLiteral("nfs4"),     QStringLiteral("cifs"),  QStringLiteral("smb3"),
        QStringLiteral("smbfs"),     QStringLiteral("ncpfs"),    QStringLiteral("9p"),    QStringLiteral("afs"),
        QStringLiteral("ceph"),      QStringLiteral("glusterfs"), QStringLiteral("lustre"), QStringLiteral("davfs"),
        QStringLiteral("coda"),      QStringLiteral("sshfs"),    QStringLiteral("rclone"), QStringLiteral("s3fs"),
        QStringLiteral("gcsfuse"),   QStringLiteral("curlftpfs"), QStringLiteral("webdav")};
    QString base = type;
    if (base.startsWith(QStringLiteral("fuse.")))
        base = base.mid(5);
    return network.contains(base);
}

bool IsNetworkSource(const QString& source)
{
    if (source.startsWith(QStringLiteral("//")))
        return true;
    // "host:/export" (nfs style); a device path never holds ":" before its first "/".
    const qsizetype colon = source.indexOf(QLatin1Char(':'));
    const qsizetype slash = source.indexOf(QLatin1Char('/'));
    return colon > 0 && (slash < 0 || colon < slash) && source.mid(colon + 1).startsWith(QLatin1Char('/'));
}

}  // namespace

std::vector<TMountEntry> ParseMountInfo(const QByteArray& text)
{
    std::vector<TMountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 7 || dash < 6 || dash + 2 >= fields.size())
            continue;
        TMountEntry entry;
        const QList<QByteArray> device = fields[2].split(':');
        if (device.size() != 2)
            continue;
        entry.Major = device[0].toInt();
        entry.Minor = device[1].toInt();
        entry.MountPoint = Unescape(fields[4]);
        entry.FsType = QString::fromUtf8(fields[dash + 1]);
        entry.Source = Unescape(fields[dash + 2]);
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

TBlockDevice SysBlockDevice(int major, int minor)
{
    TBlockDevice device;
    const QString link = QStringLiteral("/sys/dev/block/%1:%2").arg(major).arg(minor);
    const QFileInfo info(link);
    if (!info.exists())
        return device;
    const QString target = info.canonicalFilePath();
    device.Name = QFileInfo(target).fileName();
    // A partition's disk is its parent folder; the disk itself holds "removable".
    QByteArray removable = ReadSmallFile(target + QStringLiteral("/removable"));
    if (removable.isEmpty())
        removable = ReadSmallFile(QFileInfo(target).absolutePath() + QStringLiteral("/removable"));
    device.Removable = removable.trimmed() == "1";
    return device;
}

TDriveType ClassifyMount(const TMountEntry& mount, const TBlockDeviceLookup& lookup)
{
    const QString& type = mount.FsType;
    if (IsNetworkType(type) || IsNetworkSource(mount.Source))
        return TDriveType::remote;
    if (type == QStringLiteral("tmpfs") || type == QStringLiteral("ramfs"))
        return TDriveType::ramDisk;
    if (type == QStringLiteral("iso9660") || type == QStringLiteral("udf"))
        return TDriveType::cdrom;
    // Anonymous devices (major 0) are virtual or FUSE file systems: not drives we know.
    if (mount.Major == 0)
        return TDriveType::unknown;
    const TBlockDevice device = lookup ? lookup(mount.Major, mount.Minor) : TBlockDevice{};
    if (mount.Major == 11 || device.Name.startsWith(QStringLiteral("sr")))
        return TDriveType::cdrom;
    if ((mount.Major == 1 && device.Name.startsWith(QStringLiteral("ram"))) ||
        device.Name.startsWith(QStringLiteral("zram")))
        return TDriveType::ramDisk;
    if (device.Name.isEmpty())
        return TDriveType::unknown;
    return device.Removable ? TDriveType::removable : TDriveType::fixed;
}

const TMountEntry* MountOf(const std::vector<TMountEntry>& mounts, const QString& path)
{
    const TMountEntry* best = nullptr;
    qsizetype bestLength = -1;
    for (const TMountEntry& mount : mounts) {
        const QString& point = mount.MountPoint;
        const bool above = point == QStringLiteral("/") ||
                           (path.startsWith(point) && (path.size() == point.size() || path[point.size()] == QLatin1Char('/')));
        // A later mount on the same point hides the earlier one: >= keeps the last.
        if (above && point.size() >= bestLength) {
            best = &mount;
            bestLength = point.size();
        }
    }
    return best;
}

TDriveType DriveTypeOf(const QString& path)
{
    QString folder = QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(path));
    // The nearest part of the path that exists, with its links resolved.
    QString existing;
    for (QString probe = folder; !probe.isEmpty(); probe = QFileInfo(probe).path()) {
        existing = QFileInfo(probe).canonicalFilePath();
        if (!existing.isEmpty() || probe == QStringLiteral("/"))
            break;
    }
    if (existing.isEmpty())
        existing = folder;
    const QByteArray table = ReadSmallFile(QStringLiteral("/proc/self/mountinfo"));
    if (table.isEmpty())
        return TDriveType::unknown;
    const std::vector<TMountEntry> mounts = ParseMountInfo(table);
    const TMountEntry* mount = MountOf(mounts, existing);
    return mount ? ClassifyMount(*mount) : TDriveType::noRootDir;
}
