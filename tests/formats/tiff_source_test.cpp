// Multipage TIFF: sample widths, byte orders, tiles, the ImageJ frame rate, and what broken or
// unsupported files give.
#include "FormatTestSupport.h"
#include "TiffTestFiles.h"
#include "support/TestSupport.h"
#include "viewer/formats/tiff/TiffSource.h"

#include <gtest/gtest.h>

namespace {

QString Reading(const QString& file, const QString& problem)
{
    return QStringLiteral("Cannot read \"%1\": %2").arg(file, problem);
}

}  // namespace

TEST(TiffSource, SixteenBitBigEndianTilesMapByMaxSampleValue)
{
    TScratch scratch;
    // 20 x 18 pixels in 16 x 16 tiles: the right and bottom tiles hang over the image. Values
    // use 12 bits (MaxSampleValue 4095), their low nibble varies and must not show.
    TTiffPages p;
    p.width = 20;
    p.height = 18;
    p.pages = 3;
    p.bits = 16;
    p.tile = 16;
    p.compression = COMPRESSION_ADOBE_DEFLATE;
    p.bigEndian = true;
    p.maxSample = 4095;
    p.description = "ImageJ=1.54f\nimages=3\nframes=3\nfinterval=0.004\nfps=7\n";
    p.sample = [](int32_t f, int32_t y, int32_t x) { return uint32_t(PatternValue(f, y, x)) << 4 | uint32_t(x & 15); };
    const QString path = scratch.Path(QStringLiteral("t.tif"));
    ASSERT_TRUE(WriteTiff(path, p));

    TTiffSource source(path);
    TRecordingTarget target;
    source.ReadHeader(target);
    EXPECT_EQ(target.calls, QStringList({"height 18", "width 20", "rate 250", "count 3"}));
    EXPECT_EQ(source.BitDepth(), 12);
    EXPECT_EQ(source.FormatName(), QStringLiteral("Multipage TIFF, 16-bit"));
    const std::vector<uint8_t> block = ReadBlock(source, 1, 3, 20, 18);
    for (int32_t y = 0; y < 18; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            ASSERT_EQ(block[size_t(y * 20 + x)], PatternValue(1, y, x)) << y << "," << x;
            ASSERT_EQ(block[size_t(360 + y * 20 + x)], PatternValue(2, y, x)) << y << "," << x;
            ASSERT_EQ(block[size_t(720 + y * 20 + x)], 127);  // past the last page
        }
    // A narrower, taller block: columns cut, the missing rows 127.
    const std::vector<uint8_t> odd = ReadBlock(source, 0, 1, 3, 19);
    EXPECT_EQ(odd[3 * 17 + 2], PatternValue(0, 17, 2));
    EXPECT_EQ(odd[3 * 18], 127);
}

TEST(TiffSource, AStripPastTheEndReads127AndAnUndecodableStripIsAnError)
{
    TScratch scratch;
    // Strip 1 lies beyond the end of the file, as in a file cut short: its row reads 127.
    const QString cut = scratch.Write(QStringLiteral("cut.tif"),
                                      HandMadeTiff(4, COMPRESSION_NONE, {"\x01\x02\x03\x04", "\x05\x06\x07\x08"},
                                                   {200, 5000}));
    QFile file(cut);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(200));
    file.write("\x11\x12\x13\x14");
    file.close();
    TTiffSource cutSource(cut);
    TRecordingTarget target;
    cutSource.ReadHeader(target);
    EXPECT_EQ(target.calls, QStringList({"height 2", "width 4", "count 1"}));
    EXPECT_EQ(ReadBlock(cutSource, 0, 1, 4, 2), std::vector<uint8_t>({0x11, 0x12, 0x13, 0x14, 127, 127, 127, 127}));

    // A deflate strip whose bytes are no deflate stream: the file is damaged.
    const QString bad = scratch.Write(QStringLiteral("bad.tif"), HandMadeTiff(4, COMPRESSION_ADOBE_DEFLATE, {"garbage!"}));
    TTiffSource badSource(bad);
    badSource.ReadHeader(target);
    try {
        ReadBlock(badSource, 0, 1, 4, 1);
        FAIL() << "a damaged strip was read";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message().startsWith(Reading(bad, QStringLiteral("page 1: ")))) << e.Message().toStdString();
    }
}

TEST(TiffSource, PagesItCannotShowAreRefusedByName)
{
    TScratch scratch;
    const QString two = scratch.Path(QStringLiteral("two.tif"));
    TTiffPages p;
    p.width = 4;
    p.height = 2;
    p.pages = 1;
    p.sample = [](int32_t, int32_t, int32_t) { return 9u; };
    ASSERT_TRUE(WriteTiff(two, p));
    // A second page of another size, appended.
    TIFF* tif = TIFFOpen(QFile::encodeName(two).constData(), "a");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 5u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    const uint8_t row[5] = {1, 2, 3, 4, 5};
    TIFFWriteScanline(tif, const_cast<uint8_t*>(row), 0, 0);
    TIFFClose(tif);
    TTiffSource source(two);
    TRecordingTarget target;
    source.ReadHeader(target);
    EXPECT_EQ(target.calls.last(), QStringLiteral("count 2"));
    try {
        ReadBlock(source, 0, 2, 4, 2);
        FAIL() << "a page of another size was read";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), Reading(two, QStringLiteral("page 2: it is 5 x 1 pixels of 8 bits, unlike the first page "
                                                           "(4 x 2 pixels of 8 bits)")));
    }

    // Colour pages, and a file that is no TIFF at all.
    const QString rgb = scratch.Path(QStringLiteral("rgb.tif"));
    tif = TIFFOpen(QFile::encodeName(rgb).constData(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 1u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    const uint8_t pixel[3] = {1, 2, 3};
    TIFFWriteScanline(tif, const_cast<uint8_t*>(pixel), 0, 0);
    TIFFClose(tif);
    TTiffSource colour(rgb);
    EXPECT_THROW(
        {
            try {
                colour.ReadHeader(target);
            } catch (const EInOutError& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("Cannot open \"%1\": only grey images are read, not 3 samples per pixel").arg(rgb));
                throw;
            }
        },
        EInOutError);
    TTiffSource text(scratch.WriteText(QStringLiteral("text.tif"), QStringLiteral("hello, this is no image")));
    EXPECT_THROW(text.ReadHeader(target), EInOutError);
}

TEST(TiffSource, RecognisedByEitherByteOrderAndBigTiff)
{
    EXPECT_TRUE(LooksLikeTiff(QByteArray("II*\0\x08\0\0\0", 8)));
    EXPECT_TRUE(LooksLikeTiff(QByteArray("MM\0*\0\0\0\x08", 8)));
    EXPECT_TRUE(LooksLikeTiff(QByteArray("II+\0\x08\0\0\0", 8)));
    EXPECT_FALSE(LooksLikeTiff(QByteArray("II*", 3)));
    EXPECT_FALSE(LooksLikeTiff(QByteArray("#Camera")));
}
