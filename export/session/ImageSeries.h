#pragma once
// "Save several images...": consecutive rendered frames as numbered 24-bit BMP files beside
// the sequence (run3.bld at frame 57 gives run357.bmp, run358.bmp, …).

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

class TViewerSession;

// The sequence's file name with its extension replaced by ".bmp" and `frame` in decimal put
// before it.
QString ImageSeriesFileName(const QString& sequenceFile, int32_t frame);

// The count the prompt's text asks for: a decimal integer (EConvertError otherwise) from 0 to
// the sequence's number of frames (EError otherwise: more would only fill the disk).
int32_t ImageSeriesCount(const QString& text, int32_t frameCount);

// Refuses (EError) while no sequence is open: there is nothing to name the files after.
void CheckImagesToSave(const TViewerSession& session);

// Repeats `count` times: saves `frameBitmap()` (the rendered current frame) under the name of
// the current frame, overwriting a file of that name, then moves the session to the next
// frame, which renders it. A failure ends the run with its message (EInOutError naming the
// file); the files already written stay. Refused as CheckImagesToSave refuses.
void SaveImageSeries(TViewerSession& session, int32_t count, const std::function<const QImage&()>& frameBitmap);
