#include "export/WaveformExport.h"

#include "export/FileNameParts.h"
#include "platform/Errors.h"
#include "platform/SafeFileWriter.h"

#include <QFile>
#include <memory>

QString DefaultSampleFileName(const QString& sequenceFileName, QPoint pixel)
{
    return sequenceFileName.left(ExtensionDot(sequenceFileName)) +
           QStringLiteral("%1_%2.smp").arg(pixel.x()).arg(pixel.y());
}

namespace {

void WriteSamples(TSMPfile& smp, TSequence& sequence, QPoint pixel)
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
    }
    if (!smp.save_file())
        throw EInOutError(smp.LastError());
    if (!smp.close_file())
        throw EInOutError(smp.LastError());
}

}  // namespace

void ExportWaveform(TSMPfile& smp, TSequence& sequence, QPoint pixel, const QString& fileName)
{
    if (pixel.x() < 0 || pixel.x() >= sequence.Width() || pixel.y() < 0 || pixel.y() >= sequence.Height())
        throw EError(QStringLiteral("The point x:%1 y:%2 lies outside the image (%3 x %4 pixels); nothing was saved")
                         .arg(pixel.x())
                         .arg(pixel.y())
                         .arg(sequence.Width())
                         .arg(sequence.Height()));
    // A sample file replaces the file of that name: never one the sequence is read from.
    CheckOutputTarget(fileName, sequence.SourceFiles());
    if (!smp.new_file(fileName))
        throw EInOutError(smp.LastError());
    const int32_t blockStart = sequence.FirstCachedFrame();
    try {
        WriteSamples(smp, sequence, pixel);
    } catch (...) {
        smp.close_file();
        if (!smp.UseTempFile)  // a temporary copy never reached the file
            QFile::remove(fileName);
        try {
            if (sequence.FirstCachedFrame() != blockStart)
                sequence.LoadFrames(blockStart);
        } catch (const EError&) {  // the export's own failure is the one to report
        }
        throw;
    }
    if (sequence.FirstCachedFrame() != blockStart)
        sequence.LoadFrames(blockStart);
}
