#include "export/session/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void CopyImageToClipboard(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }
