// Sample files: the input is the file. Its header is parsed as the program opens it, then every
// channel's samples are counted and one short run written where its scan list puts them.
#include "export/io/sSMP.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>

void Fuzz_smp_header(const uint8_t* data, size_t size)
{
    const QString path = WriteFuzzFile(QStringLiteral("take.smp"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    TSMPfile file;
    if (!file.open_file(path, false))
        return;
    (void)file.ItemLines();
    (void)file.Labels();
    TSMPChunk chunk;
    chunk.count = 3;
    chunk.samples[0] = -32768;
    chunk.samples[1] = 1;
    chunk.samples[2] = 32767;
    const int32_t channels = std::min(file.ChannelCount(), 4);
    for (int32_t channel = -1; channel <= channels; ++channel) {
        try {
            (void)file.SampleCount(channel);
            file.WriteChannel(channel, chunk);
        } catch (const EError&) {
        }
    }
    file.close_file();
}
