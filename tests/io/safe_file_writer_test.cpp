// Writing safely: output never lands on the open sequence's files or on anything but a regular
// file, and a failed write leaves the old file as it was.
#include "export/io/BitmapFile.h"
#include "platform/Errors.h"
#include "platform/SafeFileWriter.h"
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString Refusal(const QString& target, const QStringList& protectedFiles)
{
    try {
        WriteFileSafely(target, "new", protectedFiles);
    } catch (const EInOutError& e) {
        return e.Message();
    }
    return {};
}

}  // namespace

TEST(SafeFileWriter, TheSequencesOwnFilesAreRefusedHoweverTheyAreNamed)
{
    TScratch scratch;
    scratch.WriteText(QStringLiteral("seq.par"), QStringLiteral("RESOLUTION: 4x2\n"));
    const QString bld = WriteFrames(scratch, QStringLiteral("seq.bld"), 4, 2, 3, PatternValue);
    TSequence sequence;
    sequence.SetFileName(bld);
    const QStringList own = sequence.SourceFiles();
    ASSERT_EQ(own, QStringList({bld, scratch.Path(QStringLiteral("seq.par"))}));
    const QByteArray frames = Contents(bld);

    QDir(scratch.Path(QString())).mkdir(QStringLiteral("sub"));
    ASSERT_EQ(::symlink("seq.bld", QFile::encodeName(scratch.Path(QStringLiteral("link.bmp"))).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(bld).constData(), QFile::encodeName(scratch.Path(QStringLiteral("hard.bmp"))).constData()), 0);
    for (const QString& name : {QStringLiteral("seq.bld"), QStringLiteral("sub/../seq.bld"), QStringLiteral("link.bmp"),
                                QStringLiteral("hard.bmp"), QStringLiteral("seq.par")}) {
        const QString message = Refusal(scratch.Path(name), own);
        EXPECT_TRUE(message.contains(QStringLiteral("which the open sequence is read from"))) << name.toStdString();
    }
    EXPECT_EQ(Contents(bld), frames);
    EXPECT_EQ(Contents(scratch.Path(QStringLiteral("seq.par"))), QByteArray("RESOLUTION: 4x2\n"));
}

TEST(SafeFileWriter, FoldersFifosAndDevicesAreRefusedAndLinksStayLinks)
{
    TScratch scratch;
    QDir(scratch.Path(QString())).mkdir(QStringLiteral("folder.bmp"));
    const QString fifo = scratch.Path(QStringLiteral("pipe.bmp"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(Refusal(scratch.Path(QStringLiteral("folder.bmp")), {}),
              QStringLiteral("Cannot write \"%1\": it is a folder, not a file").arg(scratch.Path(QStringLiteral("folder.bmp"))));
    EXPECT_EQ(Refusal(fifo, {}), QStringLiteral("Cannot write \"%1\": it is a FIFO (named pipe), not a file").arg(fifo));
    // A device node of the test's own (made where the test may, as root in CI), checked by the
    // target check alone: a broken refusal must never write to a device, let alone replace one.
    const QString device = scratch.Path(QStringLiteral("device.bmp"));
    if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0600, ::makedev(1, 3)) == 0) {
        try {
            CheckOutputTarget(device);
            ADD_FAILURE() << "a device node was taken for a file";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Cannot write \"%1\": it is a device, not a file").arg(device));
        }
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // Through a symbolic link the file it names is replaced; the link stays, with its mode kept.
    const QString real = scratch.WriteText(QStringLiteral("real.csv"), QStringLiteral("old"));
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_EQ(::symlink("real.csv", QFile::encodeName(scratch.Path(QStringLiteral("alias.csv"))).constData()), 0);
    WriteFileSafely(scratch.Path(QStringLiteral("alias.csv")), "new");
    EXPECT_EQ(Contents(real), QByteArray("new"));
    ASSERT_EQ(::lstat(QFile::encodeName(scratch.Path(QStringLiteral("alias.csv"))).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(scratch.Path(QString())).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".real")),
              QStringList());  // no temporary file left
}

TEST(SafeFileWriter, AFailedWriteLeavesTheOldFileAndGivesTheSystemsReason)
{
    TScratch scratch;
    const QString target = scratch.WriteText(QStringLiteral("table.csv"), QStringLiteral("old table"));
    // A file size limit of 1 KB: the write of 5000 bytes fails with EFBIG.
    const int status = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        try {
            WriteFileSafely(target, QByteArray(5000, 'x'));
        } catch (const EInOutError& e) {
            return e.Message() == QStringLiteral("Cannot write \"%1\": File too large").arg(target) ? 0 : 11;
        }
        return 12;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Contents(target), QByteArray("old table"));
    EXPECT_EQ(QDir(scratch.Path(QString())).entryList(QDir::Hidden | QDir::Files), QStringList({QStringLiteral("table.csv")}));

    // An image whose name says neither format: nothing written at all.
    EXPECT_THROW(SaveImageFile(QImage(2, 2, QImage::Format_RGB888), scratch.Path(QStringLiteral("x.jpg"))), EInOutError);
    EXPECT_FALSE(QFile::exists(scratch.Path(QStringLiteral("x.jpg"))));
    // A folder that does not exist: the system's reason.
    EXPECT_EQ(Refusal(scratch.Path(QStringLiteral("none/x.csv")), {}),
              QStringLiteral("Cannot write \"%1\": No such file or directory").arg(scratch.Path(QStringLiteral("none/x.csv"))));
}
