#pragma once
// TSetting: a section/identifier/value store placed by a location policy and named after the
// program's identity (a TProgId): the recent-files list and other components keep their
// settings through it. Every operation opens the store, reads or writes one value and closes it
// again; nothing is cached.
//
// Where the values go, for company C, product P and version V (from the ProgId):
//
//   Location          store                                         without its special folder
//   sluser            registry, current user, \Software\C\P\V\<section>
//   slmachine         registry, machine, the same key
//   slroaming         INI file <roaming folder>/C/P/V/<name>.ini     acts as sluser
//   slnonroaming      INI file <local folder>/C/P/V/<name>.ini       acts as sluser
//   slcommonadmin     INI file <common folder>/C/P/V/<name>.ini      acts as slmachine
//   slcommoninsecure  INI file <common folder>/C/P/V/insecure/<name>.ini
//                                                                   <Windows directory>/<name>.ini
//   slfile            INI file `Filename`
//
// The special folders are the context's (SystemFolders.h: the XDG folders here). <name> is the
// file part of `IniFilename`, or the executable's name, with its extension made ".ini". File
// writes create the missing folders first.
//
// Registry values: strings as string values, integers as 32-bit number values. INI files:
// integers as decimal text, read back also as "0x" hexadecimal. Reads never raise and give the
// default for anything missing, of another type, or empty (strings). Writes raise: EInOutError
// or ERegistryError naming the file; ESettingError "Nothing assigned to ProgId" when the store
// needs the identity and there is none.
//
// Ownership: the owner keeps the context and the ProgId alive as long as the TSetting.
// User-interface thread (any one thread per object).

#include "platform/Errors.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class TProgId;
class TSettingsContext;

enum tsettinglocation { sluser, slmachine, slroaming, slnonroaming, slcommonadmin, slcommoninsecure, slfile };

class ESettingError : public EError {
public:
    using EError::EError;
};

class TSetting {
public:
    explicit TSetting(const TSettingsContext& context);

    // The component's name, for the message of Loaded.
    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    tsettinglocation Location() const { return location_; }
    void SetLocation(tsettinglocation location);
    const TProgId* ProgId() const { return progId_; }
    void SetProgId(const TProgId* progId);
    const QString& Filename() const { return filename_; }
    void SetFilename(const QString& filename) { filename_ = filename; }
    // The name assigned: only its file part counts.
    void SetIniFilename(const QString& iniFilename);
    // The effective store as text: "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", the INI file's
    // full path, or `Filename` for slfile.
    QString IniFilename() const;

    // What the location turned into (see the table): sluser, slmachine or a file location.
    tsettinglocation EffectiveLocation() const;
    // The settings folder, ending in "/".
    QString SettingsFolder() const;
    bool SpecialFolderFound() const;

    // When its owner has finished setting it up: without a ProgId, ESettingError
    // "Nothing assigned to <Name>.ProgId".
    void Loaded() const;

    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
    int32_t ReadInteger(const QString& section, const QString& ident, int32_t defaultValue) const;
    void WriteString(const QString& section, const QString& ident, const QString& value);
    void WriteInteger(const QString& section, const QString& ident, int32_t value);
    // Registry: deletes the section's key. INI file: removes the section, ignoring any error.
    void EraseSection(const QString& section);

    // A section read and replaced whole in one step under the store's lock: `change` gets its
    // values as they are now (in order; integers as decimal text) and gives the values it is to
    // hold. A list kept in a section is never left half written by a killed writer, and what
    // another process wrote in between is seen by `change`. Raises as the writes do.
    struct TValue {
        QString Ident;
        QString Text;
        bool Integer = false;  // a number value in the registry, decimal text in a file
    };
    using TValues = std::vector<TValue>;
    void ReplaceSection(const QString& section, const std::function<TValues(const TValues& now)>& change);

private:
    // Recomputes the folder when the location, the INI name or the identity changed since.
    void UpdateFolder() const;
    const TProgId& Identity() const;  // ESettingError without one
    bool IsRegistry() const;
    QString KeyPath(const QString& section) const;

    const TSettingsContext& context_;
    QString name_;
    tsettinglocation location_ = sluser;
    const TProgId* progId_ = nullptr;
    QString filename_;
    QString iniFilename_;

    // The folder computation's results and what they were computed from.
    mutable bool stale_ = true;
    mutable bool computing_ = false;
    mutable bool found_ = false;
    mutable QString folder_;
    mutable QString lastCompany_, lastProduct_, lastVersion_;
};
