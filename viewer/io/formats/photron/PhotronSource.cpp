#include "viewer/io/formats/photron/PhotronSource.h"

#include "platform/PoolParts.h"
#include "viewer/io/FormatSupport.h"
#include "viewer/io/formats/photron/PackedSamples.h"

#include <QFileInfo>
#include <thread>

namespace {

// Bytes read per positioned read when samples need unpacking: few calls (each costs about as
// much as copying some tens of kilobytes), and the bytes still in the processor's cache when
// they are unpacked.
constexpr int64_t kStagingBytes = 1024 * 1024;

bool IsHeaderPath(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("cih") || suffix == QLatin1String("cihx");
}

}  // namespace

struct TPhotronSource::TLayout {
    TPhotronHeader header;
    QString headerFile;
    QString framesFile;
    int64_t frameBytes = 0;
    int32_t frameCount = 0;
    TDepthMap map;
};

TPhotronSource::TPhotronSource(QString path) : path_(std::move(path)) {}

QString TPhotronSource::FormatName() const
{
    const std::shared_ptr<const TLayout> layout = layout_.Peek();
    if (!layout)
        return QStringLiteral("Photron MRAW");
    const int bits = layout->header.sampleBits;
    return QStringLiteral("Photron MRAW, %1-bit%2").arg(bits).arg(bits == 10 || bits == 12 ? " packed" : "");
}

int TPhotronSource::BitDepth() const
{
    const std::shared_ptr<const TLayout> layout = layout_.Peek();
    return layout ? layout->header.effectiveBits : 8;
}

std::shared_ptr<const TPhotronSource::TLayout> TPhotronSource::ReadLayout() const
{
    QString headerFile = path_;
    QString framesFile = path_;
    if (IsHeaderPath(path_)) {
        framesFile = PhotronFramesBeside(path_);
    } else {
        headerFile = PhotronHeaderBeside(path_);
        if (headerFile.isEmpty())
            throw EInOutError(CannotOpen(path_, QStringLiteral("there is no header (\".cihx\" or \".cih\") beside it")));
    }
    const TPhotronHeader header = ReadPhotronHeader(headerFile);
    if (int64_t(header.width) * header.height > INT32_MAX)
        throw EInOutError(CannotOpen(headerFile, QStringLiteral("frames of %1 x %2 pixels are too large")
                                                     .arg(header.width)
                                                     .arg(header.height)));
    const int64_t frameBits = int64_t(header.width) * header.height * header.sampleBits;
    if (frameBits % 8 != 0)
        throw EInOutError(CannotOpen(headerFile, QStringLiteral("frames of %1 x %2 samples of %3 bits do not fill whole bytes")
                                                     .arg(header.width)
                                                     .arg(header.height)
                                                     .arg(header.sampleBits)));
    if (!QFileInfo(framesFile).isFile())
        throw EInOutError(CannotOpen(headerFile, QStringLiteral("its frame file \"%1\" does not exist").arg(framesFile)));
    const int64_t frameBytes = frameBits / 8;
    int32_t frameCount = 0;
    if (header.totalFrames) {
        frameCount = *header.totalFrames;
    } else {
        const int64_t whole = TReadOnlyFile(framesFile).Size() / frameBytes;
        frameCount = int32_t(std::min<int64_t>(whole, INT32_MAX));
    }
    return std::make_shared<const TLayout>(TLayout{header, headerFile, framesFile, frameBytes, frameCount,
                                                   TDepthMap(header.sampleBits, header.MappingBits())});
}

void TPhotronSource::ReadHeader(THeaderTarget& target)
{
    const std::shared_ptr<const TLayout> layout = layout_.Renew([this] { return ReadLayout(); });
    const TPhotronHeader& header = layout->header;
    ApplyNamingFile(layout->headerFile, [&] {
        target.SetImageHeight(header.height);
        target.SetImageWidth(header.width);
        if (header.rate)
            target.SetRecordingRate(*header.rate);
        target.SetFrameCount(layout->frameCount);
        if (header.startFrame)
            target.SetFirstFrame(*header.startFrame);
        if (header.triggerFrame)
            target.SetTrigger(*header.triggerFrame);
    });
}

void TPhotronSource::ReadFrames(int32_t first, int32_t count, int32_t width, int32_t height, uint8_t* block) const
{
    const std::shared_ptr<const TLayout> layout = layout_.Get([this] { return ReadLayout(); });
    const TPhotronHeader& header = layout->header;
    const size_t blockFrame = size_t(width) * size_t(height);
    const int32_t present = FillPastEnd(layout->frameCount, first, count, blockFrame, block);
    if (present == 0)
        return;

    const TReadOnlyFile file(layout->framesFile);
    const int64_t start = int64_t(first) * layout->frameBytes;
    if (header.sampleBits == 8 && layout->map.IsPlainShift() && header.width == width && header.height == height) {
        // The frame file holds the block's bytes as they are: one read into the block.
        const size_t wanted = size_t(present) * blockFrame;
        const size_t got = file.ReadAt(block, wanted, start);
        const size_t wholeRows = got / size_t(width);
        FillMissing(block + wholeRows * size_t(width), wanted - wholeRows * size_t(width));
        return;
    }

    const int64_t chunkFrames = std::max<int64_t>(1, kStagingBytes / layout->frameBytes);
    const int32_t rows = std::min(header.height, height);
    // Frames [from, to) of the block: read a chunk, unpack it while it is still in the cache.
    const auto unpackFrames = [&](int32_t from, int32_t to) {
        std::vector<uint8_t> staging(size_t(std::min<int64_t>(chunkFrames, to - from) * layout->frameBytes));
        std::vector<uint8_t> row(header.width == width ? 0 : size_t(header.width));
        for (int32_t done = from; done < to;) {
            const int32_t frames = int32_t(std::min<int64_t>(chunkFrames, to - done));
            const size_t got = file.ReadAt(staging.data(), size_t(frames) * size_t(layout->frameBytes),
                                           start + int64_t(done) * layout->frameBytes);
            for (int32_t f = 0; f < frames; ++f) {
                const int64_t arrived =
                    std::clamp<int64_t>(int64_t(got) - f * layout->frameBytes, 0, layout->frameBytes);
                // Rows whose every sample arrived; a row cut short reads as the missing fill.
                const int32_t whole =
                    int32_t(std::min<int64_t>(arrived * 8 / header.sampleBits / header.width, rows));
                const uint8_t* stream = staging.data() + size_t(f) * size_t(layout->frameBytes);
                uint8_t* out = block + size_t(done + f) * blockFrame;
                if (header.width == width) {
                    UnpackSamples(stream, header.sampleBits, 0, int64_t(whole) * width, layout->map, out);
                } else {
                    for (int32_t y = 0; y < whole; ++y) {
                        UnpackSamples(stream, header.sampleBits, int64_t(y) * header.width, header.width,
                                      layout->map, row.data());
                        PlaceRow(row.data(), header.width, out + size_t(y) * size_t(width), width);
                    }
                }
                FillMissing(out + size_t(whole) * size_t(width), blockFrame - size_t(whole) * size_t(width));
            }
            done += frames;
        }
    };
    // Unpacking costs about a quarter of the read: two halves side by side, on two threads, so
    // a refill takes little more than reading its bytes.
    if (present < 2 * chunkFrames || std::thread::hardware_concurrency() < 2) {
        unpackFrames(0, present);
        return;
    }
    const int32_t half = present / 2;
    RunPoolParts(2, [&](int part) { part == 0 ? unpackFrames(0, half) : unpackFrames(half, present); });
}

bool LooksLikePhotronHeader(const QByteArray& leadingBytes)
{
    return leadingBytes.startsWith("#Camera Information Header");
}
