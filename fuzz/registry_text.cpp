// The registry store's text: parsed, and whatever parses must come back unchanged when written
// and parsed again (a difference is a value lost or altered on the next save).
#include "fuzz/FuzzSupport.h"
#include "platform/RegistryText.h"

#include <cstdio>
#include <cstdlib>

void Fuzz_registry_text(const uint8_t* data, size_t size)
{
    TRegistryKey root;
    TRegistryTextError error;
    if (!ParseRegistryText(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), root, error))
        return;
    const QByteArray once = FormatRegistryText(root, QStringLiteral("HKEY_CURRENT_USER"));
    TRegistryKey again;
    if (!ParseRegistryText(once, again, error)) {
        std::fprintf(stderr, "written text does not parse (line %d: %s)\n", error.Line, qPrintable(error.Problem));
        std::abort();
    }
    if (FormatRegistryText(again, QStringLiteral("HKEY_CURRENT_USER")) != once) {
        std::fprintf(stderr, "written text changes when read back\n");
        std::abort();
    }
}
