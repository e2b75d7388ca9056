// Multipage TIFF: sample widths, byte orders, tiles, the ImageJ frame rate, and what broken or
// unsupported files give.
#include "FormatTestSupport.h"
#include "TiffTestFiles.h"
#include "support/TestSupport.h"
#include "viewer/io/formats/tiff/TiffSource.h"

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

namespace {

// A little-endian 8-bit grey page of 16 x 16 pixels in one tile of the given size, by hand; the
// tile's data is `bytes` of 9.
QByteArray OneTileTiff(uint32_t tileWidth, uint32_t tileHeight, uint32_t bytes)
{
    QByteArray out("II*\0", 4);
    auto u16 = [&](uint32_t v) { out.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        u16(tag); u16(type); u32(1);
        if (type == 3) { u16(value); u16(0); } else { u32(value); }
    };
    const uint32_t data = 8 + 2 + 10 * 12 + 4;
    u32(8);
    u16(10);
    entry(256, 4, 16);
    entry(257, 4, 16);
    entry(258, 3, 8);
    entry(259, 3, 1);
    entry(262, 3, 1);
    entry(277, 3, 1);
    entry(322, 4, tileWidth);
    entry(323, 4, tileHeight);
    entry(324, 4, data);
    entry(325, 4, bytes);
    u32(0);
    out.append(QByteArray(qsizetype(bytes), char(9)));
    return out;
}

}  // namespace

// A tile is decoded whole: one far beyond its page is refused by its size before any memory is
// asked for (a crafted file asked for 4 GB for a page of 256 pixels).
TEST(TiffSource, TilesFarLargerThanThePageAreRefusedNamingTheirSize)
{
    TScratch scratch;
    const auto errorOf = [&](uint32_t tileWidth, uint32_t tileHeight) {
        const uint32_t bytes = uint64_t(tileWidth) * tileHeight <= 65536 ? tileWidth * tileHeight : 256;
        const QString path = scratch.Write(QStringLiteral("tile.tif"), OneTileTiff(tileWidth, tileHeight, bytes));
        TTiffSource source(path);
        TRecordingTarget target;
        source.ReadHeader(target);
        try {
            ReadBlock(source, 0, 1, 16, 16);
        } catch (const EInOutError& e) {
            return e.Message();
        }
        return QStringLiteral("no error");
    };
    const QString path = scratch.Path(QStringLiteral("tile.tif"));
    // 65536 * 65536 = 4294967296 bytes; 4096 * 4112 = 16842752, one row of tiles past 16 MB.
    EXPECT_EQ(errorOf(65536, 65536),
              Reading(path, QStringLiteral("page 1: its tiles of 65536 x 65536 pixels (4.3 GB) are far larger than its pages")));
    EXPECT_EQ(errorOf(4096, 4112),
              Reading(path, QStringLiteral("page 1: its tiles of 4096 x 4112 pixels (16.8 MB) are far larger than its pages")));
    // 16 MB exactly is not refused for its size (its data is short); a common tile size on a
    // small page is read.
    EXPECT_FALSE(errorOf(4096, 4096).contains(QStringLiteral("far larger")));
    EXPECT_EQ(errorOf(256, 256), QStringLiteral("no error"));
}
