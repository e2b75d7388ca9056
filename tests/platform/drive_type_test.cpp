// Which Linux mounts count as which kind of drive for the recent-files list.
#include "platform/DriveType.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

namespace {

// A mount table as the kernel writes it (proc(5)), with optional fields and escaped blanks.
const QByteArray kMountInfo =
    "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
    "24 23 0:22 / /dev/shm rw,relatime - tmpfs tmpfs rw,size=1k\n"
    "40 26 8:17 / /media/my\\040stick rw,nosuid shared:7 master:2 - vfat /dev/sdb1 rw\n"
    "41 26 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
    "42 26 0:50 / /net/home rw - nfs4 server:/export/home rw\n"
    "43 26 0:51 / /net/share rw - cifs //server/share rw\n"
    "44 26 0:52 / /remote rw - fuse.sshfs me@host: rw\n"
    "45 26 0:53 / /merged rw - overlay overlay rw\n"
    "46 26 251:0 / /fast rw - ext4 /dev/zram0 rw\n"
    "47 26 8:1 / /data rw - ext4 /dev/sda1 rw\n"
    "48 26 0:54 / /data rw - tmpfs tmpfs rw\n"
    "not a mount line\n";

TBlockDevice Devices(int major, int minor)
{
    if (major == 8 && minor == 17)
        return {QStringLiteral("sdb1"), true};
    if (major == 8 && minor == 1)
        return {QStringLiteral("sda1"), false};
    if (major == 11)
        return {QStringLiteral("sr0"), true};
    if (major == 251)
        return {QStringLiteral("zram0"), false};
    if (major == 254)
        return {QStringLiteral("vda"), false};
    return {};
}

TDriveType TypeAt(const std::vector<TMountEntry>& mounts, const char* path)
{
    const TMountEntry* mount = MountOf(mounts, QString::fromUtf8(path));
    return mount ? ClassifyMount(*mount, Devices) : TDriveType::noRootDir;
}

}  // namespace

TEST(DriveType, MountsClassifiedAsTheRecentFilesListCountsThem)
{
    const std::vector<TMountEntry> mounts = ParseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 11u);
    EXPECT_EQ(mounts[2].MountPoint, QStringLiteral("/media/my stick"));
    EXPECT_EQ(mounts[2].FsType, QStringLiteral("vfat"));
    EXPECT_EQ(mounts[2].Major, 8);
    EXPECT_EQ(mounts[2].Minor, 17);

    EXPECT_EQ(TypeAt(mounts, "/home/user/seq.bld"), TDriveType::fixed);
    EXPECT_EQ(TypeAt(mounts, "/dev/shm/seq.bld"), TDriveType::ramDisk);
    EXPECT_EQ(TypeAt(mounts, "/media/my stick/seq.bld"), TDriveType::removable);
    EXPECT_EQ(TypeAt(mounts, "/media/cdrom/seq.bld"), TDriveType::cdrom);
    EXPECT_EQ(TypeAt(mounts, "/net/home/seq.bld"), TDriveType::remote);
    EXPECT_EQ(TypeAt(mounts, "/net/share/seq.bld"), TDriveType::remote);
    EXPECT_EQ(TypeAt(mounts, "/remote/seq.bld"), TDriveType::remote);
    EXPECT_EQ(TypeAt(mounts, "/merged/seq.bld"), TDriveType::unknown);
    EXPECT_EQ(TypeAt(mounts, "/fast/seq.bld"), TDriveType::ramDisk);
    // A mount point is a whole folder name: /media/cdrom2 lies on the root.
    EXPECT_EQ(TypeAt(mounts, "/media/cdrom2/seq.bld"), TDriveType::fixed);
    // The later mount on the same point hides the earlier one.
    EXPECT_EQ(TypeAt(mounts, "/data/seq.bld"), TDriveType::ramDisk);
    // A table without the root: nothing above a path.
    EXPECT_EQ(TypeAt(ParseMountInfo("24 23 0:22 / /dev/shm rw - tmpfs tmpfs rw\n"), "/home/seq.bld"),
              TDriveType::noRootDir);
}

// The real table: /dev/shm's file system as stat(1) names it decides what is expected.
TEST(DriveType, ThisSystemsTmpfsIsARamDisk)
{
    if (QStandardPaths::findExecutable(QStringLiteral("stat")).isEmpty())
        GTEST_SKIP() << "stat missing";
    QProcess stat;
    stat.start(QStringLiteral("stat"), {QStringLiteral("-f"), QStringLiteral("-c"), QStringLiteral("%T"),
                                        QStringLiteral("/dev/shm")});
    ASSERT_TRUE(stat.waitForFinished(10000));
    if (stat.readAllStandardOutput().trimmed() != "tmpfs")
        GTEST_SKIP() << "/dev/shm is not a tmpfs here";
    EXPECT_EQ(DriveTypeOf(QStringLiteral("/dev/shm/no/such/folder/seq.bld")), TDriveType::ramDisk);
    EXPECT_EQ(DriveTypeOf(QStringLiteral("/dev/shm/../shm/seq.bld")), TDriveType::ramDisk);
}
