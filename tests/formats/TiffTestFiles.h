#pragma once
// TIFF files for the tests: written with libtiff, or put together byte by byte where a file must
// be broken in a particular way.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <functional>
#include <tiffio.h>
#include <vector>

struct TTiffPages {
    int32_t width = 0;
    int32_t height = 0;
    int32_t pages = 0;
    int bits = 8;
    uint32_t tile = 0;          // tile side; 0 for strips
    uint32_t rowsPerStrip = 3;
    uint16_t compression = COMPRESSION_NONE;
    bool bigEndian = false;
    uint16_t maxSample = 0;     // written when not 0
    const char* description = nullptr;
    std::function<uint32_t(int32_t, int32_t, int32_t)> sample;  // (page, row, column)
};

// Writes the pages with libtiff; false when libtiff refuses.
inline bool WriteTiff(const QString& path, const TTiffPages& p)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), p.bigEndian ? "wb" : "wl");
    if (!tif)
        return false;
    const size_t sampleBytes = size_t(p.bits / 8);
    bool ok = true;
    for (int32_t page = 0; page < p.pages && ok; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(p.width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(p.height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(p.bits));
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
        if (p.maxSample)
            TIFFSetField(tif, TIFFTAG_MAXSAMPLEVALUE, p.maxSample);
        if (p.description && page == 0)
            TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, p.description);
        auto put = [&](uint8_t* at, int32_t row, int32_t column) {
            const uint32_t v = p.sample(page, row, column);
            if (p.bits == 8)
                *at = uint8_t(v);
            else
                *reinterpret_cast<uint16_t*>(at) = uint16_t(v);  // libtiff takes machine order
        };
        if (p.tile) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile);
            std::vector<uint8_t> tile(size_t(p.tile) * p.tile * sampleBytes);
            for (uint32_t top = 0; top < uint32_t(p.height); top += p.tile)
                for (uint32_t left = 0; left < uint32_t(p.width); left += p.tile) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (uint32_t r = 0; r < p.tile && top + r < uint32_t(p.height); ++r)
                        for (uint32_t c = 0; c < p.tile && left + c < uint32_t(p.width); ++c)
                            put(&tile[(r * p.tile + c) * sampleBytes], int32_t(top + r), int32_t(left + c));
                    ok = ok && TIFFWriteTile(tif, tile.data(), left, top, 0, 0) >= 0;
                }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rowsPerStrip);
            std::vector<uint8_t> row(size_t(p.width) * sampleBytes);
            for (int32_t y = 0; y < p.height; ++y) {
                for (int32_t x = 0; x < p.width; ++x)
                    put(&row[size_t(x) * sampleBytes], y, x);
                ok = ok && TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) >= 0;
            }
        }
        ok = ok && TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
    return ok;
}

// A little-endian 8-bit grey page of one-row strips, laid out by hand: header, directory, the
// strip tables, then the strips' bytes. `offsets` may point anywhere (past the end, for one).
inline QByteArray HandMadeTiff(uint32_t width, uint16_t compression, const std::vector<QByteArray>& strips,
                               std::vector<uint32_t> offsets = {})
{
    const uint32_t rows = uint32_t(strips.size());
    const uint16_t entries = 9;
    const uint32_t tables = 8 + 2 + entries * 12 + 4;
    uint32_t data = tables + 8 * rows;
    if (offsets.empty())
        for (const QByteArray& strip : strips) {
            offsets.push_back(data);
            data += uint32_t(strip.size());
        }
    QByteArray out("II*\0", 4);
    auto u16 = [&](uint32_t v) { out.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(tag); u16(type); u32(count);
        if (type == 3 && count == 1) { u16(value); u16(0); } else { u32(value); }
    };
    u32(8);
    u16(entries);
    entry(256, 4, 1, width);
    entry(257, 4, 1, rows);
    entry(258, 3, 1, 8);
    entry(259, 3, 1, compression);
    entry(262, 3, 1, 1);
    entry(273, 4, rows, rows == 1 ? offsets[0] : tables);
    entry(277, 3, 1, 1);
    entry(278, 4, 1, 1);
    entry(279, 4, rows, rows == 1 ? uint32_t(strips[0].size()) : tables + 4 * rows);
    u32(0);
    for (uint32_t o : offsets)
        u32(o);
    for (const QByteArray& strip : strips)
        u32(uint32_t(strip.size()));
    for (const QByteArray& strip : strips)
        out.append(strip);
    return out;
}
