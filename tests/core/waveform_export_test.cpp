// The waveform export into a sample file: its bytes, its items, long sequences and failures.
#include "export/WaveformExport.h"
#include "support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

#include <memory>

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
