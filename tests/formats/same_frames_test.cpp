// One synthetic sequence written as raw frames and in every format of the build gives the same
// frame blocks, including the frames past the recording's end.
#include "FormatTestSupport.h"
#include "support/TestSupport.h"
#include "analysis/Kymogram.h"
#include "analysis/SpectrumStore.h"
#include "viewer/io/Sequence.h"
#include "viewer/io/formats/AllFormats.h"
#include "viewer/io/formats/photron/PhotronSource.h"

#include <gtest/gtest.h>
#if TREMAX_HAVE_VIDEO
#include "VideoTestFiles.h"
#include "viewer/io/formats/video/VideoSource.h"
#endif
#if TREMAX_HAVE_TIFF
#include "TiffTestFiles.h"
#include "viewer/io/formats/tiff/TiffSource.h"
#endif

namespace {

constexpr int32_t kWidth = 10;
constexpr int32_t kHeight = 7;
constexpr int32_t kFrames = 20;

class SameFramesTest : public ::testing::Test {
protected:
    SameFramesTest() { bld = WriteFrames(scratch, QStringLiteral("s.bld"), kWidth, kHeight, kFrames, PatternValue); }

    // Every frame's samples, in file order.
    template <class Sample>
    std::vector<uint32_t> Samples(Sample sample) const
    {
        std::vector<uint32_t> samples;
        for (int32_t f = 0; f < kFrames; ++f)
            for (int32_t y = 0; y < kHeight; ++y)
                for (int32_t x = 0; x < kWidth; ++x)
                    samples.push_back(sample(PatternValue(f, y, x), f));
        return samples;
    }

    void WriteMraw(const QString& base, int bits, const QByteArray& data)
    {
        scratch.WriteText(base + QStringLiteral(".cih"),
                          QStringLiteral("Image Width : %1\nImage Height : %2\nColor Bit : %3\nTotal Frame : %4\n")
                              .arg(kWidth)
                              .arg(kHeight)
                              .arg(bits)
                              .arg(kFrames));
        scratch.Write(base + QStringLiteral(".mraw"), data);
    }

    // Blocks across the end of the recording, from its start and from inside it.
    void ExpectSameBlocks(const TFrameSource& source) const
    {
        for (const int32_t first : {0, 3, 19})
            EXPECT_EQ(ReadBlock(source, first, 6, kWidth, kHeight), ReadRawBlock(bld, first, 6, kWidth, kHeight))
                << source.FileName().toStdString() << " from frame " << first;
    }

    TScratch scratch;
    QString bld;
};

}  // namespace

TEST_F(SameFramesTest, PhotronEightTwelveAndSixteenBit)
{
    QByteArray eight;
    for (uint32_t v : Samples([](uint8_t v, int32_t) { return v; }))
        eight.append(char(v));
    WriteMraw(QStringLiteral("m8"), 8, eight);
    // The low bits below the top 8 vary and must not show.
    WriteMraw(QStringLiteral("m12"), 12, PackMsbFirst(Samples([](uint8_t v, int32_t f) { return v << 4 | (f & 15); }), 12));
    QByteArray sixteen;
    for (uint32_t v : Samples([](uint8_t v, int32_t f) { return v << 8 | (f * 13 & 255); }))
        sixteen.append(char(v & 0xFF)).append(char(v >> 8));
    WriteMraw(QStringLiteral("m16"), 16, sixteen);
    for (const char* name : {"m8.mraw", "m12.cih", "m16.mraw"}) {
        TPhotronSource source(scratch.Path(QLatin1String(name)));
        TRecordingTarget target;
        source.ReadHeader(target);
        ExpectSameBlocks(source);
    }
}

