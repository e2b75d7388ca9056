// Raw frames: input "<.par text>\n--8<--\n<.bld bytes>"; without a separator the input is the
// header and the frame file is empty. Opened as the program opens it.
#include "fuzz/FuzzSupport.h"
#include "viewer/io/FrameSource.h"

void Fuzz_bld_source(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = SplitFuzzInput(data, size, 2);
    WriteFuzzFile(QStringLiteral("seq.par"), parts[0]);
    const QString frames = WriteFuzzFile(QStringLiteral("seq.bld"), parts[1]);
    static const TFrameSourceFactory formats;
    FuzzOpenSequence(FuzzSequence(formats), frames);
}
