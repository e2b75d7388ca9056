#pragma once
// Loading a library by the name the program gives it at run time. A Windows-style name
// ("sonellib32.dll") stands for "libsonellib32.so"; it is looked for beside the executable first
// (as Windows does), then on the system's library path. A name with a folder is used as it is.

#include <QLibrary>
#include <QString>

// Loads `name` into `library` (unloading what it held); false when nothing could be loaded.
bool LoadSharedLibrary(QLibrary& library, const QString& name);
