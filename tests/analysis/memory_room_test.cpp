// Memory by need: the spectra take memory a row at a time on first use, one check counts the
// block and the spectra together against the tightest limit (physical memory, RLIMIT_AS, the
// control group), and a refusal names the sizes.
#include "analysis/SpectrumStore.h"
#include "platform/Errors.h"
#include "platform/SystemMemory.h"
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

void WriteTree(const TScratch& root, const QString& path, const QString& text)
{
    QDir().mkpath(root.Path(path).left(root.Path(path).lastIndexOf(QLatin1Char('/'))));
    root.WriteText(path, text);
}

}  // namespace

TEST(MemoryRoom, ControlGroupLimitsOfBothVersionsAndTheirParentsAreFound)
{
    TScratch v2;
    WriteTree(v2, QStringLiteral("proc/self/cgroup"), QStringLiteral("0::/user.slice/app\n"));
    WriteTree(v2, QStringLiteral("proc/self/mountinfo"),
              QStringLiteral("22 1 0:20 / /proc rw - proc proc rw\n30 22 0:27 / /sys/fs/cgroup rw,relatime - cgroup2 "
                             "cgroup2 rw\n"));
    WriteTree(v2, QStringLiteral("sys/fs/cgroup/user.slice/app/memory.max"), QStringLiteral("max\n"));
    WriteTree(v2, QStringLiteral("sys/fs/cgroup/user.slice/app/memory.current"), QStringLiteral("100\n"));
    WriteTree(v2, QStringLiteral("sys/fs/cgroup/user.slice/memory.max"), QStringLiteral("1000000\n"));
    WriteTree(v2, QStringLiteral("sys/fs/cgroup/user.slice/memory.current"), QStringLiteral("250000\n"));
    EXPECT_EQ(CgroupMemoryRoom(v2.Path(QString())), 750000);  // the parent binds: 1000000 - 250000

    TScratch v1;
    WriteTree(v1, QStringLiteral("proc/self/cgroup"), QStringLiteral("5:devices:/\n4:memory:/grp\n"));
    WriteTree(v1, QStringLiteral("proc/self/mountinfo"),
              QStringLiteral("31 30 0:29 / /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory\n"));
    WriteTree(v1, QStringLiteral("sys/fs/cgroup/memory/memory.limit_in_bytes"),
              QStringLiteral("9223372036854771712\n"));  // "no limit" in version 1
    WriteTree(v1, QStringLiteral("sys/fs/cgroup/memory/grp/memory.limit_in_bytes"), QStringLiteral("2000000\n"));
    WriteTree(v1, QStringLiteral("sys/fs/cgroup/memory/grp/memory.usage_in_bytes"), QStringLiteral("500000\n"));
    EXPECT_EQ(CgroupMemoryRoom(v1.Path(QString())), 1500000);

    TScratch none;
    WriteTree(none, QStringLiteral("proc/self/cgroup"), QStringLiteral("0::/\n"));
    EXPECT_EQ(CgroupMemoryRoom(none.Path(QString())), -1);
}

// The room is what the system can still give, not physical memory: on a busy machine a large
// block is refused with a message instead of inviting the out-of-memory killer.
TEST(MemoryRoom, TheRoomIsTheLeastOfTheMemoryAvailableTheAddressSpaceAndTheGroup)
{
    TScratch root;
    WriteTree(root, QStringLiteral("proc/meminfo"),
              QStringLiteral("MemTotal:       24000000 kB\nMemFree:          100000 kB\nMemAvailable:     "
                             "2000000 kB\n"));
    WriteTree(root, QStringLiteral("proc/self/statm"), QStringLiteral("1000 500 0 0 0 0 0\n"));
    WriteTree(root, QStringLiteral("proc/self/cgroup"), QStringLiteral("0::/\n"));
    EXPECT_EQ(AvailableMemoryBytes(root.Path(QString())), 2048000000);
    const TMemoryRoom room = MemoryRoomUnder(root.Path(QString()));
    EXPECT_EQ(room.bytes, 2048000000);
    EXPECT_EQ(room.limit, QStringLiteral("the memory available"));
    try {
        CheckMemoryRoom(int64_t(3000) * 2000 * 512, QStringLiteral("The frame block"), room);
        FAIL() << "no refusal";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The frame block needs 3.1 GB of memory, but only 2.0 GB are left within "
                                              "the memory available"));
    }
    // A control group with less room binds instead.
    WriteTree(root, QStringLiteral("proc/self/cgroup"), QStringLiteral("0::/grp\n"));
    WriteTree(root, QStringLiteral("proc/self/mountinfo"),
              QStringLiteral("30 22 0:27 / /sys/fs/cgroup rw,relatime - cgroup2 cgroup2 rw\n"));
    WriteTree(root, QStringLiteral("sys/fs/cgroup/grp/memory.max"), QStringLiteral("1000000\n"));
    WriteTree(root, QStringLiteral("sys/fs/cgroup/grp/memory.current"), QStringLiteral("400000\n"));
    EXPECT_EQ(MemoryRoomUnder(root.Path(QString())).bytes, 600000);

    // On this machine: never more than the system says is available (read just before).
    const int64_t available = AvailableMemoryBytes();
    if (available >= 0) {
        EXPECT_LE(MemoryRoom().bytes, available + (int64_t(256) << 20));
    }
}

