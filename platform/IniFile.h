#pragma once
// A Windows profile file ("INI"): "[section]" lines, each followed by "identifier=value" lines.
// Section and identifier names match without regard to letter case; names and values are read
// with the blanks around them removed. Lines that are neither (comments, anything else) are kept
// exactly as they are when the file is rewritten, and so is the line ending the file uses.
//
// Like the registry (Registry.h) the file is shared by processes: a write locks the file's folder
// (LockedFile.h), re-reads the file, changes it and replaces it by a rename; reads take no lock
// and never raise. Nothing is held open or cached between calls.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class TIniFile {
public:
    // With `createFolders` a write first makes every missing folder of the path; without it a
    // write into a missing folder fails.
    explicit TIniFile(QString fileName, bool createFolders = false)
        : fileName_(std::move(fileName)), createFolders_(createFolders)
    {
    }

    const QString& FileName() const { return fileName_; }

    // The value of the first matching identifier of the first matching section; nothing when
    // either is missing or the file cannot be read.
    std::optional<QString> ReadValue(const QString& section, const QString& ident) const;
    bool SectionExists(const QString& section) const;
    QStringList SectionNames() const;
    QStringList Identifiers(const QString& section) const;

    // Throw EInOutError naming the file and the problem: the file cannot be locked, read or
    // written, or the text cannot be stored in an INI file (a line break anywhere, "=" in the
    // identifier, "]" in the section name).
    void WriteValue(const QString& section, const QString& ident, const QString& value);
    // Removes the section's header and all its lines; nothing happens when it is absent.
    void EraseSection(const QString& section);
    // Reads and replaces the section whole in one step under the file's lock, so that a list kept
    // in it is never seen, or left by a killed writer, half written. `change` gets the section's
    // identifiers and values as they are now (empty when there is none) and gives those it is to
    // hold, in order; the section keeps its place in the file (a new one goes at the end). Throws
    // as WriteValue does, and writes nothing then.
    using TSectionValues = std::vector<std::pair<QString, QString>>;
    void ReplaceSection(const QString& section, const std::function<TSectionValues(const TSectionValues& now)>& change);
    void DeleteValue(const QString& section, const QString& ident);

private:
    QString fileName_;
    bool createFolders_;
};

// An integer as profile files hold it: "0x" or "0X" followed by hexadecimal digits (at most
// eight, the 32 bits taken as signed), or a decimal integer. False for anything else.
bool ParseIniInteger(const QString& text, int32_t& value);
