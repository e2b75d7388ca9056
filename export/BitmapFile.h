#pragma once
// 24-bit bitmap files: uncompressed Windows BMP (bottom-up rows of blue, green, red bytes,
// each row padded to 4 bytes) and PNG.

#include <QByteArray>
#include <QImage>
#include <QString>

// The bytes of a 24-bit BMP file of the image (converted to 24 bits first when needed).
QByteArray EncodeBmp24(const QImage& image);

// Writes the image as BMP or PNG by the file's extension (".bmp", ".png", any case).
// Throws EInOutError when the file cannot be written or the extension is neither.
void SaveImageFile(const QImage& image, const QString& path);
