// The "Settings" dialog's rule over the real sequence and spectrum store.
#include "analysis/SequenceAnalysisSizes.h"
#include "analysis/SpectrumStore.h"
#include "platform/Errors.h"
#include "support/TestSupport.h"
#include "viewer/Sequence.h"

#include <gtest/gtest.h>

namespace {

struct TViewer {
    TViewer()
    {
        const QString bld = WriteFrames(scratch, QStringLiteral("s.bld"), 16, 8, 600, PatternValue);
        scratch.WriteText(QStringLiteral("s.par"), QStringLiteral("test\nRESOLUTION: 16x8\nFRAMES/S: 2000\nFRAMES: 600\n"));
        sequence.SetFileName(bld);
        sequence.ReadSequenceFiles();
    }
    QString Failure(const QString& length, const QString& cache)
    {
        try {
            ApplyAnalysisSizes(sizes, length, cache);
        } catch (const EError& e) {
            return e.Message();
        }
        return {};
    }
    TScratch scratch;
    TSequence sequence;
    TSpectrumStore store{sequence};
    TSequenceAnalysisSizes sizes{sequence, store};
};

}  // namespace

TEST(AnalysisSizes, LengthThreeHundredGivesFFTLength512AndARowSpectrum256Wide)
{
    TViewer viewer;
    ApplyAnalysisSizes(viewer.sizes, QStringLiteral("300"), QStringLiteral("512"));
    EXPECT_EQ(viewer.store.SpectrumLength(), 300);
    EXPECT_EQ(viewer.store.FFTLength(), 512);
    QImage rows;
    viewer.store.DrawRowSpectrum(-100, 0, rows);
    EXPECT_EQ(rows.width(), 256);
    EXPECT_EQ(rows.height(), 8);
}

TEST(AnalysisSizes, ACacheOf2000IsBackTo512AfterAnOpen)
{
    TViewer viewer;
    ApplyAnalysisSizes(viewer.sizes, QStringLiteral("256"), QStringLiteral("2000"));
    EXPECT_EQ(viewer.sequence.CacheSize(), 2000);
    viewer.sequence.ReadSequenceFiles();
    EXPECT_EQ(viewer.sequence.CacheSize(), 512);
}

TEST(AnalysisSizes, TheLengthNeverExceedsTheCache)
{
    TViewer viewer;
    // Refused as a pair, nothing applied.
    EXPECT_EQ(viewer.Failure(QStringLiteral("600"), QStringLiteral("512")),
              QStringLiteral("The FFT/kymogram size (600) must not exceed the cache size (512)"));
    EXPECT_EQ(viewer.store.SpectrumLength(), 256);
    EXPECT_EQ(viewer.sequence.CacheSize(), 512);
    // A length above the old cache but within the new one: the cache grows first.
    EXPECT_EQ(viewer.Failure(QStringLiteral("1000"), QStringLiteral("2000")), QString());
    EXPECT_EQ(viewer.store.SpectrumLength(), 1000);
    EXPECT_EQ(viewer.sequence.CacheSize(), 2000);
    // Both shrink: the length first.
    EXPECT_EQ(viewer.Failure(QStringLiteral("100"), QStringLiteral("100")), QString());
    EXPECT_EQ(viewer.store.SpectrumLength(), 100);
    EXPECT_EQ(viewer.sequence.CacheSize(), 100);
    EXPECT_EQ(viewer.store.FFTLength(), 128);
}

TEST(AnalysisSizes, ABadTextStopsWhereItIsMet)
{
    TViewer viewer;
    EXPECT_EQ(viewer.Failure(QStringLiteral("3OO"), QStringLiteral("1000")),
              QStringLiteral("'3OO' is not a valid integer value"));
    EXPECT_EQ(viewer.sequence.CacheSize(), 512);
    // The length is applied before the second text fails.
    EXPECT_EQ(viewer.Failure(QStringLiteral("300"), QStringLiteral("2k")), QStringLiteral("'2k' is not a valid integer value"));
    EXPECT_EQ(viewer.store.SpectrumLength(), 300);
    EXPECT_EQ(viewer.sequence.CacheSize(), 512);
    // The engine's own refusal.
    EXPECT_FALSE(viewer.Failure(QStringLiteral("1"), QStringLiteral("512")).isEmpty());
    EXPECT_EQ(viewer.store.SpectrumLength(), 300);
}
