#pragma once
// The waveform export: one pixel's grey value over every frame of the open sequence, written as
// a one-channel ".smp" sample file (sample = value x 128, little-endian, after the header block).

#include "export/io/sSMP.h"
#include "viewer/io/Sequence.h"

#include <QPoint>
#include <QString>
#include <cstdint>
#include <functional>

// The name the save dialog proposes: the sequence file name with x "_" y inserted before its
// extension and the extension replaced by ".smp" (run3.bld, 120, 45: run3120_45.smp).
QString DefaultSampleFileName(const QString& sequenceFileName, QPoint pixel);

// Told now and then how many of `total` frames are written; false stops the export.
using TExportProgress = std::function<bool(int64_t done, int64_t total)>;

// The size in bytes of the sample file of `frames` frames (the header block and two bytes a
// frame), in 64 bits.
int64_t SampleFileBytes(const TSMPfile& smp, int64_t frames);
// Throws EInOutError naming `fileName`, the size it needs and the space that is free, when
// `bytes` exceed `freeBytes` (-1: the system does not say, nothing is refused).
void CheckRoomForFile(const QString& fileName, int64_t bytes, int64_t freeBytes);

// Writes the waveform of `pixel` into a new sample file `fileName` through `smp` (the caller's
// component, whose settings apply), replacing a file of that name; a name that is one of the
// sequence's own files, or a folder, FIFO or device, is refused before anything is written, and
// so is a file larger than the free space of the target's file system. Sequences of any length
// are written, in chunks that form one waveform; frames the frame file does not hold are written
// as the frame store fills them. Throws EError (a subclass) with a message naming the file when
// anything fails. The file replaces an old one only when it is complete: a failure, a stop asked
// by `progress` or a signal leaves the old file as it was and no temporary file. False when
// `progress` stopped it. The sequence's frame block is read frame by frame and afterwards starts
// where it started before. Interface thread (the sequence's).
bool ExportWaveform(TSMPfile& smp, TSequence& sequence, QPoint pixel, const QString& fileName,
                    const TExportProgress& progress = {});
