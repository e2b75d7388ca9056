// The companion library's blocks and header functions, and the global atoms, within one process
// (a block is named by its handle, so another process reads it the same way).
#include "LinkTestSupport.h"
#include "platform/GlobalAtoms.h"
#include "sonellib/sonellib32.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(CompanionLibrary, BlocksCopyWithinTheirSizeOnly)
{
    const uint32_t block = SonelAlloc(24);
    ASSERT_NE(block, 0u);
    ASSERT_LE(block, 0xFFFFu);
    const double written[3] = {0.0, 1.0, 0.1};
    EXPECT_EQ(SonelPut(block, written, 24), 1);
    double read[3] = {};
    EXPECT_EQ(SonelGet(block, read, 24), 1);
    EXPECT_EQ(std::memcmp(read, written, 24), 0);

    char big[25] = {};
    EXPECT_EQ(SonelGet(block, big, 25), 0);  // one byte more than the block
    EXPECT_EQ(SonelPut(block, big, 25), 0);
    EXPECT_EQ(SonelGet(block, read, 24), 1);
    EXPECT_EQ(read[2], 0.1);  // the refused write changed nothing

    SonelFree(block);
    EXPECT_EQ(SonelGet(block, read, 8), 0);
    EXPECT_EQ(SonelGet(0, read, 8), 0);
    EXPECT_EQ(SonelGet(0x12345, read, 8), 0);  // not a 16-bit handle
    EXPECT_TRUE(LeftoverSharedMemory().isEmpty()) << LeftoverSharedMemory().join(' ').toStdString();
}

TEST(CompanionLibrary, BlocksOfAProcessThatDiedAreSweptAway)
{
    TSharedSegments blocks("blk", 1, 0xFFFF);
    const pid_t child = fork();
    if (child == 0) {
        TSharedSegments own("blk", 1, 0xFFFF);
        _exit(own.Create(nullptr, 16) != 0 ? 0 : 1);  // never freed
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(LeftoverSharedMemory().size(), 1);
    EXPECT_EQ(blocks.RemoveStale(), 1);
    EXPECT_TRUE(LeftoverSharedMemory().isEmpty());
    // A live block is kept (its maker holds it).
    const uint16_t ours = blocks.Create(nullptr, 8);
    ASSERT_NE(ours, 0);
    EXPECT_EQ(blocks.RemoveStale(), 0);
    EXPECT_EQ(LeftoverSharedMemory(), QStringList{QString::fromStdString(blocks.Name(ours).substr(1))});
    EXPECT_TRUE(blocks.Remove(ours));
    EXPECT_TRUE(LeftoverSharedMemory().isEmpty());
}

TEST(GlobalAtoms, ShortTextsOnlyAndNeverCut)
{
    TGlobalAtoms atoms;
    const uint16_t atom = atoms.AddAtom(QStringLiteral("hspsync=2.048"));
    ASSERT_GE(atom, 0xC000);
    QString text;
    EXPECT_TRUE(atoms.AtomName(atom, text));
    EXPECT_EQ(text, QStringLiteral("hspsync=2.048"));
    EXPECT_FALSE(atoms.AtomName(atom, text, 12));  // does not fit: refused, not cut
    atoms.DeleteAtom(atom);
    EXPECT_FALSE(atoms.AtomName(atom, text));

    EXPECT_NE(atoms.AddAtom(QString(255, QLatin1Char('x'))), 0);
    EXPECT_EQ(atoms.AddAtom(QString(256, QLatin1Char('x'))), 0);
    EXPECT_EQ(atoms.AddAtom(QString()), 0);
    // 255 characters of two UTF-8 bytes each still fit.
    const uint16_t wide = atoms.AddAtom(QString(255, QChar(0x00E9)));
    ASSERT_NE(wide, 0);
    EXPECT_TRUE(atoms.AtomName(wide, text));
    EXPECT_EQ(text.size(), 255);
    for (const QString& name : LeftoverSharedMemory())
        atoms.DeleteAtom(uint16_t(name.right(4).toUInt(nullptr, 16)));
    EXPECT_TRUE(LeftoverSharedMemory().isEmpty());
}

class HeaderFunctions : public ::testing::Test {
protected:
    // The value of `item` in a file, through LoadHeader and GetHeaderValue; "<none>" when the
    // file has no header, "<missing>" when the item is not there.
    std::string Value(const QString& path, const char* item, int32_t size = 255)
    {
        const int fd = open(QFile::encodeName(path).constData(), O_RDONLY);
        void* header = LoadHeader(fd);
        if (fd >= 0)
            close(fd);
        if (!header)
            return "<none>";
        std::string buffer(size_t(size), 'x');
        const bool found = GetHeaderValue(header, item, buffer.data(), size) != 0;
        std::free(header);
        return found ? std::string(buffer.c_str()) : buffer[0] == '\0' ? "<missing>" : "<dirty>";
    }

    QTemporaryDir dir;
};

TEST_F(HeaderFunctions, ItemsByNameIgnoringCase)
{
    const QString path = dir.filePath(QStringLiteral("s.smp"));
    WriteSampleFile(path, {QStringLiteral("hspsync=2.048"), QStringLiteral("channel0=Gr\u00fc\u00dfe"),
                           QStringLiteral("Mode=a"), QStringLiteral("MODE=b")});
    EXPECT_EQ(Value(path, "HSPSYNC"), "2.048");
    EXPECT_EQ(Value(path, "channel0"), "Gr\u00fc\u00dfe");  // CP850 in the file, UTF-8 here
    EXPECT_EQ(Value(path, "mode"), "b");  // the last of that name, any case
    EXPECT_EQ(Value(path, "nothere"), "<missing>");
    // "2.048" needs six bytes with its NUL: five are refused, never cut to "2.04".
    EXPECT_EQ(Value(path, "hspsync", 5), "<missing>");
    EXPECT_EQ(Value(path, "hspsync", 6), "2.048");
}

TEST_F(HeaderFunctions, NoHeaderFromEmptyFilesFoldersOrNothing)
{
    const QString empty = dir.filePath(QStringLiteral("empty.smp"));
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_EQ(Value(empty, "head"), "<none>");
    EXPECT_EQ(Value(dir.path(), "head"), "<none>");  // a folder
    EXPECT_EQ(LoadHeader(-1), nullptr);
    char buffer[8] = "x";
    EXPECT_EQ(GetHeaderValue(nullptr, "head", buffer, 8), 0);
    EXPECT_EQ(buffer[0], '\0');
    const uint32_t garbage[4] = {1, 2, 3, 4};
    EXPECT_EQ(GetHeaderValue(garbage, "head", buffer, 8), 0);
}

}  // namespace
