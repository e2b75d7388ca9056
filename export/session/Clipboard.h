#pragma once
// Pictures for other programs: the clipboard is emptied and gets the bitmap as an image, which
// other programs paste (as PNG, BMP, ... as they ask). Interface thread only; needs a GUI
// application.

#include <QImage>

void CopyImageToClipboard(const QImage& image);
