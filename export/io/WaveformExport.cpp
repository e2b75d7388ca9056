#include "export/io/WaveformExport.h"

#include "export/io/FileNameParts.h"
#include "platform/Errors.h"
#include "platform/SafeFileWriter.h"
#include "platform/SystemMemory.h"

#include <algorithm>
#include <memory>

QString DefaultSampleFileName(const QString& sequenceFileName, QPoint pixel)
{
    return sequenceFileName.left(ExtensionDot(sequenceFileName)) +
           QStringLiteral("%1_%2.smp").arg(pixel.x()).arg(pixel.y());
}

int64_t SampleFileBytes(const TSMPfile& smp, int64_t frames)
{
    return CheckedSum(std::max<int64_t>(smp.defheadsize, 0), CheckedProduct(frames, 2));
}

void CheckRoomForFile(const QString& fileName, int64_t bytes, int64_t freeBytes)
{
    if (freeBytes < 0 || (bytes >= 0 && bytes <= freeBytes))
        return;
    throw EInOutError(QStringLiteral("Cannot write \"%1\": it needs %2, but only %3 are free on its file system")
                          .arg(fileName, bytes < 0 ? QStringLiteral("more than 9.2 EB") : ByteSizeText(bytes),
                               ByteSizeText(freeBytes)));
}

namespace {

// Thrown inside the export when the progress callback asks it to stop.
struct TStopped {};

void WriteSamples(TSMPfile& smp, TSequence& sequence, QPoint pixel, const TExportProgress& progress)
{
    const TSequenceHeader& header = sequence.Header();
    smp.SetSampleRate(header.FramesPerSecond);
    smp.SetChannelCount(1);
    smp.SetView(0, -256, 256);
    smp.SetChannelLabel(0, QStringLiteral("Intensity"));
    smp.insert_nonpresent_defaults();
    smp.Comment.append(QStringLiteral("From %1 x:%2 y:%3").arg(header.FileName).arg(pixel.x()).arg(pixel.y()));

    const auto chunk = std::make_unique<TSMPChunk>();
    for (int32_t frame = 0; frame < header.FrameCount;) {
        chunk->count = 0;
        for (; frame < header.FrameCount && chunk->count < TSMPChunk::kMaxSamples; ++frame)
            chunk->samples[size_t(chunk->count++)] = int16_t(sequence.GetPixel(frame, pixel.y(), pixel.x()) * 128);
        smp.WriteChannel(0, *chunk);
        if (progress && !progress(frame, header.FrameCount))
            throw TStopped();
    }
    if (!smp.save_file())
        throw EInOutError(smp.LastError());
    if (!smp.close_file())
        throw EInOutError(smp.LastError());
}

}  // namespace

bool ExportWaveform(TSMPfile& smp, TSequence& sequence, QPoint pixel, const QString& fileName,
                    const TExportProgress& progress)
{
    if (pixel.x() < 0 || pixel.x() >= sequence.Width() || pixel.y() < 0 || pixel.y() >= sequence.Height())
        throw EError(QStringLiteral("The point x:%1 y:%2 lies outside the image (%3 x %4 pixels); nothing was saved")
                         .arg(pixel.x())
                         .arg(pixel.y())
                         .arg(sequence.Width())
                         .arg(sequence.Height()));
    // A sample file replaces the file of that name: never one the sequence is read from.
    CheckOutputTarget(fileName, sequence.SourceFiles());
    // The whole size before anything is written: the old file stays until the new one replaces
    // it, so all of it must fit beside the old one.
    CheckRoomForFile(fileName, SampleFileBytes(smp, sequence.Header().FrameCount), FreeBytesFor(fileName));
    if (!smp.new_file(fileName))
        throw EInOutError(smp.LastError());
    const int32_t blockStart = sequence.FirstCachedFrame();
    bool written = true;
    try {
        WriteSamples(smp, sequence, pixel, progress);
    } catch (...) {
        smp.discard_file();  // the old file, if any, is untouched
        try {
            if (sequence.FirstCachedFrame() != blockStart)
                sequence.LoadFrames(blockStart);
        } catch (const EError&) {  // the export's own failure is the one to report
        }
        try {
            throw;
        } catch (const TStopped&) {
            written = false;
        }
    }
    if (sequence.FirstCachedFrame() != blockStart)
        sequence.LoadFrames(blockStart);
    return written;
}
