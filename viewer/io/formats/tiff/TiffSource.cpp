#include "viewer/io/formats/tiff/TiffSource.h"

#include "platform/Conversions.h"
#include "platform/SystemMemory.h"
#include "viewer/io/FormatSupport.h"

#include <QFileInfo>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <tiffio.h>

namespace {

// The largest tile read for a page smaller than it (see ReadTiles).
constexpr int64_t kMaxTileBytes = int64_t(16) << 20;

// One libtiff handle for one operation, keeping libtiff's last error for our messages instead of
// letting it print.
class TTiffFile {
public:
    explicit TTiffFile(const QString& path) : path_(path), options_(TIFFOpenOptionsAlloc())
    {
        TIFFOpenOptionsSetErrorHandlerExtR(options_, &TTiffFile::OnError, this);
        TIFFOpenOptionsSetWarningHandlerExtR(options_, &TTiffFile::OnWarning, this);
        // "m": read, not map: a file cut short while mapped must not bring the program down.
        tif_ = TIFFOpenExt(QFile::encodeName(path).constData(), "rm", options_);
        if (!tif_) {
            TIFFOpenOptionsFree(options_);
            throw EInOutError(CannotOpen(path, error_.isEmpty() ? QStringLiteral("not a TIFF file") : error_));
        }
    }
    ~TTiffFile()
    {
        TIFFClose(tif_);
        TIFFOpenOptionsFree(options_);
    }
    TTiffFile(const TTiffFile&) = delete;
    TTiffFile& operator=(const TTiffFile&) = delete;

    TIFF* operator*() const { return tif_; }
    QString TakeError()
    {
        QString error = error_.isEmpty() ? QStringLiteral("libtiff cannot read it") : error_;
        error_.clear();
        return error;
    }

private:
    static int OnError(TIFF*, void* user, const char*, const char* format, va_list args)
    {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        static_cast<TTiffFile*>(user)->error_ = QString::fromLocal8Bit(text);
        return 1;
    }
    static int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

    QString path_;
    TIFFOpenOptions* options_;
    TIFF* tif_ = nullptr;
    QString error_;
};

// What every page must share with the first.
struct TPageShape {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 0;
    uint16_t samples = 0;
    uint16_t format = 0;
    uint16_t photometric = 0;

    static TPageShape Of(TIFF* tif)
    {
        TPageShape s;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &s.width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &s.height);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &s.bits);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &s.samples);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &s.format);
        if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &s.photometric))
            s.photometric = PHOTOMETRIC_MINISBLACK;
        return s;
    }
    bool operator==(const TPageShape&) const = default;
    QString Text() const { return QStringLiteral("%1 x %2 pixels of %3 bits").arg(width).arg(height).arg(bits); }
};

// The frame rate an ImageJ stack states in its description.
std::optional<double> ImageJRate(TIFF* tif)
{
    const char* description = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &description) || !description
        || std::strncmp(description, "ImageJ=", 7) != 0)
        return std::nullopt;
    std::optional<double> interval, fps;
    for (const QString& line : QString::fromLatin1(description).split(QLatin1Char('\n'))) {
        double value = 0;
        if (line.startsWith(QLatin1String("finterval=")) && TryStrToFloat(line.mid(10), value) && value > 0)
            interval = value;
        if (line.startsWith(QLatin1String("fps=")) && TryStrToFloat(line.mid(4), value) && value > 0)
            fps = value;
    }
    if (interval)
        return 1.0 / *interval;
    return fps;
}

}  // namespace

struct TTiffSource::TLayout {
    TPageShape shape;
    int usedBits = 8;
    std::vector<uint64_t> pages;  // each page's directory offset
    std::optional<double> rate;
    int64_t fileSize = 0;
    TDepthMap map;
};

TTiffSource::TTiffSource(QString path) : path_(std::move(path)) {}

QString TTiffSource::FormatName() const
{
    const std::shared_ptr<const TLayout> layout = layout_.Peek();
    return layout ? QStringLiteral("Multipage TIFF, %1-bit").arg(layout->shape.bits) : QStringLiteral("Multipage TIFF");
}

int TTiffSource::BitDepth() const
{
    const std::shared_ptr<const TLayout> layout = layout_.Peek();
    return layout ? layout->usedBits : 8;
}

