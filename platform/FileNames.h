#pragma once
// File names as the file system holds them: bytes. A name is carried in a QString so the rest of
// the program can show and compare it, decoded without loss: valid UTF-8 becomes its characters
// and every byte that is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte, which
// EncodeFileName turns back into that byte. (Qt's own encodeName/decodeName replace such bytes,
// so a name like "caf\xE9.bld" could not be opened through them.) Every native file call of the
// program's own file code goes through EncodeFileName. Any thread.

#include <QByteArray>
#include <QString>
#include <QStringList>

QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);

// What a name refers to, following symbolic links.
enum class TFileKind { missing, regular, directory, fifo, device, socket, other };
TFileKind FileKindOf(const QString& name);
// "a folder", "a FIFO (named pipe)", "a device", ...: for messages "X is a folder, not a file".
QString FileKindText(TFileKind kind);

// The name made absolute against the current folder, with "." and ".." steps and doubled
// slashes removed as text (symbolic links are not resolved).
QString AbsoluteFileName(const QString& name);
// The last part of a path ("seq.par" of "/data/seq.par").
QString FileNamePart(const QString& path);
// The folder part of a path, without the final slash ("/data" of "/data/seq.par", "/" of "/x").
QString FolderPart(const QString& path);
// The name of every entry of a folder (without "." and ".."), empty when it cannot be read.
QStringList FolderEntries(const QString& folder);
// The name with its extension replaced as Windows does it: from the last "." of the file name
// part ("seq." and "seq" both give "seq.par"), `extension` including its dot.
QString ChangeFileExtension(const QString& name, const QString& extension);
// The name of an existing file that Qt's file dialog shows as `shown`: Qt decodes names lossily,
// each run of bytes that are not UTF-8 becoming U+FFFD. When `shown` does not exist, each part
// holding U+FFFD is matched against its folder's entries; only a single match is taken.
// Otherwise `shown` unchanged.
QString ResolveShownFileName(const QString& shown);
// The first `count` bytes of a regular file; empty for anything else or when it cannot be read.
// Never waits on a FIFO.
QByteArray ReadLeadingBytes(const QString& name, qsizetype count);
