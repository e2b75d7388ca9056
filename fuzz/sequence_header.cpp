// The text header of a frame file (".par"), read to its end by the collector the open uses.
#include "fuzz/FuzzSupport.h"
#include "platform/Errors.h"
#include "viewer/io/HeaderFile.h"

void Fuzz_sequence_header(const uint8_t* data, size_t size)
{
    const QString path = WriteFuzzFile(QStringLiteral("seq.par"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    THeaderCollector collector;
    try {
        ReadHeaderFile(path, collector);
    } catch (const EError&) {
    }
}
