// The waveform export into a sample file: its bytes, its items, long sequences and failures.
#include "export/io/WaveformExport.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::unique_ptr<TSequence> OpenFrames(const TScratch& scratch, int32_t width, int32_t frames, const char* rate,
                                      const std::function<uint8_t(int32_t, int32_t, int32_t)>& value)
{
    const QString bld = WriteFrames(scratch, QStringLiteral("run3.bld"), width, 2, frames, value);
    scratch.WriteText(QStringLiteral("run3.par"),
                      QStringLiteral("RESOLUTION: %1x2\nFRAMES/S: %2\nFRAMES: %3\n").arg(width).arg(rate).arg(frames));
    auto sequence = std::make_unique<TSequence>();
    sequence->SetFileName(bld);
    sequence->ReadSequenceFiles();
    return sequence;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList FilesIn(const TScratch& scratch)
{
    return QDir(scratch.Path(QString())).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST(WaveformExport, WritesOneSamplePerFrameAfterTheHeaderBlock)
{
    TScratch scratch;
    // Pixel (x 1, y 0): 255, 1, 0 over three frames; every other pixel 9.
    const uint8_t values[] = {255, 1, 0};
    auto sequence = OpenFrames(scratch, 3, 3, "12.5",
                               [&](int32_t f, int32_t y, int32_t x) { return x == 1 && y == 0 ? values[f] : 9; });
    const QString path = scratch.Path(QStringLiteral("w.smp"));
    TSMPfile smp;
    ExportWaveform(smp, *sequence, QPoint(1, 0), path);
    EXPECT_FALSE(smp.IsOpen());

    const QByteArray bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 1024 + 2 * 3);
    EXPECT_EQ(bytes.mid(1024), QByteArray("\x80\x7f\x80\x00\x00\x00", 6));
    const QByteArray text = bytes.left(bytes.indexOf('\0'));
    const QList<QByteArray> lines = text.split('\n');
    const QList<QByteArray> expected{"head=1024\r", "sftot=12.5\r", "nchans=1\r", "view0=-256,256\r",
                                     "channel0=Intensity\r", "file=samp\r", "msb=last\r", "view=-1,1\r",
                                     "range=-32768,32768\r"};
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines.mid(0, 9), expected);
    EXPECT_TRUE(lines[9].startsWith("date=") && lines[9].size() > 6);
    EXPECT_EQ(lines[10], "=\r");
    EXPECT_EQ(lines[11], ("From " + sequence->Header().FileName + " x:1 y:0\r").toUtf8());
    EXPECT_EQ(lines[12], "");
    EXPECT_EQ(bytes.mid(text.size(), 3), QByteArray("\x00\x04\x1a", 3));
}

TEST(WaveformExport, ASequenceLongerThanAChunkIsOneWaveformAndTheBlockStaysPut)
{
    TScratch scratch;
    const int32_t frames = 16384 + 3;
    auto sequence = OpenFrames(scratch, 1, frames, "50", [](int32_t f, int32_t, int32_t) { return uint8_t(f % 251); });
    sequence->LoadFrames(700);
    const QString path = scratch.Path(QStringLiteral("long.smp"));
    TSMPfile smp;
    ExportWaveform(smp, *sequence, QPoint(0, 1), path);
    EXPECT_EQ(sequence->FirstCachedFrame(), 700);

    const QByteArray bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 1024 + 2 * frames);
    EXPECT_TRUE(bytes.contains("\r\nsftot=50\r\n"));
    for (const int32_t f : {0, 16383, 16384, frames - 1}) {
        const int sample = uint8_t(bytes[1024 + 2 * f]) | uint8_t(bytes[1025 + 2 * f]) << 8;
        EXPECT_EQ(sample, f % 251 * 128) << "frame " << f;
    }
}

TEST(WaveformExport, FailuresAreRaisedAndLeaveNoFile)
{
    TScratch scratch;
    auto sequence = OpenFrames(scratch, 3, 4, "1000", PatternValue);
    TSMPfile smp;
    const QString nowhere = scratch.Path(QStringLiteral("missing/w.smp"));
    try {
        ExportWaveform(smp, *sequence, QPoint(0, 0), nowhere);
        ADD_FAILURE() << "no error for a folder that does not exist";
    } catch (const EError& e) {
        EXPECT_TRUE(e.Message().contains(nowhere)) << e.Message().toStdString();
    }
    const QString outside = scratch.Path(QStringLiteral("o.smp"));
    EXPECT_THROW(ExportWaveform(smp, *sequence, QPoint(3, 0), outside), EError);
    EXPECT_THROW(ExportWaveform(smp, *sequence, QPoint(0, -1), outside), EError);
    EXPECT_FALSE(QFile::exists(outside));
}

