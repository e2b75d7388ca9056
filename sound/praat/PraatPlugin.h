#pragma once
// The Praat plugin "plugin_Tremax": Praat loads every plugin_*/setup.praat of its folder at start;
// ours adds "Show in Tremax" to the sound editor's Time menu, which runs
// `tremax --show-time <cursor seconds>` with the path of the program that installed it.
//
// Each file we write carries a last line with the checksum of what came before it, so that a
// later install knows a copy the user has changed from one of ours (a different program path,
// an older version) and never overwrites the former silently.

#include <QString>
#include <vector>

struct TPraatPluginFile {
    QString Name;      // "setup.praat", ...
    QByteArray Text;   // with the checksum line
};

// The plugin's files for `tremaxProgram` (an absolute path).
std::vector<TPraatPluginFile> PraatPluginFiles(const QString& tremaxProgram);
// `text` as a POSIX shell word (single-quoted).
QString ShellQuoted(const QString& text);

enum class TPluginInstall {
    installed,    // written (new or replacing our own earlier copy)
    current,      // already the same: nothing written
    userChanged,  // a file there is not ours as written: nothing written
};

// Installs into `folder` (normally PraatFolder() + "/plugin_Tremax"). A file the user changed is
// replaced only with `replaceChanged`. Throws EError naming the file when one cannot be written.
TPluginInstall InstallPraatPlugin(const QString& folder, const QString& tremaxProgram, bool replaceChanged);
