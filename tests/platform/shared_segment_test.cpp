// Shared blocks under names anybody on the machine may take: whatever is planted there (a FIFO,
// a link, a file of the wrong mode or owner) is never waited on, read or removed.
#include "platform/SharedSegment.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A namespace of the test's own, so that no other program's blocks are touched or counted.
class TOwnNamespace {
public:
    TOwnNamespace()
    {
        qputenv("TREMAX_SHM_NAMESPACE", "segtest" + QByteArray::number(qint64(getpid())));
    }
    ~TOwnNamespace() { qunsetenv("TREMAX_SHM_NAMESPACE"); }
};

std::string ShmPath(const std::string& name) { return "/dev/shm" + name; }

}  // namespace

TEST(SharedSegments, PlantedFifosLinksAndForeignFilesAreIgnoredWithoutWaiting)
{
    const TOwnNamespace space;
    TSharedSegments blocks("blk", 1, 4);
    ASSERT_EQ(blocks.FilePrefix(), "tremax-segtest" + std::to_string(getpid()) + "-" + std::to_string(getuid()) + "-blk-");
    const std::string fifo = blocks.Name(1);
    ASSERT_EQ(::mkfifo(ShmPath(fifo).c_str(), 0600), 0);
    const std::string link = blocks.Name(2);
    ASSERT_EQ(::symlink(ShmPath(fifo).c_str(), ShmPath(link).c_str()), 0);
    // A well-formed block, but readable by everybody: not this program's.
    const std::string open = blocks.Name(3);
    {
        const int fd = ::open(ShmPath(open).c_str(), O_CREAT | O_EXCL | O_RDWR, 0644);
        ASSERT_GE(fd, 0);
        const uint32_t header[4] = {0x47455354, 1, 4, 0};
        ASSERT_EQ(::write(fd, header, sizeof header), ssize_t(sizeof header));
        ASSERT_EQ(::write(fd, "data", 4), 4);
        ::fchmod(fd, 0644);
        ::close(fd);
    }
    // In a child with an alarm: a read that waits for a FIFO's writer ends the child, not the run.
    const int status = RunInChild([&] {
        ::alarm(20);
        char buffer[4] = {};
        std::string all;
        for (const uint16_t handle : {1, 2, 3}) {
            if (blocks.Read(handle, buffer, 1) || blocks.Write(handle, "x", 1) || blocks.Size(handle) != -1 ||
                blocks.ReadAll(handle, all, 100))
                return 10 + handle;
        }
        // The sweep opens every name of the family: it neither waits nor removes what is not ours.
        if (blocks.RemoveStale() != 0)
            return 20;
        // A block of our own beside them works as ever.
        const uint16_t own = blocks.Create("abcd", 4);
        if (own != 4 || !blocks.Read(own, buffer, 4) || std::memcmp(buffer, "abcd", 4) != 0)
            return 21;
        return blocks.Remove(own) ? 0 : 22;
    });
    EXPECT_EQ(status, 0);
    struct stat st {};
    EXPECT_EQ(::lstat(ShmPath(fifo).c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(::lstat(ShmPath(link).c_str(), &st), 0);
    EXPECT_EQ(::lstat(ShmPath(open).c_str(), &st), 0);
    for (const std::string& name : {fifo, link, open})
        ::unlink(ShmPath(name).c_str());
}

// Run as root (as in CI) the test can give a block to another user: it is ignored too.
TEST(SharedSegments, ABlockOfAnotherUserIsIgnored)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    const TOwnNamespace space;
    TSharedSegments blocks("blk", 1, 1);
    const uint16_t handle = blocks.Create("abcd", 4);
    ASSERT_EQ(handle, 1);
    ASSERT_EQ(::chown(ShmPath(blocks.Name(handle)).c_str(), 65534, 65534), 0);
    char buffer[4] = {};
    EXPECT_FALSE(blocks.Read(handle, buffer, 4));
    EXPECT_EQ(blocks.Size(handle), -1);
    EXPECT_TRUE(blocks.Remove(handle));
}