TEST(WaveformExport, DefaultNameInsertsThePointBeforeTheExtension)
{
    EXPECT_EQ(DefaultSampleFileName(QStringLiteral("/data/run3.bld"), QPoint(120, 45)),
              QStringLiteral("/data/run3120_45.smp"));
    EXPECT_EQ(DefaultSampleFileName(QStringLiteral("/data/a.b.bld"), QPoint(0, 7)), QStringLiteral("/data/a.b0_7.smp"));
    // No extension: appended; a dot in a folder name is no extension.
    EXPECT_EQ(DefaultSampleFileName(QStringLiteral("/data/run.v2/seq"), QPoint(1, 2)),
              QStringLiteral("/data/run.v2/seq1_2.smp"));
}

// The old file stays whole until the new one is complete: a write that fails half-way (a file size
// limit, as on a full disk), a stop asked for, and SIGINT all leave it byte for byte and no
// temporary file beside it.
TEST(WaveformExport, AnOldFileSurvivesAFailureAStopAndSigint)
{
    TScratch scratch;
    auto sequence = OpenFrames(scratch, 1, 40000, "1000", PatternValue);
    const QByteArray old = "head=1024\r\n=\r\nthe old file\r\n";
    const QString target = scratch.Write(QStringLiteral("old.smp"), old);
    const QStringList before = FilesIn(scratch);

    const int limited = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{20000, 20000};  // the file needs 1024 + 80000 bytes
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 10;
        TSMPfile smp;
        try {
            ExportWaveform(smp, *sequence, QPoint(0, 0), target);
        } catch (const EInOutError& e) {
            if (e.Message().contains(target) && e.Message().contains(QStringLiteral("File too large")))
                return 0;
            std::fprintf(stderr, "%s\n", e.what());
            return 11;
        }
        return 12;
    });
    EXPECT_EQ(limited, 0);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(FilesIn(scratch), before);

    TSMPfile smp;
    int calls = 0;
    EXPECT_FALSE(ExportWaveform(smp, *sequence, QPoint(0, 0), target, [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, 40000);
        EXPECT_EQ(done, 16384);  // after the first chunk
        return ++calls < 1;
    }));
    EXPECT_FALSE(smp.IsOpen());
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(FilesIn(scratch), before);

    // SIGINT in the middle of the export ends the process as it would; the old file stays.
    const int interrupted = RunInChild([&] {
        TSMPfile inChild;
        ExportWaveform(inChild, *sequence, QPoint(0, 0), target, [](int64_t, int64_t) {
            ::raise(SIGINT);
            return true;
        });
        return 0;
    });
    EXPECT_EQ(interrupted, 128 + SIGINT);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(FilesIn(scratch), before);
}

// A finished export replaces the old file as every other output does: its permissions stay, and
// through a symbolic link the file it names is replaced while the link stays a link.
TEST(WaveformExport, TheNewFileKeepsTheOldModeAndWritesThroughALink)
{
    TScratch scratch;
    auto sequence = OpenFrames(scratch, 2, 5, "100", PatternValue);
    const QString readOnly = scratch.Write(QStringLiteral("ro.smp"), "old");
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    TSMPfile smp;
    ASSERT_TRUE(ExportWaveform(smp, *sequence, QPoint(1, 1), readOnly));
    EXPECT_EQ(ReadAll(readOnly).size(), 1024 + 2 * 5);
    EXPECT_EQ(ModeOf(readOnly), 0444u);

    const QString real = scratch.Write(QStringLiteral("real.smp"), "old");
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    const QString link = scratch.Path(QStringLiteral("link.smp"));
    ASSERT_EQ(::symlink("real.smp", QFile::encodeName(link).constData()), 0);
    ASSERT_TRUE(ExportWaveform(smp, *sequence, QPoint(0, 1), link));
    EXPECT_EQ(ReadAll(real).size(), 1024 + 2 * 5);
    EXPECT_EQ(ModeOf(real), 0640u);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(link).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(FilesIn(scratch), QStringList({"link.smp", "real.smp", "ro.smp", "run3.bld", "run3.par"}));
}

// The size is known before anything is written, in 64 bits: a header that declares 2^31 - 1
// frames asks for 1024 + 2 * 2147483647 bytes, refused when the file system has less room.
TEST(WaveformExport, ALargerFileThanTheFreeSpaceIsRefusedNamingBoth)
{
    TSMPfile smp;
    EXPECT_EQ(SampleFileBytes(smp, 2147483647), int64_t(4294968318));
    EXPECT_EQ(SampleFileBytes(smp, 0), 1024);
    try {
        CheckRoomForFile(QStringLiteral("/data/a.smp"), int64_t(4294968318), 1500000);
        ADD_FAILURE() << "not refused";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Cannot write \"/data/a.smp\": it needs 4.3 GB, but only 1.5 MB are free on its file system"));
    }
    EXPECT_NO_THROW(CheckRoomForFile(QStringLiteral("/data/a.smp"), 1500000, 1500000));
    EXPECT_NO_THROW(CheckRoomForFile(QStringLiteral("/data/a.smp"), 1500001, -1));  // the system does not say
}
