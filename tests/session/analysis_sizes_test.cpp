// The "Settings" dialog's rule over the session's real sequence and spectrum store.
#include "analysis/SpectrumStore.h"
#include "platform/Errors.h"
#include "support/TestDoubles.h"
#include "support/TestSupport.h"
#include "viewer/session/ViewerSession.h"

#include <gtest/gtest.h>

namespace {

struct TViewer {
    TViewer()
    {
        bld = WriteFrames(scratch, QStringLiteral("s.bld"), 16, 8, 600, PatternValue);
        scratch.WriteText(QStringLiteral("s.par"), QStringLiteral("test\nRESOLUTION: 16x8\nFRAMES/S: 2000\nFRAMES: 600\n"));
        session.OpenSequence(bld);
    }
    QString Failure(const QString& length, const QString& cache)
    {
        try {
            ApplyAnalysisSizes(session, length, cache);
        } catch (const EError& e) {
            return e.Message();
        }
        return {};
    }
    TScratch scratch;
    QString bld;
    TFakeClock clock;
    TViewerSession session{clock};
    const TSequence& sequence = session.Sequence();
    const TSpectrumStore& store = session.Spectra();
};

}  // namespace

TEST(AnalysisSizes, LengthThreeHundredGivesFFTLength512AndARowSpectrum256Wide)
{
    TViewer viewer;
    ApplyAnalysisSizes(viewer.session, QStringLiteral("300"), QStringLiteral("512"));
    EXPECT_EQ(viewer.store.SpectrumLength(), 300);
    EXPECT_EQ(viewer.store.FFTLength(), 512);
    QImage rows;
    viewer.session.DrawRowSpectrum(rows);
    EXPECT_EQ(rows.width(), 256);
    EXPECT_EQ(rows.height(), 8);
}

TEST(AnalysisSizes, ACacheOf2000IsBackTo512AfterAnOpenButNeverBelowTheLength)
{
    TViewer viewer;
    ApplyAnalysisSizes(viewer.session, QStringLiteral("256"), QStringLiteral("2000"));
    EXPECT_EQ(viewer.sequence.CacheSize(), 2000);
    viewer.session.OpenSequence(viewer.bld);
    EXPECT_EQ(viewer.sequence.CacheSize(), 512);
    ApplyAnalysisSizes(viewer.session, QStringLiteral("1024"), QStringLiteral("2000"));
    viewer.session.OpenSequence(viewer.bld);
    EXPECT_EQ(viewer.sequence.CacheSize(), 1024);
    EXPECT_EQ(viewer.store.SpectrumLength(), 1024);
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