TEST(MemoryRoom, SizesAreNamedInDecimalUnitsAndProductsNeverWrap)
{
    EXPECT_EQ(ByteSizeText(999), QStringLiteral("999 bytes"));
    EXPECT_EQ(ByteSizeText(1000), QStringLiteral("1.0 kB"));
    EXPECT_EQ(ByteSizeText(999949), QStringLiteral("999.9 kB"));
    EXPECT_EQ(ByteSizeText(999950), QStringLiteral("1.0 MB"));  // 999.95 kB shows as 1.0 MB, not 1000.0 kB
    EXPECT_EQ(ByteSizeText(5120000000000), QStringLiteral("5.1 TB"));
    EXPECT_EQ(CheckedProduct(512, 100000, 100000), 5120000000000);
    EXPECT_EQ(CheckedProduct(512, 2000000000, 2000000000), -1);
    EXPECT_EQ(CheckedSum(INT64_MAX, 1), -1);
    try {
        CheckMemoryRoom(-1, QStringLiteral("This"), {1000, QStringLiteral("physical memory")});
        FAIL() << "no refusal";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("This needs more than 9.2 EB of memory, but only 1.0 kB are left "
                                              "within physical memory"));
    }
}

TEST(MemoryRoom, SpectraTakeMemoryByTheRowAndTheCheckCountsTheBlockWithThem)
{
    TScratch scratch;
    scratch.WriteText(QStringLiteral("m.par"), QStringLiteral("RESOLUTION: 16x8\nFRAMES: 300\n"));
    TSequence sequence;
    sequence.SetFileName(WriteFrames(scratch, QStringLiteral("m.bld"), 16, 8, 300,
                                     [](int32_t f, int32_t y, int32_t x) { return uint8_t((f * (x + 1) + y) % 9); }));
    sequence.ReadSequenceFiles();
    TSpectrumStore store(sequence);
    EXPECT_EQ(store.RowsHeld(), 0);  // nothing before the first spectrum

    // A row's spectra: 2 x 129 bins (0 … N/2) x 16 columns x 4 bytes = 16512; the block 512 x 8 x 16
    // = 65536.
    // Room for one more row only.
    sequence.SetMemoryRoomQuery([] { return TMemoryRoom{20000, QStringLiteral("the address-space limit")}; });
    store.ComputePixelSpectrum(3, 2);
    EXPECT_TRUE(store.SpectrumValid(2, 3));
    EXPECT_EQ(store.RowsHeld(), 1);
    store.ComputePixelSpectrum(9, 2);  // the same row: nothing more
    EXPECT_EQ(store.RowsHeld(), 1);

    // The sweep needs all 8 rows: block 65536 + spectra 132096 = 197632 against the room plus
    // what is held (20000 + 65536 + 16512 = 102048).
    try {
        store.ColorizeSweep(nullptr);
        FAIL() << "no refusal";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The frame block (65.5 kB) with the spectra of 8 rows of 16 pixels "
                                              "over 256 frames (132.1 kB) needs 197.6 kB of memory, but only "
                                              "102.0 kB are left within the address-space limit"));
    }
    EXPECT_EQ(store.RowsHeld(), 1);
    EXPECT_TRUE(store.SpectrumValid(2, 3));

    sequence.SetMemoryRoomQuery(MemoryRoom);
    store.ColorizeSweep(nullptr);
    EXPECT_EQ(store.RowsHeld(), 8);
    // A new frame size lets go of every row.
    sequence.SetImageWidth(4);
    EXPECT_EQ(store.RowsHeld(), 0);
}
