// Photron recordings: input "<.cih or .cihx text>\n--8<--\n<.mraw bytes>", the header written
// under the name its content calls for. Opened through the header, as the program opens it.
#include "fuzz/FuzzSupport.h"
#include "viewer/io/FrameSource.h"
#include "viewer/io/formats/photron/PhotronSource.h"

void Fuzz_photron_source(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = SplitFuzzInput(data, size, 2);
    const bool xml = parts[0].trimmed().startsWith('<');
    RemoveFuzzFile(xml ? QStringLiteral("rec.cih") : QStringLiteral("rec.cihx"));
    const QString header = WriteFuzzFile(xml ? QStringLiteral("rec.cihx") : QStringLiteral("rec.cih"), parts[0]);
    WriteFuzzFile(QStringLiteral("rec.mraw"), parts[1]);
    static const TFrameSourceFactory formats = [] {
        TFrameSourceFactory factory;
        RegisterPhotronFormat(factory);
        return factory;
    }();
    FuzzOpenSequence(FuzzSequence(formats), header);
}
