#pragma once
// The recording formats of this build, registered with the factory at start-up (the program and
// tremax-cli alike). Photron is always there; multipage TIFF and video only when libtiff and
// FFmpeg were found when the build was configured.

#include <QStringList>

class TFrameSourceFactory;

// Registers every format this build has, after the raw frames the factory starts with.
void RegisterOptionalFormats(TFrameSourceFactory& factory);

// The formats this build lacks ("multipage TIFF", "video"); empty when it has them all.
QStringList LackingFormats();
