// The version file as the web server sends it: whatever it holds, the parse ends, and what it
// accepts names a version and a download address.
#include "fuzz/FuzzSupport.h"
#include "services/VersionFile.h"

#include <cstdio>
#include <cstdlib>

void Fuzz_version_file(const uint8_t* data, size_t size)
{
    const std::optional<TVersionFile> file =
        ParseVersionFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!file)
        return;
    if (file->Version.trimmed().isEmpty() || file->DownloadAddress.isEmpty() ||
        file->DownloadAddress != file->DownloadAddress.trimmed()) {
        std::fprintf(stderr, "accepted a version file without a version or a trimmed address\n");
        std::abort();
    }
    IsOtherVersion(file->Version, QStringLiteral("3.0.0.3"));
}
