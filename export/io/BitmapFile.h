#pragma once
// 24-bit bitmap files: uncompressed Windows BMP (bottom-up rows of blue, green, red bytes,
// each row padded to 4 bytes) and PNG.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// The bytes of a 24-bit BMP file of the image (converted to 24 bits first when needed).
QByteArray EncodeBmp24(const QImage& image);

// Writes the image as BMP or PNG by the file's extension (".bmp", ".png", any case), through the
// safe writer: never onto one of `protectedFiles` or a non-regular file, and a failed write
// leaves an old file intact. Throws EInOutError when the file cannot be written or the
// extension is neither.
void SaveImageFile(const QImage& image, const QString& path, const QStringList& protectedFiles = {});