namespace {

std::shared_ptr<const TTiffSource::TLayout> ReadLayout(const QString& path)
{
    TTiffFile file(path);
    TIFF* tif = *file;
    const TPageShape shape = TPageShape::Of(tif);
    auto fail = [&](const QString& problem) { throw EInOutError(CannotOpen(path, problem)); };
    if (shape.samples != 1)
        fail(QStringLiteral("only grey images are read, not %1 samples per pixel").arg(shape.samples));
    if (shape.photometric != PHOTOMETRIC_MINISBLACK && shape.photometric != PHOTOMETRIC_MINISWHITE)
        fail(QStringLiteral("only grey images are read (photometric interpretation %1)").arg(shape.photometric));
    if (shape.bits != 8 && shape.bits != 16)
        fail(QStringLiteral("only 8 and 16-bit samples are read, not %1-bit").arg(shape.bits));
    if (shape.format != SAMPLEFORMAT_UINT)
        fail(QStringLiteral("only unsigned integer samples are read"));
    if (shape.width < 1 || shape.height < 1 || uint64_t(shape.width) * shape.height > INT32_MAX)
        fail(QStringLiteral("pages of %1 x %2 pixels cannot be shown").arg(shape.width).arg(shape.height));

    int usedBits = shape.bits;
    uint16_t maxSample = 0;
    if (shape.bits == 16 && TIFFGetField(tif, TIFFTAG_MAXSAMPLEVALUE, &maxSample) && maxSample > 0)
        usedBits = std::bit_width(maxSample);
    const std::optional<double> rate = ImageJRate(tif);

    std::vector<uint64_t> pages;
    do {
        pages.push_back(TIFFCurrentDirOffset(tif));
    } while (pages.size() < size_t(INT32_MAX) && TIFFReadDirectory(tif) == 1);
    (void)file.TakeError();  // a broken chain of pages ends the recording there

    return std::make_shared<const TTiffSource::TLayout>(TTiffSource::TLayout{
        shape, usedBits, std::move(pages), rate, QFileInfo(path).size(),
        TDepthMap(shape.bits, usedBits, shape.photometric == PHOTOMETRIC_MINISWHITE)});
}

// Converts `columns` samples of a decoded row to 8 bits.
void MapRow(const uint8_t* samples, int bits, const TDepthMap& map, int32_t columns, uint8_t* out)
{
    if (bits == 8) {
        if (map.IsPlainShift()) {
            std::memcpy(out, samples, size_t(columns));
        } else {
            for (int32_t x = 0; x < columns; ++x)
                out[x] = map(samples[x]);
        }
        return;
    }
    const uint8_t* table = map.Table();
    for (int32_t x = 0; x < columns; ++x) {
        uint16_t v;  // libtiff gives samples in the machine's byte order
        std::memcpy(&v, samples + 2 * size_t(x), 2);
        out[x] = table[v];
    }
}

// Reads one page into a block frame of `width` x `height`.
class TPageReader {
public:
    TPageReader(const QString& path, TTiffFile& file, const TTiffSource::TLayout& layout, int32_t width, int32_t height)
        : path_(path), file_(file), layout_(layout), width_(width), height_(height)
    {
    }

    void Read(int32_t page, uint8_t* out)
    {
        TIFF* tif = *file_;
        if (!TIFFSetSubDirectory(tif, layout_.pages[size_t(page)]))
            Fail(page, file_.TakeError());
        const TPageShape shape = TPageShape::Of(tif);
        if (!(shape == layout_.shape))
            Fail(page, QStringLiteral("it is %1, unlike the first page (%2)").arg(shape.Text(), layout_.shape.Text()));
        if (int64_t(shape.width) != width_ || int64_t(shape.height) != height_)
            FillMissing(out, size_t(width_) * size_t(height_));
        if (TIFFIsTiled(tif))
            ReadTiles(page, out);
        else
            ReadStrips(page, out);
    }

private:
    [[noreturn]] void Fail(int32_t page, const QString& problem) const
    {
        throw EInOutError(CannotRead(path_, QStringLiteral("page %1: %2").arg(page + 1).arg(problem)));
    }

    // A piece that did not decode: missing when the file ends before it, damaged otherwise.
    void Undecoded(int32_t page, uint32_t piece)
    {
        TIFF* tif = *file_;
        const QString error = file_.TakeError();
        const uint64_t end = TIFFGetStrileOffset(tif, piece) + TIFFGetStrileByteCount(tif, piece);
        if (end <= uint64_t(layout_.fileSize))
            Fail(page, error);
    }

    void ReadStrips(int32_t page, uint8_t* out)
    {
        TIFF* tif = *file_;
        const uint32_t nativeWidth = layout_.shape.width;
        const uint32_t nativeHeight = layout_.shape.height;
        uint32_t rowsPerStrip = nativeHeight;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, nativeHeight);
        const size_t rowBytes = size_t(nativeWidth) * (layout_.shape.bits / 8);
        const int32_t rows = std::min<int64_t>(nativeHeight, height_);
        const int32_t columns = std::min<int64_t>(nativeWidth, width_);
        // 8-bit rows the block takes as they are are decoded straight into it.
        const bool direct = layout_.shape.bits == 8 && layout_.map.IsPlainShift() && int64_t(nativeWidth) == width_;
        const uint32_t strips = TIFFNumberOfStrips(tif);
        for (uint32_t strip = 0; strip < strips; ++strip) {
            const int64_t top = int64_t(strip) * rowsPerStrip;
            if (top >= rows)
                break;
            const int64_t stripRows = std::min<int64_t>(rowsPerStrip, nativeHeight - top);
            const size_t wanted = size_t(stripRows) * rowBytes;
            uint8_t* target = out + size_t(top) * size_t(width_);
            const bool intoBlock = direct && top + stripRows <= height_;
            if (!intoBlock && buffer_.size() < wanted)
                buffer_.resize(wanted);
            const tmsize_t got = TIFFReadEncodedStrip(tif, strip, intoBlock ? target : buffer_.data(), tmsize_t(wanted));
            if (got < 0)
                Undecoded(page, strip);
            const int64_t whole = got < 0 ? 0 : int64_t(got) / int64_t(rowBytes);
            const int64_t used = std::min<int64_t>(stripRows, rows - top);
            for (int64_t r = 0; r < used; ++r) {
                uint8_t* row = target + size_t(r) * size_t(width_);
                if (r >= whole)
                    FillMissing(row, size_t(columns));
                else if (!intoBlock)
                    MapRow(buffer_.data() + size_t(r) * rowBytes, layout_.shape.bits, layout_.map, columns, row);
            }
        }
    }

