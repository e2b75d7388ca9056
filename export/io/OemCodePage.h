#pragma once
// Text in sample-file headers is stored in the DOS OEM code page CP850, one byte per character.
// Pure functions, any thread.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// One byte per character (per code point, so a character outside the basic plane is one byte
// too); characters CP850 cannot hold become "?".
QByteArray ToOemCodePage(QStringView text);
// Every byte maps to exactly one character.
QString FromOemCodePage(QByteArrayView bytes);
