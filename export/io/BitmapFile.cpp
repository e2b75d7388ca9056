#include "export/io/BitmapFile.h"

#include "platform/Errors.h"
#include "platform/SafeFileWriter.h"

#include <QBuffer>
#include <cstring>

namespace {

void PutU16(QByteArray& out, qsizetype at, uint16_t v)
{
    out[at] = char(v & 0xFF);
    out[at + 1] = char(v >> 8);
}

void PutU32(QByteArray& out, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

QByteArray EncodeBmp24(const QImage& source)
{
    const QImage image = source.format() == QImage::Format_BGR888 ? source
                                                                   : source.convertToFormat(QImage::Format_BGR888);
    const int width = image.width();
    const int height = image.height();
    const qsizetype rowBytes = (qsizetype(width) * 3 + 3) & ~qsizetype(3);
    const qsizetype headerBytes = 14 + 40;
    QByteArray out(headerBytes + rowBytes * height, '\0');
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, 2, uint32_t(out.size()));
    PutU32(out, 10, uint32_t(headerBytes));
    PutU32(out, 14, 40);
    PutU32(out, 18, uint32_t(width));
    PutU32(out, 22, uint32_t(height));  // positive: rows bottom-up
    PutU16(out, 26, 1);
    PutU16(out, 28, 24);
    PutU32(out, 30, 0);  // no compression
    PutU32(out, 34, uint32_t(rowBytes * height));
    PutU32(out, 38, 3780);  // 96 dpi
    PutU32(out, 42, 3780);
    char* pixels = out.data() + headerBytes;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + rowBytes * (height - 1 - y), image.constScanLine(y), size_t(width) * 3);
    return out;
}

void SaveImageFile(const QImage& image, const QString& path, const QStringList& protectedFiles)
{
    // The target first: writing onto the sequence's own file is the worse mistake to report.
    CheckOutputTarget(path, protectedFiles);
    const QString lower = path.toLower();
    QByteArray bytes;
    if (lower.endsWith(QLatin1String(".bmp"))) {
        bytes = EncodeBmp24(image);
    } else if (lower.endsWith(QLatin1String(".png"))) {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG"))
            throw EInOutError(QStringLiteral("Cannot write \"%1\": the image could not be encoded as PNG").arg(path));
    } else {
        throw EInOutError(QStringLiteral("Cannot write \"%1\": the file name must end in .bmp or .png").arg(path));
    }
    WriteFileSafely(path, bytes, protectedFiles);
}
