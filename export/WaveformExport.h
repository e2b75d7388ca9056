#pragma once
// The waveform export: one pixel's grey value over every frame of the open sequence, written as
// a one-channel ".smp" sample file (sample = value x 128, little-endian, after the header block).

#include "export/sSMP.h"
#include "viewer/Sequence.h"

#include <QPoint>
#include <QString>

// The name the save dialog proposes: the sequence file name with x "_" y inserted before its
// extension and the extension replaced by ".smp" (run3.bld, 120, 45: run3120_45.smp).
QString DefaultSampleFileName(const QString& sequenceFileName, QPoint pixel);

// Writes the waveform of `pixel` into a new sample file `fileName` through `smp` (the caller's
// component, whose settings apply), replacing a file of that name; a name that is one of the
// sequence's own files, or a folder, FIFO or device, is refused before anything is written. Sequences of any length are
// written, in chunks that form one waveform. Throws EError (a subclass) with a message naming
// the file when anything fails; a file that could not be completed is removed. The sequence's
// frame block is read frame by frame and afterwards starts where it started before.
// Interface thread (the sequence's).
void ExportWaveform(TSMPfile& smp, TSequence& sequence, QPoint pixel, const QString& fileName);
