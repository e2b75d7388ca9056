#pragma once
// What kind of drive a file lives on, as the recent-files list asks it. Linux has no drive
// letters: the file's mount (the longest mount point of /proc/self/mountinfo above its path)
// and the block device behind it decide:
//
//   remote     a network file system: nfs, cifs/smb, sshfs, 9p, afs, ceph, … (any "fuse.X" of
//              those), or a source written as "host:/path" or "//host/share"
//   cdrom      iso9660 or udf, or a device of the SCSI CD-ROM driver (major 11, "sr…")
//   ramDisk    tmpfs, ramfs, or a block RAM disk ("ram…" of major 1, "zram…")
//   removable  a block device whose disk says removable=1 in /sys/dev/block/<maj:min>
//   fixed      any other file system on a block device
//   unknown    anything else (overlay, proc, other FUSE file systems): accepted by callers
//   noRootDir  no mount found above the path (an unreadable mount table gives unknown)
//
// Any thread: only files are read.

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

enum class TDriveType { unknown, noRootDir, removable, fixed, remote, cdrom, ramDisk };

struct TMountEntry {
    QString MountPoint;  // unescaped ("\040" is a blank)
    QString FsType;
    QString Source;
    int Major = 0;
    int Minor = 0;
};

// The entries of a mountinfo text in their order; lines that do not parse are skipped.
std::vector<TMountEntry> ParseMountInfo(const QByteArray& text);

// What the system says about a block device (major, minor).
struct TBlockDevice {
    QString Name;            // kernel name ("sda1", "sr0"); empty when there is none
    bool Removable = false;  // of the whole disk
};
using TBlockDeviceLookup = std::function<TBlockDevice(int major, int minor)>;
// From /sys/dev/block.
TBlockDevice SysBlockDevice(int major, int minor);

TDriveType ClassifyMount(const TMountEntry& mount, const TBlockDeviceLookup& lookup = SysBlockDevice);

// The mount that holds `path` (absolute, cleaned: no symbolic links resolved here); null when
// none is above it.
const TMountEntry* MountOf(const std::vector<TMountEntry>& mounts, const QString& path);

// The drive type of the file `path` on this system: its nearest existing folder with symbolic
// links resolved, then the mount table and /sys.
TDriveType DriveTypeOf(const QString& path);
