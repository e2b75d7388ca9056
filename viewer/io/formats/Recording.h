#pragma once
// A recording opened as the program opens it, without a window: every format of this build, the
// header given in place of its frame file standing for it, the checks of frames, rows and columns
// and of the analysis block. tremax-cli and the Python module share these, messages included.

#include "viewer/io/Sequence.h"
#include "viewer/io/SequenceChecks.h"  // the checks its users ask with it

#include <QPoint>
#include <QString>
#include <memory>

// The frame file named by `given`, made absolute. A missing name, or one that is a folder, a
// FIFO or a device, is refused (EInOutError) with a message that says so.
QString RecordingPath(const QString& given);
// Opens that sequence exactly as the program opens it (the cache back to 512 frames, the header
// or the defaults, the memory checked, the block from frame 0). A caller that reads fewer frames
// of the block asks for that many slots instead (`slots` > 0).
std::unique_ptr<TSequence> OpenRecording(const QString& given, int32_t slots = 0);
// The header as that open would apply it, read and checked, with the first frame read (not
// kept) so that an unreadable recording fails; no frame block is made.
TSequenceHeader ReadRecordingHeader(const QString& given);


// The analysis block: the cache size, then the block's first frame (inside the sequence).
// Returns `length`, refused when it exceeds the cache. With `slots` > 0 the block holds only
// that many frames (at least the length): a caller that reads no more.
int32_t ApplyAnalysisBlock(TSequence& sequence, int32_t start, int32_t length, int32_t cache, int32_t slots = 0);