// Opened as the program opens them, the raw frames and their 12-bit Photron copy give the same
// spectra and the same kymogram.
TEST_F(SameFramesTest, APhotronCopyGivesTheRawFramesSpectraAndKymogram)
{
    scratch.WriteText(QStringLiteral("s.par"), QStringLiteral("RESOLUTION: %1x%2\nFRAMES: %3\n").arg(kWidth).arg(kHeight).arg(kFrames));
    WriteMraw(QStringLiteral("m12"), 12, PackMsbFirst(Samples([](uint8_t v, int32_t f) { return v << 4 | (f & 15); }), 12));
    TFrameSourceFactory formats;
    RegisterOptionalFormats(formats);
    struct TOpened {
        TSequence sequence;
        TSpectrumStore spectra{sequence};
        QImage kymogram;
        TOpened(const TFrameSourceFactory& formats, const QString& path) : sequence(nullptr, &formats)
        {
            sequence.SetFileName(path);
            sequence.ReadSequenceFiles();
            spectra.ComputePixelSpectrum(4, 3);
            TKymogramSettings settings;
            settings.row = 3;
            settings.span = KymogramSpanOf(0, kFrames - 1);
            TKymogramBuilder().Build(sequence, settings, kymogram);
        }
    };
    const TOpened raw(formats, bld);
    const TOpened photron(formats, scratch.Path(QStringLiteral("m12.cih")));
    ASSERT_EQ(photron.sequence.Width(), kWidth);
    ASSERT_TRUE(raw.spectra.SpectrumValid(3, 4));
    for (int32_t bin = 0; bin < raw.spectra.Bins(); ++bin) {
        EXPECT_EQ(photron.spectra.Power(bin, 3, 4), raw.spectra.Power(bin, 3, 4)) << "bin " << bin;
        EXPECT_EQ(photron.spectra.Phase(bin, 3, 4), raw.spectra.Phase(bin, 3, 4)) << "bin " << bin;
    }
    EXPECT_EQ(photron.kymogram, raw.kymogram);
}

#if TREMAX_HAVE_TIFF
TEST_F(SameFramesTest, TiffEightBitStripsAndSixteenBitCompressedStrips)
{
    TTiffPages eight;
    eight.width = kWidth;
    eight.height = kHeight;
    eight.pages = kFrames;
    eight.sample = [](int32_t f, int32_t y, int32_t x) { return uint32_t(PatternValue(f, y, x)); };
    ASSERT_TRUE(WriteTiff(scratch.Path(QStringLiteral("t8.tif")), eight));
    TTiffPages sixteen = eight;
    sixteen.bits = 16;
    sixteen.rowsPerStrip = 4;  // the last strip is short
    sixteen.compression = COMPRESSION_LZW;
    sixteen.sample = [](int32_t f, int32_t y, int32_t x) { return uint32_t(PatternValue(f, y, x)) << 8 | uint32_t(y * 37 & 255); };
    ASSERT_TRUE(WriteTiff(scratch.Path(QStringLiteral("t16.tiff")), sixteen));
    for (const char* name : {"t8.tif", "t16.tiff"}) {
        TTiffSource source(scratch.Path(QLatin1String(name)));
        TRecordingTarget target;
        source.ReadHeader(target);
        ExpectSameBlocks(source);
    }
}
#endif

#if TREMAX_HAVE_VIDEO
TEST_F(SameFramesTest, LosslessVideoIntraOnlyWithKeyFramesApartAndUncompressed)
{
    if (FfmpegTool().isEmpty())
        GTEST_SKIP() << "no ffmpeg tool to make videos with";
    const QStringList codecs[] = {{"-c:v", "ffv1", "-g", "1", "-pix_fmt", "gray"},
                                  {"-c:v", "ffv1", "-g", "8", "-pix_fmt", "gray"},
                                  {"-c:v", "rawvideo", "-pix_fmt", "gray"}};
    const char* names[] = {"v1.mkv", "v8.avi", "raw.avi"};
    for (int i = 0; i < 3; ++i) {
        const QString video = scratch.Path(QLatin1String(names[i]));
        ASSERT_TRUE(EncodeGreyVideo(bld, kWidth, kHeight, 250, codecs[i], video)) << names[i];
        TVideoSource source(video);
        TRecordingTarget target;
        source.ReadHeader(target);
        ExpectSameBlocks(source);
    }
}
#endif
