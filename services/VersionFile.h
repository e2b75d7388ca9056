#pragma once
// The version file on the maker's web server and the day numbers of the version check. Plain
// functions, any thread.
//
// The file is text (UTF-8) whose lines are separated by any run of CR and LF characters, so
// empty lines count as nothing: the newest version, the download address, a line not used
// here, and then the announcement (everything after the third line, line breaks included).

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>

struct TVersionFile {
    QString Version;          // as written
    QString DownloadAddress;  // trimmed
    QString Announcement;     // line breaks as "\n", without trailing ones
};

// Nothing when the file names no version or no download address (empty, only line breaks or
// blanks, or a single line).
std::optional<TVersionFile> ParseVersionFile(const QByteArray& bytes);

// Whether the file's version differs from the running one, surrounding blanks aside.
bool IsOtherVersion(const QString& fileVersion, const QString& runningVersion);

// Whole days since 30 December 1899 (day 0), as the family's date serials count them.
int32_t DayNumber(const QDate& date);
