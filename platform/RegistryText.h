#pragma once
// The text form of one registry root, in the style of a ".reg" export:
//
//   VarnikData Registry Version 1
//   ;; HKEY_CURRENT_USER
//
//   [Software\\VarnikData\\tremax\\Film]
//   "XPos"="120"
//   @="the key's default value"
//   "Count"=dword:0000001f
//
// Every key has its section, its path's parts joined by "\\". Names and texts escape "\" as
// "\\", a double quote as "\"", and characters below 32 or from 127 up as "\xNNNN" (UTF-16
// units, four hexadecimal digits), so the file is plain ASCII and survives any editor. Blank
// lines and lines beginning with ";" are ignored when read.

#include "platform/RegistryTree.h"

#include <QByteArray>
#include <QString>

struct TRegistryTextError {
    int Line = 0;  // 1-based; 0 for the file as a whole
    QString Problem;
};

QByteArray FormatRegistryText(const TRegistryKey& root, const QString& rootName);
// Fills `root` (which should be empty); false with `error` set when the text does not follow the
// form above. An empty text is an empty root.
bool ParseRegistryText(const QByteArray& bytes, TRegistryKey& root, TRegistryTextError& error);