    void ReadTiles(int32_t page, uint8_t* out)
    {
        TIFF* tif = *file_;
        uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        if (tileWidth == 0 || tileHeight == 0)
            Fail(page, QStringLiteral("its tiles have no size"));
        const size_t sampleBytes = layout_.shape.bits / 8;
        // A tile is decoded whole: one far larger than the page (a damaged or hostile file) would
        // take gigabytes for a few pixels. Writers pad pages to whole tiles of a few hundred
        // pixels a side, so the page rounded up to 16, or 16 MB, is room enough.
        const int64_t tileArea = CheckedProduct(tileWidth, tileHeight, int64_t(sampleBytes));
        const int64_t pageArea = CheckedProduct((int64_t(layout_.shape.width) + 15) / 16 * 16,
                                                (int64_t(layout_.shape.height) + 15) / 16 * 16, int64_t(sampleBytes));
        if (tileArea < 0 || tileArea > std::max<int64_t>(pageArea, kMaxTileBytes))
            Fail(page, QStringLiteral("its tiles of %1 x %2 pixels (%3) are far larger than its pages")
                           .arg(tileWidth)
                           .arg(tileHeight)
                           .arg(tileArea < 0 ? QStringLiteral("more than 9.2 EB") : ByteSizeText(tileArea)));
        const size_t tileRowBytes = size_t(tileWidth) * sampleBytes;
        const size_t tileBytes = size_t(tileArea);
        if (buffer_.size() < tileBytes)
            buffer_.resize(tileBytes);
        const int64_t rows = std::min<int64_t>(layout_.shape.height, height_);
        const int64_t columns = std::min<int64_t>(layout_.shape.width, width_);
        for (int64_t top = 0; top < rows; top += tileHeight) {
            for (int64_t left = 0; left < columns; left += tileWidth) {
                const uint32_t tile = TIFFComputeTile(tif, uint32_t(left), uint32_t(top), 0, 0);
                const tmsize_t got = TIFFReadEncodedTile(tif, tile, buffer_.data(), tmsize_t(tileBytes));
                if (got < 0)
                    Undecoded(page, tile);
                const int64_t whole = got < 0 ? 0 : int64_t(got) / int64_t(tileRowBytes);
                const int32_t span = int32_t(std::min<int64_t>(tileWidth, columns - left));
                for (int64_t r = 0; r < tileHeight && top + r < rows; ++r) {
                    uint8_t* row = out + size_t(top + r) * size_t(width_) + size_t(left);
                    if (r >= whole)
                        FillMissing(row, size_t(span));
                    else
                        MapRow(buffer_.data() + size_t(r) * tileRowBytes, layout_.shape.bits, layout_.map, span, row);
                }
            }
        }
    }

    const QString& path_;
    TTiffFile& file_;
    const TTiffSource::TLayout& layout_;
    const int64_t width_;
    const int64_t height_;
    std::vector<uint8_t> buffer_;  // one strip or tile, reused for the whole block
};

}  // namespace

void TTiffSource::ReadHeader(THeaderTarget& target)
{
    const std::shared_ptr<const TLayout> layout = layout_.Renew([this] { return ReadLayout(path_); });
    ApplyNamingFile(path_, [&] {
        target.SetImageHeight(int32_t(layout->shape.height));
        target.SetImageWidth(int32_t(layout->shape.width));
        if (layout->rate)
            target.SetRecordingRate(*layout->rate);
        target.SetFrameCount(int32_t(layout->pages.size()));
    });
}

void TTiffSource::ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const
{
    const std::shared_ptr<const TLayout> layout = layout_.Get([this] { return ReadLayout(path_); });
    const size_t frame = size_t(width) * size_t(height);
    const int32_t present = FillPastEnd(int64_t(layout->pages.size()), first, count, frame, block);
    if (present == 0)
        return;
    TTiffFile file(path_);
    TPageReader reader(path_, file, *layout, width, height);
    for (int32_t s = 0; s < present; ++s)
        reader.Read(first + s, block + size_t(s) * frame);
}

bool LooksLikeTiff(const QByteArray& leadingBytes)
{
    return leadingBytes.startsWith(QByteArray("II*\0", 4)) || leadingBytes.startsWith(QByteArray("MM\0*", 4))
        || leadingBytes.startsWith(QByteArray("II+\0", 4)) || leadingBytes.startsWith(QByteArray("MM\0+", 4));
}
